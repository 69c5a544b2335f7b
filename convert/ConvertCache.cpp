#include "convert/ConvertCache.h"

#include "core/DroppedFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar::convert {

namespace {

const QString kPartPrefix = QStringLiteral(".pelmar-convert-");

bool makePrivateFolder(const QString& path, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st
    {
    };
    // Never a link or a folder someone else could write into.
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        if (error)
            *error = QStringLiteral("nem saját mappa: %1").arg(path);
        return false;
    }
    if ((st.st_mode & 077) != 0)
        ::chmod(native.constData(), 0700);
    return true;
}

} // namespace

bool NeedsConversion(const QString& fileName)
{
    return HasPhonePictureExtension(fileName);
}

ConvertCache::ConvertCache(QString folder)
    : m_folder(std::move(folder))
{
}

QString ConvertCache::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/converted");
}

QString ConvertCache::targetFor(const QString& source) const
{
    const QFileInfo info(source);
    if (!info.isFile())
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QFile::encodeName(info.absoluteFilePath()));
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(QByteArray::number(info.size()));
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(QByteArray::number(info.lastModified().toMSecsSinceEpoch()));
    const QString key = QString::fromLatin1(hash.result().toHex().left(32));
    return m_folder + QLatin1Char('/') + key + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".jpg");
}

bool ConvertCache::prepare(const QString& target, QString* error) const
{
    // The parents of the cache folder are the user's ordinary folders.
    const QString parent = QFileInfo(m_folder).absolutePath();
    if (!QDir().mkpath(parent)) {
        if (error)
            *error = QStringLiteral("a mappa nem hozható létre: %1").arg(parent);
        return false;
    }
    return makePrivateFolder(m_folder, error) && makePrivateFolder(QFileInfo(target).absolutePath(), error);
}

QString ConvertCache::partFor(const QString& target)
{
    static std::atomic<int> counter {0};
    return QFileInfo(target).absolutePath() + QLatin1Char('/') + kPartPrefix + QString::number(::getpid())
        + QLatin1Char('-') + QString::number(++counter) + QStringLiteral(".part");
}

ConvertCache::Plan ConvertCache::plan(const QString& source) const
{
    Plan plan;
    plan.target = targetFor(source);
    QString error;
    if (plan.target.isEmpty())
        plan.problem = QStringLiteral("A fájl nem található vagy nem olvasható.");
    else if (QFileInfo(plan.target).isFile())
        return plan;
    else if (!prepare(plan.target, &error))
        plan.problem = QStringLiteral("Az átalakított képek mappája nem használható: ") + error;
    else
        plan.part = partFor(plan.target);
    return plan;
}

QString ConvertCache::commitProblem(const QString& part, const QString& target)
{
    QString error;
    if (commit(part, target, &error))
        return {};
    return QStringLiteral("Az átalakított kép nem menthető: ") + error;
}

bool ConvertCache::commit(const QString& part, const QString& target, QString* error)
{
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) == 0)
        return true;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    QFile::remove(part);
    return false;
}

bool ConvertCache::holds(const QString& path) const
{
    return path.startsWith(m_folder + QLatin1Char('/'));
}

void ConvertCache::prune(const QSet<QString>& keep) const
{
    QDir root(m_folder);
    if (!root.exists())
        return;
    for (const QString& key : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        QDir entry(root.filePath(key));
        bool used = false;
        for (const QString& name : entry.entryList(QDir::Files | QDir::Hidden)) {
            const QString path = entry.filePath(name);
            if (!name.startsWith(kPartPrefix) && keep.contains(path))
                used = true;
            else if (!name.startsWith(kPartPrefix) || !name.contains(QStringLiteral("-%1-").arg(::getpid())))
                QFile::remove(path); // a part of this run is being written
        }
        if (!used)
            root.rmdir(key);
    }
}

} // namespace pelmar::convert
