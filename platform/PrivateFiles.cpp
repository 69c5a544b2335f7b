#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar {

namespace {

constexpr mode_t kOthers = S_IRWXG | S_IRWXO;

// Closes a file or folder of the user's to everyone else, keeping the user's
// own bits.
void tighten(const QByteArray& path, const struct stat& st)
{
    if (st.st_uid == ::getuid() && (st.st_mode & kOthers) != 0)
        ::chmod(path.constData(), st.st_mode & S_IRWXU);
}

} // namespace

bool MakePrivateFolder(const QString& path)
{
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    const QByteArray native = QFile::encodeName(absolute);
    // Each missing folder on the way is made 0700 (the umask can only take
    // bits away).
    for (qsizetype at = 1; at <= native.size(); ++at) {
        if (at < native.size() && native[at] != '/')
            continue;
        const QByteArray part = native.left(at);
        struct stat st
        {
        };
        if (::stat(part.constData(), &st) != 0 && ::mkdir(part.constData(), S_IRWXU) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st
    {
    };
    if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if ((st.st_mode & S_ISVTX) == 0)
        tighten(native, st);
    return true;
}

void PreparePrivateDatabase(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0)
        ::close(fd);
    for (const char* side : {"", "-wal", "-shm", "-journal"}) {
        const QByteArray file = native + side;
        struct stat st
        {
        };
        if (::stat(file.constData(), &st) == 0 && S_ISREG(st.st_mode))
            tighten(file, st);
    }
}

bool IsPrivateFolder(const QString& path, bool tightenIt)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st
    {
    };
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    if ((st.st_mode & kOthers) != 0) {
        if (!tightenIt)
            return false;
        tighten(native, st);
        if (::lstat(native.constData(), &st) != 0 || (st.st_mode & kOthers) != 0)
            return false;
    }
    // The folders above it: whoever may write into one of them could move
    // this folder away and put one of their own under its name.
    char real[PATH_MAX];
    if (!::realpath(native.constData(), real))
        return false;
    QByteArray up(real);
    while (up.size() > 1) {
        up.truncate(qMax<qsizetype>(1, up.lastIndexOf('/')));
        if (::stat(up.constData(), &st) != 0)
            return false;
        if (st.st_uid != 0 && st.st_uid != ::getuid())
            return false;
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)
            return false;
    }
    return true;
}

bool IsOwnEntry(const QString& path, unsigned kind)
{
    struct stat st
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & S_IFMT) == kind
        && st.st_uid == ::getuid();
}

} // namespace pelmar
