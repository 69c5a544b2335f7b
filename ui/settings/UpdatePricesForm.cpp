#include "ui/settings/UpdatePricesForm.h"

#include "core/PriceData.h"
#include "core/SizeName.h"
#include "core/Text.h"
#include "ui/common/DialogStyle.h"
#include "ui/common/MessageBox.h"
#include "ui/help/Help.h"
#include "ui/settings/MoneyEdit.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelmar {

namespace {

enum Column { ColSize = 0, ColOptRes = 1, ColMinRes = 2, ColPrice = 3 };
constexpr int kPriceRole = Qt::UserRole;

QString priceText(qint32 price)
{
    return QString::number(price) + QStringLiteral(" Ft");
}

} // namespace

void TPriceListView::mousePressEvent(QMouseEvent* event)
{
    if (!indexAt(event->position().toPoint()).isValid())
        clearSelection();
    QTableWidget::mousePressEvent(event);
}

TUpdatePricesForm::TUpdatePricesForm(QWidget* parent, const QStringList& priceList, const QStringList& settingValues)
    : QDialog(parent)
    , m_priceList(priceList)
    , m_settingValues(settingValues)
{
    setObjectName(QStringLiteral("UpdatePricesForm"));
    setWindowTitle(QStringLiteral("Árlista"));
    DialogStyle::makeFixedDialog(this);

    Panel1 = DialogStyle::headingStrip(QStringLiteral("Jelenleg tárolt árak"), QStringLiteral("Panel1"), this);
    Panel2 = DialogStyle::headingStrip(QStringLiteral("Árlista módosítása"), QStringLiteral("Panel2"), this);

    ArList = new TPriceListView(0, 4, this);
    ArList->setObjectName(QStringLiteral("ArList"));
    ArList->setAccessibleName(QStringLiteral("Jelenleg tárolt árak"));
    ArList->setHorizontalHeaderLabels({QStringLiteral("Méret"), QStringLiteral("Optimális felbontás"),
                                       QStringLiteral("Minimális felbontás"), QStringLiteral("Bruttó ár")});
    const int widths[] = {100, 120, 120, 100};
    for (int c = 0; c < 4; ++c)
        ArList->setColumnWidth(c, widths[c]);
    ArList->horizontalHeaderItem(ColOptRes)->setTextAlignment(Qt::AlignCenter);
    ArList->horizontalHeaderItem(ColMinRes)->setTextAlignment(Qt::AlignCenter);
    ArList->horizontalHeaderItem(ColPrice)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ArList->horizontalHeaderItem(ColSize)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ArList->horizontalHeader()->setSectionsClickable(false);
    ArList->horizontalHeader()->setHighlightSections(false);
    ArList->verticalHeader()->hide();
    ArList->verticalHeader()->setDefaultSectionSize(ArList->fontMetrics().height() + 6);
    ArList->setShowGrid(true);
    ArList->setSortingEnabled(false);
    ArList->setSelectionBehavior(QAbstractItemView::SelectRows);
    ArList->setSelectionMode(QAbstractItemView::SingleSelection);
    ArList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ArList->setWordWrap(false);
    // One stop in the dialog's tab order: Tab leaves the list instead of
    // walking its cells (and choosing every row it passes).
    ArList->setTabKeyNavigation(false);
    ArList->setFixedSize(100 + 120 + 120 + 100 + 2 * ArList->frameWidth() + 18, 180);
    {
        // The chosen row stays plainly marked while the fields have the focus.
        QPalette p = ArList->palette();
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
        ArList->setPalette(p);
    }

    Size = DialogStyle::lineField(QStringLiteral("Size"), 121, this);
    OptRes = DialogStyle::lineField(QStringLiteral("OptRes"), 121, this);
    MinRes = DialogStyle::lineField(QStringLiteral("MinRes"), 121, this);
    BruttoAr = new TMoneyEdit(this);
    BruttoAr->setObjectName(QStringLiteral("BruttoAr"));
    BruttoAr->setFixedWidth(100);
    CDIndex = new TMoneyEdit(this);
    CDIndex->setObjectName(QStringLiteral("CDIndex"));
    CDIndex->setFixedWidth(100);

    NewPriceBtn = DialogStyle::button(QStringLiteral("Új"), QStringLiteral("NewPriceBtn"), this);
    ChgSizeBtn = DialogStyle::button(QStringLiteral("Módosítás"), QStringLiteral("ChgSizeBtn"), this);
    ChgSizeBtn->setEnabled(false);
    OKBtn = DialogStyle::button(QStringLiteral("OK"), QStringLiteral("OKBtn"), this);
    OKBtn->setDefault(true);
    CancelBtn = DialogStyle::button(QStringLiteral("Mégse"), QStringLiteral("CancelBtn"), this);
    HelpBtn = DialogStyle::button(QStringLiteral("Súgó"), QStringLiteral("HelpBtn"), this);
    Image1 = DialogStyle::icon32(QStyle::SP_FileDialogContentsView, QStringLiteral("Image1"), this);

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->addWidget(label(QStringLiteral("Méret:"), Size), 0, 0);
    fields->addWidget(Size, 0, 1);
    fields->addWidget(label(QStringLiteral("Optimális felbontás:"), OptRes), 1, 0);
    fields->addWidget(OptRes, 1, 1);
    fields->addWidget(label(QStringLiteral("Minimális felbontás:"), MinRes), 2, 0);
    fields->addWidget(MinRes, 2, 1);
    fields->setColumnMinimumWidth(2, 16);
    fields->addWidget(label(QStringLiteral("Bruttó ár:"), BruttoAr), 0, 3);
    fields->addWidget(BruttoAr, 0, 4);
    fields->addWidget(NewPriceBtn, 1, 4);
    fields->addWidget(ChgSizeBtn, 2, 4);

    auto* editRow = new QHBoxLayout;
    editRow->addWidget(Image1, 0, Qt::AlignTop);
    editRow->addSpacing(6);
    editRow->addLayout(fields);
    editRow->addStretch();

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(label(QStringLiteral("CD írás és indexkép:"), CDIndex));
    bottom->addWidget(CDIndex);
    bottom->addStretch();
    bottom->addWidget(OKBtn);
    bottom->addWidget(CancelBtn);
    bottom->addWidget(HelpBtn);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(Panel1);
    layout->addWidget(ArList);
    layout->addSpacing(4);
    layout->addWidget(Panel2);
    layout->addLayout(editRow);
    layout->addWidget(line);
    layout->addLayout(bottom);

    QWidget::setTabOrder(ArList, Size);
    QWidget::setTabOrder(Size, OptRes);
    QWidget::setTabOrder(OptRes, MinRes);
    QWidget::setTabOrder(MinRes, BruttoAr);
    QWidget::setTabOrder(BruttoAr, NewPriceBtn);
    QWidget::setTabOrder(NewPriceBtn, ChgSizeBtn);
    QWidget::setTabOrder(ChgSizeBtn, OKBtn);
    QWidget::setTabOrder(OKBtn, CancelBtn);
    QWidget::setTabOrder(CancelBtn, HelpBtn);
    QWidget::setTabOrder(HelpBtn, CDIndex);

    connect(ArList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TUpdatePricesForm::onSelectionChanged);
    connect(NewPriceBtn, &QPushButton::clicked, this, [this] { NewPriceBtnClick(); });
    connect(ChgSizeBtn, &QPushButton::clicked, this, [this] { ChgSizeBtnClick(); });
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { HelpBtnClick(); });
    Help::installHelpKey(this, [this] { HelpBtn->click(); });

    ArList->setFocus();
}

TUpdatePricesForm::~TUpdatePricesForm() = default;

QStringList TUpdatePricesForm::sizeItems() const
{
    return SizeNames(m_priceList);
}

void TUpdatePricesForm::showEvent(QShowEvent* event)
{
    if (!m_shown) {
        m_shown = true;
        FormShow();
        ArList->setFocus();
    }
    QDialog::showEvent(event);
}

void TUpdatePricesForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (CancelBtn->isEnabled())
            CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TUpdatePricesForm::FormShow()
{
    FillArList();
    CDIndex->setValue(CdPrice(m_settingValues));
}

void TUpdatePricesForm::FillArList()
{
    ArList->clearSelection();
    ArList->setRowCount(0);
    for (const QString& text : std::as_const(m_priceList)) {
        const TPriceData entry = ParsePriceData(text);
        const int row = ArList->rowCount();
        ArList->insertRow(row);
        setRow(row, entry.Size, entry.OptRes, entry.MinRes, entry.Price);
    }
}

void TUpdatePricesForm::setRow(int row, const QString& size, const QString& optRes, const QString& minRes, qint32 price)
{
    auto item = [this, row](int column) {
        QTableWidgetItem* it = ArList->item(row, column);
        if (!it) {
            it = new QTableWidgetItem;
            ArList->setItem(row, column, it);
        }
        return it;
    };
    item(ColSize)->setText(size);
    item(ColSize)->setData(kPriceRole, price);
    item(ColSize)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    item(ColOptRes)->setText(optRes);
    item(ColOptRes)->setTextAlignment(Qt::AlignCenter);
    item(ColMinRes)->setText(minRes);
    item(ColMinRes)->setTextAlignment(Qt::AlignCenter);
    item(ColPrice)->setText(priceText(price));
    item(ColPrice)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

int TUpdatePricesForm::selectedRow() const
{
    const QModelIndexList rows = ArList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TUpdatePricesForm::onSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    // The row that lost the selection is announced before the one that got it,
    // so "Módosítás" ends up enabled when a row is chosen.
    QList<int> off;
    for (const QModelIndex& i : deselected.indexes())
        if (!off.contains(i.row()))
            off.append(i.row());
    QList<int> on;
    for (const QModelIndex& i : selected.indexes())
        if (!on.contains(i.row()))
            on.append(i.row());
    for (int row : off)
        ArListSelectItem(row, false);
    for (int row : on)
        ArListSelectItem(row, true);
}

void TUpdatePricesForm::ArListSelectItem(int row, bool selected)
{
    if (selected && row >= 0 && row < ArList->rowCount()) {
        Size->setText(ArList->item(row, ColSize)->text());
        OptRes->setText(ArList->item(row, ColOptRes)->text());
        MinRes->setText(ArList->item(row, ColMinRes)->text());
        BruttoAr->setValue(ArList->item(row, ColSize)->data(kPriceRole).toInt());
    }
    ChgSizeBtn->setEnabled(selected);
}

bool TUpdatePricesForm::refuse(const QString& message, QWidget* focus)
{
    MessageBox::error(this, message);
    focus->setFocus();
    return false;
}

bool TUpdatePricesForm::CheckPriceFields()
{
    if (IsBlank(Size->text()))
        return refuse(kSizeEmptyText, Size);
    if (IsBlank(OptRes->text()))
        return refuse(kOptEmptyText, OptRes);
    if (!OptRes->text().contains(QLatin1Char('x')))
        return refuse(kOptNoXText, OptRes);
    if (IsBlank(MinRes->text()))
        return refuse(kMinEmptyText, MinRes);
    if (!MinRes->text().contains(QLatin1Char('x')))
        return refuse(kMinNoXText, MinRes);
    // What the list's text form and the order folder cannot carry comes
    // after the checks every partner knows, so their messages come first.
    if (const SizeNameFault fault = CheckSizeName(Size->text()); fault != SizeNameFault::None)
        return refuse(fault == SizeNameFault::Length ? kSizeLongText : kSizeBadText, Size);
    if (OptRes->text().contains(QLatin1Char('|')))
        return refuse(kOptBarText, OptRes);
    if (!BruttoAr->forints())
        return refuse(kPriceRangeText, BruttoAr);
    return true;
}

void TUpdatePricesForm::NewPriceBtnClick()
{
    const QString size = Size->text();
    for (int row = 0; row < ArList->rowCount(); ++row) {
        if (SameSizeName(ArList->item(row, ColSize)->text(), size)) {
            MessageBox::error(this, kDuplicateText);
            return;
        }
    }
    if (!CheckPriceFields())
        return;
    const int row = ArList->rowCount();
    ArList->insertRow(row);
    setRow(row, size, OptRes->text(), MinRes->text(), *BruttoAr->forints());
    ArList->selectRow(row);
}

void TUpdatePricesForm::ChgSizeBtnClick()
{
    const int row = selectedRow();
    if (row < 0) {
        MessageBox::error(this, kNoSelectionText);
        return;
    }
    if (!CheckPriceFields())
        return;
    setRow(row, Size->text(), OptRes->text(), MinRes->text(), *BruttoAr->forints());
}

bool TUpdatePricesForm::FormCloseQuery(int result)
{
    if (ArList->rowCount() == 0) {
        MessageBox::error(this, kEmptyListText);
        return false;
    }
    if (result == QDialog::Accepted && !CDIndex->forints()) {
        MessageBox::error(this, kCdRangeText);
        CDIndex->setFocus();
        return false;
    }
    return true;
}

void TUpdatePricesForm::FormClose(int result)
{
    if (result != QDialog::Accepted)
        return;
    m_priceList.clear();
    for (int row = 0; row < ArList->rowCount(); ++row) {
        TPriceData entry;
        entry.Size = ArList->item(row, ColSize)->text();
        entry.Price = ArList->item(row, ColSize)->data(kPriceRole).toInt();
        entry.OptRes = ArList->item(row, ColOptRes)->text();
        entry.MinRes = ArList->item(row, ColMinRes)->text();
        m_priceList.append(ComposePriceData(entry));
    }
    SetSettingValue(m_settingValues, QStringLiteral("CD"), *CDIndex->forints());
}

void TUpdatePricesForm::done(int result)
{
    if (!FormCloseQuery(result))
        return;
    FormClose(result);
    QDialog::done(result);
}

void TUpdatePricesForm::HelpBtnClick()
{
    Help::ShowHelpTopic(QStringLiteral("updateprices.html"));
}

} // namespace pelmar
