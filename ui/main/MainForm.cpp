#include "ui/main/MainForm.h"

#include "core/AddRun.h"
#include "core/AppError.h"
#include "core/DroppedFiles.h"
#include "core/NativePath.h"
#include "core/PictureCheck.h"
#include "core/UserData.h"
#include "platform/LabInfo.h"
#include "platform/OrderJournal.h"
#include "platform/SettingsStore.h"
#include "ui/common/Guard.h"
#include "ui/common/MessageBox.h"
#include "ui/delivery/LabSending.h"
#include "ui/help/Help.h"
#include "ui/main/OpenPictureDialog.h"
#include "ui/main/PictureListView.h"
#include "ui/main/PictureThumbnails.h"
#include "ui/main/QuantityBox.h"
#include "ui/settings/SettingsNotice.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

// The icons live in the ui library; a static library needs its resources
// pulled in by hand.
static void initMainFormResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace pelmar {

namespace {

const QString kFolyamat = QStringLiteral("Folyamat:");

// How often (ms) a long add run serves the window between its files.
constexpr qint64 kEventInterval = 10;

QString money(qint64 value)
{
    return QString::number(value) + QStringLiteral(" Ft");
}

} // namespace

// ---------------------------------------------------------------------------
// MainForm: construction

MainForm::MainForm(QWidget* parent, const QString& settingsPath)
    : QMainWindow(parent)
    , m_settingsPath(settingsPath.isEmpty() ? SettingsStore::defaultDatabasePath() : settingsPath)
{
    initMainFormResources();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Pelmar digitális fotórendelés"));
    // Tahoma 8 where it exists; otherwise a face of similar width (Liberation
    // Sans has Arial's metrics), so the controls fit the 800-pixel window.
    QFont font(QStringLiteral("Tahoma"), 8);
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    setFont(font);

    createActions();
    createMenus();
    createControls();
    m_labSending = new LabSending(this, m_settingsPath);
    connectHandlers();
    resize(800, 540);
    FormCreate();
    openJournal();
}

MainForm::~MainForm()
{
    // Hidden while this window's controls still exist: hiding it repaints
    // the small preview box.
    if (m_previewForm)
        m_previewForm->hide();
    FormDestroy();
}

void MainForm::guarded(const std::function<void()>& command)
{
    runGuarded(this, command);
}

void MainForm::connectHandlers()
{
    auto bind = [this](QAction* action, void (MainForm::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    bind(AddPic, &MainForm::AddPicExecute);
    bind(miAddPhone, &MainForm::AddPhonePicExecute);
    bind(DelPic, &MainForm::DelPicExecute);
    bind(miSaveOrder, &MainForm::SaveOrderExecute);
    bind(miOpenOrder, &MainForm::OpenOrderExecute);
    bind(OutputMegr, &MainForm::OutputMegrExecute);
    bind(miWriteDisc, &MainForm::miWriteDiscClick);
    bind(miSendOrder, &MainForm::miSendOrderClick);
    connect(miSends, &QAction::triggered, this, [this] { guarded([this] { m_labSending->showSends(); }); });
    connect(miLabConnection, &QAction::triggered, this,
            [this] { guarded([this] { m_labSending->editConnection(); }); });
    connect(m_labSending, &LabSending::statusChanged, this, [this](const QString& text) {
        LSend->setText(text);
        LSend->setVisible(!text.isEmpty());
    });
    bind(PrintMegr, &MainForm::PrintMegrExecute);
    bind(UserData, &MainForm::UserDataExecute);
    bind(ShowPrices, &MainForm::ShowPricesExecute);
    bind(Contents, &MainForm::ContentsExecute);
    bind(About, &MainForm::AboutExecute);
    bind(SelectAll, &MainForm::SelectAllExecute);
    bind(SelectNone, &MainForm::SelectNoneExecute);
    bind(miCheckVersion, &MainForm::miCheckVersionClick);
    bind(miExit, &MainForm::miExitClick);
    bind(miWhatsNew, &MainForm::miWhatsNewClick);
    // The two web items share one handler, which reads the hint of the item
    // that was chosen from sender().
    connect(miJumpPelmar, &QAction::triggered, this, &MainForm::miJumpPelmarClick);
    connect(miJumpDigi, &QAction::triggered, this, &MainForm::miJumpPelmarClick);

    connect(ModSelBtn, &QPushButton::clicked, this, [this] { guarded([this] { ModSelBtnClick(); }); });
    connect(CBSize, &QComboBox::currentIndexChanged, this, [this] { guarded([this] { CBSizeChange(); }); });
    connect(Darab, &QuantityBox::changed, this, [this] { guarded([this] { DarabChange(); }); });
    connect(FileList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { guarded([this] { FileListSelectItem(); }); });
    connect(FileList, &PictureListView::filesDropped, this,
            [this](const QList<QUrl>& urls) { guarded([this, urls] { dropPictures(urls); }); });
    connect(CBShowPreview, &QCheckBox::clicked, this, [this] { guarded([this] { CBShowPreviewClick(); }); });
    connect(PreviewImgBtn, &QToolButton::clicked, this, [this] { guarded([this] { PreviewImgBtnClick(); }); });
    connect(miThumbnails, &QAction::triggered, this, [this] { guarded([this] { miThumbnailsClick(); }); });
    // A worker has the picture (or a finer one), or gave up on it.
    connect(&m_previewPicture, &PreviewPicture::changed, this, &MainForm::repaintPreview);
}

// ---------------------------------------------------------------------------
// Small accessors

QString MainForm::namedRefusal(const QString& text, const QString& path)
{
    if (text.contains(ReadableName(FileNameOf(path)), Qt::CaseInsensitive))
        return text;
    return text + QStringLiteral("\n\n") + QDir::toNativeSeparators(ReadableName(path));
}

QString MainForm::idleStatusText()
{
    return QStringLiteral("Válasszon ki egy vagy több képet egyszerre!");
}

QString MainForm::homePageUrl()
{
    return LabInfo::homeUrl();
}

QString MainForm::digiPageUrl()
{
    return LabInfo::digitalUrl();
}

QItemSelectionModel* MainForm::selection() const
{
    return FileList->selectionModel();
}

QList<int> MainForm::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& i : FileList->selectionModel()->selectedRows())
        rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString MainForm::statusText() const
{
    return LErrorStr->text();
}

void MainForm::setStatusText(const QString& text)
{
    LErrorStr->setText(text);
}

void MainForm::rebuildSizeBox()
{
    const QSignalBlocker block(CBSize);
    CBSize->clear();
    CBSize->addItems(SizeNames(m_settings.priceList));
    CBSize->setCurrentIndex(-1);
}

void MainForm::clearOrder()
{
    m_order.clear();
    UpdateTotals();
    FileListSelectItem();
    prunePhoneCache();
}

// ---------------------------------------------------------------------------
// Settings: load at creation, save at destruction

void MainForm::FormCreate()
{
    m_helpFile = Help::locateHelpFile(QCoreApplication::applicationDirPath());
    Help::setHelpFile(m_helpFile);
    m_previewPicture.clear();
    SettingsStore store(m_settingsPath);
    m_settings = MainWindowSettings::load(store, PartnerData());
    m_keepSettings = SettingsStore::keepsChanges(store.state());
    const bool read = store.isAvailable() || store.state() == SettingsStore::State::Unavailable;
    // Settings that are there but could not be read: no first-run flow
    // asking for data that cannot be kept.
    if (!read)
        m_settings.showWelcome = false;
    CBShowPreview->setChecked(m_settings.showPreview);
    miThumbnails->setChecked(m_settings.showThumbnails);
    m_thumbnails->setShown(m_settings.showThumbnails);
    rebuildSizeBox();
    if (CBSize->count() > 0) {
        CBSize->setCurrentIndex(0);
        CBSizeChange();
    }
    reportSetAside(this, store);
}

bool MainForm::FormDestroy()
{
    m_previewPicture.clear();
    if (!m_keepSettings)
        return false;
    m_settings.showPreview = CBShowPreview->isChecked();
    m_settings.showThumbnails = miThumbnails->isChecked();
    SettingsStore store(m_settingsPath);
    return m_settings.save(store);
}

bool MainForm::FormCloseQuery()
{
    if (m_order.isEmpty())
        return true;
    return MessageBox::confirm(this, QStringLiteral("Megrendelését még nem mentette!\n\nBiztosan kilép a programból?"))
        != MessageAnswer::No;
}

void MainForm::closeEvent(QCloseEvent* event)
{
    if (m_addRunning) {
        // Closing in the middle of an add run: ask as usual, let the run stop
        // after the file in hand, then close.
        if (FormCloseQuery()) {
            m_abortRun = true;
            m_closeAfterRun = true;
        }
        event->ignore();
        return;
    }
    if (m_closeConfirmed || FormCloseQuery()) {
        m_closeConfirmed = false;
        if (m_previewForm)
            m_previewForm->hide();
        endJournal();
        // The order is let go: so are its converted pictures.
        phoneBatch().cancel();
        phoneBatch().prune({});
        event->accept();
    } else {
        event->ignore();
    }
}

void MainForm::miExitClick()
{
    close();
}

// ---------------------------------------------------------------------------
// Window events

void MainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_firstShow)
        return;
    m_firstShow = false;
    // 800 x 540 is the outer size, frame included; centre it on the screen.
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    resize(QSize(800, 540) - frameExtra);
    if (QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        move(avail.center() - QPoint(400, 270));
    }
    FileList->setFocus();
    FormResize();
    // A desktop without a window manager never activates the window; the
    // first-run flow must not wait for that (it runs once either way).
    QTimer::singleShot(0, this, [this] {
        guarded([this] { FormActivate(); });
        guarded([this] { runStartFlow(); });
    });
}

void MainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void MainForm::FormResize()
{
    // Never narrower than 50, however small the window.
    const int outer = isVisible() ? frameGeometry().width() : width();
    FileList->setColumnWidth(0, std::max(50, outer - 600));
}

bool MainForm::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate)
        guarded([this] { FormActivate(); });
    return handled;
}

void MainForm::fitEditorRow()
{
    const QMargins bar = ToolBar2->contentsMargins();
    const QMargins inner = ToolBar2->layout() ? ToolBar2->layout()->contentsMargins() : QMargins();
    ToolBar2->setMinimumWidth(Panel1->minimumSizeHint().width() + bar.left() + bar.right() + inner.left()
                              + inner.right());
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel1 && event->type() == QEvent::LayoutRequest)
        fitEditorRow();
    return QMainWindow::eventFilter(watched, event);
}

QString MainForm::FileListInfoTip(int row) const
{
    if (row < 0 || row >= m_order.lines().size())
        return {};
    return m_order.line(row).toolTip();
}

// ---------------------------------------------------------------------------
// The editor row

void MainForm::CBSizeChange()
{
    const int index = CBSize->currentIndex();
    // A size no longer in the price list leaves the box without selection:
    // there is no entry, so the labels show 0 and no size is current.
    m_currentPrice = (index >= 0 && index < m_settings.priceList.size()) ? ParsePriceData(m_settings.priceList[index])
                                                                         : TPriceData {};
    m_itemPrice = m_currentPrice.Price;
    LItemPrice->setProperty("Tag", m_itemPrice);
    LItemPrice->setText(money(m_itemPrice));
    LItemSumPrice->setText(money(qint64(Darab->value()) * m_itemPrice));
}

void MainForm::DarabChange()
{
    LItemSumPrice->setText(money(qint64(Darab->value()) * m_itemPrice));
}

void MainForm::UpdateTotals()
{
    const Totals t = m_order.UpdateTotals();
    SumMenny->setText(t.quantityText());
    SumPrice->setText(t.priceText());
}

void MainForm::ModSelBtnClick()
{
    if (m_addRunning)
        return;
    EditorValues editor;
    editor.sizeSelected = CBSize->currentIndex() >= 0;
    editor.sizeName = CBSize->currentText();
    editor.fill = RBFill->isChecked();
    editor.quantity = Darab->value();
    editor.currentPrice = m_currentPrice;
    const ModifyRefusal refusal = m_order.ModifySelected(selectedRows(), editor);
    if (refusal != ModifyRefusal::None) {
        MessageBox::error(this, OrderModel::refusalText(refusal));
        QWidget* focus = refusal == ModifyRefusal::NoSize ? static_cast<QWidget*>(CBSize)
            : refusal == ModifyRefusal::BadQuantity       ? static_cast<QWidget*>(Darab)
                                                          : static_cast<QWidget*>(FileList);
        focus->setFocus();
        return;
    }
    UpdateTotals();
    FileListSelectItem();
}

void MainForm::DelPicExecute()
{
    if (m_addRunning)
        return;
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    if (MessageBox::confirm(this, m_order.deleteQuestion(rows)) == MessageAnswer::No)
        return;
    m_order.removeLines(rows);
    UpdateTotals();
    FileListSelectItem();
    prunePhoneCache();
}

void MainForm::SelectAllExecute()
{
    if (m_order.lines().isEmpty())
        return;
    // One selection change for the whole list, so it is redrawn once.
    const QItemSelection all(m_order.index(0, 0), m_order.index(int(m_order.lines().size()) - 1, 0));
    FileList->selectionModel()->select(all, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void MainForm::SelectNoneExecute()
{
    FileList->selectionModel()->clearSelection();
}

// ---------------------------------------------------------------------------
// Editor sync

void MainForm::FileListSelectItem()
{
    if (!isVisible() || m_suppressSync)
        return;
    syncEditors();
}

void MainForm::syncEditors()
{
    ImgInfo->clear();
    setStatusText(idleStatusText());
    const QList<int> rows = selectedRows();
    if (rows.size() == 1) {
        const OrderLine& l = m_order.line(rows.front());
        if (l.fills())
            RBFill->setChecked(true);
        else if (l.fill() == u"fit")
            RBFit->setChecked(true);
        QStringList sizes;
        for (int i = 0; i < CBSize->count(); ++i)
            sizes.append(CBSize->itemText(i));
        {
            const QSignalBlocker block(CBSize);
            CBSize->setCurrentIndex(FindSizeIndex(sizes, l.size()));
        }
        Darab->setValue(StrToInt(l.quantityText()));
        CBSizeChange();
        const QIcon icon = PictureListView::statusIcon(l.ImageIndex);
        if (!icon.isNull())
            ImgInfo->setPixmap(icon.pixmap(QSize(16, 16)));
        QString info = l.info();
        info.replace(QLatin1Char('\n'), QLatin1Char(' '));
        setStatusText(info);
    }
    // Only named here: a worker decodes it, and the box shows it when it is
    // there. A vanished or unreadable file simply leaves the preview empty.
    if (rows.size() == 1 && m_order.line(rows.front()).resolution() != u"Ismeretlen") {
        m_previewPicture.load(m_order.line(rows.front()).path(), shownBoxSize());
        decodeNeighbours(rows.front());
    } else {
        m_previewPicture.clear();
    }
    DelPic->setEnabled(!rows.isEmpty() && !m_addRunning);
    pushPreview();
    repaintPreview();
}

// ---------------------------------------------------------------------------
// The add run

QStringList MainForm::choosePictures()
{
    const QStringList files = ChoosePictures(this, PictureKinds::Accepted, m_settings.lastPictureFolder);
    // The next add run opens where this one found its pictures.
    if (!files.isEmpty())
        m_settings.lastPictureFolder = QFileInfo(files.first()).absolutePath();
    return files;
}

void MainForm::setOrderCommandsEnabled(bool enabled)
{
    // While an add run waits between files, nothing that changes or reads the
    // order may start, nor a disc writing that would hold the run up for
    // minutes; help, about and the web links stay usable.
    for (QAction* a : {AddPic, OutputMegr, miWriteDisc, miSendOrder, PrintMegr, ShowPrices, miSaveOrder, miOpenOrder})
        a->setEnabled(enabled);
    if (!enabled)
        DelPic->setEnabled(false);
    FileList->setDropsEnabled(enabled);
}

void MainForm::AddPicExecute()
{
    if (m_addRunning)
        return;
    addPictures(m_chooser ? m_chooser() : choosePictures());
}

bool MainForm::acceptsDrop(const QMimeData* mime) const
{
    // A drop while an add run is under way is refused quietly.
    return !m_addRunning && FileList->acceptsDrop(mime);
}

void MainForm::dropPictures(const QList<QUrl>& urls)
{
    if (m_addRunning)
        return;
    QStringList paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    const QStringList files = CollectDroppedFiles(paths);
    if (!files.isEmpty())
        addAnyPictures(files);
}

void MainForm::addPictures(const QStringList& files)
{
    QList<AddItem> items;
    items.reserve(files.size());
    for (const QString& f : files)
        items.append({f, {}, {}});
    addItems(items);
}

void MainForm::addItems(const QList<AddItem>& items)
{
    if (m_addRunning)
        return;
    std::exception_ptr failure;
    if (!items.isEmpty()) {
        // A typed quantity not yet confirmed is confirmed now, so no line
        // gets a quantity outside 0..1000.
        Darab->confirmValue();
        m_suppressSync = true;
        m_addRunning = true;
        m_abortRun = false;
        m_order.beginBatch();
        SelectNoneExecute();
        const TPriceData entry = m_currentPrice;
        PBAdd->setValue(0);
        ToolBar1->setEnabled(false);
        Panel1->setEnabled(false);
        setOrderCommandsEnabled(false);
        PBAdd->setVisible(true);
        repaint();
        QCoreApplication::processEvents();

        PBAdd->setMaximum(int(items.size()));
        setStatusText(kFolyamat);
        const bool fill = RBFill->isChecked();
        const int quantity = Darab->value();
        AddRun run(m_order);
        int focusRow = -1;
        try {
            // The bar and the pending events are served before the first file
            // and then every few milliseconds: the user sees the same moving
            // bar and can still close or scroll, but a synchronous repaint and
            // an event poll per file would cost more than the check itself.
            QElapsedTimer sinceEvents;
            sinceEvents.start();
            for (int i = 0; i < items.size() && !m_abortRun; ++i) {
                if (i == 0 || sinceEvents.elapsed() >= kEventInterval) {
                    PBAdd->setValue(i);
                    QCoreApplication::processEvents();
                    sinceEvents.restart();
                }
                const AddItem& item = items[i];
                if (item.path.isEmpty() && item.refusal.isEmpty())
                    continue;
                if (!item.refusal.isEmpty()) {
                    MessageBox::error(this, item.refusal);
                    continue;
                }
                AddRun::Result result;
                try {
                    result = run.add(item.path, entry, fill, quantity, item.source);
                } catch (const AppError& e) {
                    // The run ends here, and the box says at which file.
                    throw AppError(QDir::toNativeSeparators(ReadableName(item.path)) + QStringLiteral(": ")
                                   + e.message());
                }
                if (result.added())
                    continue;
                if (result.duplicate >= 0) {
                    focusRow = result.duplicate;
                    if (focusRow < m_order.lines().size())
                        FileList->selectionModel()->setCurrentIndex(m_order.index(focusRow, 0),
                                                                    QItemSelectionModel::NoUpdate);
                }
                MessageBox::error(this, namedRefusal(result.refusal, item.path));
            }
        } catch (...) {
            failure = std::current_exception();
        }

        ToolBar1->setEnabled(true);
        Panel1->setEnabled(true);
        PBAdd->setVisible(false);
        setStatusText(idleStatusText());
        const QList<int> added = m_order.endBatch();
        if (!added.isEmpty()) {
            const QItemSelection range(m_order.index(added.front(), 0), m_order.index(added.back(), 0));
            FileList->selectionModel()->select(range, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        if (focusRow >= 0)
            FileList->selectionModel()->setCurrentIndex(m_order.index(focusRow, 0), QItemSelectionModel::NoUpdate);
        m_addRunning = false;
        setOrderCommandsEnabled(true);
        m_suppressSync = false;
    }

    // Also after a run ended by an I/O error: the lines added so far count.
    UpdateTotals();
    m_previewPicture.clear();
    FileListSelectItem();
    PaintBox->update();

    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        QTimer::singleShot(0, this, [this] {
            m_closeConfirmed = true;
            close();
        });
    }
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace pelmar
