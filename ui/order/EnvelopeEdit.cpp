#include "ui/order/EnvelopeEdit.h"

#include "ui/common/MessageBox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

namespace pelmar {

EnvelopeEdit::EnvelopeEdit(QWidget* parent)
    : QLineEdit(parent)
{
    // "9": a digit is required in each position; the blank shows as a space.
    setInputMask(QStringLiteral("999999; "));
    setText(QStringLiteral("000000"));
    connect(this, &QLineEdit::textEdited, this, [this] { m_edited = true; });
}

QString EnvelopeEdit::refusalText()
{
    return QStringLiteral("Invalid input value.  Use escape key to abandon changes");
}

bool EnvelopeEdit::isComplete() const
{
    return hasAcceptableInput();
}

QString EnvelopeEdit::maskedText() const
{
    return displayText();
}

bool EnvelopeEdit::validateNow()
{
    if (isComplete())
        return true;
    refuse();
    return false;
}

void EnvelopeEdit::refuse()
{
    if (m_refusing)
        return;
    m_refusing = true;
    QApplication::beep();
    // The box is shown once the focus change that caused it has finished;
    // then the focus comes back here, keeping the text of the entry for Esc.
    QPointer<EnvelopeEdit> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self)
            return;
        MessageBox::generalError(self, refusalText());
        if (!self)
            return;
        self->m_keepEntry = true;
        self->setFocus(Qt::OtherFocusReason);
        self->m_keepEntry = false;
        self->m_refusing = false;
    });
}

void EnvelopeEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // The window coming back to the front (a window manager hands the focus
    // back late, after the refusal's box has closed) is no new entry: the
    // edit and the text for Esc stay those of the entry before.
    if (!m_keepEntry && !m_refusing && event->reason() != Qt::ActiveWindowFocusReason) {
        m_entryText = text();
        m_edited = false;
    }
    // Selected after the toolkit has placed the cursor for a mouse click.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus())
            selectAll();
    });
    emit entered();
}

void EnvelopeEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (m_edited && !isComplete() && event->reason() != Qt::PopupFocusReason
        && event->reason() != Qt::ActiveWindowFocusReason)
        refuse();
}

void EnvelopeEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_edited && !isComplete()) {
            refuse();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        if (m_edited) {
            setText(m_entryText);
            m_edited = false;
            selectAll();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace pelmar
