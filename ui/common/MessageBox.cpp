#include "ui/common/MessageBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>

namespace pelmar {

namespace {

ScriptedMessages* g_script = nullptr;

const QString kErrorTitle = QStringLiteral("Hiba");
const QString kInfoTitle = QStringLiteral("Információ");
const QString kQuestionTitle = QStringLiteral("Kérdés");

QWidget* ownerFor(QWidget* parent)
{
    if (parent)
        return parent->window();
    return QApplication::activeWindow();
}

// Qt counts the close box of a message box as a press of its escape button.
// A question here keeps the two apart: Esc is "Nem", while the close box
// leaves the question unanswered and each caller decides what that means.
class QuestionBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;
    bool closedByBox() const { return m_closedByBox; }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (!clickedButton())
            m_closedByBox = true;
        QMessageBox::closeEvent(event);
    }

private:
    bool m_closedByBox = false;
};

MessageAnswer showBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text, bool question)
{
    QuestionBox box(icon, title, text, QMessageBox::NoButton, ownerFor(parent));
    if (question) {
        QPushButton* yes = box.addButton(QStringLiteral("&Igen"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&Nem"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        if (box.closedByBox())
            return MessageAnswer::Closed;
        if (box.clickedButton() == yes)
            return MessageAnswer::Yes;
        if (box.clickedButton() == no)
            return MessageAnswer::No;
        return MessageAnswer::Closed;
    }
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return MessageAnswer::Ok;
}

} // namespace

namespace MessageBox {

void error(QWidget* parent, const QString& text)
{
    if (g_script) {
        g_script->record(MessageKind::Error, kErrorTitle, text);
        return;
    }
    showBox(parent, QMessageBox::Critical, kErrorTitle, text, false);
}

void information(QWidget* parent, const QString& text)
{
    if (g_script) {
        g_script->record(MessageKind::Information, kInfoTitle, text);
        return;
    }
    showBox(parent, QMessageBox::Information, kInfoTitle, text, false);
}

MessageAnswer confirm(QWidget* parent, const QString& text)
{
    if (g_script)
        return g_script->record(MessageKind::Confirmation, kQuestionTitle, text);
    return showBox(parent, QMessageBox::Question, kQuestionTitle, text, true);
}

QString generalErrorText(const QString& text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void generalError(QWidget* parent, const QString& text)
{
    const QString title = QApplication::applicationName();
    const QString shown = generalErrorText(text);
    if (g_script) {
        g_script->record(MessageKind::GeneralError, title, shown);
        return;
    }
    showBox(parent, QMessageBox::Critical, title, shown, false);
}

} // namespace MessageBox

ScriptedMessages::ScriptedMessages()
    : m_previous(g_script)
{
    g_script = this;
}

ScriptedMessages::~ScriptedMessages()
{
    g_script = m_previous;
}

ScriptedMessages* ScriptedMessages::active()
{
    return g_script;
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const ShownMessage& m : m_shown)
        out.append(m.text);
    return out;
}

MessageAnswer ScriptedMessages::record(MessageKind kind, const QString& title, const QString& text)
{
    m_shown.append({kind, title, text});
    if (kind != MessageKind::Confirmation)
        return MessageAnswer::Ok;
    if (m_answers.isEmpty())
        return MessageAnswer::Yes;
    return m_answers.takeFirst();
}

} // namespace pelmar
