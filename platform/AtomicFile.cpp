#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace pelmar {

namespace {

const char kPrefix[] = ".pelmar-";
const char kSuffix[] = ".part";

} // namespace

QString ErrnoText(int err)
{
    return QString::fromStdString(std::generic_category().message(err));
}

AtomicFile::AtomicFile(const QString& target)
    : m_target(target)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    // Created with the mode of any new file (the umask applies), so the
    // rename needs no change of permissions afterwards.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray suffix = QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        m_path = folder + "/" + kPrefix + suffix + kSuffix;
        m_fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0 || errno != EEXIST)
            break;
    }
    if (m_fd < 0)
        m_error = errno;
}

AtomicFile::~AtomicFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && m_error == 0)
        ::unlink(m_path.constData());
}

int AtomicFile::writeAll(const char* data, qsizetype size)
{
    for (qsizetype done = 0; done < size;) {
        const ssize_t w = ::write(m_fd, data + done, size_t(size - done));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += w;
    }
    return 0;
}

int AtomicFile::commit(bool sync)
{
    if (m_fd < 0)
        return m_error ? m_error : EBADF;
    if (sync && ::fsync(m_fd) != 0) {
        const int err = errno;
        // Some special file systems cannot sync; that is no write error.
        if (err != EINVAL && err != EROFS)
            return err;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return errno;
    if (::rename(m_path.constData(), QFile::encodeName(m_target).constData()) != 0)
        return errno;
    m_committed = true;
    return 0;
}

bool WriteFileAtomic(const QString& target, const QByteArray& bytes, QString* error)
{
    auto failed = [&](int err) {
        if (error)
            *error = target + QStringLiteral(": ") + ErrnoText(err);
        return false;
    };
    AtomicFile file(target);
    if (!file.valid())
        return failed(file.error());
    if (const int err = file.writeAll(bytes.constData(), bytes.size()))
        return failed(err);
    if (const int err = file.commit(true))
        return failed(err);
    return true;
}

bool IsTemporaryFileName(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.pelmar-[0-9a-z]+\\.part$"));
    return pattern.match(fileName).hasMatch();
}

int RemoveTemporaryFiles(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return 0;
    int removed = 0;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryFileName(QFile::decodeName(entry->d_name)))
            continue;
        // Only a plain file of that name; a folder or link someone made
        // under it is not ours.
        struct stat st
        {
        };
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

} // namespace pelmar
