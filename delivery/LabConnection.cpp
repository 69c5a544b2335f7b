#include "delivery/LabConnection.h"

#include "platform/SettingsStore.h"

#include <QCryptographicHash>
#include <QUrl>

#include <algorithm>

namespace pelmar {

namespace {
constexpr qsizetype kMaxUrlLength = 4096;
} // namespace

bool LabConnection::isComplete() const
{
    return !host.isEmpty() && !user.isEmpty() && !remoteFolder.isEmpty() && port > 0 && port < 65536
        && (usePassword || !keyFile.isEmpty());
}

QString LabConnection::url() const
{
    QUrl u;
    u.setScheme(QStringLiteral("sftp"));
    u.setUserName(user);
    u.setHost(host);
    u.setPort(port);
    u.setPath(remoteFolder.startsWith(QLatin1String("~/")) ? QLatin1Char('/') + remoteFolder : remoteFolder);
    return u.toString(QUrl::FullyEncoded);
}

std::optional<LabConnection> parseSftpUrl(const QString& text, QString* problem)
{
    auto fail = [problem](const QString& why) -> std::optional<LabConnection> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (text.size() > kMaxUrlLength)
        return fail(QStringLiteral("A cím túl hosszú."));
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("sftp"))
        return fail(QStringLiteral("A cím nem sftp://FELHASZNÁLÓ@GÉP:PORT/MAPPA alakú: %1").arg(text));
    LabConnection c;
    c.host = url.host(QUrl::FullyDecoded);
    c.user = url.userName(QUrl::FullyDecoded);
    c.port = url.port(22);
    QString path = url.path(QUrl::FullyDecoded);
    if (c.host.isEmpty())
        return fail(QStringLiteral("A címből hiányzik a szerver neve."));
    if (c.user.isEmpty())
        return fail(QStringLiteral("A címből hiányzik a felhasználónév."));
    if (c.port <= 0 || c.port > 65535)
        return fail(QStringLiteral("A port nem 1 és 65535 közötti szám."));
    if (path.startsWith(QLatin1String("/~/")))
        path = path.mid(1);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (path.isEmpty() || path == QLatin1String("/") || path == QLatin1String("~"))
        return fail(QStringLiteral("A címből hiányzik a labor mappája."));
    if (path.contains(QChar(0)) || path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
        return fail(QStringLiteral("A labor mappájának neve nem használható."));
    c.remoteFolder = path;
    // The address goes on in the program's own form, percent-encoded, which
    // may be several times as long as what was typed: it must read again.
    if (c.url().size() > kMaxUrlLength)
        return fail(QStringLiteral("A cím túl hosszú."));
    return c;
}

std::optional<QString> normalizeHostKeyFingerprint(const QString& input)
{
    QString text = input.trimmed();
    if (text.startsWith(QLatin1String("SHA256:"), Qt::CaseInsensitive))
        text = text.mid(7);
    while (text.endsWith(QLatin1Char('=')))
        text.chop(1);
    if (text.size() != 43)
        return std::nullopt;
    const bool base64 = std::all_of(text.begin(), text.end(), [](QChar ch) {
        return (ch.isLetterOrNumber() && ch.unicode() < 128) || ch == QLatin1Char('+') || ch == QLatin1Char('/');
    });
    if (!base64)
        return std::nullopt;
    // 43 characters carry 258 bits; the last two must be zero for a real
    // 32-byte hash, and decoding it back must give the same text.
    const QByteArray raw = QByteArray::fromBase64(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (raw.size() != 32 || QString::fromLatin1(raw.toBase64(QByteArray::OmitTrailingEquals)) != text)
        return std::nullopt;
    return QStringLiteral("SHA256:") + text;
}

QString hostKeyFingerprint(const QByteArray& keyBlob)
{
    const QByteArray hash = QCryptographicHash::hash(keyBlob, QCryptographicHash::Sha256);
    return QStringLiteral("SHA256:") + QString::fromLatin1(hash.toBase64(QByteArray::OmitTrailingEquals));
}

namespace {
const QString kHost = QStringLiteral("Server");
const QString kPort = QStringLiteral("Port");
const QString kUser = QStringLiteral("User");
const QString kFolder = QStringLiteral("RemoteFolder");
const QString kKeyFile = QStringLiteral("KeyFile");
const QString kHostKey = QStringLiteral("HostKey");
const QString kUsePassword = QStringLiteral("UsePassword");
} // namespace

LabConnection loadLabConnection(const QString& databasePath)
{
    LabConnection c;
    SettingsStore store(databasePath);
    if (!store.isAvailable() || !store.openKey(kSettingsLabConnectionKey, false))
        return c;
    c.host = store.readString(kHost).value_or(QString());
    c.port = store.readInteger(kPort).value_or(22);
    c.user = store.readString(kUser).value_or(QString());
    c.remoteFolder = store.readString(kFolder).value_or(QString());
    c.keyFile = store.readString(kKeyFile).value_or(QString());
    c.hostKey = normalizeHostKeyFingerprint(store.readString(kHostKey).value_or(QString())).value_or(QString());
    c.usePassword = store.readBool(kUsePassword).value_or(false);
    return c;
}

bool saveLabConnection(const LabConnection& c, const QString& databasePath)
{
    SettingsStore store(databasePath);
    if (!SettingsStore::keepsChanges(store.state()) || !store.isAvailable())
        return false;
    if (!store.openKey(kSettingsLabConnectionKey, true) || !store.beginTransaction())
        return false;
    const bool written = store.writeString(kHost, c.host) && store.writeInteger(kPort, c.port)
        && store.writeString(kUser, c.user) && store.writeString(kFolder, c.remoteFolder)
        && store.writeString(kKeyFile, c.keyFile) && store.writeString(kHostKey, c.hostKey)
        && store.writeBool(kUsePassword, c.usePassword);
    if (!written) {
        store.rollback();
        return false;
    }
    return store.commit();
}

int SendPolicy::pauseBeforeTry(int tryNumber) const
{
    qint64 pause = std::max(1, firstPauseSeconds);
    for (int i = 2; i < tryNumber && pause < maxPauseSeconds; ++i)
        pause *= 2;
    return int(std::min<qint64>(pause, std::max(1, maxPauseSeconds)));
}

} // namespace pelmar
