#include "core/DroppedFiles.h"
#include "core/NativePath.h"

#include <QDir>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace pelmar {

namespace {

bool nameLess(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

// Every name the folder holds, also one that is no UTF-8 (Qt's own listing
// leaves those out without a word).
void collectFolder(const QString& folder, QSet<QByteArray>& visited, QStringList& out)
{
    char real[PATH_MAX];
    if (!::realpath(NativePath(folder).constData(), real) || visited.contains(QByteArray(real)))
        return;
    visited.insert(QByteArray(real));

    FolderEntries entries = ListFolder(folder);
    std::sort(entries.files.begin(), entries.files.end(), nameLess);
    std::sort(entries.folders.begin(), entries.folders.end(), nameLess);
    QString prefix = QDir::cleanPath(folder);
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    for (const QString& f : std::as_const(entries.files))
        if (HasPictureExtension(f) || HasPhonePictureExtension(f))
            out.append(prefix + f);
    for (const QString& d : std::as_const(entries.folders))
        collectFolder(prefix + d, visited, out);
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
    QSet<QByteArray> visited;
    for (const QString& path : droppedPaths) {
        struct stat st
        {
        };
        if (::stat(NativePath(path).constData(), &st) == 0 && S_ISDIR(st.st_mode))
            collectFolder(path, visited, out);
        else
            out.append(path);
    }
    return out;
}

} // namespace pelmar
