#pragma once

// Stands in for the complete-folder check until it lands; the same
// declarations, so the send calls it unchanged.

#include <QList>
#include <QString>

namespace pelmar::interim {

struct OrderFolderFile
{
    QString relativePath;
    qint64 size = 0;
};

struct OrderFolderCheck
{
    QString problem;
    QList<OrderFolderFile> files;

    bool complete() const { return problem.isEmpty(); }
    qint64 totalBytes() const;
};

OrderFolderCheck checkOrderFolder(const QString& folder);

} // namespace pelmar::interim
