// The order kept safe: the journal that survives a crash, the restore at the
// next start, saving and opening an order file, and pictures handed over from
// outside (command line, a second start).
#include "ui/common/FileDialogLook.h"
#include "ui/main/MainForm.h"

#include "core/AddRun.h"
#include "core/AppError.h"
#include "core/DroppedFiles.h"
#include "core/Texts.h"
#include "core/UserData.h"
#include "output/OrderJob.h"
#include "output/OrderText.h"
#include "platform/OrderJournal.h"
#include "ui/common/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

namespace pelmar {

namespace {

const QString kJournalSetAside = QStringLiteral(
    "A félbemaradt megrendelés naplója sérült volt, ezért nem állítható vissza.\n\nA sérült fájlt megőriztük ezen "
    "a néven:\n%1");
const QString kJournalFailed = QStringLiteral(
    "A megrendelés biztonsági mentése nem sikerült:\n%1\n\nHa a program most váratlanul leáll, a megrendelés "
    "elvész. Mentse a megrendelést fájlba (Fájl menü, Megrendelés mentése...).");
const QString kRestoreQuestion
    = QStringLiteral("A program legutóbb nem zárult le rendben. Visszaállítja a félbemaradt megrendelést (%1 kép)?");
const QString kOrderFilter = QStringLiteral("Megrendelés (*.json)");

} // namespace

// ---------------------------------------------------------------------------
// The journal

void MainForm::openJournal()
{
    m_journal = std::make_unique<OrderJournal>(OrderJournal::pathBeside(m_settingsPath));
    m_journalWriter = std::make_unique<JournalWriter>(*m_journal, [this](bool written, const QString& error) {
        QMetaObject::invokeMethod(
            this, [this, written, error] { guarded([&] { journalWritten(written, error); }); }, Qt::QueuedConnection);
    });
    // Every change of the order is written once its command is over: the add
    // run announces its lines in one insertion, so it costs one transaction.
    for (auto signal : {&OrderModel::rowsInserted, &OrderModel::rowsRemoved})
        connect(&m_order, signal, this, [this] { orderChanged(); });
    connect(&m_order, &OrderModel::dataChanged, this, [this] { orderChanged(); });
    connect(&m_order, &OrderModel::modelReset, this, [this] { orderChanged(); });
    connect(&m_order, &OrderModel::layoutChanged, this, [this] { orderChanged(); });
}

void MainForm::orderChanged()
{
    m_journalDirty = true;
    if (m_journalScheduled)
        return;
    m_journalScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_journalScheduled = false;
        guarded([this] { postJournal(); });
    });
}

bool MainForm::postJournal()
{
    // Nothing is written before the restore question was answered: the
    // journal still holds the order of the last run.
    if (!m_journalDirty || !m_journalWriter || !m_startDone)
        return false;
    // Pictures being converted for a restore are not in the order yet: the
    // journal keeps the last run's order until they are (the batch's end
    // announces them).
    if (phoneBatchRunning())
        return false;
    if (m_order.inBatch()) {
        // An add run is under way; its end announces its lines.
        orderChanged();
        return false;
    }
    m_journalDirty = false;
    // The lines share their texts with the order until it changes again;
    // the conversion runs on the writer's thread.
    m_journalWriter->post([lines = m_order.lines(), prices = m_settings.priceList] {
        const QStringList sizes = SizeNames(prices);
        QList<JournalLine> out;
        out.reserve(lines.size());
        for (const OrderLine& l : lines)
            out.append(JournalLineOf(l, prices, sizes));
        return out;
    });
    return true;
}

void MainForm::flushJournal()
{
    postJournal();
    if (!m_journalWriter)
        return;
    m_journalWriter->wait();
    // The write's outcome, said now rather than at the next event.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void MainForm::journalWritten(bool written, const QString& error)
{
    if (written) {
        m_journalWarned = false;
        return;
    }
    // Said once, until a write succeeds again.
    if (!m_journalWarned) {
        m_journalWarned = true;
        MessageBox::error(this, kJournalFailed.arg(error));
    }
}

// ---------------------------------------------------------------------------
// The start: restore, then pictures from outside

void MainForm::runStartFlow()
{
    if (m_firstRunRunning || !m_firstRunDone)
        return;
    if (!m_startDone) {
        // Asked once, also when this runs again while the question is open;
        // until it is answered the journal keeps the last run's order.
        if (m_restoreAsked)
            return;
        m_restoreAsked = true;
        offerRestore();
        m_startDone = true;
        postJournal();
        // Converted pictures of an order that was not restored.
        prunePhoneCache();
    }
    if (m_outsideFiles.isEmpty())
        return;
    // Not in the middle of an add run, nor under an open dialog: try again
    // shortly.
    if (m_addRunning || QApplication::activeModalWidget() || !AddPic->isEnabled()) {
        QTimer::singleShot(200, this, [this] { guarded([this] { runStartFlow(); }); });
        return;
    }
    const QStringList paths = std::exchange(m_outsideFiles, {});
    const QStringList files = CollectDroppedFiles(paths);
    if (!files.isEmpty())
        addAnyPictures(files);
}

void MainForm::addPicturesFromOutside(const QStringList& paths)
{
    for (const QString& p : paths)
        m_outsideFiles.append(QFileInfo(p).absoluteFilePath());
    if (m_startDone)
        QTimer::singleShot(0, this, [this] { guarded([this] { runStartFlow(); }); });
}

void MainForm::offerRestore()
{
    if (!m_journal)
        return;
    if (!m_journal->setAsidePath().isEmpty())
        MessageBox::information(this, kJournalSetAside.arg(QDir::toNativeSeparators(m_journal->setAsidePath())));
    const QList<JournalLine> lines = m_journal->lines();
    if (lines.isEmpty())
        return;
    // Whatever the answer, and even when every picture is refused again, the
    // journal then holds this run's order, not the last run's.
    m_journalDirty = true;
    if (MessageBox::confirm(this, kRestoreQuestion.arg(lines.size())) == MessageAnswer::No)
        return;
    addLines(lines, {});
}

// Adds lines through the add run's rules, each with its own size, fill and
// quantity. The entry is today's of that size; a size that left the list
// takes the line's own entry (or the file's, fileEntries), as a line whose
// size left the list keeps its price.
void MainForm::addLines(const QList<JournalLine>& lines, const QStringList& fileEntries,
                        const QList<AddItem>& converted)
{
    // Phone pictures are kept by their originals: converted again first (or
    // found converted), then this runs once more with them.
    if (converted.isEmpty() && !m_addRunning && std::any_of(lines.begin(), lines.end(), [](const JournalLine& l) {
            return HasPhonePictureExtension(l.path);
        })) {
        QStringList paths;
        for (const JournalLine& l : lines)
            paths.append(l.path);
        m_addRunning = true;
        setOrderCommandsEnabled(false);
        phoneBatch().start(paths, [this, lines, fileEntries](const QList<AddItem>& items) {
            m_addRunning = false;
            setOrderCommandsEnabled(true);
            guarded([&] { addLines(lines, fileEntries, items); });
            prunePhoneCache();
            orderChanged();
        });
        return;
    }
    const QStringList& prices = m_settings.priceList;
    const QStringList today = SizeNames(prices);
    const QStringList fileSizes = SizeNames(fileEntries);
    QStringList refusals;
    setStatusText(QStringLiteral("Folyamat:"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_order.beginBatch();
    std::exception_ptr failure;
    try {
        AddRun run(m_order);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const JournalLine& l = lines[i];
            const AddItem item = i < converted.size() ? converted[i] : AddItem {l.path, {}, {}};
            if (!item.refusal.isEmpty()) {
                refusals.append(item.refusal);
                continue;
            }
            if (item.path.isEmpty())
                continue; // its conversion was cancelled
            const TPriceData own = ParsePriceData(l.entry);
            int at = FindSizeIndex(today, own.Size);
            TPriceData entry = own;
            if (at >= 0) {
                entry = ParsePriceData(prices[at]);
            } else if ((at = FindSizeIndex(fileSizes, own.Size)) >= 0) {
                entry = ParsePriceData(fileEntries[at]);
            }
            // A file that is gone is one refusal among the others, not the
            // end of the restore.
            try {
                const AddRun::Result result = run.add(item.path, entry, l.fill, l.quantity, item.source);
                if (!result.added())
                    refusals.append(result.refusal);
            } catch (const AppError& e) {
                refusals.append(e.message() + QStringLiteral(": ") + l.path);
            }
        }
    } catch (...) {
        failure = std::current_exception();
    }
    m_order.endBatch();
    QApplication::restoreOverrideCursor();
    setStatusText(idleStatusText());
    UpdateTotals();
    FileListSelectItem();
    // The add run's messages, after the lines are in.
    for (const QString& r : std::as_const(refusals))
        MessageBox::error(this, r);
    if (failure)
        std::rethrow_exception(failure);
}

// ---------------------------------------------------------------------------
// Order files

void MainForm::SaveOrderExecute()
{
    if (m_addRunning)
        return;
    if (m_order.isEmpty()) {
        MessageBox::error(this, kEmptyOrderText);
        return;
    }
    QString path;
    if (m_orderFileChooser) {
        path = m_orderFileChooser(true);
    } else {
        path = chooseFileToSave(this, QStringLiteral("Megrendelés mentése"),
                                QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QLatin1Char('/'),
                                kOrderFilter, QStringLiteral("json"));
    }
    if (!path.isEmpty())
        saveOrderTo(path);
}

void MainForm::OpenOrderExecute()
{
    if (m_addRunning)
        return;
    QString path;
    if (m_orderFileChooser) {
        path = m_orderFileChooser(false);
    } else {
        QFileDialog dialog(this, QStringLiteral("Megrendelés megnyitása"));
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({kOrderFilter, QStringLiteral("Minden fájl (*)")});
        dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        finishFileDialog(&dialog);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().front();
    }
    if (!path.isEmpty())
        openOrderFrom(path);
}

bool MainForm::saveOrderTo(const QString& path)
{
    OrderJob job;
    const TUserData& partner = PartnerData();
    job.fields.UserID = QString::number(partner.UserID);
    job.fields.UserNev = partner.UserName;
    job.fields.UserHelys = partner.UserHelys;
    job.fields.UserCim = partner.UserCim;
    job.fields.UserIrsz = partner.UserIrsz;
    job.settingValues = m_settings.settingValues;
    job.prices = m_settings.priceList;
    const QStringList sizes = SizeNames(m_settings.priceList);
    for (const OrderLine& l : m_order.lines()) {
        // A size that left the list travels with its own entry, so the file
        // builds on its own.
        if (FindSizeIndex(SizeNames(job.prices), l.size()) < 0)
            job.prices.append(JournalLineOf(l, m_settings.priceList, sizes).entry);
        job.pictures.append({l.originalPath(), l.size(), l.fill() != QLatin1String("fit"), l.quantityText().toInt()});
    }
    const QByteArray json = OrderJobJson(job);
    // What cannot be read back (a control character in a file name or a
    // partner field) is refused now, not when the order is opened or built.
    try {
        ParseOrderJob(json);
    } catch (const AppError& e) {
        MessageBox::error(this,
                          QStringLiteral("A megrendelés mentése nem sikerült:\n%1\n\n%2")
                              .arg(QDir::toNativeSeparators(path), e.message()));
        return false;
    }
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.commit();
    if (!ok) {
        MessageBox::error(this,
                          QStringLiteral("A megrendelés mentése nem sikerült:\n%1\n\n%2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    return true;
}

bool MainForm::openOrderFrom(const QString& path)
{
    OrderJob job;
    try {
        job = ReadOrderJobFile(path);
        // Every size must be known, today or from the file, before anything
        // is added.
        const QStringList today = SizeNames(m_settings.priceList);
        const QStringList own = SizeNames(job.prices);
        for (int i = 0; i < job.pictures.size(); ++i) {
            const OrderJob::Picture& p = job.pictures[i];
            if (FindSizeIndex(today, p.size) < 0 && FindSizeIndex(own, p.size) < 0)
                throw AppError(
                    QStringLiteral("Ismeretlen méret: \"%1\" (%2. kép: %3)").arg(p.size).arg(i + 1).arg(p.path));
        }
        if (job.pictures.isEmpty())
            throw AppError(QStringLiteral("A megrendelésben nincs kép."));
    } catch (const AppError& e) {
        MessageBox::error(this,
                          QStringLiteral("A megrendelés nem nyitható meg:\n%1\n\n%2")
                              .arg(QDir::toNativeSeparators(path), e.message()));
        return false;
    }
    QList<JournalLine> lines;
    const QStringList own = SizeNames(job.prices);
    for (const OrderJob::Picture& p : std::as_const(job.pictures)) {
        const int at = FindSizeIndex(own, p.size);
        TPriceData named;
        named.Size = p.size;
        lines.append({p.path, at >= 0 ? job.prices[at] : ComposePriceData(named), p.fill, p.quantity});
    }
    addLines(lines, job.prices);
    return true;
}

} // namespace pelmar
