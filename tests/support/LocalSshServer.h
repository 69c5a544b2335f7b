#pragma once

#include <QString>
#include <QStringList>

namespace pelmar::test {

// A real OpenSSH server (Debian's /usr/sbin/sshd) on 127.0.0.1 and a free
// port, for the tests of the send: its own host key, one authorized client
// key, internal-sftp, no PAM. Everything lives in a folder of the caller's;
// the server is stopped (with every process it started) when the object
// ends. available() is false, and skipReason() says why, where it cannot run.
class LocalSshServer
{
public:
    explicit LocalSshServer(const QString& folder);
    ~LocalSshServer();
    LocalSshServer(const LocalSshServer&) = delete;
    LocalSshServer& operator=(const LocalSshServer&) = delete;

    bool available() const { return m_skipReason.isEmpty(); }
    const QString& skipReason() const { return m_skipReason; }

    // Starts (or starts again, on the same port and keys) and waits until it
    // takes connections (a few seconds at most).
    bool start();
    // SIGKILL to the server and every session it runs.
    void kill();
    // SIGSTOP / SIGCONT to the server and every session it runs.
    void pause();
    void resume();
    bool isRunning() const { return m_pid > 0; }

    int port() const { return m_port; }
    QString user() const { return m_user; }
    // The client's private key that the server lets in.
    QString clientKey() const { return m_folder + QStringLiteral("/client_ed25519"); }
    // A second client key the server does not know.
    QString strangerKey() const { return m_folder + QStringLiteral("/stranger_ed25519"); }
    // "SHA256:..." of the server's Ed25519 host key, and of its ECDSA one
    // (the server has both).
    const QString& hostKeyFingerprint() const { return m_fingerprint; }
    const QString& ecdsaFingerprint() const { return m_ecdsaFingerprint; }
    // A folder for the lab's orders (made empty at the start).
    QString labFolder() const { return m_folder + QStringLiteral("/lab"); }
    // sftp://user@127.0.0.1:port/<labFolder>
    QString url() const;
    // What sshd wrote on standard error.
    QString log() const;

    // A free TCP port on 127.0.0.1 that nothing listens on (now).
    static int freePort();

private:
    QList<int> processes() const;
    void signalAll(int signal);

    QString m_folder;
    QString m_skipReason;
    QString m_user;
    QString m_fingerprint;
    QString m_ecdsaFingerprint;
    int m_port = 0;
    int m_pid = 0;
};

} // namespace pelmar::test
