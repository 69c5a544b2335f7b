#pragma once

#include "delivery/SftpSession.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>

namespace pelmar {

// One file of an order as it was when the order was queued.
struct SnapshotFile
{
    QString relativePath; // "9x13-fill-2/kep00001.JPG"
    qint64 size = 0;
    qint64 modifiedMs = 0; // last change, ms since the epoch

    bool operator==(const SnapshotFile&) const = default;
};

// The order folder as it is to reach the lab: what a later send checks the
// folder against, so an order changed after it was queued never leaves.
struct OrderSnapshot
{
    QString folder; // absolute path of the local order folder
    QList<SnapshotFile> files; // sorted; megrendeles.txt among them

    QString name() const; // the folder's own name, the order's name at the lab
    qint64 totalBytes() const;
};

// Takes the snapshot of a complete order folder; problem gets the Hungarian
// reason when the folder is no complete order (nothing taken then).
std::optional<OrderSnapshot> takeOrderSnapshot(const QString& folder, QString* problem);

// Whether the folder is still what the snapshot says: every file there with
// its size and time, nothing added. Empty when so; else the Hungarian reason
// naming the file.
QString orderChangedReason(const OrderSnapshot& snapshot);

// The lines of "<name>.sha256": "<sha256 hex>  <name>/<path>\n" for every
// file, in the snapshot's order, as "sha256sum -c" reads them from the remote
// folder. Reads the files; problem gets the reason when one cannot be read.
// stop, when given, ends the reading early (empty result, no problem).
QByteArray orderChecksums(const OrderSnapshot& snapshot, QString* problem, const std::atomic<bool>* stop = nullptr);

// One sha256sum line: the hash (64 hex digits) and the path; nothing for a
// line that is not one. The tests and pelmar-send's check read the lab's
// checksum file with it.
struct ChecksumLine
{
    QByteArray sha256Hex;
    QString path;
};
std::optional<ChecksumLine> parseChecksumLine(const QByteArray& line);

// Where an order goes under the remote folder.
struct RemoteOrderPaths
{
    QString incoming; // <remote>/.incoming
    QString part; // <remote>/.incoming/<name>.part
    QString final; // <remote>/<name>
    QString checksums; // <remote>/<name>.sha256
    QString checksumsTemp; // <remote>/.incoming/<name>.sha256.part

    RemoteOrderPaths(const QString& remoteFolder, const QString& name);
};

// How a send is going, as the worker reports it.
struct SendCounters
{
    qint64 bytesSent = 0; // of the order: what is at the lab already
    qint64 bytesTotal = 0;
    QString currentFile;
};

// What the caller gives one send: its stop flag (pause, cancel, the end of
// the program) and where progress goes. Both are used on the sending
// thread.
struct SendControl
{
    std::atomic<bool> stop {false};
    // After every bit of progress and at least once a second.
    std::function<void(const SendCounters&)> progress;
};

struct SendOutcome
{
    bool delivered = false;
    // The order was found at the lab, whole, from an earlier try whose
    // rename's answer was lost.
    bool wasThereAlready = false;
    SftpError error;
};

// Sends one order: everything under <remote>/.incoming/<name>.part/ (each
// file resumed from the size it has there; megrendeles.txt last), checks
// every remote size, renames the folder in one step to <remote>/<name>/, then
// writes <name>.sha256 under a temporary name and renames it beside the
// order. Refuses to overwrite: when <remote>/<name> exists and is not this
// order (the same files with the same sizes), nothing is renamed and the
// error is AlreadyThere. The local folder is checked against the snapshot
// before anything is sent and again before the rename.
SendOutcome sendOrder(SftpSession& session, const OrderSnapshot& snapshot, SendControl& control);

// Removes what a stopped send left at the lab (its .part folder and a
// temporary checksum file). Returns whether the server could be reached
// and nothing is left.
bool removePartialOrder(SftpSession& session, const QString& orderName);

} // namespace pelmar
