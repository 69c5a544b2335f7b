#include "delivery/OrderFolderInterim.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace pelmar::interim {

qint64 OrderFolderCheck::totalBytes() const
{
    qint64 total = 0;
    for (const auto& f : files)
        total += f.size;
    return total;
}

OrderFolderCheck checkOrderFolder(const QString& folder)
{
    OrderFolderCheck check;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir root(folder);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString rel = root.relativeFilePath(info.filePath());
        if (info.fileName().startsWith(QLatin1String(".pelmar-")) && info.fileName().endsWith(QLatin1String(".part")))
            continue;
        if (info.isSymLink() || (!info.isDir() && !info.isFile())) {
            check.problem = QStringLiteral("\"%1\" nem közönséges fájl").arg(rel);
            check.files.clear();
            return check;
        }
        if (info.isFile())
            check.files.append({rel, info.size()});
    }
    std::sort(check.files.begin(), check.files.end(),
              [](const auto& a, const auto& b) { return a.relativePath < b.relativePath; });
    if (!QFileInfo(root.filePath(QStringLiteral("megrendeles.txt"))).isFile()) {
        check.problem = QStringLiteral("hiányzik a \"megrendeles.txt\"");
        check.files.clear();
    }
    return check;
}

} // namespace pelmar::interim
