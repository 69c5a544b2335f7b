#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace pelmar {

// The program's three kinds of message box plus the general error box.
// Every form goes through here, so tests can answer the questions and read
// every text that was shown (see ScriptedMessages).
enum class MessageKind { Error, Information, Confirmation, GeneralError };

enum class MessageAnswer { Ok, Yes, No, Closed };

struct ShownMessage
{
    MessageKind kind;
    QString title;
    QString text;
};

namespace MessageBox {

// "Hiba" with "OK".
void error(QWidget* parent, const QString& text);
// "Információ" with "OK".
void information(QWidget* parent, const QString& text);
// "Kérdés" with "&Igen" and "&Nem". Returns the answer; closing the box
// without a button gives Closed.
MessageAnswer confirm(QWidget* parent, const QString& text);
// Convenience for the common rule "only No refuses".
inline bool confirmNotNo(QWidget* parent, const QString& text)
{
    return confirm(parent, text) != MessageAnswer::No;
}
// The general error box for failures no handler caught: the application title
// as caption, an error icon, the text with "." appended by the usual rule.
void generalError(QWidget* parent, const QString& text);

// The text as the general error box shows it: a "." is appended when the last
// character sorts after ".".
QString generalErrorText(const QString& text);

} // namespace MessageBox

// While alive, message boxes are not shown: each is recorded and answered
// from the queue (Yes for a confirmation when the queue is empty).
class ScriptedMessages
{
public:
    ScriptedMessages();
    ~ScriptedMessages();
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    void queueAnswer(MessageAnswer answer) { m_answers.append(answer); }
    const QList<ShownMessage>& shown() const { return m_shown; }
    QStringList texts() const;
    int pendingAnswers() const { return int(m_answers.size()); }
    void clear() { m_shown.clear(); }

    // Internal: used by the MessageBox functions.
    MessageAnswer record(MessageKind kind, const QString& title, const QString& text);

    static ScriptedMessages* active();

private:
    QList<MessageAnswer> m_answers;
    QList<ShownMessage> m_shown;
    ScriptedMessages* m_previous = nullptr;
};

} // namespace pelmar
