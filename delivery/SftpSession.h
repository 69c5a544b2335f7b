#pragma once

#include "delivery/LabConnection.h"

#include <QList>
#include <QString>
#include <QTemporaryFile>
#include <functional>
#include <memory>
#include <optional>

namespace pelmar {

// What went wrong talking to the lab's server, as far as the partner needs
// to know it.
enum class SftpProblem {
    None,
    NotConfigured, // no host, user, folder or key
    UnknownHost, // the name does not resolve
    Refused, // nothing listens there (or a firewall says no)
    Unreachable, // no route, timed out connecting
    HostKeyUnknown, // no fingerprint pinned yet: the partner must decide
    HostKeyChanged, // the server's key is not the pinned one: never sent
    KeyFile, // the shop's key file cannot be read
    PermissionDenied, // the server refused the key or the password
    RemoteFolderMissing,
    RemoteNotWritable, // permission denied on a remote path
    DiskFull, // the lab's disk (or quota) is full
    AlreadyThere, // the order's name is taken at the lab by something else
    Stalled, // no progress for the stall time
    ConnectionLost, // dropped in the middle
    Cancelled, // stopped on request (pause or cancel)
    NoSuchKeyKind, // the server has no host key of the kind asked for
    LocalFile, // a local file cannot be read
    OrderChanged, // the order folder is no longer as it was queued
    Other,
};

// Whether a send that met this problem is worth trying again on its own
// (a dropped line, a stall, a full disk) or needs the partner (a key, a
// setting, the order itself).
bool isTransient(SftpProblem problem);

struct SftpError
{
    SftpProblem problem = SftpProblem::None;
    // A whole Hungarian sentence for the partner.
    QString message;
    // The underlying words (libcurl's, the server's), for the log and the
    // end of a message.
    QString detail;

    explicit operator bool() const { return problem != SftpProblem::None; }
};

// The Hungarian sentence for a problem; detail is appended when given.
QString sftpProblemMessage(SftpProblem problem, const QString& detail = {});

// One entry of a remote folder listing.
struct SftpEntry
{
    QString name;
    qint64 size = 0;
    bool isDirectory = false;
    bool isRegular = false;
};

// Parses one line of a listing as OpenSSH's sftp server writes it
// ("-rw-r--r--    1 user group   4000000 Dec  9 20:57 name"). Nothing for
// a line that is not one.
std::optional<SftpEntry> parseListingLine(const QByteArray& line);
// Every entry of a listing except "." and ".."; lines that do not parse
// are skipped.
QList<SftpEntry> parseListing(const QByteArray& listing);

// One connection to the lab's SFTP server through libcurl (which speaks SSH
// through libssh2). Blocking: it is used on a worker thread only. The
// connection is made on the first request and kept for the following ones;
// after an error the next request connects again.
//
// Every request checks the server's host key: against the pinned
// fingerprint, or, with none pinned, it stops with HostKeyUnknown and
// seenHostKey() holds what the server showed. Nothing is sent before the key
// is accepted.
class SftpSession
{
public:
    // Called often during every request (several times a second): the bytes
    // of the current upload so far. Returning false stops the request
    // (SftpProblem::Cancelled, unless stalled() was set).
    using Progress = std::function<bool(qint64 uploadedNow)>;

    explicit SftpSession(const LabConnection& connection, const QString& password = {});
    ~SftpSession();
    SftpSession(const SftpSession&) = delete;
    SftpSession& operator=(const SftpSession&) = delete;

    const LabConnection& connection() const { return m_connection; }
    // No progress for this long fails the request with Stalled (0: never).
    void setStallSeconds(int seconds) { m_stallSeconds = seconds; }
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // How long connecting may take.
    void setConnectTimeoutSeconds(int seconds) { m_connectTimeout = seconds; }

    // The fingerprint the server showed on the last connection ("SHA256:...").
    const QString& seenHostKey() const { return m_seenHostKey; }
    const SftpError& lastError() const { return m_error; }

    // Remote paths are absolute or "~/"-relative, "/" separated, as in
    // LabConnection::remoteFolder. Each call returns whether it worked;
    // lastError() says why not.

    // Connects (host key, log in) and lists the remote folder.
    bool connect();
    // Size and kind of a path; nothing when it does not exist (lastError()
    // is None then) or the request failed.
    std::optional<SftpEntry> stat(const QString& path);
    // The entries of a folder; nothing when it does not exist (lastError()
    // None) or the request failed.
    std::optional<QList<SftpEntry>> list(const QString& folder);
    bool makeFolder(const QString& path);
    // Makes each folder that is missing, parents first, in one request;
    // folders that exist already are no failure.
    bool makeFolders(const QStringList& paths);
    // Uploads localFile to path starting at offset (the bytes before offset
    // are at the lab already and are kept). Missing parent folders are made.
    bool upload(const QString& localFile, const QString& path, qint64 offset);
    // Writes bytes as the whole file at path.
    bool put(const QByteArray& bytes, const QString& path);
    // One SFTP rename; fails when `to` exists.
    bool rename(const QString& from, const QString& to);
    bool remove(const QString& path);
    // Removes a folder and everything in it.
    bool removeTree(const QString& path);
    // Drops the connection (the next request connects again).
    void disconnect();

private:
    friend struct SftpCallbacks;
    struct Request;
    bool connectOnce();
    bool perform(Request& request);
    QByteArray urlOf(const QString& path, bool folder) const;
    void resetHandle();

    LabConnection m_connection;
    QString m_password;
    int m_stallSeconds = 60;
    int m_connectTimeout = 20;
    Progress m_progress;
    QString m_seenHostKey;
    SftpError m_error;
    void* m_curl = nullptr;
    QString m_home; // the account's home folder, for "~/" paths
    // The kind of host key asked for ("ssh-ed25519"; empty: libssh2's
    // choice), the kind that worked last, and the known-hosts file that asks.
    QString m_keyKind;
    std::optional<QString> m_settledKind;
    QString m_knownHostsKind;
    std::unique_ptr<QTemporaryFile> m_knownHosts;
    int m_lastCode = 0; // libcurl's code of the last request
    int m_closedSockets = 0; // during the request in hand
    bool m_peerAliveAtClose = false;
};

} // namespace pelmar
