#include "ui/settings/UserDataForm.h"

#include "core/PriceData.h"
#include "core/Text.h"
#include "ui/common/DialogStyle.h"
#include "ui/common/MessageBox.h"
#include "ui/help/Help.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelmar {

TUserDataForm::TUserDataForm(QWidget* parent, TUserData& data, Store store)
    : QDialog(parent)
    , m_data(data)
    , m_store(std::move(store))
{
    setObjectName(QStringLiteral("UserDataForm"));
    setWindowTitle(QStringLiteral("Partner adatok"));
    DialogStyle::makeFixedDialog(this);

    Image1 = DialogStyle::icon32(QStyle::SP_FileDialogInfoView, QStringLiteral("Image1"), this);
    Label6 = new QLabel(QStringLiteral("Kérjük adja meg üzletszámát és számlázási adatait."), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setWordWrap(true);

    UserID = DialogStyle::lineField(QStringLiteral("UserID"), 240, this);
    UserName = DialogStyle::lineField(QStringLiteral("UserName"), 240, this);
    UserHelys = DialogStyle::lineField(QStringLiteral("UserHelys"), 240, this);
    UserCim = DialogStyle::lineField(QStringLiteral("UserCim"), 240, this);
    UserIrsz = DialogStyle::lineField(QStringLiteral("UserIrsz"), 240, this);
    UserIrsz->setMaxLength(4);
    UserIrsz->setFixedWidth(60);
    UserTel = DialogStyle::lineField(QStringLiteral("UserTel"), 240, this);

    OKBtn = DialogStyle::button(QStringLiteral("OK"), QStringLiteral("OKBtn"), this);
    OKBtn->setDefault(true);
    CancelBtn = DialogStyle::button(QStringLiteral("Mégse"), QStringLiteral("CancelBtn"), this);
    HelpBtn = DialogStyle::button(QStringLiteral("Súgó"), QStringLiteral("HelpBtn"), this);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addWidget(Label6, 1);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(QStringLiteral("Üzletszám:"), UserID);
    form->addRow(QStringLiteral("Név:"), UserName);
    form->addRow(QStringLiteral("Helység:"), UserHelys);
    form->addRow(QStringLiteral("Cím:"), UserCim);
    form->addRow(QStringLiteral("Irányítószám:"), UserIrsz);
    form->addRow(QStringLiteral("Telefonszám:"), UserTel);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    QWidget::setTabOrder(UserID, UserName);
    QWidget::setTabOrder(UserName, UserHelys);
    QWidget::setTabOrder(UserHelys, UserCim);
    QWidget::setTabOrder(UserCim, UserIrsz);
    QWidget::setTabOrder(UserIrsz, UserTel);
    QWidget::setTabOrder(UserTel, OKBtn);
    QWidget::setTabOrder(OKBtn, CancelBtn);
    QWidget::setTabOrder(CancelBtn, HelpBtn);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { HelpBtnClick(); });
    Help::installHelpKey(this, [this] { HelpBtn->click(); });

    FormCreate();
    UserID->setFocus();
}

TUserDataForm::~TUserDataForm()
{
    FormDestroy();
}

void TUserDataForm::FormCreate()
{
    UserID->setText(QString::number(m_data.UserID));
    UserName->setText(m_data.UserName);
    UserIrsz->setText(m_data.UserIrsz);
    UserHelys->setText(m_data.UserHelys);
    UserCim->setText(m_data.UserCim);
    UserTel->setText(m_data.UserTelefon);
}

void TUserDataForm::FormDestroy()
{
    if (m_store)
        m_store(m_data);
}

void TUserDataForm::keyPressEvent(QKeyEvent* event)
{
    // Esc is the cancel button's key: a disabled Mégse does not answer it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (CancelBtn->isEnabled())
            CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TUserDataForm::refuse(const QString& message, QLineEdit* focus)
{
    MessageBox::error(this, message);
    focus->setFocus();
    return false;
}

bool TUserDataForm::FormCloseQuery(int result)
{
    if (result != QDialog::Accepted && CancelBtn->isEnabled())
        return true;

    if (StrToIntDef(UserID->text(), -1) <= 0)
        return refuse(kBadShopText, UserID);
    if (IsBlank(UserName->text()))
        return refuse(kNameText, UserName);
    if (IsBlank(UserIrsz->text()))
        return refuse(kIrszText, UserIrsz);
    if (IsBlank(UserHelys->text()))
        return refuse(kHelysText, UserHelys);
    if (IsBlank(UserCim->text()))
        return refuse(kCimText, UserCim);

    m_data.UserID = StrToIntDef(UserID->text(), -1);
    m_data.UserName = UserName->text();
    m_data.UserIrsz = UserIrsz->text();
    m_data.UserHelys = UserHelys->text();
    m_data.UserCim = UserCim->text();
    m_data.UserTelefon = UserTel->text();
    return true;
}

void TUserDataForm::done(int result)
{
    if (!FormCloseQuery(result))
        return;
    QDialog::done(result);
}

void TUserDataForm::HelpBtnClick()
{
    Help::ShowHelpTopic(QStringLiteral("userdata.html"));
}

} // namespace pelmar
