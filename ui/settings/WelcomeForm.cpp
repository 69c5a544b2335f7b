#include "ui/settings/WelcomeForm.h"

#include "platform/LabInfo.h"
#include "ui/common/DialogStyle.h"
#include "ui/help/Help.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelmar {

namespace {

constexpr int kTextWidth = 440;

QLabel* text(const QString& content, const QString& name, QWidget* parent, bool wrap = true)
{
    auto* label = new QLabel(content, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    label->setFixedWidth(kTextWidth);
    return label;
}

void makeBold(QLabel* label, int extraPoints = 0)
{
    QFont f = label->font();
    f.setBold(true);
    if (extraPoints)
        f.setPointSize(f.pointSize() + extraPoints);
    label->setFont(f);
}

} // namespace

QString TWelcomeForm::addressText()
{
    return QStringLiteral("A Pelmar képrendelő programja lehetőséget nyújt Önnek, hogy gyorsan és könnyen "
                          "elkészíthesse képrendelését.\n"
                          "A program segítségével összeállított digitális fotórendelést írja ki egy CD lemezre "
                          "és juttassa el áruházunk címére:\n\n")
        + QString::fromUtf8(LabInfo::kLabName) + QLatin1Char('\n') + QString::fromUtf8(LabInfo::kLabAddress);
}

TWelcomeForm::TWelcomeForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("WelcomeForm"));
    setWindowTitle(QStringLiteral("Üdvözöljük"));
    DialogStyle::makeFixedDialog(this);

    Label7 = text(QStringLiteral("Üdvözöljük!"), QStringLiteral("Label7"), this, false);
    makeBold(Label7, 4);
    Label8 = text(addressText(), QStringLiteral("Label8"), this);
    Label1 = text(QStringLiteral("Fontos!"), QStringLiteral("Label1"), this, false);
    makeBold(Label1);
    Label2 = text(QStringLiteral("Annak érdekében, hogy mindig az Ön eladási áraival számoljon a program, kérjük "
                                 "állítsa be a pontos árakat.\n"
                                 "Amennyiben segítéségre volna szüksége, az \"Árlista\" ablakban klikkeljen a Súgó "
                                 "gombra."),
                  QStringLiteral("Label2"), this);
    CBUpdateArlist = new QCheckBox(QStringLiteral("Árak szerkesztése most!"), this);
    CBUpdateArlist->setObjectName(QStringLiteral("CBUpdateArlist"));
    Label3 = text(QStringLiteral("Ahhoz, hogy megrendelését fel tudjuk dolgozni, adja meg üzletszámát és adatait."),
                  QStringLiteral("Label3"), this);
    CBUserData = new QCheckBox(QStringLiteral("Adatok megadása most!"), this);
    CBUserData->setObjectName(QStringLiteral("CBUserData"));
    Label4 = text(QStringLiteral("Megrendelését előre is köszönjük!"), QStringLiteral("Label4"), this, false);
    CBHide = new QCheckBox(QStringLiteral("Ne mutassa többé ezt az ablakot"), this);
    CBHide->setObjectName(QStringLiteral("CBHide"));
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setMinimumWidth(75);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(Label7);
    layout->addSpacing(6);
    layout->addWidget(Label8);
    layout->addSpacing(10);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(CBUpdateArlist);
    layout->addSpacing(6);
    layout->addWidget(Label3);
    layout->addWidget(CBUserData);
    layout->addSpacing(10);
    layout->addWidget(Label4);
    layout->addSpacing(10);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CBHide);
    bottom->addStretch();
    bottom->addWidget(OKBtn);
    layout->addLayout(bottom);

    QWidget::setTabOrder(CBUpdateArlist, CBUserData);
    QWidget::setTabOrder(CBUserData, CBHide);
    QWidget::setTabOrder(CBHide, OKBtn);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    Help::installHelpKey(this, [] { Help::ShowHelpTopic(QStringLiteral("firstrun.html")); });
}

void TWelcomeForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    OKBtn->setFocus();
}

void TWelcomeForm::keyPressEvent(QKeyEvent* event)
{
    // No cancel button: Esc does nothing here.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace pelmar
