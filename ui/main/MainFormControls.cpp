// The main window's menus, tool bars and controls, and their layout.
#include "ui/main/MainForm.h"

#include "ui/common/AccessibleControls.h"
#include "ui/common/HeadingStrip.h"
#include "ui/main/PictureListView.h"
#include "ui/main/PictureThumbnails.h"
#include "ui/main/QuantityBox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelmar {

namespace {

// One icon in two drawings: the large one for the tool bar, the small one
// for the menus.
QIcon actionIcon(const char* name)
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/small/%1.svg").arg(QLatin1String(name)), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/large/%1.svg").arg(QLatin1String(name)), QSize(32, 32));
    return icon;
}

} // namespace

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
    make(OutputMegr, "OutputMegr", QStringLiteral("Megrendelés elkészítése"), QStringLiteral("Megrendelés elkészítése"),
         {}, "outputmegr");
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
    make(miAddPhone, "miAddPhone", QStringLiteral("&Telefonos képek hozzáadása..."),
         QStringLiteral("HEIC, HEIF, AVIF, WebP és PNG képek átalakítása JPEG formátumba és felvétele a megrendelésbe"),
         {}, "addpic");
    item(miWriteDisc, "miWriteDisc", QStringLiteral("Megrendelés írása &lemezre..."), {});
    item(miSendOrder, "miSendOrder", QStringLiteral("Megrendelés &küldése a laborba..."),
         QStringLiteral("Egy kész megrendelés-mappa küldése a laborba az interneten"));
    item(miSends, "miSends", QStringLiteral("Kül&dések a laborba"), QStringLiteral("A laborba küldött megrendelések"));
    item(miLabConnection, "miLabConnection", QStringLiteral("Kapcsolat a &laborral..."),
         QStringLiteral("A labor szerverének adatai a küldéshez"));
    // Ctrl+O already adds pictures.
    make(miOpenOrder, "miOpenOrder", QStringLiteral("Megrendelés megnyitása..."),
         QStringLiteral("Mentett megrendelés képeinek felvétele"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
         nullptr);
    make(miSaveOrder, "miSaveOrder", QStringLiteral("Megrendelés mentése..."),
         QStringLiteral("A megrendelés mentése fájlba"), QKeySequence(Qt::CTRL | Qt::Key_S), nullptr);
    item(miCheckVersion, "miCheckVersion", QStringLiteral("Új verzió ellenőrzése..."), {});
    // Kilépés on the desktop's usual key; it asks the close question as ever.
    make(miExit, "miExit", QStringLiteral("Kilépés"), {}, QKeySequence(Qt::CTRL | Qt::Key_Q), nullptr);
    item(miWhatsNew, "miWhatsNew", QStringLiteral("Újdonságok"), {});
    item(miJumpPelmar, "miJumpPelmar", QStringLiteral("Ugrás a Pelmar honlapjára"), homePageUrl());
    item(miJumpDigi, "miJumpDigi", QStringLiteral("Digitális fotókidolgozás a Pelmarnál"), digiPageUrl());
}

void MainForm::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // Each menu opens with Alt and its first letter; the captions read as
    // they always did.
    miFile = bar->addMenu(QStringLiteral("&Fájl"));
    miFile->setObjectName(QStringLiteral("miFile"));
    miFile->addAction(AddPic);
    miFile->addAction(miAddPhone);
    miFile->addAction(DelPic);
    miFile->addSeparator();
    miFile->addAction(miOpenOrder);
    miFile->addAction(miSaveOrder);
    miFile->addSeparator();
    miFile->addAction(OutputMegr);
    miFile->addAction(miWriteDisc);
    miFile->addAction(miSendOrder);
    miFile->addAction(miSends);
    miFile->addAction(PrintMegr);
    miFile->addSeparator();
    miFile->addAction(miCheckVersion);
    miFile->addSeparator();
    miFile->addAction(miExit);

    // A view of our own, off by default: the picture list as it always was.
    miView = bar->addMenu(QStringLiteral("&Nézet"));
    miView->setObjectName(QStringLiteral("miView"));
    miThumbnails = miView->addAction(QStringLiteral("Bélyegképek"));
    miThumbnails->setObjectName(QStringLiteral("miThumbnails"));
    miThumbnails->setCheckable(true);

    miSettings = bar->addMenu(QStringLiteral("&Beállítások"));
    miSettings->setObjectName(QStringLiteral("miSettings"));
    miSettings->addAction(UserData);
    miSettings->addAction(ShowPrices);
    miSettings->addSeparator();
    miSettings->addAction(miLabConnection);

    miHelp = bar->addMenu(QStringLiteral("&Súgó"));
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
    // The window's minimum size comes from its rows: the editor row and the
    // logo must fit whole (the first tool bar folds its buttons behind its
    // extension arrow instead).
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
    CBSize = static_cast<QComboBox*>(named(new NamedComboBox(Panel1), "CBSize"));
    CBSize->setEditable(false);
    CBSize->setMinimumWidth(72);
    CBSize->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    Label3 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("Darab:"), Panel1), "Label3"));
    Darab = static_cast<QuantityBox*>(named(new QuantityBox(Panel1), "Darab"));
    Darab->setFixedWidth(52);
    // A screen reader names the two boxes after the labels before them.
    Label2->setBuddy(CBSize);
    Label3->setBuddy(Darab);
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
    for (QWidget* w : std::initializer_list<QWidget*> {Label55, RBFill, RBFit, Label2, CBSize, Label3, Darab, Label1,
                                                       LItemPrice, Label33, LItemSumPrice, ModSelBtn})
        row->addWidget(w);
    row->addStretch();
    ToolBar2->addWidget(Panel1);
    // A tool bar hides what does not fit instead of asking for room; the
    // editor row's controls must never be cut, so the bar asks for the row's
    // minimum, again whenever the row's contents change (the size list).
    Panel1->installEventFilter(this);
    fitEditorRow();

    bars->addWidget(ToolBar1);
    bars->addWidget(ToolBar2);
    CoolBar1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    top->addWidget(CoolBar1, 1);

    Panel3 = static_cast<QFrame*>(named(new QFrame(Panel2), "Panel3"));
    Panel3->setFrameShape(QFrame::StyledPanel);
    Panel3->setFrameShadow(QFrame::Sunken);
    auto* logoLayout = new QVBoxLayout(Panel3);
    logoLayout->setContentsMargins(2, 2, 2, 2);
    Panel3->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* logo = new LinkPicture(Panel3);
    PelmarLogo = static_cast<QLabel*>(named(logo, "PelmarLogo"));
    PelmarLogo->setPixmap(QIcon(QStringLiteral(":/logo.svg")).pixmap(QSize(116, 58)));
    PelmarLogo->setAlignment(Qt::AlignCenter);
    PelmarLogo->setToolTip(homePageUrl());
    // Read as what the Help menu's item of the same address says.
    PelmarLogo->setAccessibleName(QStringLiteral("Ugrás a Pelmar honlapjára"));
    connect(logo, &LinkPicture::activated, this, [this] { guarded([this] { PelmarLogoClick(); }); });
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
    PBAdd->setTextVisible(false);
    PBAdd->setVisible(false);
    status->addWidget(ImgInfo);
    status->addWidget(LErrorStr, 1);
    // The send under way, beside the add run's own texts.
    LSend = static_cast<QLabel*>(named(new QLabel(Panel10), "LSend"));
    LSend->setVisible(false);
    status->addWidget(LSend);
    status->addWidget(PBAdd);
    outer->addWidget(Panel10);

    // 4. The picture list and the preview area.
    auto* middle = new QWidget(central);
    middle->setObjectName(QStringLiteral("MiddlePanel"));
    auto* mid = new QHBoxLayout(middle);
    mid->setContentsMargins(0, 0, 0, 0);
    mid->setSpacing(2);
    FileList = static_cast<PictureListView*>(named(new PictureListView(middle), "FileList"));
    FileList->setModel(&m_order);
    FileList->setAccessibleName(QStringLiteral("A megrendelés képei"));
    // Thumbnails for the JPEG lines only; a TIFF line is never decoded.
    m_thumbnails = new PictureThumbnails(
        FileList, m_decoder,
        [this](int row) {
            if (row < 0 || row >= m_order.lineCount() || m_order.line(row).resolution() == u"Ismeretlen")
                return QString();
            return m_order.line(row).path();
        },
        FileList->itemDelegate());
    FileList->setItemDelegate(m_thumbnails);
    static const int widths[] = {200, 70, 50, 70, 60, 60, 70};
    for (int c = 0; c < OrderModel::ColumnCount; ++c)
        FileList->setColumnWidth(c, widths[c]);
    mid->addWidget(FileList, 1);

    CoolBar2 = named(new QWidget(middle), "CoolBar2");
    CoolBar2->setFixedWidth(182);
    auto* coolLayout = new QVBoxLayout(CoolBar2);
    coolLayout->setContentsMargins(0, 0, 0, 0);
    PreviewPanel = named(new QWidget(CoolBar2), "PreviewPanel");
    auto* pv = new QVBoxLayout(PreviewPanel);
    pv->setContentsMargins(2, 0, 2, 2);
    pv->setSpacing(2);
    // White (the palette's bright text) on the application-workspace grey,
    // both from the palette in use and readable in a light and a dark one.
    Panel7 = static_cast<QLabel*>(
        named(new HeadingStrip(QStringLiteral("Előnézet"), QPalette::BrightText, PreviewPanel), "Panel7"));
    Panel7->setAlignment(Qt::AlignCenter);
    Panel7->setFixedHeight(20);
    Panel8 = named(new QWidget(PreviewPanel), "Panel8");
    auto* p8 = new QHBoxLayout(Panel8);
    p8->setContentsMargins(0, 0, 0, 0);
    CBShowPreview
        = static_cast<QCheckBox*>(named(new QCheckBox(QStringLiteral("Előnézet készítése"), Panel8), "CBShowPreview"));
    CBShowPreview->setChecked(true);
    PreviewImgBtn = static_cast<QToolButton*>(named(new QToolButton(Panel8), "PreviewImgBtn"));
    PreviewImgBtn->setIcon(QIcon(QStringLiteral(":/icons/small/zoom.svg")));
    PreviewImgBtn->setToolTip(QStringLiteral("Klikkeljen ide a nagyításhoz"));
    // The hint stays its description.
    PreviewImgBtn->setAccessibleName(QStringLiteral("Nagyítás"));
    PreviewImgBtn->setAutoRaise(true);
    // Reached with Tab and pressed with Space, so the enlarged preview opens
    // from the keyboard too.
    PreviewImgBtn->setFocusPolicy(Qt::TabFocus);
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
    setReadableTextColour(SumPrice, Qt::red);
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

} // namespace pelmar
