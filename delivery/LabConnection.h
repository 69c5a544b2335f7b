#pragma once

#include <QString>
#include <optional>

namespace pelmar {

// Where and how the shop's orders go to the lab over the network: one SFTP
// account on the lab's OpenSSH server per shop.
struct LabConnection
{
    QString host; // "labor.example.hu", "127.0.0.1"
    int port = 22;
    QString user;
    // The lab's folder for orders: absolute ("/srv/orders"), or under the
    // account's home folder when it starts with "~/" ("~/orders").
    QString remoteFolder;
    // The shop's private key (OpenSSH format); empty when a password is used.
    QString keyFile;
    // The lab's host key, "SHA256:" and the unpadded base64 of the key's
    // SHA-256 as OpenSSH shows it; empty until the lab gives one or the
    // partner trusts the key seen on the first connection.
    QString hostKey;
    // Log in with a password (kept by the caller, never here).
    bool usePassword = false;

    bool operator==(const LabConnection&) const = default;

    // Whether enough is set to try a connection: host, user, remote folder
    // and a key file or a password.
    bool isComplete() const;
    // "sftp://user@host:port/remote/folder", the form pelmar-send takes.
    QString url() const;
};

// Parses "sftp://USER@HOST[:PORT]/REMOTE/FOLDER" (user and path percent-
// decoded; "sftp://u@h/~/x" is the home-relative "~/x"). Nothing for anything
// else; problem, when given, gets the reason in Hungarian.
std::optional<LabConnection> parseSftpUrl(const QString& url, QString* problem = nullptr);

// The canonical form of a host key fingerprint as OpenSSH prints it
// ("SHA256:" + 43 characters of unpadded base64); accepts the same with
// padding or without the "SHA256:" prefix. Nothing when it is no SHA-256
// fingerprint.
std::optional<QString> normalizeHostKeyFingerprint(const QString& text);

// The fingerprint of a host key blob (the SSH wire form of the public key).
QString hostKeyFingerprint(const QByteArray& keyBlob);

// The settings store key of the connection (a key of its own beside the
// program's other keys) and its load and save. databasePath empty: the
// program's settings database.
inline const QString kSettingsLabConnectionKey = QStringLiteral("\\Software\\Dravik\\PelmarClient\\LabConnection");
LabConnection loadLabConnection(const QString& databasePath = {});
// One transaction; false when the store cannot keep it.
bool saveLabConnection(const LabConnection& connection, const QString& databasePath = {});

// How long a send may go without progress before it is dropped and tried
// again, and how many tries an order gets (0: no limit).
struct SendPolicy
{
    int stallSeconds = 60;
    int maxTries = 10;
    // The pause before the second try; each further pause doubles, up to
    // maxPauseSeconds.
    int firstPauseSeconds = 5;
    int maxPauseSeconds = 300;

    // The pause before try number `tryNumber` (2, 3, ...).
    int pauseBeforeTry(int tryNumber) const;
};

} // namespace pelmar
