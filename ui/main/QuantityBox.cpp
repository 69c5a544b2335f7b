#include "ui/main/QuantityBox.h"

#include "core/PriceData.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

#include <algorithm>

namespace pelmar {

QuantityBox::QuantityBox(QWidget* parent)
    : QAbstractSpinBox(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    lineEdit()->setText(QStringLiteral("1"));
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        emit changed();
        // A screen reader hears the new value as it would a spin box's.
        QAccessibleValueChangeEvent event(this, value());
        QAccessible::updateAccessibility(&event);
        // The buttons' enabled state follows the value.
        update();
    });
}

// Del and Ctrl+A belong to the picture list window-wide; the text field
// would otherwise claim them as its own editing keys.
bool QuantityBox::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Delete) || key->matches(QKeySequence::SelectAll)) {
            event->ignore();
            return true;
        }
    }
    return QAbstractSpinBox::event(event);
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

} // namespace pelmar
