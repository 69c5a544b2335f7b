#include "delivery/SftpSession.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>
#include <QUrl>

#include <curl/curl.h>

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>

namespace pelmar {

bool isTransient(SftpProblem problem)
{
    switch (problem) {
    case SftpProblem::Unreachable:
    case SftpProblem::Refused:
    case SftpProblem::UnknownHost:
    case SftpProblem::DiskFull:
    case SftpProblem::Stalled:
    case SftpProblem::ConnectionLost:
    case SftpProblem::Other:
        return true;
    default:
        return false;
    }
}

QString sftpProblemMessage(SftpProblem problem, const QString& detail)
{
    QString text;
    switch (problem) {
    case SftpProblem::None:
        return {};
    case SftpProblem::NotConfigured:
        text = QStringLiteral("A labor kapcsolatának beállításai hiányosak (szerver, felhasználó, mappa, kulcs).");
        break;
    case SftpProblem::UnknownHost:
        text = QStringLiteral("A labor szerverének neve nem található (ismeretlen gép).");
        break;
    case SftpProblem::Refused:
        text = QStringLiteral("A labor szervere elutasította a kapcsolatot (ezen a porton nem fogad kapcsolatot).");
        break;
    case SftpProblem::Unreachable:
        text = QStringLiteral("A labor szervere nem érhető el.");
        break;
    case SftpProblem::HostKeyUnknown:
        text = QStringLiteral("A labor szerverének kulcsa még nem ismert; előbb el kell fogadni az ujjlenyomatát.");
        break;
    case SftpProblem::HostKeyChanged:
        text = QStringLiteral("A labor szerverének kulcsa megváltozott! Lehet, hogy nem a labor szerverével "
                              "beszél a program, ezért semmit sem küld el. Kérdezze meg a labort.");
        break;
    case SftpProblem::KeyFile:
        text = QStringLiteral("A bolt kulcsfájlja nem olvasható.");
        break;
    case SftpProblem::PermissionDenied:
        text = QStringLiteral("A labor szervere nem engedte be a boltot (a kulcsot vagy a jelszót elutasította).");
        break;
    case SftpProblem::RemoteFolderMissing:
        text = QStringLiteral("A labor mappája nem létezik a szerveren.");
        break;
    case SftpProblem::RemoteNotWritable:
        text = QStringLiteral("A labor mappájába nem lehet írni.");
        break;
    case SftpProblem::DiskFull:
        text = QStringLiteral("A labor szervere nem tudta menteni a fájlt (lehet, hogy megtelt a lemeze).");
        break;
    case SftpProblem::AlreadyThere:
        text = QStringLiteral("Ilyen nevű megrendelés már van a laborban; a program nem írja felül.");
        break;
    case SftpProblem::Stalled:
        text = QStringLiteral("A küldés elakadt: egy ideje nem halad.");
        break;
    case SftpProblem::ConnectionLost:
        text = QStringLiteral("Megszakadt a kapcsolat a labor szerverével.");
        break;
    case SftpProblem::Cancelled:
        text = QStringLiteral("A küldés leállt.");
        break;
    case SftpProblem::NoSuchKeyKind:
        text = QStringLiteral("A labor szerverének nincs ilyen fajta kulcsa.");
        break;
    case SftpProblem::LocalFile:
        text = QStringLiteral("A megrendelés egy fájlja nem olvasható.");
        break;
    case SftpProblem::OrderChanged:
        text
            = QStringLiteral("A megrendelés mappája megváltozott, mióta a küldendők közé került; így nem küldhető el.");
        break;
    case SftpProblem::Other:
        text = QStringLiteral("A küldés nem sikerült.");
        break;
    }
    if (!detail.isEmpty())
        text += QLatin1Char(' ') + detail;
    return text;
}

std::optional<SftpEntry> parseListingLine(const QByteArray& raw)
{
    QByteArray line = raw;
    if (line.endsWith('\r'))
        line.chop(1);
    // mode, links, owner, group, size, month, day, time or year, then one
    // space and the name (which may hold spaces of its own).
    int pos = 0;
    QByteArray fields[8];
    for (auto& field : fields) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        const int start = pos;
        while (pos < line.size() && line[pos] != ' ')
            ++pos;
        if (pos == start || pos >= line.size())
            return std::nullopt;
        field = line.mid(start, pos - start);
    }
    const QByteArray name = line.mid(pos + 1);
    if (name.isEmpty() || fields[0].size() < 10)
        return std::nullopt;
    bool ok = false;
    const qint64 size = fields[4].toLongLong(&ok);
    if (!ok || size < 0)
        return std::nullopt;
    SftpEntry e;
    e.name = QString::fromUtf8(name);
    e.size = size;
    e.isDirectory = fields[0][0] == 'd';
    e.isRegular = fields[0][0] == '-';
    return e;
}

QList<SftpEntry> parseListing(const QByteArray& listing)
{
    QList<SftpEntry> entries;
    for (const QByteArray& line : listing.split('\n')) {
        auto e = parseListingLine(line);
        if (e && e->name != QLatin1String(".") && e->name != QLatin1String(".."))
            entries.append(*e);
    }
    return entries;
}

namespace {

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A path inside a quote command, as libcurl reads it: in double quotes,
// with backslash before a quote or a backslash.
QByteArray quoted(const QString& path)
{
    QByteArray out = "\"";
    for (char ch : path.toUtf8()) {
        if (ch == '"' || ch == '\\')
            out += '\\';
        out += ch;
    }
    return out + '"';
}

struct SlistDeleter
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

} // namespace

struct SftpSession::Request
{
    QByteArray url;
    bool noBody = false;
    QList<QByteArray> quotes; // run before the transfer
    // upload from a file descriptor (from `offset`) or from bytes
    int fd = -1;
    qint64 offset = 0;
    qint64 length = 0;
    const QByteArray* bytes = nullptr;
    qint64 bytesPos = 0;
    bool localReadFailed = false;
    QByteArray body; // listing
    QByteArray headers; // quote answers (pwd)
    // the progress clock
    QElapsedTimer sinceProgress;
    curl_off_t lastNow = -1;
    bool stalled = false;
    SftpSession* session = nullptr;
};

SftpSession::SftpSession(const LabConnection& connection, const QString& password)
    : m_connection(connection)
    , m_password(password)
{
    initCurlOnce();
}

SftpSession::~SftpSession()
{
    disconnect();
}

void SftpSession::disconnect()
{
    if (!m_curl)
        return;
    // A server that stopped answering would hold the goodbye of the SSH
    // session; shut the socket first, so the clean-up cannot wait on it.
    curl_socket_t socket = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(m_curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD)
        ::shutdown(socket, SHUT_RDWR);
    curl_easy_cleanup(static_cast<CURL*>(m_curl));
    m_curl = nullptr;
    m_home.clear();
}

QByteArray SftpSession::urlOf(const QString& path, bool folder) const
{
    QByteArray url = "sftp://";
    if (m_connection.host.contains(QLatin1Char(':')))
        url += '[' + m_connection.host.toUtf8() + ']';
    else
        url += QUrl::toPercentEncoding(m_connection.host, "-.");
    url += ':' + QByteArray::number(m_connection.port);
    QString absolute = path;
    if (absolute.startsWith(QLatin1String("~/")))
        absolute = m_home.isEmpty() ? QLatin1Char('/') + absolute : m_home + absolute.mid(1);
    if (!absolute.startsWith(QLatin1Char('/')))
        absolute.prepend(QLatin1Char('/'));
    for (const QString& segment : absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        url += '/' + QUrl::toPercentEncoding(segment);
    if (folder || absolute == QLatin1String("/"))
        url += '/';
    return url;
}

namespace {

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* body = static_cast<QByteArray*>(user);
    // A listing is never this large; a server that sends more is not
    // listing a folder of ours.
    if (body->size() > 64 * 1024 * 1024)
        return 0;
    body->append(data, qsizetype(size * count));
    return size * count;
}

} // namespace

// Everything a request needs from the session's callbacks.
struct SftpCallbacks
{
    static size_t read(char* buffer, size_t size, size_t count, void* user);
    static int seek(void* user, curl_off_t offset, int origin);
    static int progress(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow);
    static int hostKey(void* user, int keytype, const char* key, size_t len);
    static int closeSocket(void* user, curl_socket_t socket);
};

// When libcurl gives up a connection after a failed write, whether the
// server was still there tells a refused write (a full disk: SFTP v3 has
// no word for it) from a dropped line.
int SftpCallbacks::closeSocket(void* user, curl_socket_t socket)
{
    auto* session = static_cast<SftpSession*>(user);
    char byte;
    const ssize_t n = ::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    session->m_closedSockets += 1;
    session->m_peerAliveAtClose = n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
    return ::close(socket);
}

size_t SftpCallbacks::read(char* buffer, size_t size, size_t count, void* user)
{
    auto* r = static_cast<SftpSession::Request*>(user);
    const size_t want = size * count;
    if (r->bytes) {
        const qint64 n = std::min<qint64>(qint64(want), r->bytes->size() - r->bytesPos);
        memcpy(buffer, r->bytes->constData() + r->bytesPos, size_t(n));
        r->bytesPos += n;
        return size_t(n);
    }
    const qint64 left = r->length - (r->bytesPos);
    if (left <= 0)
        return 0;
    ssize_t n;
    do
        n = ::pread(r->fd, buffer, size_t(std::min<qint64>(qint64(want), left)), r->offset + r->bytesPos);
    while (n < 0 && errno == EINTR);
    if (n <= 0) {
        // The file got shorter (or unreadable) under us: never send a short
        // file as if it were whole.
        r->localReadFailed = true;
        return CURL_READFUNC_ABORT;
    }
    r->bytesPos += n;
    return size_t(n);
}

int SftpCallbacks::seek(void* user, curl_off_t offset, int origin)
{
    auto* r = static_cast<SftpSession::Request*>(user);
    if (origin != SEEK_SET)
        return CURL_SEEKFUNC_CANTSEEK;
    // libcurl skips the part at the lab already by seeking to the resume
    // offset, counted from the start of the file.
    r->bytesPos = offset - (r->bytes ? 0 : r->offset);
    if (r->bytesPos < 0)
        return CURL_SEEKFUNC_FAIL;
    return CURL_SEEKFUNC_OK;
}

namespace {
// Host key callbacks pass the session through here.
struct HostKeyCheck
{
    SftpSession* session;
    QString* seen;
    QString pinned;
    bool* mismatch;
};
} // namespace

int SftpCallbacks::progress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
{
    auto* r = static_cast<SftpSession::Request*>(user);
    const curl_off_t now = dlnow + ulnow;
    if (now != r->lastNow) {
        r->lastNow = now;
        r->sinceProgress.restart();
    }
    if (r->session->m_progress && !r->session->m_progress(ulnow))
        return 1;
    if (r->session->m_stallSeconds > 0 && r->sinceProgress.elapsed() > qint64(r->session->m_stallSeconds) * 1000) {
        r->stalled = true;
        return 1;
    }
    return 0;
}

int SftpCallbacks::hostKey(void* user, int, const char* key, size_t len)
{
    auto* check = static_cast<HostKeyCheck*>(user);
    *check->seen = hostKeyFingerprint(QByteArray(key, qsizetype(len)));
    if (!check->pinned.isEmpty() && *check->seen == check->pinned)
        return CURLKHMATCH_OK;
    *check->mismatch = true;
    return CURLKHMATCH_MISMATCH;
}

bool SftpSession::perform(Request& r)
{
    m_error = {};
    if (!m_connection.isComplete()) {
        m_error = {SftpProblem::NotConfigured, sftpProblemMessage(SftpProblem::NotConfigured), {}};
        return false;
    }
    if (!m_connection.usePassword) {
        QFile key(m_connection.keyFile);
        if (!key.open(QIODevice::ReadOnly)) {
            m_error = {SftpProblem::KeyFile,
                       sftpProblemMessage(SftpProblem::KeyFile,
                                          QStringLiteral("(%1: %2)").arg(m_connection.keyFile, key.errorString())),
                       key.errorString()};
            return false;
        }
    }
    if (!m_curl)
        m_curl = curl_easy_init();
    CURL* c = static_cast<CURL*>(m_curl);
    if (!c) {
        m_error = {SftpProblem::Other, sftpProblemMessage(SftpProblem::Other), QStringLiteral("curl_easy_init")};
        return false;
    }
    // Reset keeps the connection, so the requests of one send share it.
    curl_easy_reset(c);
    char errorBuffer[CURL_ERROR_SIZE] = {0};
    bool mismatch = false;
    HostKeyCheck check {this, &m_seenHostKey, m_connection.hostKey, &mismatch};
    r.session = this;
    r.sinceProgress.start();

    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(c, CURLOPT_URL, r.url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "sftp");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    if (qEnvironmentVariableIsSet("PELMAR_SFTP_TRACE"))
        curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, long(m_connectTimeout));
    curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);
    const QByteArray user = m_connection.user.toUtf8();
    curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
    const QByteArray password = m_password.toUtf8();
    const QByteArray keyFile = QFile::encodeName(m_connection.keyFile);
    if (m_connection.usePassword) {
        curl_easy_setopt(c, CURLOPT_SSH_AUTH_TYPES, long(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    } else {
        curl_easy_setopt(c, CURLOPT_SSH_AUTH_TYPES, long(CURLSSH_AUTH_PUBLICKEY));
        curl_easy_setopt(c, CURLOPT_SSH_PRIVATE_KEYFILE, keyFile.constData());
        // Empty: libssh2 takes the public half from the private key file.
        curl_easy_setopt(c, CURLOPT_SSH_PUBLIC_KEYFILE, "");
    }
    // libcurl asks libssh2 for the kind of key a known-hosts line names for
    // the host; the key in it is never compared (the callback below checks).
    QByteArray knownHosts;
    if (!m_keyKind.isEmpty()) {
        if (!m_knownHosts || m_knownHostsKind != m_keyKind) {
            m_knownHosts = std::make_unique<QTemporaryFile>();
            QByteArray blob;
            auto putString = [&blob](const QByteArray& bytes) {
                const quint32 n = quint32(bytes.size());
                blob += char(n >> 24);
                blob += char(n >> 16);
                blob += char(n >> 8);
                blob += char(n);
                blob += bytes;
            };
            putString(m_keyKind.toLatin1());
            putString(QByteArray(32, '\0'));
            const QByteArray line = '[' + m_connection.host.toUtf8() + "]:" + QByteArray::number(m_connection.port)
                + ' ' + m_keyKind.toLatin1() + ' ' + blob.toBase64() + '\n';
            if (!m_knownHosts->open() || m_knownHosts->write(line) != line.size() || !m_knownHosts->flush())
                m_knownHosts.reset();
            m_knownHostsKind = m_keyKind;
        }
        if (m_knownHosts)
            knownHosts = QFile::encodeName(m_knownHosts->fileName());
    }
    if (!knownHosts.isEmpty())
        curl_easy_setopt(c, CURLOPT_SSH_KNOWNHOSTS, knownHosts.constData());
    curl_easy_setopt(c, CURLOPT_SSH_HOSTKEYFUNCTION, &SftpCallbacks::hostKey);
    curl_easy_setopt(c, CURLOPT_SSH_HOSTKEYDATA, &check);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &SftpCallbacks::progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &r);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &r.body);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &onBody);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &r.headers);
    curl_easy_setopt(c, CURLOPT_CLOSESOCKETFUNCTION, &SftpCallbacks::closeSocket);
    curl_easy_setopt(c, CURLOPT_CLOSESOCKETDATA, this);
    m_closedSockets = 0;
    curl_easy_setopt(c, CURLOPT_NEW_FILE_PERMS, 0644L);
    curl_easy_setopt(c, CURLOPT_NEW_DIRECTORY_PERMS, 0755L);
    Slist quotes;
    for (const QByteArray& q : r.quotes)
        quotes.reset(curl_slist_append(quotes.release(), q.constData()));
    if (quotes)
        curl_easy_setopt(c, CURLOPT_QUOTE, quotes.get());
    if (r.noBody)
        curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    const bool upload = r.fd >= 0 || r.bytes;
    if (upload) {
        curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(c, CURLOPT_READFUNCTION, &SftpCallbacks::read);
        curl_easy_setopt(c, CURLOPT_READDATA, &r);
        curl_easy_setopt(c, CURLOPT_SEEKFUNCTION, &SftpCallbacks::seek);
        curl_easy_setopt(c, CURLOPT_SEEKDATA, &r);
        const qint64 total = r.bytes ? r.bytes->size() : r.offset + r.length;
        curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(total));
        if (r.offset > 0)
            curl_easy_setopt(c, CURLOPT_RESUME_FROM_LARGE, curl_off_t(r.offset));
        curl_easy_setopt(c, CURLOPT_FTP_CREATE_MISSING_DIRS, long(CURLFTP_CREATE_DIR));
        // A large buffer lets libssh2 keep many write requests in flight,
        // which is what keeps a line with a long delay full.
        curl_easy_setopt(c, CURLOPT_UPLOAD_BUFFERSIZE, 2L * 1024 * 1024);
    }

    const CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_OK)
        return true;

    const QString detail = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc)).trimmed();
    SftpProblem problem = SftpProblem::Other;
    bool keepConnection = false;
    long osErrno = 0;
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
        problem = SftpProblem::UnknownHost;
        break;
    case CURLE_COULDNT_CONNECT:
        curl_easy_getinfo(c, CURLINFO_OS_ERRNO, &osErrno);
        problem = osErrno == ECONNREFUSED ? SftpProblem::Refused : SftpProblem::Unreachable;
        break;
    case CURLE_OPERATION_TIMEDOUT:
        problem = SftpProblem::Unreachable;
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSH:
        if (mismatch)
            problem = m_connection.hostKey.isEmpty() ? SftpProblem::HostKeyUnknown : SftpProblem::HostKeyChanged;
        else
            problem = rc == CURLE_SSH ? SftpProblem::ConnectionLost : SftpProblem::Other;
        break;
    case CURLE_LOGIN_DENIED:
        problem = SftpProblem::PermissionDenied;
        break;
    case CURLE_REMOTE_FILE_NOT_FOUND:
        problem = SftpProblem::RemoteFolderMissing;
        keepConnection = true;
        break;
    case CURLE_REMOTE_ACCESS_DENIED:
        problem = SftpProblem::RemoteNotWritable;
        keepConnection = true;
        break;
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_UPLOAD_FAILED:
        problem = SftpProblem::DiskFull;
        break;
    case CURLE_QUOTE_ERROR:
        problem = SftpProblem::Other;
        keepConnection = true;
        break;
    case CURLE_FAILED_INIT:
        // The handshake failed: with a kind of host key asked for, the
        // server most likely has no key of that kind.
        problem = m_keyKind.isEmpty() ? SftpProblem::Other : SftpProblem::NoSuchKeyKind;
        break;
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_READ_ERROR:
        problem = r.localReadFailed ? SftpProblem::LocalFile
            : r.stalled             ? SftpProblem::Stalled
                                    : SftpProblem::Cancelled;
        break;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        problem = SftpProblem::ConnectionLost;
        break;
    default:
        break;
    }
    if (mismatch)
        problem = m_connection.hostKey.isEmpty() ? SftpProblem::HostKeyUnknown : SftpProblem::HostKeyChanged;
    // The SSH layer reports a write the server refused (a full disk) as
    // it reports a dropped line; the server still being there tells them
    // apart.
    if (rc == CURLE_SSH && upload && !mismatch && (m_closedSockets == 0 || m_peerAliveAtClose))
        problem = SftpProblem::DiskFull;
    m_lastCode = int(rc);
    m_error = {problem,
               sftpProblemMessage(problem,
                                  problem == SftpProblem::HostKeyChanged || problem == SftpProblem::HostKeyUnknown
                                      ? QStringLiteral("(%1)").arg(m_seenHostKey)
                                      : QStringLiteral("(%1)").arg(detail)),
               detail};
    if (!keepConnection)
        disconnect();
    return false;
}

bool SftpSession::connect()
{
    // libssh2 takes the server's ECDSA key where it has one, while labs
    // usually give the fingerprint of their Ed25519 key. Ed25519 is asked
    // for first (the key a first connection shows, too); a pinned
    // fingerprint that does not match is tried against each other kind of
    // key the server has before the key counts as changed, so only a
    // server without the pinned key is refused.
    const QString pinned = m_connection.hostKey;
    QStringList kinds {QStringLiteral("ssh-ed25519"), QString()};
    if (!pinned.isEmpty())
        kinds += {QStringLiteral("ecdsa-sha2-nistp256"), QStringLiteral("ecdsa-sha2-nistp384"),
                  QStringLiteral("ecdsa-sha2-nistp521")};
    if (m_settledKind) {
        kinds.removeAll(*m_settledKind);
        kinds.prepend(*m_settledKind);
    }
    SftpError firstError;
    QString firstSeen;
    for (const QString& kind : kinds) {
        m_keyKind = kind;
        if (connectOnce()) {
            m_settledKind = kind;
            return true;
        }
        const bool keyProblem
            = m_error.problem == SftpProblem::HostKeyChanged || m_error.problem == SftpProblem::HostKeyUnknown;
        const bool kindMissing = !kind.isEmpty() && m_error.problem == SftpProblem::NoSuchKeyKind;
        if (!keyProblem && !kindMissing)
            return false; // nothing to do with the key: said as it is
        if (m_error.problem == SftpProblem::HostKeyUnknown)
            return false; // the key the server shows first is the one to confirm
        if (!kindMissing && firstError.problem == SftpProblem::None) {
            firstError = m_error;
            firstSeen = m_seenHostKey;
        }
    }
    m_keyKind.clear();
    if (firstError.problem != SftpProblem::None) {
        m_error = firstError;
        m_seenHostKey = firstSeen;
    }
    return false;
}

bool SftpSession::connectOnce()
{
    disconnect();
    Request r;
    r.url = urlOf(QStringLiteral("/"), true);
    r.noBody = true;
    r.quotes.append("pwd");
    if (!perform(r))
        return false;
    // The answer of "pwd": 257 "/home/shop" is current directory.
    const int first = r.headers.indexOf('"');
    const int last = r.headers.lastIndexOf('"');
    if (first >= 0 && last > first)
        m_home = QString::fromUtf8(r.headers.mid(first + 1, last - first - 1));
    while (m_home.size() > 1 && m_home.endsWith(QLatin1Char('/')))
        m_home.chop(1);
    if (m_home.isEmpty() || !m_home.startsWith(QLatin1Char('/')))
        m_home = QStringLiteral("/");
    return true;
}

std::optional<QList<SftpEntry>> SftpSession::list(const QString& folder)
{
    if (!m_curl && !connect())
        return std::nullopt;
    Request r;
    r.url = urlOf(folder, true);
    if (perform(r))
        return parseListing(r.body);
    if (m_error.problem == SftpProblem::RemoteFolderMissing)
        m_error = {};
    return std::nullopt;
}

std::optional<SftpEntry> SftpSession::stat(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString parent = slash <= 0 ? QStringLiteral("/") : path.left(slash);
    const QString name = path.mid(slash + 1);
    auto entries = list(parent);
    if (!entries)
        return std::nullopt;
    for (const SftpEntry& e : *entries) {
        if (e.name == name)
            return e;
    }
    return std::nullopt;
}

namespace {
QString absoluteOf(const QString& path, const QString& home)
{
    if (path.startsWith(QLatin1String("~/")))
        return (home == QLatin1String("/") ? QString() : home) + path.mid(1);
    return path;
}
} // namespace

bool SftpSession::makeFolder(const QString& path)
{
    if (!m_curl && !connect())
        return false;
    Request r;
    r.url = urlOf(QStringLiteral("/"), true);
    r.noBody = true;
    r.quotes.append("mkdir " + quoted(absoluteOf(path, m_home)));
    return perform(r);
}

bool SftpSession::makeFolders(const QStringList& paths)
{
    if (!m_curl && !connect())
        return false;
    Request r;
    r.url = urlOf(QStringLiteral("/"), true);
    r.noBody = true;
    for (const QString& path : paths)
        r.quotes.append("*mkdir " + quoted(absoluteOf(path, m_home)));
    return perform(r);
}

bool SftpSession::upload(const QString& localFile, const QString& path, qint64 offset)
{
    if (!m_curl && !connect())
        return false;
    const int fd = ::open(QFile::encodeName(localFile).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        const QString why = QString::fromLocal8Bit(strerror(errno));
        m_error = {SftpProblem::LocalFile,
                   sftpProblemMessage(SftpProblem::LocalFile, QStringLiteral("(%1: %2)").arg(localFile, why)), why};
        return false;
    }
    Request r;
    r.url = urlOf(path, false);
    r.fd = fd;
    r.offset = offset;
    r.length = std::max<qint64>(0, QFile(localFile).size() - offset);
    bool ok = perform(r);
    ::close(fd);
    // A write the server refused and a dropped line look alike from here:
    // a server that takes a new connection at once was there all along.
    if (!ok && m_lastCode == int(CURLE_SSH)
        && (m_error.problem == SftpProblem::ConnectionLost || m_error.problem == SftpProblem::DiskFull)) {
        const SftpError failed = m_error;
        const bool there = connect();
        m_error = failed;
        m_error.problem = there ? SftpProblem::DiskFull : SftpProblem::ConnectionLost;
        m_error.message = sftpProblemMessage(m_error.problem, QStringLiteral("(%1)").arg(failed.detail));
    }
    if (!ok && m_error.problem == SftpProblem::LocalFile)
        m_error.message = sftpProblemMessage(SftpProblem::LocalFile, QStringLiteral("(%1)").arg(localFile));
    return ok;
}

bool SftpSession::put(const QByteArray& bytes, const QString& path)
{
    if (!m_curl && !connect())
        return false;
    Request r;
    r.url = urlOf(path, false);
    r.bytes = &bytes;
    return perform(r);
}

bool SftpSession::rename(const QString& from, const QString& to)
{
    if (!m_curl && !connect())
        return false;
    Request r;
    r.url = urlOf(QStringLiteral("/"), true);
    r.noBody = true;
    r.quotes.append("rename " + quoted(absoluteOf(from, m_home)) + ' ' + quoted(absoluteOf(to, m_home)));
    return perform(r);
}

bool SftpSession::remove(const QString& path)
{
    if (!m_curl && !connect())
        return false;
    Request r;
    r.url = urlOf(QStringLiteral("/"), true);
    r.noBody = true;
    r.quotes.append("rm " + quoted(absoluteOf(path, m_home)));
    return perform(r);
}

bool SftpSession::removeTree(const QString& path)
{
    auto entries = list(path);
    if (!entries)
        return !m_error; // gone already
    QList<QByteArray> commands;
    for (const SftpEntry& e : *entries) {
        if (e.name.contains(QLatin1Char('/')))
            continue;
        const QString child = path + QLatin1Char('/') + e.name;
        if (e.isDirectory) {
            if (!removeTree(child))
                return false;
        } else {
            commands.append("rm " + quoted(absoluteOf(child, m_home)));
        }
    }
    commands.append("rmdir " + quoted(absoluteOf(path, m_home)));
    Request r;
    r.url = urlOf(QStringLiteral("/"), true);
    r.noBody = true;
    r.quotes = commands;
    return perform(r);
}

} // namespace pelmar
