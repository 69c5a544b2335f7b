#include "ui/settings/AboutForm.h"

#include "platform/LabInfo.h"
#include "platform/Shell.h"
#include "ui/common/DialogStyle.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelmar {

TLinkLabel::TLinkLabel(const QString& text, const QString& hint, QWidget* parent)
    : QLabel(text, parent)
    , m_hint(hint)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setReadableTextColour(this, Qt::blue);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

TAboutForm::TAboutForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("Névjegy"));
    DialogStyle::makeFixedDialog(this);

    Image1 = DialogStyle::icon32(QStyle::SP_MessageBoxInformation, QStringLiteral("Image1"), this);
    Label1 = new QLabel(QStringLiteral("Pelmar digitális fotórendelés v1.1"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = Label1->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 2);
    Label1->setFont(f);
    Label2 = new QLabel(QString::fromUtf8(LabInfo::kLegalNotice), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3 = new TLinkLabel(LabInfo::homeUrl(), LabInfo::homeUrl(), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setMinimumWidth(75);

    auto* texts = new QVBoxLayout;
    texts->addWidget(Label1);
    texts->addSpacing(4);
    texts->addWidget(Label2);
    texts->addSpacing(8);
    texts->addWidget(Label3);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(OKBtn);
    bottom->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addLayout(bottom);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(Label3, &TLinkLabel::clicked, this, [this] { Label3Click(); });
    OKBtn->setFocus();
}

void TAboutForm::Label3Click()
{
    Shell::openDocument(Label3->hint());
}

void TAboutForm::keyPressEvent(QKeyEvent* event)
{
    // OK is the cancel button too.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        OKBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace pelmar
