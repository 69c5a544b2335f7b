#include "app/SingleInstance.h"
#include "platform/PrivateFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar {

namespace {

// Paths of a file manager's selection; far below this.
constexpr quint32 kMaxMessage = 16 * 1024 * 1024;

// Whether the other end of a connected local socket runs as this user.
bool peerIsUs(qintptr fd)
{
    ucred cred {};
    socklen_t length = sizeof cred;
    return fd >= 0 && ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == ::getuid();
}

} // namespace

QString SingleInstance::privateFolder()
{
    // The desktop's folder is used only as it is: it is not ours to change.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime, false))
        return QDir::cleanPath(runtime);
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!QDir::isAbsolutePath(cache))
        return {};
    const QString own = QDir::cleanPath(cache + QStringLiteral("/run"));
    if (MakePrivateFolder(own) && IsPrivateFolder(own, true))
        return own;
    return {};
}

SingleInstance::SingleInstance(const QString& settingsPath, QObject* parent)
    : QObject(parent)
    , m_folder(privateFolder())
{
    if (!m_folder.isEmpty())
        m_name = m_folder + QStringLiteral("/pelmarorder-")
            + QString::fromLatin1(QCryptographicHash::hash(QFileInfo(settingsPath).absoluteFilePath().toUtf8(),
                                                           QCryptographicHash::Sha1)
                                      .toHex()
                                      .left(16));
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool SingleInstance::becomePrimary()
{
    if (m_folder.isEmpty())
        return true;
    const QByteArray lockPath = QFile::encodeName(m_name + QStringLiteral(".lock"));
    const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(lockPath.constData(), flags, S_IRUSR | S_IWUSR);
    struct stat st
    {
    };
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid())) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) {
        // Something that is not our lock under its name (a link, a pipe,
        // another user's file): never trusted, never used. The folder is
        // ours, so ours takes its place.
        ::unlink(lockPath.constData());
        fd = ::open(lockPath.constData(), flags | O_EXCL, S_IRUSR | S_IWUSR);
        if (fd < 0)
            return true; // nothing to tell by; run alone
        ::fstat(fd, &st);
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        ::fchmod(fd, S_IRUSR | S_IWUSR);
    // The kernel lets go of the lock when the process ends, however it
    // ends, so a program that died leaves no lock that holds.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    m_lockFd = fd;
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a program that died answers no one; anything
    // else under its name is not ours.
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name)) {
        m_server.reset();
        return true;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsUs(socket->socketDescriptor())) {
            socket->abort();
            continue;
        }
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            QStringList paths;
            QString token;
            bool bad = false;
            if (!decode(*buffer, paths, token, bad)) {
                if (bad)
                    socket->abort();
                return;
            }
            buffer->clear();
            socket->write("k");
            socket->flush();
            emit filesReceived(paths, token);
        });
    }
}

bool SingleInstance::validToken(const QString& token)
{
    return !token.isEmpty() && token.size() <= 256
        && std::all_of(token.begin(), token.end(), [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f; });
}

QByteArray SingleInstance::encode(const QStringList& paths, const QString& activationToken)
{
    QJsonObject message {{QStringLiteral("files"), QJsonArray::fromStringList(paths)}};
    if (!activationToken.isEmpty())
        message.insert(QStringLiteral("token"), activationToken);
    const QByteArray json = QJsonDocument(message).toJson(QJsonDocument::Compact);
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(json.size()), out.data());
    return out + json;
}

bool SingleInstance::decode(const QByteArray& bytes, QStringList& paths, QString& activationToken, bool& bad)
{
    bad = false;
    if (bytes.size() < 4)
        return false;
    const quint32 length = qFromBigEndian<quint32>(bytes.constData());
    if (length > kMaxMessage) {
        bad = true;
        return false;
    }
    if (quint64(bytes.size()) < 4 + quint64(length))
        return false;
    if (quint64(bytes.size()) > 4 + quint64(length)) {
        bad = true;
        return false;
    }
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes.mid(4), &error);
    const QJsonObject message = doc.object();
    const QJsonValue token = message.value(QStringLiteral("token"));
    const bool tokenOk = token.isUndefined() || (token.isString() && validToken(token.toString()));
    if (error.error != QJsonParseError::NoError || !doc.isObject() || !message.value(QStringLiteral("files")).isArray()
        || !tokenOk || message.size() != (token.isUndefined() ? 1 : 2)) {
        bad = true;
        return false;
    }
    activationToken = token.toString();
    paths.clear();
    for (const QJsonValue& v : message.value(QStringLiteral("files")).toArray()) {
        if (!v.isString() || v.toString().isEmpty()) {
            bad = true;
            return false;
        }
        paths.append(v.toString());
    }
    return true;
}

bool SingleInstance::handOver(const QStringList& paths, const QString& activationToken, int timeoutMs)
{
    QStringList absolute;
    for (const QString& p : paths)
        absolute.append(QFileInfo(p).absoluteFilePath());
    const QByteArray message = encode(absolute, validToken(activationToken) ? activationToken : QString());
    QElapsedTimer clock;
    clock.start();
    // The running program may have taken the lock a moment ago and not be
    // listening yet.
    while (!m_name.isEmpty() && clock.elapsed() < timeoutMs) {
        // Only our own socket is spoken to, and only when our own program
        // answers on it.
        QLocalSocket socket;
        if (IsOwnEntry(m_name, S_IFSOCK))
            socket.connectToServer(m_name);
        if (socket.state() == QLocalSocket::UnconnectedState
            || !socket.waitForConnected(int(qMax<qint64>(1, timeoutMs - clock.elapsed())))) {
            QThread::msleep(50);
            continue;
        }
        if (!peerIsUs(socket.socketDescriptor()))
            return false;
        socket.write(message);
        if (!socket.waitForBytesWritten(timeoutMs))
            return false;
        while (socket.bytesAvailable() < 1)
            if (!socket.waitForReadyRead(int(qMax<qint64>(1, timeoutMs - clock.elapsed()))))
                return false;
        return socket.read(1) == "k";
    }
    return false;
}

bool displayAvailable()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.startsWith("xcb"))
        return x11;
    if (platform.startsWith("wayland"))
        return wayland;
    // offscreen, vnc, eglfs and the like need no desktop of ours.
    if (!platform.isEmpty())
        return true;
    return x11 || wayland;
}

} // namespace pelmar
