#include "app/SingleInstance.h"

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

namespace pelmar {

namespace {

// Paths of a file manager's selection; far below this.
constexpr quint32 kMaxMessage = 16 * 1024 * 1024;

QString runtimeFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

} // namespace

SingleInstance::SingleInstance(const QString& settingsPath, QObject* parent)
    : QObject(parent)
    , m_name(runtimeFolder() + QStringLiteral("/pelmarorder-")
             + QString::fromLatin1(
                 QCryptographicHash::hash(QFileInfo(settingsPath).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
                     .toHex()
                     .left(16)))
    , m_lock(m_name + QStringLiteral(".lock"))
{
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

bool SingleInstance::becomePrimary()
{
    // The lock of a program that died (kill -9, power cut) is stale: its
    // process is gone, and QLockFile takes it over.
    m_lock.setStaleLockTime(0);
    if (!m_lock.tryLock(0)) {
        // Without a usable runtime folder there is no way to tell; run alone.
        return m_lock.error() != QLockFile::LockFailedError;
    }
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a program that died answers no one.
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
    while (clock.elapsed() < timeoutMs) {
        QLocalSocket socket;
        socket.connectToServer(m_name);
        if (!socket.waitForConnected(int(qMax<qint64>(1, timeoutMs - clock.elapsed())))) {
            QThread::msleep(50);
            continue;
        }
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
