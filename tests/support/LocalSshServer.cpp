#include "tests/support/LocalSshServer.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QUrl>

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pelmar::test {

namespace {

const char* kSshd = "/usr/sbin/sshd";

bool makeKey(const QString& path, const QString& type = QStringLiteral("ed25519"))
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".pub"));
    QProcess p;
    p.start(QStringLiteral("ssh-keygen"),
            {QStringLiteral("-q"), QStringLiteral("-t"), type, QStringLiteral("-N"), QString(), QStringLiteral("-C"),
             QStringLiteral("test"), QStringLiteral("-f"), path});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(quint16(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

int LocalSshServer::freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

LocalSshServer::LocalSshServer(const QString& folder)
    : m_folder(folder)
{
    if (!QFile::exists(QString::fromLatin1(kSshd))) {
        m_skipReason = QStringLiteral("no OpenSSH server (/usr/sbin/sshd; Debian package openssh-server)");
        return;
    }
    if (const passwd* pw = ::getpwuid(::getuid()))
        m_user = QString::fromLocal8Bit(pw->pw_name);
    QDir().mkpath(m_folder);
    QDir().mkpath(labFolder());
    if (::getuid() == 0)
        QDir().mkpath(QStringLiteral("/run/sshd")); // privilege separation wants it
    const QString hostKey = m_folder + QStringLiteral("/host_ed25519");
    // Two host keys, as a server set up by Debian has (RSA left out for
    // speed): the client must find the one it was told.
    const QString ecdsaKey = m_folder + QStringLiteral("/host_ecdsa");
    if (!makeKey(hostKey) || !makeKey(ecdsaKey, QStringLiteral("ecdsa")) || !makeKey(clientKey())
        || !makeKey(strangerKey())) {
        m_skipReason = QStringLiteral("ssh-keygen could not make the test keys");
        return;
    }
    // The fingerprint OpenSSH shows: SHA-256 of the key blob of the .pub line.
    auto fingerprintOf = [](const QString& pubFile) {
        const QList<QByteArray> pub = readAll(pubFile).split(' ');
        const QByteArray blob = pub.size() >= 2 ? QByteArray::fromBase64(pub[1]) : QByteArray();
        return QStringLiteral("SHA256:")
            + QString::fromLatin1(
                   QCryptographicHash::hash(blob, QCryptographicHash::Sha256).toBase64(QByteArray::OmitTrailingEquals));
    };
    m_fingerprint = fingerprintOf(hostKey + QStringLiteral(".pub"));
    m_ecdsaFingerprint = fingerprintOf(ecdsaKey + QStringLiteral(".pub"));
    QFile auth(m_folder + QStringLiteral("/authorized_keys"));
    if (!auth.open(QIODevice::WriteOnly) || auth.write(readAll(clientKey() + QStringLiteral(".pub"))) < 0
        || !auth.flush()) {
        m_skipReason = QStringLiteral("cannot write authorized_keys");
        return;
    }
    auth.close();
    m_port = freePort();
    QFile config(m_folder + QStringLiteral("/sshd_config"));
    // The test's folders may hold spaces and accents: quoted.
    auto quoted = [](const QString& path) { return '"' + QFile::encodeName(path) + '"'; };
    const QByteArray text = "Port " + QByteArray::number(m_port) + "\nListenAddress 127.0.0.1\nHostKey "
        + quoted(ecdsaKey) + "\nHostKey " + quoted(hostKey) + "\nAuthorizedKeysFile " + quoted(auth.fileName())
        + "\nPidFile " + quoted(m_folder + QStringLiteral("/sshd.pid"))
        + "\nStrictModes no\nUsePAM no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
          "PermitRootLogin prohibit-password\nSubsystem sftp internal-sftp\nLogLevel ERROR\n"
          "MaxStartups 50\nClientAliveInterval 0\n";
    if (!config.open(QIODevice::WriteOnly) || config.write(text) != text.size() || !config.flush()) {
        m_skipReason = QStringLiteral("cannot write the sshd configuration");
        return;
    }
    config.close();
    if (!start()) {
        m_skipReason = QStringLiteral("sshd did not start: ") + log();
        return;
    }
}

LocalSshServer::~LocalSshServer()
{
    if (m_pid > 0) {
        signalAll(SIGCONT);
        kill();
    }
}

QString LocalSshServer::url() const
{
    QUrl u;
    u.setScheme(QStringLiteral("sftp"));
    u.setUserName(m_user);
    u.setHost(QStringLiteral("127.0.0.1"));
    u.setPort(m_port);
    u.setPath(labFolder());
    return u.toString(QUrl::FullyEncoded);
}

QString LocalSshServer::log() const
{
    return QString::fromLocal8Bit(readAll(m_folder + QStringLiteral("/sshd.log"))).trimmed();
}

bool LocalSshServer::start()
{
    if (m_pid > 0)
        return true;
    const QByteArray logPath = QFile::encodeName(m_folder + QStringLiteral("/sshd.log"));
    const QByteArray configPath = QFile::encodeName(m_folder + QStringLiteral("/sshd_config"));
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const int log = ::open(logPath.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (log >= 0) {
            ::dup2(log, 2);
            ::dup2(log, 1);
        }
        // Its own process group, so nothing of the test's terminal reaches it.
        ::setpgid(0, 0);
        ::execl(kSshd, kSshd, "-D", "-e", "-f", configPath.constData(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    m_pid = pid;
    const QDeadlineTimer deadline(8000);
    while (!deadline.hasExpired()) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            m_pid = 0;
            return false;
        }
        if (accepts(m_port))
            return true;
        QThread::msleep(20);
    }
    kill();
    return false;
}

QList<int> LocalSshServer::processes() const
{
    // The server and every process below it: each session's process leaves
    // the server's process group (setsid), so they are found by parent.
    QList<int> found;
    if (m_pid <= 0)
        return found;
    found.append(m_pid);
    QHash<int, int> parentOf;
    QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        bool ok = false;
        const int pid = it.fileName().toInt(&ok);
        if (!ok)
            continue;
        const QByteArray stat = readAll(it.filePath() + QStringLiteral("/stat"));
        const int close = stat.lastIndexOf(')');
        if (close < 0)
            continue;
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() > 1)
            parentOf.insert(pid, fields[1].toInt());
    }
    for (bool grew = true; grew;) {
        grew = false;
        for (auto i = parentOf.constBegin(); i != parentOf.constEnd(); ++i) {
            if (found.contains(i.value()) && !found.contains(i.key())) {
                found.append(i.key());
                grew = true;
            }
        }
    }
    return found;
}

void LocalSshServer::signalAll(int signal)
{
    for (int pid : processes())
        ::kill(pid, signal);
}

void LocalSshServer::kill()
{
    if (m_pid <= 0)
        return;
    signalAll(SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = 0;
    // Wait until the port is free again for a restart.
    const QDeadlineTimer deadline(3000);
    while (accepts(m_port) && !deadline.hasExpired())
        QThread::msleep(10);
}

void LocalSshServer::pause()
{
    signalAll(SIGSTOP);
}

void LocalSshServer::resume()
{
    signalAll(SIGCONT);
}

} // namespace pelmar::test
