#include "ui/order/SaveMegrForm.h"

#include "core/PriceData.h"
#include "delivery/DiscCapacity.h"
#include "output/FileOp.h"
#include "output/ReportPrintouts.h"
#include "ui/common/FileOpDialogs.h"
#include "ui/common/Guard.h"
#include "ui/common/HeadingStrip.h"
#include "ui/common/MessageBox.h"
#include "ui/delivery/LabSending.h"
#include "ui/disc/DiscWriteDialog.h"
#include "ui/help/Help.h"
#include "ui/order/BrowseForFolderDialog.h"
#include "ui/order/EnvelopeEdit.h"
#include "ui/report/ReportPreview.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace pelmar {

namespace {

enum SizeColumn { ColSize, ColQuantity, ColUnitPrice, ColGross };

// The room the order will take on a disc once the build has copied it.
DiscCapacity::Estimate orderDiscSize(const QList<OrderLine>& lines, const QStringList& targets)
{
    QStringList sources;
    for (const OrderLine& line : lines)
        sources.append(line.path());
    return DiscCapacity::estimate(DiscCapacity::orderFiles(targets, sources));
}

QLineEdit* makeEdit(QWidget* parent, const char* name, int maxLength = 0)
{
    auto edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

// A small decorative icon beside an explanatory text.
QLabel* hintIcon(QWidget* parent)
{
    auto icon = new QLabel(parent);
    icon->setPixmap(parent->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(24, 24));
    icon->setAlignment(Qt::AlignTop);
    return icon;
}

QWidget* hint(QWidget* parent, const QString& text, bool wrap)
{
    auto row = new QWidget(parent);
    auto layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(hintIcon(row));
    auto label = new QLabel(text, row);
    label->setWordWrap(wrap);
    layout->addWidget(label, 1);
    return row;
}

QLabel* redBold(const QString& text, QWidget* parent)
{
    auto label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    setReadableTextColour(label, Qt::red);
    return label;
}

} // namespace

TSaveMegrForm::TSaveMegrForm(QWidget* owner, OrderModel& order, const TUserData& partner,
                             const QStringList& settingValues)
    : QDialog(owner)
    , m_order(order)
    , m_partner(partner)
    , m_settingValues(settingValues)
    , m_reportPrintouts(
          std::make_unique<ReportPrintouts>([this](reports::ReportForm& form) { reports::previewReport(form, this); }))
    , m_printouts(m_reportPrintouts.get())
{
    setObjectName(QStringLiteral("SaveMegrForm"));
    setWindowTitle(QStringLiteral("Megrendelés rögzítése"));
    // Only a close box: no help button in the title bar, no resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Modal to the main window alone, like the settings dialogs: the help
    // window opened by "Súgó" must stay usable beside it.
    setWindowModality(Qt::WindowModal);
    buildControls();
    FormCreate();
    setFixedSize(sizeHint());
    VevoNev->setFocus();
}

TSaveMegrForm::~TSaveMegrForm() = default;

void TSaveMegrForm::buildControls()
{
    auto root = new QVBoxLayout(this);

    // Left: the summary; right: partner and customer data.
    auto top = new QHBoxLayout;
    root->addLayout(top);

    auto left = new QVBoxLayout;
    top->addLayout(left, 1);
    auto heading = new QLabel(QStringLiteral("Összesítő"), this);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    heading->setFont(headingFont);
    left->addWidget(heading);
    left->addWidget(hint(this,
                         QStringLiteral("Ellenőrizze az összesítőn a kiválasztott képek\n"
                                        "mennyiségét és a megrendelés végösszegét."),
                         false));

    SizeList = new QTableWidget(0, 4, this);
    SizeList->setObjectName(QStringLiteral("SizeList"));
    SizeList->setAccessibleName(heading->text());
    SizeList->setHorizontalHeaderLabels(
        {QStringLiteral("Méret"), QStringLiteral("Darab"), QStringLiteral("Egységár"), QStringLiteral("Bruttó ár")});
    const Qt::Alignment headerAlign[4] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignRight};
    for (int c = 0; c < 4; ++c)
        SizeList->horizontalHeaderItem(c)->setTextAlignment(headerAlign[c] | Qt::AlignVCenter);
    SizeList->verticalHeader()->hide();
    SizeList->horizontalHeader()->setSectionsClickable(false);
    SizeList->horizontalHeader()->setStretchLastSection(true);
    SizeList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SizeList->setSelectionBehavior(QAbstractItemView::SelectRows);
    SizeList->setSelectionMode(QAbstractItemView::SingleSelection);
    SizeList->setShowGrid(true);
    // One stop in the tab order: Tab goes on to the partner data.
    SizeList->setTabKeyNavigation(false);
    SizeList->setMinimumSize(330, 260);
    // The selection stays visible when the list loses the focus.
    QPalette listPalette = SizeList->palette();
    listPalette.setColor(QPalette::Inactive, QPalette::Highlight,
                         listPalette.color(QPalette::Active, QPalette::Highlight));
    listPalette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         listPalette.color(QPalette::Active, QPalette::HighlightedText));
    SizeList->setPalette(listPalette);
    left->addWidget(SizeList, 1);

    auto totalRow = new QHBoxLayout;
    // Whether the order fits a CD, beside the total.
    LDiscSize = new QLabel(this);
    LDiscSize->setObjectName(QStringLiteral("LDiscSize"));
    totalRow->addWidget(LDiscSize);
    totalRow->addStretch(1);
    totalRow->addWidget(redBold(QStringLiteral("Összesen:"), this));
    LSumMegr = redBold(QStringLiteral("0 Ft"), this);
    LSumMegr->setObjectName(QStringLiteral("LSumMegr"));
    LSumMegr->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LSumMegr->setMinimumWidth(90);
    totalRow->addWidget(LSumMegr);
    left->addLayout(totalRow);

    auto right = new QVBoxLayout;
    top->addLayout(right, 1);
    auto partnerBox = new QGroupBox(QStringLiteral("Partner adatok"), this);
    auto partnerLayout = new QVBoxLayout(partnerBox);
    partnerLayout->addWidget(
        hint(partnerBox, QStringLiteral("Kérjük adja meg és ellenőrizze számlázási adatait."), true));
    auto partnerForm = new QFormLayout;
    partnerLayout->addLayout(partnerForm);
    UserID = makeEdit(partnerBox, "UserID");
    UserNev = makeEdit(partnerBox, "UserNev");
    UserHelys = makeEdit(partnerBox, "UserHelys");
    UserCim = makeEdit(partnerBox, "UserCim");
    UserIrsz = makeEdit(partnerBox, "UserIrsz", 4);
    Megj = makeEdit(partnerBox, "Megj");
    partnerForm->addRow(QStringLiteral("Üzletszám:"), UserID);
    partnerForm->addRow(QStringLiteral("Név:"), UserNev);
    partnerForm->addRow(QStringLiteral("Helység:"), UserHelys);
    partnerForm->addRow(QStringLiteral("Cím:"), UserCim);
    partnerForm->addRow(QStringLiteral("Irányítószám:"), UserIrsz);
    partnerForm->addRow(QStringLiteral("Megjegyzés:"), Megj);
    right->addWidget(partnerBox);

    auto customerBox = new QGroupBox(QStringLiteral("Vásárló adatai"), this);
    auto customerLayout = new QVBoxLayout(customerBox);
    customerLayout->addWidget(hint(customerBox,
                                   QStringLiteral("Megadhatja az Ön vásárlójának adatait. A megrendelést "
                                                  "kinyomtathatja, és annak egy példányát átadhatja vásárlójának."),
                                   true));
    auto customerForm = new QFormLayout;
    customerLayout->addLayout(customerForm);
    VevoNev = makeEdit(customerBox, "VevoNev");
    VevoHelys = makeEdit(customerBox, "VevoHelys");
    VevoCim = makeEdit(customerBox, "VevoCim");
    VevoIrsz = makeEdit(customerBox, "VevoIrsz", 4);
    customerForm->addRow(QStringLiteral("Név:"), VevoNev);
    customerForm->addRow(QStringLiteral("Helység:"), VevoHelys);
    customerForm->addRow(QStringLiteral("Cím:"), VevoCim);
    customerForm->addRow(QStringLiteral("Irányítószám:"), VevoIrsz);
    right->addWidget(customerBox);

    // Bottom rows.
    auto checks = new QHBoxLayout;
    CBPrintData = new QCheckBox(QStringLiteral("Megrendelés nyomtatása"), this);
    CBPrintData->setObjectName(QStringLiteral("CBPrintData"));
    CBPrintData->setChecked(true);
    CBPrintSumData = new QCheckBox(QStringLiteral("Összegzés nyomtatása"), this);
    CBPrintSumData->setObjectName(QStringLiteral("CBPrintSumData"));
    CBCDIndex = new QCheckBox(QStringLiteral("CD írás és indexkép"), this);
    CBCDIndex->setObjectName(QStringLiteral("CBCDIndex"));
    checks->addWidget(CBPrintData);
    checks->addWidget(CBPrintSumData);
    checks->addWidget(CBCDIndex);
    checks->addStretch(1);
    root->addLayout(checks);

    auto envelopeRow = new QHBoxLayout;
    auto envelopeLabel = new QLabel(QStringLiteral("Tasakszám:"), this);
    envelopeRow->addWidget(envelopeLabel);
    TasakNo = new EnvelopeEdit(this);
    envelopeLabel->setBuddy(TasakNo);
    TasakNo->setObjectName(QStringLiteral("TasakNo"));
    TasakNo->setFixedWidth(TasakNo->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    envelopeRow->addWidget(TasakNo);
    envelopeRow->addStretch(1);
    root->addLayout(envelopeRow);

    auto folderRow = new QHBoxLayout;
    auto folderLabel = new QLabel(QStringLiteral("Megrendelés helye:"), this);
    folderRow->addWidget(folderLabel);
    OutputFolder = makeEdit(this, "OutputFolder");
    folderLabel->setBuddy(OutputFolder);
    folderRow->addWidget(OutputFolder, 1);
    BrowseBtn = new QPushButton(QStringLiteral("Tallózás..."), this);
    BrowseBtn->setObjectName(QStringLiteral("BrowseBtn"));
    BrowseBtn->setAutoDefault(false);
    folderRow->addWidget(BrowseBtn);
    root->addLayout(folderRow);

    auto buttons = new QHBoxLayout;
    LProcess = new QLabel(QStringLiteral("Folyamat:"), this);
    LProcess->setObjectName(QStringLiteral("LProcess"));
    LProcess->hide();
    PB = new QProgressBar(this);
    PB->setObjectName(QStringLiteral("PB"));
    PB->setTextVisible(false);
    PB->hide();
    // The bar's place is kept while it is hidden, so the buttons stay put.
    QSizePolicy keep = PB->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    PB->setSizePolicy(keep);
    QSizePolicy keepLabel = LProcess->sizePolicy();
    keepLabel.setRetainSizeWhenHidden(true);
    LProcess->setSizePolicy(keepLabel);
    buttons->addWidget(LProcess);
    buttons->addWidget(PB, 1);
    MegrBtn = new QPushButton(QStringLiteral("Megrendelés"), this);
    MegrBtn->setObjectName(QStringLiteral("MegrBtn"));
    // No default button: Enter in a field must not start a build.
    MegrBtn->setAutoDefault(false);
    CancelBtn = new QPushButton(QStringLiteral("Mégse"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    HelpBtn = new QPushButton(QStringLiteral("Súgó"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setAutoDefault(false);
    buttons->addWidget(MegrBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    root->addLayout(buttons);

    QWidget* order[] = {SizeList,  UserID,    UserNev,   UserHelys, UserCim,        UserIrsz,    Megj,
                        VevoNev,   VevoHelys, VevoCim,   VevoIrsz,  TasakNo,        CBPrintData, OutputFolder,
                        BrowseBtn, MegrBtn,   CancelBtn, HelpBtn,   CBPrintSumData, CBCDIndex};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    // The two windowless components of the form.
    BFD = new TBrowseForFolderDialog(this);
    BFD->setObjectName(QStringLiteral("BFD"));
    BFD->setSystemFolder(sfDesktop);
    BFD->setTitle(QStringLiteral("Kérem adja meg, hova készítse el a program a megrendelését:"));
    BFD->setOptions(bfReturnOnlyFSDirs | bfEditBox | bfNewStyle);
    BFD->OnInitialized = [this](TBrowseForFolderDialog*, QWidget*) { BFDInitialized(); };
    FO = new TFileOperation(this);
    FO->setObjectName(QStringLiteral("FO"));
    FO->setOperation(foCopy);
    FO->setFlags(fofNoConfirmation | fofNoConfirmMkDir | fofSilent);
    FO->setPrompt(new FileOpDialogs(this));

    auto guard = [this](void (TSaveMegrForm::*handler)()) {
        return [this, handler] { runGuarded(this, [this, handler] { (this->*handler)(); }); };
    };
    connect(TasakNo, &QLineEdit::textChanged, this, guard(&TSaveMegrForm::TasakNoChange));
    connect(TasakNo, &EnvelopeEdit::entered, this, guard(&TSaveMegrForm::TasakNoEnter));
    connect(CBCDIndex, &QCheckBox::clicked, this, guard(&TSaveMegrForm::CBCDIndexClick));
    connect(CBPrintData, &QCheckBox::clicked, this, guard(&TSaveMegrForm::CBPrintDataClick));
    connect(BrowseBtn, &QPushButton::clicked, this, guard(&TSaveMegrForm::BrowseBtnClick));
    connect(HelpBtn, &QPushButton::clicked, this, guard(&TSaveMegrForm::HelpBtnClick));
    connect(CancelBtn, &QPushButton::clicked, this, guard(&TSaveMegrForm::CancelBtnClick));
    connect(MegrBtn, &QPushButton::clicked, this, guard(&TSaveMegrForm::MegrBtnClick));
}

void TSaveMegrForm::FormCreate()
{
    TargetList.clear();
    BaseFolder = DocumentsFolder();
    TasakNoChange();

    const OrderPlan plan = PlanOrder(m_order.lines());
    TargetList = plan.targets;
    for (int i = 0; i < plan.newNames.size(); ++i)
        m_order.setNewName(i, plan.newNames[i]);
    m_sizes = plan.sizes;
    if (m_sizes.isEmpty())
        return;

    SizeList->setRowCount(int(m_sizes.size()));
    for (int r = 0; r < m_sizes.size(); ++r) {
        const SizeRow& row = m_sizes[r];
        const QString texts[4] = {row.caption, row.quantityText(), row.unitPriceText(), row.grossText()};
        const Qt::Alignment align[4] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignRight};
        for (int c = 0; c < 4; ++c) {
            auto item = new QTableWidgetItem(texts[c]);
            item->setTextAlignment(align[c] | Qt::AlignVCenter);
            SizeList->setItem(r, c, item);
        }
        SizeList->item(r, ColSize)->setData(Qt::UserRole, row.unitPrice);
    }
    SizeList->resizeColumnsToContents();
    PicturesTotal = plan.picturesTotal;
    LSumMegr->setText(totalText());
    LDiscSize->setText(DiscCapacity::capacityText(orderDiscSize(m_order.lines(), TargetList)));

    UserID->setText(QString::number(m_partner.UserID));
    UserNev->setText(m_partner.UserName);
    UserHelys->setText(m_partner.UserHelys);
    UserCim->setText(m_partner.UserCim);
    UserIrsz->setText(m_partner.UserIrsz);
}

QString TSaveMegrForm::totalText() const
{
    return QString::number(PicturesTotal + CDFee) + QStringLiteral(" Ft");
}

void TSaveMegrForm::TasakNoChange()
{
    OutputFolder->setText(OrderFolderPath(BaseFolder, OrderToday(), TasakNo->maskedText()));
}

void TSaveMegrForm::TasakNoEnter()
{
    // The field selects its whole text itself on entry, so typing replaces it.
}

void TSaveMegrForm::CBCDIndexClick()
{
    CDFee = CBCDIndex->isChecked() ? CdPrice(m_settingValues) : 0;
    LSumMegr->setText(totalText());
}

void TSaveMegrForm::CBPrintDataClick()
{
    CBPrintSumData->setEnabled(CBPrintData->isChecked());
}

void TSaveMegrForm::BrowseBtnClick()
{
    if (!BFD->Execute())
        return;
    BaseFolder = WithSeparator(BFD->SelectedPath());
    TasakNoChange();
}

void TSaveMegrForm::BFDInitialized()
{
    BFD->SelectPath(OutputFolder->text());
}

void TSaveMegrForm::HelpBtnClick()
{
    Help::ShowHelpTopic(QStringLiteral("savemegr.html"));
}

void TSaveMegrForm::CancelBtnClick()
{
    CancelRequest = true;
    // Outside a build the button closes the dialog; during one the build
    // decides.
    if (!m_building)
        QDialog::reject();
}

void TSaveMegrForm::reject()
{
    // Esc is the cancel button.
    CancelBtnClick();
}

void TSaveMegrForm::closeEvent(QCloseEvent* event)
{
    // The close box neither asks the build to stop nor interrupts it; the
    // end of the build decides how the dialog closes.
    if (m_building) {
        m_closeDuringBuild = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TSaveMegrForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        runGuarded(this, [this] { HelpBtnClick(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

OrderFields TSaveMegrForm::fieldTexts() const
{
    return {UserID->text(), UserNev->text(), UserHelys->text(), UserCim->text(), UserIrsz->text(),
            Megj->text(),   VevoNev->text(), VevoHelys->text(), VevoCim->text(), VevoIrsz->text()};
}

void TSaveMegrForm::setInputsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*> {MegrBtn, BrowseBtn, OutputFolder, TasakNo, UserID, UserNev,
                                                       UserHelys, UserCim, UserIrsz, Megj, VevoNev, VevoHelys, VevoCim,
                                                       VevoIrsz, CBPrintData, CBPrintSumData, CBCDIndex})
        w->setEnabled(enabled);
    if (enabled)
        CBPrintDataClick();
}

void TSaveMegrForm::MegrBtnClick()
{
    if (m_building)
        return;
    if (!TasakNo->validateNow())
        return;
    // An order too big for a CD is built only when the partner says so, once.
    if (!m_discSizeAccepted) {
        const QString question = DiscCapacity::capacityQuestion(orderDiscSize(m_order.lines(), TargetList));
        if (!question.isEmpty() && MessageBox::confirm(this, question) != MessageAnswer::Yes)
            return;
        m_discSizeAccepted = true;
    }

    BuildInput input;
    input.lines = m_order.lines();
    input.fields = fieldTexts();
    input.outputFolder = OutputFolder->text();
    input.totalText = LSumMegr->text();
    input.printData = CBPrintData->isChecked();
    input.printSumData = CBPrintSumData->isChecked();
    input.cdIndex = CBCDIndex->isChecked();
    input.settingValues = m_settingValues;
    input.sizes = m_sizes;
    input.targets = TargetList;

    OrderBuilder builder(*this, m_printouts, *FO);
    m_building = true;
    m_closeDuringBuild = false;
    setInputsEnabled(false);
    BuildResult result = BuildResult::Refused;
    try {
        result = builder.run(input);
    } catch (...) {
        m_building = false;
        setInputsEnabled(true);
        throw;
    }
    m_building = false;
    setInputsEnabled(true);

    switch (result) {
    case BuildResult::Refused:
        return;
    case BuildResult::Stopped:
        // A confirmed cancel closes with the cancel result that "Mégse"
        // carried; after a No to a copy error the dialog stays open unless
        // "Mégse" or the close box was pressed during this build.
        if (builder.stopReason() == StopReason::Cancelled || CancelRequest || m_closeDuringBuild)
            QDialog::reject();
        return;
    case BuildResult::Done:
        m_builtFolder = builder.orderFolder();
        MessageBox::information(this, OrderBuilder::finalMessage(OutputFolder->text()));
        // The network first where the shop has a lab connection; the disc
        // stays the way out for a shop without one, or that says no.
        if (!LabSending::offer(this, builder.orderFolder()))
            DiscWriteDialog::offer(this, builder.orderFolder());
        accept();
        return;
    }
}

// --- The build's questions and progress ------------------------------------

void TSaveMegrForm::partnerRefused(PartnerField field, const QString& message)
{
    MessageBox::error(this, message);
    QLineEdit* target = UserID;
    switch (field) {
    case PartnerField::UserID:
        target = UserID;
        break;
    case PartnerField::UserNev:
        target = UserNev;
        break;
    case PartnerField::UserHelys:
        target = UserHelys;
        break;
    case PartnerField::UserCim:
        target = UserCim;
        break;
    case PartnerField::UserIrsz:
        target = UserIrsz;
        break;
    }
    // The field is enabled again before the focus goes there.
    target->setEnabled(true);
    target->setFocus();
}

void TSaveMegrForm::outputFolderChanged(const QString& folder)
{
    // Written back without recomposing the name from the envelope number.
    const QSignalBlocker block(OutputFolder);
    OutputFolder->setText(folder);
}

void TSaveMegrForm::copyingStarted(int count)
{
    CancelRequest = false;
    LProcess->show();
    PB->setRange(0, std::max(0, count - 1));
    PB->setValue(0);
    PB->show();
}

void TSaveMegrForm::beforePicture(int index)
{
    PB->setValue(index);
    PB->repaint();
    QApplication::processEvents();
}

bool TSaveMegrForm::cancelRequested()
{
    return CancelRequest;
}

bool TSaveMegrForm::confirmStop()
{
    return MessageBox::confirm(this, QStringLiteral("Biztosan megszakítja a műveletet?")) == MessageAnswer::Yes;
}

bool TSaveMegrForm::continueAfterCopyError(const QString& source, const QString&)
{
    return MessageBox::confirm(this,
                               QStringLiteral("Hiba a fájl másolása során:\n\n") + source
                                   + QStringLiteral("\n\nA kép nem lesz benne a megrendelésbe!\nFolytatja?"))
        != MessageAnswer::No;
}

void TSaveMegrForm::copyingEnded()
{
    LProcess->hide();
    PB->hide();
}

} // namespace pelmar
