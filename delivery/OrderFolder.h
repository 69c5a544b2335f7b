#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace pelmar {

// What may leave the shop as an order: a folder exactly as a finished build
// leaves it. The build writes "megrendeles.txt" last, after both printouts, so
// a folder with the text and both printouts is one whose build got to its end;
// a build that failed half way (a full disk) leaves no text. Everything in the
// folder must be a part of the order: the order's own three files and the
// group folders the build names, holding the pictures under the names the
// build gives them, each a regular file. A link (to /dev/zero, to
// /etc/shadow), a FIFO, a device or any stray file makes the folder no order:
// the disc would carry what the lab must never see, or hang reading a FIFO.
// The temporary files a killed build left (".pelmar-*.part") are not a part
// of the order; they are passed over, as the disc writer leaves them out.
//
// Every entry is examined without following links, and every file is opened
// with O_NOFOLLOW | O_NONBLOCK, so neither a link nor a FIFO is ever followed
// or waited on.

// One file of a complete order folder.
struct OrderFolderFile
{
    QString relativePath; // "9x13-fill-2/kep00001.JPG", "megrendeles.txt"
    qint64 size = 0;
};

struct OrderFolderCheck
{
    // Empty when the folder is a complete order; otherwise, in Hungarian,
    // what is wrong, naming the file: finishes the sentence "A mappa nem
    // teljes megrendelés-mappa: ...".
    QString problem;
    // The files of the order, sorted by path (empty when a problem was found).
    QList<OrderFolderFile> files;

    bool complete() const { return problem.isEmpty(); }
};

OrderFolderCheck checkOrderFolder(const QString& folder);

// The problem alone: nothing when the folder is a complete order.
std::optional<QString> incompleteOrderFolderReason(const QString& folder);

} // namespace pelmar
