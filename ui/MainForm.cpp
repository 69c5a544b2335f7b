#include "ui/MainForm.h"

#include "core/DroppedFiles.h"

#include "core/PictureCheck.h"
#include "core/UserData.h"
#include "platform/AppError.h"
#include "platform/Guard.h"
#include "platform/Help.h"
#include "platform/JpegDecode.h"
#include "platform/LabInfo.h"
#include "platform/MessageBox.h"
#include "ui/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
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

// One icon in two drawings: the large one for the tool bar, the small one
// for the menus.
QIcon actionIcon(const char* name)
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/small/%1.svg").arg(QLatin1String(name)), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/large/%1.svg").arg(QLatin1String(name)), QSize(32, 32));
    return icon;
}

// The status icons of the picture list, by index: 0 check mark, 1 warning
// triangle, 2 red disc with a white cross.
QIcon statusIcon(int index)
{
    static const char* const names[] = {"accepted", "warning", "refused"};
    if (index < 0 || index > 2)
        return {};
    return QIcon(QStringLiteral(":/status/%1.svg").arg(QLatin1String(names[index])));
}

// Draws the status icon of each line in front of its file name.
class StatusIconDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() != 0)
            return;
        const QIcon icon = statusIcon(index.data(OrderModel::StatusIconRole).toInt());
        // Every line keeps the icon's room, so captions stay aligned.
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = QSize(16, 16);
        option->icon = icon;
    }
};

// The filters of the open-picture dialog: what is shown, and the patterns
// (the shown text separates them with "; ", which the dialog itself cannot
// read).
struct PictureFilter
{
    QString shown;
    QStringList patterns;
};

const QList<PictureFilter>& pictureFilters()
{
    static const QList<PictureFilter> filters = {
        {QStringLiteral("JPEG kép (*.jpg; *.jpeg)"), {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}},
        {QStringLiteral("TIFF kép (*.tif; *.tiff)"), {QStringLiteral("*.tif"), QStringLiteral("*.tiff")}},
        {QStringLiteral("Elfogadott képek (*.jpg; *.jpeg; *.tif; *.tiff)"),
         {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.tif"), QStringLiteral("*.tiff")}},
    };
    return filters;
}

// The preview pane beside the open-picture dialog's file list. Pictures are
// decoded at a reduced DCT scale, so moving through a folder of large
// pictures stays fluid.
class OpenPicturePreview : public QFrame
{
public:
    explicit OpenPicturePreview(QWidget* parent)
        : QFrame(parent)
    {
        setObjectName(QStringLiteral("OPDPreview"));
        setFrameShape(QFrame::StyledPanel);
        auto* layout = new QVBoxLayout(this);
        m_picture = new QLabel(this);
        m_picture->setAlignment(Qt::AlignCenter);
        m_picture->setFixedSize(kSide, kSide);
        m_caption = new QLabel(this);
        m_caption->setAlignment(Qt::AlignCenter);
        m_caption->setWordWrap(true);
        layout->addWidget(m_picture);
        layout->addWidget(m_caption);
        layout->addStretch();
        showFile({});
    }

    void showFile(const QString& path)
    {
        m_picture->clear();
        m_caption->clear();
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isFile()) {
            m_picture->setText(QStringLiteral("(nincs előnézet)"));
            return;
        }
        const QString ext = info.suffix().toLower();
        if (ext == u"jpg" || ext == u"jpeg") {
            const jpeg::Decoded d = jpeg::decodeCovering(path, QSize(kSide, kSide) / 2);
            if (d.image.isNull()) {
                m_picture->setText(QStringLiteral("(nem olvasható)"));
                return;
            }
            QImage shown = d.image.scaled(QSize(kSide, kSide), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            m_picture->setPixmap(QPixmap::fromImage(shown));
            m_caption->setText(QStringLiteral("%1 x %2 képpont").arg(d.trueSize.width()).arg(d.trueSize.height()));
            return;
        }
        m_picture->setText(ext.startsWith(u"tif") ? QStringLiteral("TIFF kép") : QStringLiteral("(nincs előnézet)"));
    }

private:
    static constexpr int kSide = 180;
    QLabel* m_picture;
    QLabel* m_caption;
};

} // namespace

// ---------------------------------------------------------------------------
// QuantityBox

QuantityBox::QuantityBox(QWidget* parent)
    : QAbstractSpinBox(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    lineEdit()->setText(QStringLiteral("1"));
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        emit changed();
        // The buttons' enabled state follows the value.
        update();
    });
}

int QuantityBox::value() const
{
    return StrToIntDef(lineEdit()->text(), 0);
}

QString QuantityBox::text() const
{
    return lineEdit()->text();
}

void QuantityBox::setValue(int value)
{
    const QString t = QString::number(value);
    if (lineEdit()->text() != t)
        lineEdit()->setText(t);
}

void QuantityBox::confirmValue()
{
    const int v = value();
    if (v < Minimum)
        setValue(Minimum);
    else if (v > Maximum)
        setValue(Maximum);
}

void QuantityBox::stepBy(int steps)
{
    const qint64 v = qint64(value()) + steps;
    setValue(int(std::clamp<qint64>(v, Minimum, Maximum)));
    selectAll();
}

QAbstractSpinBox::StepEnabled QuantityBox::stepEnabled() const
{
    StepEnabled e = StepNone;
    const int v = value();
    if (v < Maximum)
        e |= StepUpEnabled;
    if (v > Minimum)
        e |= StepDownEnabled;
    return e;
}

QValidator::State QuantityBox::validate(QString& input, int&) const
{
    const QString decimal = QLocale().decimalPoint();
    for (const QChar c : input) {
        if (c.isDigit() && c.unicode() < 128)
            continue;
        if (c == QLatin1Char('+') || c == QLatin1Char('-') || decimal.contains(c))
            continue;
        return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

void QuantityBox::fixup(QString&) const
{
}

void QuantityBox::focusOutEvent(QFocusEvent* event)
{
    confirmValue();
    QAbstractSpinBox::focusOutEvent(event);
}

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
    connectHandlers();
    resize(800, 540);
    FormCreate();
}

MainForm::~MainForm()
{
    // Hidden while this window's controls still exist: hiding it repaints
    // the small preview box.
    if (m_previewForm)
        m_previewForm->hide();
    FormDestroy();
}

void MainForm::createActions()
{
    auto make = [this](QAction*& action, const char* name, const QString& caption, const QString& hint,
                       const QKeySequence& shortcut, const char* icon) {
        action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        if (icon)
            action->setIcon(actionIcon(icon));
        if (!hint.isEmpty()) {
            action->setToolTip(hint);
            action->setStatusTip(hint);
        }
        if (!shortcut.isEmpty())
            action->setShortcut(shortcut);
        addAction(action);
    };
    make(AddPic, "AddPic", QStringLiteral("Képek hozzáadása"), QStringLiteral("Képek felvétele a megrendelésbe"),
         QKeySequence(Qt::CTRL | Qt::Key_O), "addpic");
    make(DelPic, "DelPic", QStringLiteral("Kép törlése"), QStringLiteral("Kép törlése a megrendelésből"),
         QKeySequence(Qt::Key_Delete), "delpic");
    make(OutputMegr, "OutputMegr", QStringLiteral("Megrendelés elkészítése"),
         QStringLiteral("Megrendelés elkészítése"), {}, "outputmegr");
    make(PrintMegr, "PrintMegr", QStringLiteral("Nyomtatás"), QStringLiteral("Megrendelés nyomtatása"),
         QKeySequence(Qt::CTRL | Qt::Key_P), "printmegr");
    make(UserData, "UserData", QStringLiteral("Partner adatok"), QStringLiteral("Felhasználó adatok letöltése"), {},
         "userdata");
    make(ShowPrices, "ShowPrices", QStringLiteral("Árlista"), QStringLiteral("Árak listázása és frissítése"), {},
         "showprices");
    make(Contents, "Contents", QStringLiteral("Tartalom"), {}, QKeySequence(Qt::Key_F1), "contents");
    make(About, "About", QStringLiteral("Névjegy"), {}, {}, "about");
    make(SelectAll, "SelectAll", QStringLiteral("SelectAll"), {}, QKeySequence(Qt::CTRL | Qt::Key_A), nullptr);
    make(SelectNone, "SelectNone", QStringLiteral("SelectNone"), {}, QKeySequence(Qt::CTRL | Qt::Key_N), nullptr);
    DelPic->setEnabled(false);

    auto item = [this](QAction*& action, const char* name, const QString& caption, const QString& hint) {
        action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        if (!hint.isEmpty()) {
            action->setToolTip(hint);
            action->setStatusTip(hint);
        }
    };
    item(miCheckVersion, "miCheckVersion", QStringLiteral("Új verzió ellenőrzése..."), {});
    item(miExit, "miExit", QStringLiteral("Kilépés"), {});
    item(miWhatsNew, "miWhatsNew", QStringLiteral("Újdonságok"), {});
    item(miJumpPelmar, "miJumpPelmar", QStringLiteral("Ugrás a Pelmar honlapjára"), homePageUrl());
    item(miJumpDigi, "miJumpDigi", QStringLiteral("Digitális fotókidolgozás a Pelmarnál"), digiPageUrl());
}

void MainForm::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    miFile = bar->addMenu(QStringLiteral("Fájl"));
    miFile->setObjectName(QStringLiteral("miFile"));
    miFile->addAction(AddPic);
    miFile->addAction(DelPic);
    miFile->addSeparator();
    miFile->addAction(OutputMegr);
    miFile->addAction(PrintMegr);
    miFile->addSeparator();
    miFile->addAction(miCheckVersion);
    miFile->addSeparator();
    miFile->addAction(miExit);

    miSettings = bar->addMenu(QStringLiteral("Beállítások"));
    miSettings->setObjectName(QStringLiteral("miSettings"));
    miSettings->addAction(UserData);
    miSettings->addAction(ShowPrices);

    miHelp = bar->addMenu(QStringLiteral("Súgó"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miHelp->addAction(Contents);
    miHelp->addAction(miWhatsNew);
    miHelp->addSeparator();
    miHelp->addAction(miJumpPelmar);
    miHelp->addAction(miJumpDigi);
    miHelp->addSeparator();
    miHelp->addAction(About);
    // The web items carry their address as hint; show it.
    miHelp->setToolTipsVisible(true);
}

void MainForm::createControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("MainPanel"));
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    // The window has no minimum size of its own; narrower than its controls
    // they are clipped.
    outer->setSizeConstraint(QLayout::SetNoConstraint);
    central->setMinimumSize(1, 1);
    setCentralWidget(central);

    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };

    // 1. Top strip: the two tool bars on the left, the logo on the right.
    Panel2 = named(new QWidget(central), "Panel2");
    auto* top = new QHBoxLayout(Panel2);
    top->setContentsMargins(2, 2, 2, 2);
    top->setSpacing(4);
    CoolBar1 = named(new QWidget(Panel2), "CoolBar1");
    auto* bars = new QVBoxLayout(CoolBar1);
    bars->setContentsMargins(0, 0, 0, 0);
    bars->setSpacing(1);

    ToolBar1 = new QToolBar(CoolBar1);
    named(ToolBar1, "ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->addAction(AddPic);
    ToolBar1->addAction(DelPic);
    ToolBar1->addSeparator();
    ToolBar1->addAction(OutputMegr);
    ToolBar1->addSeparator();
    ToolBar1->addAction(PrintMegr);
    ToolBar1->addSeparator();
    ToolBar1->addAction(UserData);
    ToolBar1->addAction(ShowPrices);
    ToolBar1->addSeparator();
    // The help button reads "Súgó" although the command is "Tartalom".
    auto* helpButton = new QToolButton(ToolBar1);
    helpButton->setObjectName(QStringLiteral("ContentsButton"));
    helpButton->setIcon(Contents->icon());
    helpButton->setText(QStringLiteral("Súgó"));
    helpButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    helpButton->setIconSize(QSize(32, 32));
    helpButton->setAutoRaise(true);
    connect(helpButton, &QToolButton::clicked, Contents, &QAction::trigger);
    ToolBar1->addWidget(helpButton);
    for (QAction* a : ToolBar1->actions())
        if (QWidget* w = ToolBar1->widgetForAction(a))
            if (!a->isSeparator() && w != helpButton)
                w->setObjectName(a->objectName() + QStringLiteral("Button"));

    ToolBar2 = new QToolBar(CoolBar1);
    named(ToolBar2, "ToolBar2");
    ToolBar2->setMovable(false);
    ToolBar2->setFloatable(false);

    // 2. The editor row.
    Panel1 = named(new QWidget(ToolBar2), "Panel1");
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(4);
    Label55 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("Kitöltés:"), Panel1), "Label55"));
    RBFill = static_cast<QRadioButton*>(named(new QRadioButton(QStringLiteral("fill"), Panel1), "RBFill"));
    RBFit = static_cast<QRadioButton*>(named(new QRadioButton(QStringLiteral("fit"), Panel1), "RBFit"));
    RBFill->setChecked(true);
    Label2 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("Méret:"), Panel1), "Label2"));
    CBSize = static_cast<QComboBox*>(named(new QComboBox(Panel1), "CBSize"));
    CBSize->setEditable(false);
    CBSize->setMinimumWidth(72);
    CBSize->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    Label3 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("Darab:"), Panel1), "Label3"));
    Darab = static_cast<QuantityBox*>(named(new QuantityBox(Panel1), "Darab"));
    Darab->setFixedWidth(52);
    Label1 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("x"), Panel1), "Label1"));
    LItemPrice = static_cast<QLabel*>(named(new QLabel(QStringLiteral("0 Ft"), Panel1), "LItemPrice"));
    LItemPrice->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LItemPrice->setMinimumWidth(48);
    Label33 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("="), Panel1), "Label33"));
    LItemSumPrice = static_cast<QLabel*>(named(new QLabel(QStringLiteral("0 Ft"), Panel1), "LItemSumPrice"));
    LItemSumPrice->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LItemSumPrice->setMinimumWidth(56);
    QFont bold = font();
    bold.setBold(true);
    LItemSumPrice->setFont(bold);
    ModSelBtn = static_cast<QPushButton*>(
        named(new QPushButton(QStringLiteral("Kijelölt elemek módosítása"), Panel1), "ModSelBtn"));
    ModSelBtn->setAutoDefault(false);
    for (QWidget* w : std::initializer_list<QWidget*>{Label55, RBFill, RBFit, Label2, CBSize, Label3, Darab, Label1,
                                                      LItemPrice, Label33, LItemSumPrice, ModSelBtn})
        row->addWidget(w);
    row->addStretch();
    ToolBar2->addWidget(Panel1);

    bars->addWidget(ToolBar1);
    bars->addWidget(ToolBar2);
    CoolBar1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    top->addWidget(CoolBar1, 1);

    Panel3 = static_cast<QFrame*>(named(new QFrame(Panel2), "Panel3"));
    Panel3->setFrameShape(QFrame::StyledPanel);
    Panel3->setFrameShadow(QFrame::Sunken);
    auto* logoLayout = new QVBoxLayout(Panel3);
    logoLayout->setContentsMargins(2, 2, 2, 2);
    Panel3->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    PelmarLogo = static_cast<QLabel*>(named(new QLabel(Panel3), "PelmarLogo"));
    PelmarLogo->setPixmap(QIcon(QStringLiteral(":/logo.svg")).pixmap(QSize(116, 58)));
    PelmarLogo->setAlignment(Qt::AlignCenter);
    PelmarLogo->setCursor(Qt::PointingHandCursor);
    PelmarLogo->setToolTip(homePageUrl());
    PelmarLogo->installEventFilter(this);
    logoLayout->addWidget(PelmarLogo);
    top->addWidget(Panel3, 0, Qt::AlignTop);
    outer->addWidget(Panel2);

    // 3. Status line.
    Panel10 = static_cast<QFrame*>(named(new QFrame(central), "Panel10"));
    Panel10->setFrameShape(QFrame::StyledPanel);
    auto* status = new QHBoxLayout(Panel10);
    status->setContentsMargins(4, 2, 4, 2);
    ImgInfo = static_cast<QLabel*>(named(new QLabel(Panel10), "ImgInfo"));
    ImgInfo->setFixedSize(17, 17);
    LErrorStr = static_cast<QLabel*>(named(new QLabel(idleStatusText(), Panel10), "LErrorStr"));
    LErrorStr->setMinimumWidth(100);
    LErrorStr->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    PBAdd = static_cast<QProgressBar*>(named(new QProgressBar(Panel10), "PBAdd"));
    PBAdd->setFixedWidth(300);
    PBAdd->setMaximumHeight(17);
    PBAdd->setVisible(false);
    status->addWidget(ImgInfo);
    status->addWidget(LErrorStr, 1);
    status->addWidget(PBAdd);
    outer->addWidget(Panel10);

    // 4. The picture list and the preview area.
    auto* middle = new QWidget(central);
    middle->setObjectName(QStringLiteral("MiddlePanel"));
    auto* mid = new QHBoxLayout(middle);
    mid->setContentsMargins(0, 0, 0, 0);
    mid->setSpacing(2);
    FileList = static_cast<QTableView*>(named(new QTableView(middle), "FileList"));
    FileList->setModel(&m_order);
    FileList->setItemDelegate(new StatusIconDelegate(FileList));
    FileList->setShowGrid(true);
    FileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FileList->setWordWrap(false);
    FileList->setSortingEnabled(false);
    FileList->setTabKeyNavigation(false);
    FileList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    FileList->verticalHeader()->setVisible(false);
    FileList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FileList->verticalHeader()->setDefaultSectionSize(18);
    FileList->horizontalHeader()->setSectionsClickable(false);
    FileList->horizontalHeader()->setHighlightSections(false);
    FileList->horizontalHeader()->setStretchLastSection(false);
    FileList->horizontalHeader()->setMinimumSectionSize(10);
    FileList->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    FileList->setIconSize(QSize(16, 16));
    // The selection stays as visible when the list has lost the focus.
    QPalette listPalette = FileList->palette();
    listPalette.setColor(QPalette::Inactive, QPalette::Highlight, listPalette.color(QPalette::Active, QPalette::Highlight));
    listPalette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         listPalette.color(QPalette::Active, QPalette::HighlightedText));
    FileList->setPalette(listPalette);
    static const int widths[] = {200, 70, 50, 70, 60, 60, 70};
    for (int c = 0; c < OrderModel::ColumnCount; ++c)
        FileList->setColumnWidth(c, widths[c]);
    FileList->viewport()->installEventFilter(this);
    FileList->viewport()->setAcceptDrops(true);
    FileList->setDragDropMode(QAbstractItemView::DropOnly);
    mid->addWidget(FileList, 1);

    CoolBar2 = named(new QWidget(middle), "CoolBar2");
    CoolBar2->setFixedWidth(182);
    auto* coolLayout = new QVBoxLayout(CoolBar2);
    coolLayout->setContentsMargins(0, 0, 0, 0);
    PreviewPanel = named(new QWidget(CoolBar2), "PreviewPanel");
    auto* pv = new QVBoxLayout(PreviewPanel);
    pv->setContentsMargins(2, 0, 2, 2);
    pv->setSpacing(2);
    Panel7 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("Előnézet"), PreviewPanel), "Panel7"));
    Panel7->setAlignment(Qt::AlignCenter);
    Panel7->setFont(bold);
    Panel7->setAutoFillBackground(true);
    {
        // The system's application-workspace colour.
        QPalette p = Panel7->palette();
        p.setColor(QPalette::Window, QColor(0xAB, 0xAB, 0xAB));
        p.setColor(QPalette::WindowText, Qt::white);
        Panel7->setPalette(p);
    }
    Panel7->setFixedHeight(20);
    Panel8 = named(new QWidget(PreviewPanel), "Panel8");
    auto* p8 = new QHBoxLayout(Panel8);
    p8->setContentsMargins(0, 0, 0, 0);
    CBShowPreview = static_cast<QCheckBox*>(
        named(new QCheckBox(QStringLiteral("Előnézet készítése"), Panel8), "CBShowPreview"));
    CBShowPreview->setChecked(true);
    PreviewImgBtn = static_cast<QToolButton*>(named(new QToolButton(Panel8), "PreviewImgBtn"));
    PreviewImgBtn->setIcon(QIcon(QStringLiteral(":/icons/small/zoom.svg")));
    PreviewImgBtn->setToolTip(QStringLiteral("Klikkeljen ide a nagyításhoz"));
    PreviewImgBtn->setAutoRaise(true);
    PreviewImgBtn->setFocusPolicy(Qt::NoFocus);
    p8->addWidget(CBShowPreview, 1);
    p8->addWidget(PreviewImgBtn);
    PaintBox = static_cast<TPaintBox*>(named(new TPaintBox(PreviewPanel), "PaintBox"));
    PaintBox->setFixedWidth(178);
    PaintBox->onPaint = [this](QPainter& painter) { PaintBoxPaint(painter); };
    pv->addWidget(Panel7);
    pv->addWidget(Panel8);
    pv->addWidget(PaintBox, 1);
    coolLayout->addWidget(PreviewPanel);
    mid->addWidget(CoolBar2);
    outer->addWidget(middle, 1);

    // 5. Totals bar.
    Panel5 = static_cast<QFrame*>(named(new QFrame(central), "Panel5"));
    Panel5->setFrameShape(QFrame::StyledPanel);
    auto* totals = new QHBoxLayout(Panel5);
    totals->setContentsMargins(6, 3, 6, 3);
    Label4 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("Összesen:"), Panel5), "Label4"));
    Label4->setFont(bold);
    SumMenny = static_cast<QLabel*>(named(new QLabel(QStringLiteral("0 db"), Panel5), "SumMenny"));
    SumMenny->setFont(bold);
    SumMenny->setAlignment(Qt::AlignCenter);
    SumMenny->setMinimumWidth(90);
    SumPrice = static_cast<QLabel*>(named(new QLabel(QStringLiteral("0 Ft"), Panel5), "SumPrice"));
    SumPrice->setFont(bold);
    SumPrice->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SumPrice->setMinimumWidth(110);
    {
        QPalette p = SumPrice->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        SumPrice->setPalette(p);
    }
    totals->addWidget(Label4);
    totals->addStretch();
    totals->addWidget(SumMenny);
    totals->addWidget(SumPrice);
    outer->addWidget(Panel5);

    // Tab order of the editor row: fill, fit, quantity, size, modify.
    setTabOrder(RBFill, RBFit);
    setTabOrder(RBFit, Darab);
    setTabOrder(Darab, CBSize);
    setTabOrder(CBSize, ModSelBtn);
    setTabOrder(ModSelBtn, FileList);
    FileList->setFocus();
}

void MainForm::guarded(const std::function<void()>& command)
{
    runGuarded(this, command);
}

void MainForm::connectHandlers()
{
    auto bind = [this](QAction* action, void (MainForm::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    bind(AddPic, &MainForm::AddPicExecute);
    bind(DelPic, &MainForm::DelPicExecute);
    bind(OutputMegr, &MainForm::OutputMegrExecute);
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
    connect(CBShowPreview, &QCheckBox::clicked, this, [this] { guarded([this] { CBShowPreviewClick(); }); });
    connect(PreviewImgBtn, &QToolButton::clicked, this, [this] { guarded([this] { PreviewImgBtnClick(); }); });
}

// ---------------------------------------------------------------------------
// Small accessors

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
    CBSize->addItems(SizeNames(m_priceList));
    CBSize->setCurrentIndex(-1);
}

void MainForm::clearOrder()
{
    m_order.clear();
    UpdateTotals();
    FileListSelectItem();
}

// ---------------------------------------------------------------------------
// Settings: load at creation, save at destruction

void MainForm::FormCreate()
{
    m_helpFile = QCoreApplication::applicationDirPath() + QStringLiteral("/pelmarorder.chm");
    Help::setHelpFile(m_helpFile);
    m_previewPicture.clear();
    m_priceList.clear();
    m_settingValues.clear();
    SettingsStore store(m_settingsPath);
    loadSettings(store);
    m_keepSettings = SettingsStore::keepsChanges(store.state());
    const bool read = store.isAvailable() || store.state() == SettingsStore::State::Unavailable;
    // Settings that are there but could not be read: no first-run flow
    // asking for data that cannot be kept.
    if (!read)
        m_showWelcome = false;
    reportSetAside(this, store);
}

void MainForm::loadSettings(SettingsStore& store)
{
    const bool rootOpen = store.openKey(kSettingsRootKey, false);
    if (rootOpen) {
        // Partner texts are read only together with a shop number.
        readPartnerData(store, PartnerData());
        m_showWelcome = store.readBool(QStringLiteral("WelcomeScreen")).value_or(true);
        if (const auto show = store.readBool(QStringLiteral("ShowPreview")))
            CBShowPreview->setChecked(*show);
        if (const auto crop = store.readBool(QStringLiteral("ShowCrop")))
            m_showCrop = *crop;
    } else {
        PartnerData() = TUserData{};
        m_showWelcome = true;
    }

    if (store.openKey(kSettingsPricesKey, false)) {
        m_priceList.clear();
        for (const QString& name : store.valueNames()) {
            // A value of another kind counts as missing; the rest still loads.
            if (const auto entry = store.readString(name))
                m_priceList.append(*entry);
        }
        rebuildSizeBox();
        if (CBSize->count() > 0) {
            CBSize->setCurrentIndex(0);
            CBSizeChange();
        }
    }

    if (store.openKey(kSettingsValuesKey, false)) {
        m_settingValues.clear();
        for (const QString& name : store.valueNames())
            if (const auto v = store.readInteger(name))
                m_settingValues.append(name + QLatin1Char('=') + QString::number(*v));
    }
    store.closeKey();
}

bool MainForm::FormDestroy()
{
    m_previewPicture.clear();
    if (!m_keepSettings)
        return false;
    SettingsStore store(m_settingsPath);
    // One transaction: a crash in the middle leaves the old settings whole.
    if (!store.beginTransaction())
        return false;
    if (!store.openKey(kSettingsRootKey, true)) {
        store.rollback();
        return false;
    }
    bool ok = store.writeBool(QStringLiteral("WelcomeScreen"), m_showWelcome)
        && store.writeBool(QStringLiteral("ShowPreview"), CBShowPreview->isChecked())
        && store.writeBool(QStringLiteral("ShowCrop"), m_showCrop);
    if (ok && store.openKey(kSettingsPricesKey, true)) {
        // The list replaces what the key held: a deleted price must not come
        // back from an old tail, and the listing order is the list's order.
        ok = store.removeAllValues();
        for (int i = 0; ok && i < m_priceList.size(); ++i)
            ok = store.writeString(QString::number(i), m_priceList[i]);
    }
    if (ok && store.openKey(kSettingsValuesKey, true)) {
        for (const QString& entry : std::as_const(m_settingValues)) {
            const qsizetype eq = entry.indexOf(QLatin1Char('='));
            const QString name = eq < 0 ? entry : entry.left(eq);
            if (name.isEmpty())
                continue;
            ok = store.writeInteger(name, eq < 0 ? 0 : StrToIntDef(entry.mid(eq + 1), 0));
            if (!ok)
                break;
        }
    }
    if (!ok) {
        store.rollback();
        return false;
    }
    return store.commit();
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
    QTimer::singleShot(0, this, [this] { guarded([this] { FormActivate(); }); });
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

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PelmarLogo && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && PelmarLogo->rect().contains(me->position().toPoint())) {
            guarded([this] { PelmarLogoClick(); });
            return true;
        }
    }
    if (watched == FileList->viewport()
        && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (acceptsDrop(drag->mimeData())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    if (watched == FileList->viewport() && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!acceptsDrop(drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // The add run handles events itself; it starts once the drop is
        // over, so the source program is not kept waiting.
        const QList<QUrl> urls = drop->mimeData()->urls();
        QTimer::singleShot(0, this, [this, urls] { guarded([this, urls] { dropPictures(urls); }); });
        return true;
    }
    if (watched == FileList->viewport() && event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = FileList->indexAt(help->pos());
        const QString tip = index.isValid() ? FileListInfoTip(index.row()) : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            // Shown as plain text, line feeds included.
            QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(tip, Qt::WhiteSpaceNormal),
                               FileList->viewport(), FileList->visualRect(index));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

QString MainForm::FileListInfoTip(int row) const
{
    if (row < 0 || row >= m_order.lines().size())
        return {};
    return m_order.line(row).info();
}

// ---------------------------------------------------------------------------
// The editor row

void MainForm::CBSizeChange()
{
    const int index = CBSize->currentIndex();
    // A size no longer in the price list leaves the box without selection:
    // there is no entry, so the labels show 0 and no size is current.
    m_currentPrice = (index >= 0 && index < m_priceList.size()) ? ParsePriceData(m_priceList[index]) : TPriceData{};
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
        if (l.fill() == u"fill")
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
        const QIcon icon = statusIcon(l.ImageIndex);
        if (!icon.isNull())
            ImgInfo->setPixmap(icon.pixmap(QSize(16, 16)));
        QString info = l.info();
        info.replace(QLatin1Char('\n'), QLatin1Char(' '));
        setStatusText(info);
    }
    // A vanished or unreadable file simply leaves the preview empty.
    if (rows.size() == 1 && m_order.line(rows.front()).resolution() != u"Ismeretlen")
        m_previewPicture.load(m_order.line(rows.front()).path());
    else
        m_previewPicture.clear();
    DelPic->setEnabled(!rows.isEmpty() && !m_addRunning);
    repaintPreview();
}

// ---------------------------------------------------------------------------
// The add run

QStringList MainForm::choosePictures()
{
    QFileDialog dialog(this, QStringLiteral("Fénykép hozzádása a megrendeléshez"));
    dialog.setObjectName(QStringLiteral("OPD"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    dialog.setSizeGripEnabled(true);
    QStringList shown;
    for (const PictureFilter& f : pictureFilters())
        shown.append(f.shown);
    dialog.setNameFilters(shown);

    // The shown filters separate their patterns with "; "; give the file
    // list the patterns themselves whenever a filter is chosen.
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto applyPatterns = [&dialog, model](const QString& filter) {
        if (!model)
            return;
        for (const PictureFilter& f : pictureFilters())
            if (f.shown == filter)
                model->setNameFilters(f.patterns);
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [applyPatterns, &dialog](const QString& f) {
        QTimer::singleShot(0, &dialog, [applyPatterns, f] { applyPatterns(f); });
    });
    dialog.selectNameFilter(shown.last());
    applyPatterns(shown.last());

    // The preview pane beside the file list.
    auto* preview = new OpenPicturePreview(&dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) { preview->showFile(path); });
    dialog.resize(860, 480);

    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void MainForm::setOrderCommandsEnabled(bool enabled)
{
    // While an add run waits between files, nothing that changes or reads the
    // order may start; help, about and the web links stay usable.
    for (QAction* a : {AddPic, OutputMegr, PrintMegr, ShowPrices})
        a->setEnabled(enabled);
    if (!enabled)
        DelPic->setEnabled(false);
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
    if (m_addRunning || !mime || !mime->hasUrls() || !AddPic->isEnabled())
        return false;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            return true;
    return false;
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
        addPictures(files);
}

void MainForm::addPictures(const QStringList& files)
{
    if (m_addRunning)
        return;
    std::exception_ptr failure;
    if (!files.isEmpty()) {
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

        PBAdd->setMaximum(int(files.size()));
        setStatusText(kFolyamat);
        const bool fill = RBFill->isChecked();
        const int quantity = Darab->value();
        const QString quantityText = QString::number(quantity);
        // Names already in the order, so the duplicate search runs only for
        // names that can match (it is linear in the order's length).
        QSet<QString> names;
        for (int r = 0; r < m_order.lineCount(); ++r)
            names.insert(m_order.line(r).Caption.toCaseFolded());
        int focusRow = -1;
        try {
            // The bar and the pending events are served before the first file
            // and then every few milliseconds: the user sees the same moving
            // bar and can still close or scroll, but a synchronous repaint and
            // an event poll per file would cost more than the check itself.
            QElapsedTimer sinceEvents;
            sinceEvents.start();
            for (int i = 0; i < files.size() && !m_abortRun; ++i) {
                if (i == 0 || sinceEvents.elapsed() >= kEventInterval) {
                    PBAdd->setValue(i);
                    QCoreApplication::processEvents();
                    sinceEvents.restart();
                }
                const QString& path = files[i];
                const QString name = FileNameOf(path);
                const QString key = name.toCaseFolded();
                if (names.contains(key)) {
                    const int hit = m_order.FindOrderItem(name, entry.Size, fill);
                    if (hit >= 0) {
                        focusRow = hit;
                        if (hit < m_order.lines().size())
                            FileList->selectionModel()->setCurrentIndex(m_order.index(hit, 0),
                                                                        QItemSelectionModel::NoUpdate);
                        MessageBox::error(this,
                                          QStringLiteral("A fájlt már felvette az összeállításba ezzel a mérettel "
                                                         "és kitöltéssel:\n\n")
                                              + m_order.line(hit).Caption);
                        continue;
                    }
                }
                if (GetFileSize(path) < kMinPictureBytes) {
                    MessageBox::error(this, SizeRuleMessage(name));
                    continue;
                }
                const CheckResult result = CheckPicture(path, entry);
                if (result.status == StatusRefused) {
                    MessageBox::error(this, result.info);
                    continue;
                }
                m_order.AddOrderLine(path, result.resolution, result.status, result.info, fill, entry, quantityText,
                                     quantity);
                names.insert(key);
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

// ---------------------------------------------------------------------------
// Preview

void MainForm::repaintPreview()
{
    if (m_previewForm && m_previewForm->isVisible())
        m_previewForm->PaintBox->update();
    else
        PaintBox->update();
}

void MainForm::PaintBoxPaint(QPainter& painter)
{
    painter.fillRect(PaintBox->rect(), PaintBox->palette().color(QPalette::Window));
    if (!CBShowPreview->isChecked())
        return;
    // While the preview window is open it shows the picture; this box stays
    // blank.
    if (m_previewForm && m_previewForm->isVisible())
        return;
    DrawPreview(PaintBox, painter, m_previewPicture);
}

void MainForm::CBShowPreviewClick()
{
    PaintBox->update();
}

void MainForm::PreviewImgBtnClick()
{
    if (!m_previewForm)
        m_previewForm = new TPreviewForm(this);
    m_previewForm->showOverMainForm();
    PaintBox->update();
}

} // namespace pelmar
