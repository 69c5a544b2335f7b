#include "core/DroppedFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace pelmar {

namespace {

bool nameLess(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

void collectFolder(const QString& folder, QSet<QString>& visited, QStringList& out)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || visited.contains(canonical))
        return;
    visited.insert(canonical);

    QDir dir(folder);
    QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    QStringList subfolders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    std::sort(files.begin(), files.end(), nameLess);
    std::sort(subfolders.begin(), subfolders.end(), nameLess);
    for (const QString& f : std::as_const(files))
        if (HasPictureExtension(f) || HasPhonePictureExtension(f))
            out.append(dir.filePath(f));
    for (const QString& d : std::as_const(subfolders))
        collectFolder(dir.filePath(d), visited, out);
}

} // namespace

bool HasPictureExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString ext = fileName.mid(dot + 1).toLower();
    return ext == u"jpg" || ext == u"jpeg" || ext == u"tif" || ext == u"tiff";
}

bool HasPhonePictureExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString ext = fileName.mid(dot + 1).toLower();
    return ext == u"heic" || ext == u"heif" || ext == u"hif" || ext == u"avif" || ext == u"webp" || ext == u"png";
}

QStringList CollectDroppedFiles(const QStringList& droppedPaths)
{
    QStringList out;
    QSet<QString> visited;
    for (const QString& path : droppedPaths) {
        const QFileInfo info(path);
        if (info.isDir())
            collectFolder(path, visited, out);
        else
            out.append(path);
    }
    return out;
}

} // namespace pelmar
