#pragma once

#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <memory>

class QLocalServer;

namespace pelmar {

// One program per user: the first start holds a lock and listens on a local
// socket; a later start hands its files over and ends, so no second main
// window overwrites the first one's settings. Both live in the user's
// runtime folder, named after the settings database, so a test with its own
// settings has its own program.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString& settingsPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first: it then listens for later
    // starts. False when another program holds the lock.
    bool becomePrimary();
    // Hands the paths (made absolute here) and the launcher's activation
    // token (XDG_ACTIVATION_TOKEN, Wayland; dropped unless validToken) to the
    // running program; true once it has taken them.
    bool handOver(const QStringList& paths, const QString& activationToken = {}, int timeoutMs = 5000);

    const QString& socketName() const { return m_name; }

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

    QString m_name;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

// Whether a window can be shown: a display for the platform Qt will use.
bool displayAvailable();

} // namespace pelmar
