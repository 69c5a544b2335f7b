#pragma once

#include "core/OrderModel.h"
#include "core/PriceData.h"
#include "platform/PictureDecoder.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/PhoneBatch.h"
#include "ui/preview/PreviewForm.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QItemSelectionModel;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolBar;
class QToolButton;

class QMimeData;
class QUrl;

namespace pelmar {

class LabSending;

class JournalWriter;
class OrderJournal;
class PictureListView;
class PictureThumbnails;
class QuantityBox;
struct JournalLine;

// The main window: the order's picture list, the editor row, the status line,
// the preview area and the totals.
class MainForm : public QMainWindow
{
    Q_OBJECT
public:
    // Loads the settings (FormCreate). settingsPath: the settings database to
    // use; empty means the program's own.
    explicit MainForm(QWidget* parent = nullptr, const QString& settingsPath = {});
    // Saves the settings (FormDestroy).
    ~MainForm() override;

    // --- State other windows use ------------------------------------------
    OrderModel& order() { return m_order; }
    QItemSelectionModel* selection() const;
    // Selected rows, ascending.
    QList<int> selectedRows() const;
    QStringList& priceList() { return m_settings.priceList; }
    QStringList& settingValues() { return m_settings.settingValues; }
    const TPriceData& currentPrice() const { return m_currentPrice; }
    bool showWelcome() const { return m_settings.showWelcome; }
    void setShowWelcome(bool show) { m_settings.showWelcome = show; }
    // Whether the preview window draws what the print size cuts off or adds.
    bool showCrop() const { return m_settings.showCrop; }
    QString statusText() const;
    void setStatusText(const QString& text);
    // Full path of the help file beside the program.
    const QString& helpFile() const { return m_helpFile; }
    const QString& settingsPath() const { return m_settingsPath; }
    PreviewPicture& previewPicture() { return m_previewPicture; }
    // Decodes the previews and the list's thumbnails off this thread.
    PictureDecoder& pictureDecoder() { return m_decoder; }
    TPreviewForm* previewForm() const { return m_previewForm; }
    // The preview window this window hands its picture to (the program
    // makes one at start; one is made on first use otherwise).
    void setPreviewForm(TPreviewForm* form);
    // The unit price stored with LItemPrice.
    int itemPrice() const { return m_itemPrice; }
    // True while an add run handles events between its files.
    bool addRunActive() const { return m_addRunning; }
    // The conversion of phone pictures before their add run.
    PhoneBatch& phoneBatch();
    bool phoneBatchRunning() const;

    // Refills the size box from the price list, in its order, with no item
    // selected; the caller selects one and runs CBSizeChange.
    void rebuildSizeBox();
    // Empties the order and recomputes the totals (after a successful build).
    void clearOrder();
    // Repaints whichever preview box shows PreviewPicture.
    void repaintPreview();

    // The idle text of the status line.
    static QString idleStatusText();
    // The lab's web addresses (also the hints of the link controls).
    static QString homePageUrl();
    static QString digiPageUrl();

    // Replaces the open-picture dialog (tests and benchmarks); the function
    // returns the chosen files, an empty list for a cancelled dialog. An
    // empty function restores the dialog.
    void setPictureChooser(std::function<QStringList()> chooser) { m_chooser = std::move(chooser); }
    // The open-picture dialog itself.
    QStringList choosePictures();

    // Pictures and folders given on the command line or handed over by a
    // second start: added through the add run once the window is shown, the
    // first-run flow is over and the restore question was answered; later
    // whenever no add run and no dialog is under way.
    void addPicturesFromOutside(const QStringList& paths);
    // Replaces the save and open dialogs of the order file (tests); the
    // function gets whether it is a save and returns the chosen file, empty
    // for a cancelled dialog.
    void setOrderFileChooser(std::function<QString(bool)> chooser) { m_orderFileChooser = std::move(chooser); }
    // Writes the order as an order description; shows the failure and returns
    // false when it could not be written whole.
    bool saveOrderTo(const QString& path);
    // Adds the saved order's pictures through the add run's rules with their
    // sizes, fills and quantities. A file that cannot be read changes nothing.
    bool openOrderFrom(const QString& path);
    // Writes a pending change of the order to the journal now and waits
    // until it is on disk (the window itself never waits for it).
    void flushJournal();

    // Saves the settings now (FormDestroy does this at exit). Returns false
    // when nothing could be written.
    bool FormDestroy();

public slots:
    // Commands and handlers of this window.
    void AddPicExecute();
    // The add run over these files, as if they had been chosen in the
    // open-picture dialog (used by AddPicExecute and by drag and drop).
    void addPictures(const QStringList& files);
    // Pictures and folders dropped on the picture list: folders searched
    // recursively, then the add run.
    void dropPictures(const QList<QUrl>& urls);
    // "Telefonos képek hozzáadása...": the open-picture dialog for phone
    // pictures (also JPEG and TIFF), then addAnyPictures.
    void AddPhonePicExecute();
    // The way of drops and of pictures from outside: the phone pictures
    // among files are converted to JPEG first, then the add run takes all
    // in their order (with no phone picture, the add run at once).
    void addAnyPictures(const QStringList& files);
    bool acceptsDrop(const QMimeData* mime) const;
    void DelPicExecute();
    void ModSelBtnClick();
    void SelectAllExecute();
    void SelectNoneExecute();
    void FileListSelectItem();
    QString FileListInfoTip(int row) const;
    void CBSizeChange();
    void DarabChange();
    void FormResize();
    void miExitClick();
    bool FormCloseQuery();
    void PaintBoxPaint(QPainter& painter);
    void CBShowPreviewClick();
    void PreviewImgBtnClick();
    void UpdateTotals();

    // Handlers whose bodies live with the dialogs they open.
    void ShowPricesExecute();
    void UserDataExecute();
    void AboutExecute();
    void FormActivate();
    void ContentsExecute();
    void miWhatsNewClick();
    void miCheckVersionClick();
    void miJumpPelmarClick();
    void PelmarLogoClick();
    void OutputMegrExecute();
    void miWriteDiscClick();
    void miSendOrderClick();
    QString pickBuiltOrderFolder(const QString& title);
    void PrintMegrExecute();
    void SaveOrderExecute();
    void OpenOrderExecute();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void fitEditorRow();

private:
    // Controls, named as the window's components; tests reach them by these
    // object names.
    QWidget* Panel2 = nullptr;
    QWidget* CoolBar1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* PelmarLogo = nullptr;

    QWidget* Panel1 = nullptr;
    QLabel* Label55 = nullptr;
    QRadioButton* RBFill = nullptr;
    QRadioButton* RBFit = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* CBSize = nullptr;
    QLabel* Label3 = nullptr;
    QuantityBox* Darab = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* LItemPrice = nullptr;
    QLabel* Label33 = nullptr;
    QLabel* LItemSumPrice = nullptr;
    QPushButton* ModSelBtn = nullptr;

    QFrame* Panel10 = nullptr;
    QLabel* ImgInfo = nullptr;
    QLabel* LErrorStr = nullptr;
    QProgressBar* PBAdd = nullptr;

    PictureListView* FileList = nullptr;
    QWidget* CoolBar2 = nullptr;
    QWidget* PreviewPanel = nullptr;
    QLabel* Panel7 = nullptr;
    QWidget* Panel8 = nullptr;
    QCheckBox* CBShowPreview = nullptr;
    QToolButton* PreviewImgBtn = nullptr;
    TPaintBox* PaintBox = nullptr;

    QFrame* Panel5 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* SumMenny = nullptr;
    QLabel* SumPrice = nullptr;

    QAction* AddPic = nullptr;
    QAction* DelPic = nullptr;
    QAction* OutputMegr = nullptr;
    QAction* PrintMegr = nullptr;
    QAction* UserData = nullptr;
    QAction* ShowPrices = nullptr;
    QAction* Contents = nullptr;
    QAction* About = nullptr;
    QAction* SelectAll = nullptr;
    QAction* SelectNone = nullptr;
    QAction* miSaveOrder = nullptr;
    QAction* miOpenOrder = nullptr;
    QAction* miAddPhone = nullptr;

    QMenu* miFile = nullptr;
    QMenu* miView = nullptr;
    QMenu* miSettings = nullptr;
    QMenu* miHelp = nullptr;
    QAction* miWriteDisc = nullptr;
    // Sending to the lab over the network, beside the disc.
    QAction* miSendOrder = nullptr;
    QAction* miSends = nullptr;
    QAction* miLabConnection = nullptr;
    LabSending* m_labSending = nullptr;
    QLabel* LSend = nullptr;
    QAction* miCheckVersion = nullptr;
    QAction* miExit = nullptr;
    QAction* miWhatsNew = nullptr;
    QAction* miJumpPelmar = nullptr;
    QAction* miJumpDigi = nullptr;
    QAction* miThumbnails = nullptr;
    PictureThumbnails* m_thumbnails = nullptr;

    void createActions();
    void createMenus();
    void createControls();
    void connectHandlers();
    void FormCreate();
    void setOrderCommandsEnabled(bool enabled);
    // Hands the preview window the picture and the print of the one
    // selected line.
    void pushPreview();
    void addRunFinish();
    // The add run over items: a refusal found before (a conversion that
    // failed) is shown in the file's place; an item with neither path nor
    // refusal (a cancelled conversion) is left out.
    void addItems(const QList<AddItem>& items);
    // Removes the converted pictures no line uses.
    void prunePhoneCache();
    void guarded(const std::function<void()>& command);
    void syncEditors();
    // The device pixels of the box the picture is shown in now: the preview
    // window's while it is open, else the small one.
    QSize shownBoxSize() const;
    // Asks for the pictures next to the selected line, at the small box's
    // scale, so that stepping through the list finds them decoded.
    void decodeNeighbours(int row);
    void miThumbnailsClick();
    void openJournal();
    void orderChanged();
    // Hands the order to the journal's writer when it changed; false when
    // there was nothing to hand over yet.
    bool postJournal();
    void journalWritten(bool written, const QString& error);
    // A normal end: the journal keeps nothing to restore but the lines kept
    // for later, or the partner is told why it could not be emptied.
    void endJournal();
    void startJournalWriter();
    void runStartFlow();
    void offerRestore();
    void addLines(const QList<JournalLine>& lines, const QStringList& fileEntries,
                  const QList<AddItem>& converted = {});
    // A refusal of the add run that names the file (the check's own texts,
    // such as "JPEG error #53", do not).
    static QString namedRefusal(const QString& text, const QString& path);

    OrderModel m_order;
    MainWindowSettings m_settings;
    TPriceData m_currentPrice;
    // Before the picture, which listens to it, and after everything that
    // draws (the decoder waits for its workers when it goes).
    PictureDecoder m_decoder {
        [](QSize upright, QSize box) { return previewRect(upright, QRect(QPoint(), box)).size(); }};
    PreviewPicture m_previewPicture {m_decoder};
    // The preview window may be destroyed before this window (tests own it).
    QPointer<TPreviewForm> m_previewForm;
    QString m_settingsPath;
    // Whether the settings may be saved: not when the store could not be
    // read at start, so a save cannot replace settings this run never saw.
    bool m_keepSettings = true;
    QString m_helpFile;
    int m_itemPrice = 0;
    bool m_suppressSync = false;
    bool m_addRunning = false;
    bool m_abortRun = false;
    bool m_closeAfterRun = false;
    bool m_closeConfirmed = false;
    bool m_firstShow = true;
    bool m_firstRunDone = false; // the first-run flow has run in this run
    std::function<QStringList()> m_chooser;
    std::function<QString(bool)> m_orderFileChooser;
    std::unique_ptr<OrderJournal> m_journal;
    // After the journal: it goes first and finishes its writes.
    std::unique_ptr<JournalWriter> m_journalWriter;
    bool m_journalDirty = false;
    bool m_journalScheduled = false;
    bool m_journalWarned = false;
    bool m_firstRunRunning = false;
    bool m_restoreAsked = false;
    bool m_startDone = false;
    QStringList m_outsideFiles;
    std::unique_ptr<PhoneBatch> m_phone;
    // Lines kept for later (see JournalContent): written with the order,
    // left in the journal by a normal close.
    QList<JournalLine> m_waiting;
};

} // namespace pelmar
