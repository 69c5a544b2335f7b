#include "ui/settings/MoneyEdit.h"

#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpressionValidator>

namespace pelmar {

namespace {

// A sign, at most 15 digits (more could not be a price and would not fit in
// 64 bits after all), and up to two decimals after a point or comma.
const QRegularExpression& amountPattern()
{
    static const QRegularExpression re(QStringLiteral("-?[0-9]{0,15}([.,][0-9]{0,2})?"));
    return re;
}

} // namespace

TMoneyEdit::TMoneyEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    showFormatted();
}

QString TMoneyEdit::formatForints(qint64 forints)
{
    static const QLocale hungarian(QLocale::Hungarian, QLocale::Hungary);
    return hungarian.toString(forints) + QStringLiteral(" Ft");
}

qint64 TMoneyEdit::truncateAmount(const QString& text)
{
    QString whole = text.trimmed();
    const qsizetype sep = whole.indexOf(QRegularExpression(QStringLiteral("[.,]")));
    if (sep >= 0)
        whole.truncate(sep);
    bool negative = false;
    if (whole.startsWith(QLatin1Char('-'))) {
        negative = true;
        whole.remove(0, 1);
    }
    bool ok = false;
    const qint64 value = whole.isEmpty() ? 0 : whole.toLongLong(&ok);
    if (!whole.isEmpty() && !ok)
        return 0;
    return negative ? -value : value;
}

void TMoneyEdit::setAmountText(const QString& text)
{
    const QRegularExpressionMatch m = amountPattern().match(text, 0, QRegularExpression::NormalMatch,
                                                            QRegularExpression::AnchorAtOffsetMatchOption);
    m_amount = (m.hasMatch() && m.capturedLength() == text.size()) ? text : QString();
    if (m_editing)
        setText(m_amount);
    else
        showFormatted();
}

void TMoneyEdit::setValue(qint64 forints)
{
    setAmountText(QString::number(forints));
}

QString TMoneyEdit::amountText() const
{
    return m_editing ? text() : m_amount;
}

qint64 TMoneyEdit::wholeForints() const
{
    return truncateAmount(amountText());
}

std::optional<qint32> TMoneyEdit::forints() const
{
    const qint64 value = wholeForints();
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(value);
}

void TMoneyEdit::startEditing()
{
    if (m_editing)
        return;
    m_editing = true;
    // The validator only guards typing; the formatted text would not pass it.
    setText(m_amount.isEmpty() ? QStringLiteral("0") : m_amount);
    setValidator(new QRegularExpressionValidator(amountPattern(), this));
    selectAll();
}

void TMoneyEdit::showFormatted()
{
    if (m_editing)
        m_amount = text();
    m_editing = false;
    if (const QValidator* v = validator()) {
        setValidator(nullptr);
        delete v;
    }
    setText(formatForints(truncateAmount(m_amount)));
}

void TMoneyEdit::focusInEvent(QFocusEvent* event)
{
    startEditing();
    QLineEdit::focusInEvent(event);
}

void TMoneyEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    showFormatted();
}

void TMoneyEdit::keyPressEvent(QKeyEvent* event)
{
    // Typing into the field shown formatted (no focus yet) starts over.
    if (!m_editing && !event->text().isEmpty())
        startEditing();
    QLineEdit::keyPressEvent(event);
}

void TMoneyEdit::mousePressEvent(QMouseEvent* event)
{
    startEditing();
    QLineEdit::mousePressEvent(event);
}

} // namespace pelmar
