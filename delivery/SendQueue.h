#pragma once

#include "delivery/LabConnection.h"
#include "delivery/SftpSession.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <memory>

namespace pelmar {

enum class SendState {
    Queued, // waiting for its turn
    Sending,
    Waiting, // between two tries (after a dropped line, a stall, a full disk)
    Paused, // stopped by the partner; resume() goes on where it stopped
    Delivered, // the lab has it whole
    Failed, // gave up; the error says why; retry() sends it again
    Cancelled, // stopped by the partner; nothing left at the lab's .incoming
};

// "Várakozik", "Küldés", ... for the list of sends.
QString sendStateText(SendState state);
// Whether the order is done with (delivered, failed or cancelled).
bool isFinished(SendState state);

// One order of the queue and of its history, as the list of sends shows it.
struct SendItem
{
    qint64 id = 0;
    QString folder; // the local order folder
    QString name; // its name, the order's name at the lab
    SendState state = SendState::Queued;
    qint64 bytesSent = 0;
    qint64 bytesTotal = 0;
    double bytesPerSecond = 0; // the recent rate while sending; 0 otherwise
    int secondsLeft = -1; // at the recent rate; -1 when it cannot be told
    int tries = 0; // tries started so far
    QString lastError; // Hungarian; empty when none
    SftpProblem lastProblem = SftpProblem::None;
    QString currentFile; // the file being sent, relative to the folder
    QDateTime queuedAt;
    QDateTime finishedAt; // when delivered, failed or cancelled
    QDateTime nextTryAt; // while Waiting
    // Cancelled, but the .part folder could not be removed yet (the server
    // was not reachable); removed on a later connection.
    bool cleanupPending = false;
};

// The queue of orders to send to the lab and the history of the sent ones.
//
// Every call returns at once: the queue's database (SQLite, one transaction
// per change of state) and the network are handled on a worker thread of
// its own, and what changes comes back as signals on the thread that made
// the queue. orders() is that thread's copy of the list, up to date with the
// last itemChanged.
//
// The queue survives kill -9 and a reboot: at the next start an order that
// was being sent (or waiting, or queued) goes on where it stopped, its files
// resumed from what is at the lab. An order whose folder changed after it
// was queued (a picture missing, a size changed) is failed with a message,
// and nothing of it is renamed at the lab.
//
// Before the first send the caller sets the connection (and the password,
// when it uses one). With no host key pinned, the first connection stops
// the send and emits hostKeyUnknown: the window shows the fingerprint, and
// when the partner trusts it, pins it (setConnection with hostKey set, and
// saveLabConnection) and calls retry(). A changed host key fails the send
// with HostKeyChanged; nothing is sent.
class SendQueue : public QObject
{
    Q_OBJECT

public:
    // The queue's database beside the settings database.
    static QString pathBeside(const QString& settingsPath);
    // The program's queue: beside the settings store's default database.
    static QString defaultPath();

    // databasePath empty: a queue kept in memory only (pelmar-send).
    explicit SendQueue(const QString& databasePath = defaultPath(), QObject* parent = nullptr);
    // Stops the send in hand (it goes on at the next start) and ends the
    // worker; waits for it, which may take as long as the stop of one
    // network request (a second or so).
    ~SendQueue() override;

    // The list as last reported, in the order queued (oldest first).
    const QList<SendItem>& orders() const { return m_items; }
    const SendItem* order(qint64 id) const;
    // True once the database was read (loaded emitted).
    bool isLoaded() const { return m_loaded; }

    void setConnection(const LabConnection& connection);
    LabConnection connection() const;
    void setPassword(const QString& password);
    void setPolicy(const SendPolicy& policy);
    // Sends start only when running (the default); false holds every order
    // where it is (pelmar-send uses it to queue every folder first).
    void setRunning(bool running);

    // Checks the folder (a complete order folder, not queued already) and
    // queues it; enqueued() tells the outcome.
    void enqueue(const QString& folder);
    // Stops a send and keeps what reached the lab; resume() goes on.
    void pause(qint64 id);
    void resume(qint64 id);
    // Stops and removes what reached the lab's .incoming.
    void cancel(qint64 id);
    // Sends a failed, cancelled or delivered order again (a new try count).
    void retry(qint64 id);
    // Removes a finished order from the history.
    void remove(qint64 id);

signals:
    // The database was read; orders() holds the list. error is not empty
    // when the database could not be opened (the queue then lives in memory
    // and is lost at the end).
    void loaded(const QString& error);
    // An order was added or changed (state, progress, error).
    void itemChanged(const pelmar::SendItem& item);
    void itemRemoved(qint64 id);
    // The answer to enqueue(): the new order's id, or 0 and the Hungarian
    // reason it was refused.
    void enqueued(const QString& folder, qint64 id, const QString& problem);
    // The server showed a host key while none is pinned.
    void hostKeyUnknown(const QString& host, const QString& fingerprint);
    // Nothing is queued, sending or waiting any more.
    void idle();

private:
    class Worker;
    friend class Worker;
    void apply(const SendItem& item);
    void applyRemoved(qint64 id);

    std::unique_ptr<Worker> m_worker;
    QList<SendItem> m_items;
    bool m_loaded = false;
};

// The outcome of a connection test, for the connection settings dialog.
struct ConnectionTestResult
{
    bool ok = false;
    SftpProblem problem = SftpProblem::None;
    // Hungarian: what worked, or what failed.
    QString message;
    // The fingerprint the server showed (to pin, or to show beside the
    // HostKeyUnknown / HostKeyChanged message).
    QString seenHostKey;
};

// Tests a connection on a thread of its own: resolves and connects, checks
// the host key, logs in, finds the remote folder and writes (and removes) a
// small file in its .incoming folder. finished() comes on the thread that
// made the tester.
class ConnectionTester : public QObject
{
    Q_OBJECT

public:
    explicit ConnectionTester(QObject* parent = nullptr);
    ~ConnectionTester() override;
    bool isRunning() const { return m_running; }
    // Starts a test; a test already running is left to end and its answer
    // dropped.
    void start(const LabConnection& connection, const QString& password = {});

    // The same, blocking: for pelmar-send and the tests.
    static ConnectionTestResult run(const LabConnection& connection, const QString& password = {});

signals:
    void finished(const pelmar::ConnectionTestResult& result);

private:
    bool m_running = false;
    // Shared with the test's thread, which answers only while it is this
    // tester's latest test.
    std::shared_ptr<void> m_link;
};

} // namespace pelmar

Q_DECLARE_METATYPE(pelmar::SendItem)
Q_DECLARE_METATYPE(pelmar::ConnectionTestResult)
