#pragma once

#include "delivery/SendQueue.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>

class QLabel;
class QWidget;

namespace pelmar {

class SendsWindow;

// The main window's side of sending orders to the lab: the queue (made at
// the first send, or at start when an earlier run left one, so an order
// being sent goes on), the sends window, the status line's text, the
// question after a build, the lab's host key on first use and the password
// from the keyring. One per main window; the order dialog reaches it
// through instance().
class LabSending : public QObject
{
    Q_OBJECT

public:
    // settingsPath: the settings database, beside which the queue lives.
    LabSending(QWidget* window, const QString& settingsPath);
    ~LabSending() override;

    static LabSending* instance();

    // Whether a connection to the lab is set up (the question after a build
    // is asked only then).
    bool isConfigured() const;
    // Queues a built order folder; asks for the connection first when none
    // is set up, and for the password when the keyring has none.
    void send(const QString& folder);
    // The sends window, made on first use.
    SendsWindow* showSends();
    void editConnection();

    // After a finished build: asks whether the order should go to the lab
    // now, when a connection is set up; true when it was queued (the disc is
    // then not offered).
    static bool offer(QWidget* parent, const QString& orderFolder);
    static QString offerQuestion();

    // The queue, made when missing.
    SendQueue* queue();
    // The status line's text (empty while nothing is under way).
    QString statusText() const { return m_status; }

    // Asks the partner for the lab password when the keyring has none;
    // tests put an answer here.
    using PasswordAsker = std::function<std::optional<QString>(QWidget* parent)>;
    static void setPasswordAsker(PasswordAsker asker);

signals:
    void statusChanged(const QString& text);

private:
    void makeQueue();
    void withPassword(std::function<void()> then);
    void onItemChanged(const SendItem& item);
    void onEnqueued(const QString& folder, qint64 id, const QString& problem);
    void onHostKeyUnknown(const QString& host, const QString& fingerprint);
    void updateStatus();

    QWidget* m_window;
    QString m_settingsPath;
    SendQueue* m_queue = nullptr;
    QPointer<SendsWindow> m_sendsWindow;
    QString m_status;
    bool m_passwordSet = false;
    bool m_askingHostKey = false;
    // The orders whose end (delivered or failed) was told already.
    QSet<qint64> m_told;
};

} // namespace pelmar
