#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class QLocalServer;

namespace pelmar {

// One program per user: the first start holds a lock and listens on a local
// socket; a later start hands its files over and ends, so no second main
// window overwrites the first one's settings. Both are named after the
// settings database, so a test with its own settings has its own program,
// and live in a folder no one else can reach (privateFolder()): another
// user must not be able to take the lock first, nor listen in our place and
// receive the paths of the pictures the partner opens. A lock or socket that
// is not the user's own is never used, and a socket answered by another user
// gets nothing.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString& settingsPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is to show the window: it is the first and
    // listens for later starts, or (alone()) there is no private folder to
    // tell by. False when another program of the user holds the lock.
    bool becomePrimary();
    // Runs without lock and socket: no private folder could be had.
    bool alone() const { return m_folder.isEmpty(); }
    // Hands the paths (made absolute here) and the launcher's activation
    // token (XDG_ACTIVATION_TOKEN, Wayland; dropped unless validToken) to the
    // running program; true once it has taken them.
    bool handOver(const QStringList& paths, const QString& activationToken = {}, int timeoutMs = 5000);

    const QString& socketName() const { return m_name; }

    // Where the lock and the socket live: the desktop's runtime folder
    // (XDG_RUNTIME_DIR) when it is the user's alone, else a folder of the
    // program's own under the user's cache folder, made and kept 0700; never
    // a folder others can write into. Empty when neither can be had.
    static QString privateFolder();

    // Reads one hand-over message: a 4-byte big-endian length and that many
    // bytes of a JSON object, {"files": [texts], "token": text} (no token
    // when there is none). Returns false until the message is complete; sets
    // bad for anything that is not one.
    static bool decode(const QByteArray& bytes, QStringList& paths, QString& activationToken, bool& bad);
    static QByteArray encode(const QStringList& paths, const QString& activationToken = {});
    // An activation token as compositors make them: 1 to 256 printable
    // ASCII characters.
    static bool validToken(const QString& token);

signals:
    // A later start's files (possibly none: it wants the window in front) and
    // its launcher's activation token (empty when it had none).
    void filesReceived(const QStringList& paths, const QString& activationToken);

private:
    void acceptConnection();

    QString m_folder;
    QString m_name;
    int m_lockFd = -1;
    std::unique_ptr<QLocalServer> m_server;
};

// Whether a window can be shown: a display for the platform Qt will use.
bool displayAvailable();

} // namespace pelmar
