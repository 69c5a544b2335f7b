#include "output/FileOp.h"

#include "core/NativePath.h"
#include "core/UniqueFd.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace pelmar {

namespace fs = std::filesystem;

namespace {

// A picture's name may hold bytes that are no UTF-8; they are kept.
QByteArray nativePath(const QString& path)
{
    return NativePath(path);
}

QString errnoText(int err)
{
    return ErrnoText(err);
}

// Copies the rest of `in` into `out`: the kernel's own copy where the file
// systems allow it, then sendfile, then plain reads and writes. Returns 0 or
// an errno value.
int copyContents(int in, int out)
{
    constexpr size_t chunk = size_t(1) << 30;
    bool tryRange = true;
    bool trySendfile = true;
    for (;;) {
        if (tryRange) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
            if (n > 0)
                continue;
            if (n == 0)
                return 0;
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM
                || errno == EBADF) {
                tryRange = false;
                continue;
            }
            return errno;
        }
        if (trySendfile) {
            const ssize_t n = ::sendfile(out, in, nullptr, chunk);
            if (n > 0)
                continue;
            if (n == 0)
                return 0;
            if (errno == EINTR)
                continue;
            if (errno == EINVAL || errno == ENOSYS) {
                trySendfile = false;
                continue;
            }
            return errno;
        }
        char buffer[1 << 16];
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            done += w;
        }
    }
}

bool setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool hasWildcard(const QString& name)
{
    const QString last = QFileInfo(name).fileName();
    return last.contains(QLatin1Char('*')) || last.contains(QLatin1Char('?'));
}

} // namespace

QStringList SplitFileNames(const QString& names)
{
    QStringList out;
    for (const QString& part : names.split(QLatin1Char(';'))) {
        if (!part.isEmpty())
            out.append(part);
    }
    return out;
}

bool CopyFileAtomic(const QString& source, const QString& target, QString* error)
{
    // Opened without blocking: a FIFO put in a picture's place would
    // otherwise wait for a writer for ever, and a device could block too.
    // Only a regular file is copied; anything else is a copy error.
    UniqueFd in(::open(nativePath(source).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!in.valid())
        return setError(error, source + QStringLiteral(": ") + errnoText(errno));
    struct stat st
    {
    };
    if (::fstat(in.get(), &st) != 0)
        return setError(error, source + QStringLiteral(": ") + errnoText(errno));
    if (S_ISDIR(st.st_mode))
        return setError(error, source + QStringLiteral(": ") + errnoText(EISDIR));
    if (!S_ISREG(st.st_mode))
        return setError(error, source + QStringLiteral(": nem közönséges fájl"));
    AtomicFile temp(target);
    if (!temp.valid())
        return setError(error, target + QStringLiteral(": ") + errnoText(temp.error()));
    if (const int err = copyContents(in.get(), temp.fd()))
        return setError(error, target + QStringLiteral(": ") + errnoText(err));
    // The copy keeps the source's modification time, as a shell copy does:
    // the lab sorts the pictures by it.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(temp.fd(), times) != 0)
        return setError(error, target + QStringLiteral(": ") + errnoText(errno));
    if (const int err = temp.commit(false))
        return setError(error, target + QStringLiteral(": ") + errnoText(err));
    return true;
}

TFileOperation::TFileOperation(QObject* owner)
    : QObject(owner)
{
}

void TFileOperation::setActive(bool active)
{
    if (active)
        Execute();
}

bool TFileOperation::confirm(const QString& question) const
{
    return m_prompt && m_prompt->confirm(question);
}

void TFileOperation::fail(const QString& why)
{
    if (m_lastError.isEmpty())
        m_lastError = why;
}

QStringList TFileOperation::expandSources(bool& ok)
{
    ok = true;
    QStringList out;
    for (const QString& name : m_from) {
        if (m_literal || !hasWildcard(name)) {
            out.append(name);
            continue;
        }
        const QFileInfo info(name);
        QDir::Filters filter = QDir::Files | QDir::Hidden | QDir::System;
        if (!m_flags.testFlag(fofFilesOnly))
            filter |= QDir::Dirs | QDir::NoDotAndDotDot;
        const QDir dir(info.path());
        const QStringList matches = dir.entryList({info.fileName()}, filter, QDir::Name);
        if (matches.isEmpty()) {
            fail(name + QStringLiteral(": ") + errnoText(ENOENT));
            ok = false;
        }
        for (const QString& m : matches)
            out.append(dir.filePath(m));
    }
    return out;
}

bool TFileOperation::makeFolderFor(const QString& target)
{
    const QString folder = QFileInfo(target).absolutePath();
    struct stat st
    {
    };
    if (::stat(nativePath(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    std::error_code ec;
    if (!m_flags.testFlag(fofNoConfirmMkDir)
        && !confirm(QStringLiteral("A(z) \"%1\" mappa nem létezik.\nLétrehozza?").arg(folder))) {
        m_aborted = true;
        fail(folder + QStringLiteral(": a mappa létrehozása megszakítva"));
        return false;
    }
    fs::create_directories(fs::path(nativePath(folder).toStdString()), ec);
    if (ec) {
        fail(folder + QStringLiteral(": ") + QString::fromStdString(ec.message()));
        return false;
    }
    return true;
}

// Decides what happens to an existing target; false skips this file.
bool TFileOperation::prepareTarget(QString& target)
{
    // Replacing without a question needs no look: the rename replaces a
    // file and refuses a folder.
    if (m_flags.testFlag(fofNoConfirmation) && !m_flags.testFlag(fofRenameOnCollision))
        return true;
    const QFileInfo info(target);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (m_flags.testFlag(fofRenameOnCollision)) {
        const QString base = info.completeBaseName();
        const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
        for (int n = 2;; ++n) {
            const QString candidate = info.dir().filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix));
            if (!QFileInfo::exists(candidate)) {
                target = candidate;
                return true;
            }
        }
    }
    if (!m_flags.testFlag(fofNoConfirmation)
        && !confirm(QStringLiteral("A(z) \"%1\" fájl már létezik.\nLecseréli?").arg(target))) {
        m_aborted = true;
        return false;
    }
    return true;
}

bool TFileOperation::copyOne(const QString& from, QString to)
{
    // Nothing is created for a source that cannot be copied.
    struct stat st
    {
    };
    if (::stat(nativePath(from).constData(), &st) != 0) {
        fail(from + QStringLiteral(": ") + errnoText(errno));
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        fail(from + QStringLiteral(": ") + errnoText(EISDIR));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        fail(from + QStringLiteral(": nem közönséges fájl"));
        return false;
    }
    if (!prepareTarget(to))
        return true; // skipped by the user: Aborted tells
    if (!makeFolderFor(to))
        return false;
    QString error;
    if (!CopyFileAtomic(from, to, &error)) {
        fail(error);
        return false;
    }
    return true;
}

bool TFileOperation::moveOne(const QString& from, QString to)
{
    const QFileInfo source(from);
    if (!source.exists() && !source.isSymLink()) {
        fail(from + QStringLiteral(": ") + errnoText(ENOENT));
        return false;
    }
    if (!prepareTarget(to))
        return true;
    if (!makeFolderFor(to))
        return false;
    if (::rename(nativePath(from).constData(), nativePath(to).constData()) == 0)
        return true;
    const int err = errno;
    if (err != EXDEV || !source.isFile()) {
        fail(from + QStringLiteral(": ") + errnoText(err));
        return false;
    }
    // Another file system: copy, then remove the original only once the copy
    // is complete under its name.
    QString error;
    if (!CopyFileAtomic(from, to, &error)) {
        fail(error);
        return false;
    }
    if (::unlink(nativePath(from).constData()) != 0) {
        fail(from + QStringLiteral(": ") + errnoText(errno));
        return false;
    }
    return true;
}

bool TFileOperation::deleteOne(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        fail(path + QStringLiteral(": ") + errnoText(ENOENT));
        return false;
    }
    if (m_flags.testFlag(fofAllowUndo)) {
        if (QFile::moveToTrash(path))
            return true;
        fail(path + QStringLiteral(": a fájl nem helyezhető a kukába"));
        return false;
    }
    std::error_code ec;
    fs::remove_all(fs::path(nativePath(path).toStdString()), ec);
    if (ec) {
        fail(path + QStringLiteral(": ") + QString::fromStdString(ec.message()));
        return false;
    }
    return true;
}

bool TFileOperation::Execute()
{
    m_aborted = false;
    m_lastError.clear();

    bool ok = true;
    const QStringList sources = expandSources(ok);
    if (!ok)
        return false;
    if (sources.isEmpty()) {
        fail(QStringLiteral("nincs megadva forrásfájl"));
        return false;
    }

    QList<Pair> pairs;
    if (m_operation == foDelete) {
        for (const QString& s : sources)
            pairs.append({s, QString()});
    } else if (m_flags.testFlag(fofMultiDestFiles) || (sources.size() == 1 && m_to.size() == 1)) {
        // One destination per source, each the full name of the result.
        if (m_to.size() != sources.size()) {
            fail(QStringLiteral("a forrás- és célnevek száma eltér"));
            return false;
        }
        for (int i = 0; i < sources.size(); ++i)
            pairs.append({sources[i], m_to[i]});
    } else {
        // Several sources into one folder, each under its own name.
        if (m_to.size() != 1) {
            fail(QStringLiteral("több forrásnévhez egy célmappa adható meg"));
            return false;
        }
        const QDir folder(m_to.first());
        for (const QString& s : sources)
            pairs.append({s, folder.filePath(QFileInfo(s).fileName())});
    }

    // Progress only for a run that may show it; the prompt is told of the end
    // however the run leaves.
    FileOpPrompt* const progress = m_flags.testFlag(fofSilent) ? nullptr : m_prompt;
    struct ProgressEnd
    {
        FileOpPrompt* prompt;
        ~ProgressEnd()
        {
            if (prompt)
                prompt->progressEnded();
        }
    };
    if (progress)
        progress->progressStarted(m_progressTitle, int(pairs.size()));
    const ProgressEnd progressEnd {progress};

    for (int i = 0; i < pairs.size(); ++i) {
        if (progress) {
            const QString name = m_flags.testFlag(fofSimpleProgress) ? QString() : QFileInfo(pairs[i].from).fileName();
            if (!progress->progressStep(i, name)) {
                m_aborted = true;
                return false;
            }
        }
        bool done = false;
        switch (m_operation) {
        case foCopy:
            done = copyOne(pairs[i].from, pairs[i].to);
            break;
        case foMove:
        case foRename:
            done = moveOne(pairs[i].from, pairs[i].to);
            break;
        case foDelete:
            done = deleteOne(pairs[i].from);
            break;
        }
        if (!done)
            return false;
    }
    return true;
}

} // namespace pelmar
