#include "ui/main/PhoneBatch.h"

#include "ui/help/Help.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QThread>
#include <QTimer>

namespace pelmar {

using convert::ConvertCache;
using convert::ConvertQueue;
using convert::NeedsConversion;

PhoneBatch::PhoneBatch(QWidget* window, const QString& cacheFolder)
    : m_window(window)
    , m_cache(cacheFolder)
    , m_queue(ConvertQueue::defaultHelper(), std::max(1, QThread::idealThreadCount()))
{
    connect(&m_queue, &ConvertQueue::done, this, &PhoneBatch::converted);
}

PhoneBatch::~PhoneBatch()
{
    m_queue.cancel();
    delete m_progress;
}

void PhoneBatch::setHelper(const QString& helper)
{
    m_queue.setHelper(helper);
}

QString PhoneBatch::refusalText(const QString& source, const QString& reason)
{
    return QStringLiteral("A következő képet nem sikerült JPEG formátumba alakítani:\n\n%1\n\n%2")
        .arg(QDir::toNativeSeparators(source), reason);
}

void PhoneBatch::start(const QStringList& files, Done done)
{
    m_items.clear();
    m_waiting.clear();
    m_parts.clear();
    m_targets.clear();
    m_toConvert = m_converted = 0;
    m_cancelled = false;
    m_done = std::move(done);
    for (int i = 0; i < files.size(); ++i) {
        const QString& file = files[i];
        AddItem item {file, {}, {}};
        bool wait = false;
        QString part, target;
        if (NeedsConversion(QFileInfo(file).fileName())) {
            item.source = file;
            const ConvertCache::Plan plan = m_cache.plan(file);
            target = plan.target;
            part = plan.part;
            if (!plan.problem.isEmpty()) {
                item.refusal = refusalText(file, plan.problem);
            } else if (part.isEmpty()) {
                item.path = target; // converted before, unchanged since
            } else {
                wait = true;
                ++m_toConvert;
            }
        }
        m_items.append(item);
        m_waiting.append(wait);
        m_parts.append(part);
        m_targets.append(target);
    }
    if (m_toConvert == 0) {
        finish();
        return;
    }
    m_progress = new QProgressDialog(QStringLiteral("Képek átalakítása JPEG formátumba..."), QString(), 0, m_toConvert,
                                     m_window);
    // An Enter meant for the file dialog before (a key held a moment too
    // long) must not throw the batch away: only a click or Esc cancels.
    auto* cancelButton = new QPushButton(QStringLiteral("Mégse"), m_progress);
    cancelButton->setObjectName(QStringLiteral("PhoneCancel"));
    cancelButton->setAutoDefault(false);
    cancelButton->setDefault(false);
    m_progress->setCancelButton(cancelButton);
    m_progress->setObjectName(QStringLiteral("PhoneProgress"));
    m_progress->setWindowTitle(QStringLiteral("Telefonos képek hozzáadása"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(0);
    m_progress->setValue(0);
    Help::installHelpKey(m_progress, [] { Help::ShowHelpTopic(QStringLiteral("phonepictures.html")); });
    connect(m_progress, &QProgressDialog::canceled, this, &PhoneBatch::cancel);
    for (int i = 0; i < m_items.size(); ++i)
        if (m_waiting[i])
            m_queue.add(i, m_items[i].source, m_parts[i]);
    step();
}

// A window-modal progress dialog runs the event loop inside setValue(); from
// within the queue's signal that would deliver the next conversions, and the
// end of the batch with its add run and message boxes, while this one is
// still half handled. So the dialog is brought up to date from a timer of
// its own, once for any number of conversions meanwhile.
void PhoneBatch::scheduleStep()
{
    if (m_stepScheduled)
        return;
    m_stepScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_stepScheduled = false;
        step();
    });
}

void PhoneBatch::step()
{
    if (!m_progress || m_inStep)
        return;
    {
        const QScopedValueRollback guard(m_inStep, true);
        m_progress->setValue(m_converted);
        m_progress->setLabelText(
            QStringLiteral("Képek átalakítása JPEG formátumba: %1 / %2").arg(m_converted).arg(m_toConvert));
    }
    // Conversions that ended while the dialog drew itself.
    if (m_progress && m_progress->value() != m_converted && m_converted < m_toConvert)
        scheduleStep();
}

void PhoneBatch::converted(int id, bool ok, const QString& message)
{
    if (id < 0 || id >= m_items.size() || !m_waiting[id])
        return;
    m_waiting[id] = false;
    ++m_converted;
    AddItem& item = m_items[id];
    const QString problem = ok ? ConvertCache::commitProblem(m_parts[id], m_targets[id]) : message;
    if (problem.isEmpty())
        item.path = m_targets[id];
    else
        item.refusal = refusalText(item.source, problem);
    if (m_converted < m_toConvert)
        scheduleStep();
    else
        // After this signal has returned to the queue.
        QTimer::singleShot(0, this, &PhoneBatch::finish);
}

void PhoneBatch::cancel()
{
    if (!m_done || m_cancelled)
        return;
    m_cancelled = true;
    m_queue.cancel();
    // What was not converted is left out of the add run, without a message
    // (an item with neither path nor refusal).
    for (int i = 0; i < m_items.size(); ++i)
        if (m_waiting[i])
            m_items[i] = AddItem {};
    m_waiting.fill(false);
    QTimer::singleShot(0, this, &PhoneBatch::finish);
}

void PhoneBatch::finish()
{
    if (!m_done)
        return;
    // Never from inside the dialog's own setValue().
    if (m_inStep) {
        QTimer::singleShot(0, this, &PhoneBatch::finish);
        return;
    }
    if (m_progress) {
        m_progress->disconnect(this);
        m_progress->hide();
        m_progress->deleteLater();
    }
    const Done done = std::exchange(m_done, {});
    const QList<AddItem> items = std::exchange(m_items, {});
    done(items);
}

void PhoneBatch::prune(const QSet<QString>& paths)
{
    if (!running())
        m_cache.prune(paths);
}

} // namespace pelmar
