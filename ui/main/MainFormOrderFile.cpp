// The order kept safe: the journal that survives a crash, the restore at the
// next start, saving and opening an order file, and pictures handed over from
// outside (command line, a second start).
#include "ui/common/FileDialogLook.h"
#include "ui/main/MainForm.h"

#include "core/AddRun.h"
#include "core/AppError.h"
#include "core/DroppedFiles.h"
#include "core/NativePath.h"
#include "core/Texts.h"
#include "core/UserData.h"
#include "output/OrderJob.h"
#include "output/OrderText.h"
#include "platform/AtomicFile.h"
#include "platform/OrderJournal.h"
#include "ui/common/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QSet>
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
const QString kWaitingQuestion
    = QStringLiteral("Egy korábbi megrendelésből %1 kép vár visszaállításra. Hozzáadja most őket a megrendeléshez?");
const QString kKeepQuestion = QStringLiteral(
    "Megőrzi a félbemaradt megrendelést (%1 kép), hogy később visszaállíthassa? A program a következő indításkor "
    "újra megkérdezi.\n\nHa a Nem gombot választja, a megrendelés véglegesen elvész.");
const QString kMissingSummary = QStringLiteral(
    "%1 kép most nem érhető el, ezért nem került a megrendelésbe. Ezekben a mappákban vannak:\n\n%2\n\nLehet, "
    "hogy nincs csatlakoztatva a kártya vagy a pendrive, vagy átnevezték a mappát.\n\nMegőrzi ezeket a képeket, "
    "hogy a program a következő indításkor újra megpróbálja hozzáadni őket? Ha a Nem gombot választja, kimaradnak "
    "a megrendelésből.");
const QString kJournalNotEmptied = QStringLiteral(
    "A megrendelés naplóját nem sikerült kiüríteni:\n%1\n\nA program a következő indításkor ezért felajánlja a "
    "most lezárt megrendelés visszaállítását. Ha nincs rá szükség, ne állítsa vissza, és ne őrizze meg.");
// Folders named in the summary of missing pictures; the rest are counted.
constexpr int kNamedFolders = 10;

// The folders of the pictures, each once, in the order met, with how many of
// the pictures are in each.
QString folderList(const QList<JournalLine>& lines)
{
    QStringList folders;
    QHash<QString, int> counts;
    for (const JournalLine& l : lines) {
        const QString folder = l.path.left(qMax<qsizetype>(1, l.path.lastIndexOf(QLatin1Char('/'))));
        if (counts[folder]++ == 0)
            folders.append(folder);
    }
    QStringList out;
    for (const QString& f : folders.mid(0, kNamedFolders))
        out.append(
            QStringLiteral("%1 (%2 kép)").arg(QDir::toNativeSeparators(ReadableName(f)), QString::number(counts[f])));
    if (folders.size() > kNamedFolders)
        out.append(QStringLiteral("és még %1 mappa").arg(folders.size() - kNamedFolders));
    return out.join(QLatin1Char('\n'));
}
const QString kOrderFilter = QStringLiteral("Megrendelés (*.json)");

} // namespace

// ---------------------------------------------------------------------------
// The journal

void MainForm::openJournal()
{
    m_journal = std::make_unique<OrderJournal>(OrderJournal::pathBeside(m_settingsPath));
    startJournalWriter();
    // Every change of the order is written once its command is over: the add
    // run announces its lines in one insertion, so it costs one transaction.
    for (auto signal : {&OrderModel::rowsInserted, &OrderModel::rowsRemoved})
        connect(&m_order, signal, this, [this] { orderChanged(); });
    connect(&m_order, &OrderModel::dataChanged, this, [this] { orderChanged(); });
    connect(&m_order, &OrderModel::modelReset, this, [this] { orderChanged(); });
    connect(&m_order, &OrderModel::layoutChanged, this, [this] { orderChanged(); });
}

void MainForm::startJournalWriter()
{
    m_journalWriter = std::make_unique<JournalWriter>(*m_journal, [this](bool written, const QString& error) {
        QMetaObject::invokeMethod(
            this, [this, written, error] { guarded([&] { journalWritten(written, error); }); }, Qt::QueuedConnection);
    });
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
    // A kept picture that is in the order again waits no longer.
    if (!m_waiting.isEmpty()) {
        QSet<QString> inOrder;
        for (const OrderLine& l : m_order.lines())
            inOrder.insert(l.path());
        m_waiting.removeIf([&](const JournalLine& l) { return inOrder.contains(l.path); });
    }
    // The lines share their texts with the order until it changes again;
    // the conversion runs on the writer's thread.
    m_journalWriter->post([lines = m_order.lines(), prices = m_settings.priceList, waiting = m_waiting] {
        const QStringList sizes = SizeNames(prices);
        QList<JournalLine> out;
        out.reserve(lines.size());
        for (const OrderLine& l : lines)
            out.append(JournalLineOf(l, prices, sizes));
        return JournalContent(out, waiting);
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

void MainForm::endJournal()
{
    m_journalDirty = false;
    // Before the restore question was answered the journal holds the last
    // run's order, to be asked about at the next start.
    if (!m_journal || !m_startDone)
        return;
    // Whatever the writer had in hand is written first; this last write is
    // made here, so its outcome is known before the window goes.
    m_journalWriter.reset();
    const bool emptied = !m_journal->isAvailable()
        || m_journal->replace({}, m_waiting)
        // A disk too full for even an empty journal: without its files there
        // is nothing to restore either, and removing them needs no room.
        || (m_waiting.isEmpty() && m_journal->discard());
    if (!emptied)
        MessageBox::error(this, kJournalNotEmptied.arg(m_journal->errorText()));
    // The window may be shown again (nothing in the program does that, but
    // the order must not go unguarded then).
    startJournalWriter();
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
    const QList<JournalLine> order = m_journal->lines();
    const QList<JournalLine> lines = order + m_journal->waiting();
    if (lines.isEmpty())
        return;
    // From the answer on, the journal holds this run's order and what is
    // kept for later; nothing of the last run is lost on the way unless the
    // partner says so.
    m_journalDirty = true;
    const QString question = order.isEmpty() ? kWaitingQuestion : kRestoreQuestion;
    if (MessageBox::confirm(this, question.arg(lines.size())) == MessageAnswer::No) {
        // Not now is not never: only a second, plain answer drops it.
        if (MessageBox::confirm(this, kKeepQuestion.arg(lines.size())) != MessageAnswer::No)
            m_waiting = lines;
        return;
    }
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
    QList<JournalLine> missing;
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
            // A picture that cannot be reached now (the card is not in, the
            // folder was renamed) is not the end of the restore, nor a box
            // of its own: it is kept aside for the summary.
            try {
                const AddRun::Result result = run.add(item.path, entry, l.fill, l.quantity, item.source);
                if (!result.added())
                    refusals.append(namedRefusal(result.refusal, l.path));
            } catch (const AppError&) {
                missing.append(l);
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
    if (!missing.isEmpty()) {
        m_journalDirty = true;
        if (MessageBox::confirm(this, kMissingSummary.arg(missing.size()).arg(folderList(missing)))
            != MessageAnswer::No)
            m_waiting += missing;
        orderChanged();
    }
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
    // Written as every file of the program is: whole or not at all, and a
    // failure named by the system's words ("No space left on device").
    AtomicFile file(path);
    int err = file.valid() ? file.writeAll(json.constData(), json.size()) : file.error();
    if (err == 0)
        err = file.commit(true);
    if (err != 0) {
        MessageBox::error(this,
                          QStringLiteral("A megrendelés mentése nem sikerült:\n%1\n\n%2")
                              .arg(QDir::toNativeSeparators(path), ErrnoText(err)));
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
