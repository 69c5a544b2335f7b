#include "delivery/OrderFolder.h"

#include "core/SizeName.h"
#include "core/Texts.h"
#include "core/UniqueFd.h"
#include "output/OrderNames.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar {

namespace {

struct Entry
{
    QString name;
    struct stat st;
};

QString quoted(const QString& relativePath)
{
    return QLatin1Char('"') + relativePath + QLatin1Char('"');
}

QString kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return QStringLiteral("szimbolikus link");
    if (S_ISFIFO(mode))
        return QStringLiteral("FIFO (névvel ellátott cső)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("eszközfájl");
    if (S_ISSOCK(mode))
        return QStringLiteral("socket");
    if (S_ISDIR(mode))
        return QStringLiteral("mappa");
    return QStringLiteral("nem közönséges fájl");
}

// The entries of an open folder, by name, each examined without following
// it. A name that is not what decoding it gives back (not valid in the file
// name encoding) is kept under its decoded form and refused by its caller as
// no part of the order.
bool listFolder(int dirFd, QList<Entry>& entries, int& err)
{
    const int listFd = ::dup(dirFd);
    if (listFd < 0) {
        err = errno;
        return false;
    }
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        err = errno;
        ::close(listFd);
        return false;
    }
    ::rewinddir(dir);
    errno = 0;
    while (const dirent* d = ::readdir(dir)) {
        const QByteArray raw(d->d_name);
        if (raw == "." || raw == "..")
            continue;
        Entry e;
        e.name = QFile::decodeName(raw);
        if (QFile::encodeName(e.name) != raw)
            e.name += QChar(QChar::ReplacementCharacter); // never an order name
        if (::fstatat(dirFd, raw.constData(), &e.st, AT_SYMLINK_NOFOLLOW) != 0) {
            err = errno;
            ::closedir(dir);
            return false;
        }
        entries.append(e);
        errno = 0;
    }
    err = errno;
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return err == 0;
}

class Checker
{
public:
    OrderFolderCheck run(const QString& folder);

private:
    // A file the order needs: a regular file that opens for reading.
    bool takeFile(int dirFd, const Entry& e, const QString& relativePath);
    bool checkGroup(int dirFd, const Entry& e);
    bool fail(const QString& problem)
    {
        m_result.problem = problem;
        return false;
    }

    OrderFolderCheck m_result;
    int m_pictures = 0;
};

bool Checker::takeFile(int dirFd, const Entry& e, const QString& relativePath)
{
    if (!S_ISREG(e.st.st_mode))
        return fail(
            QStringLiteral("%1 nem közönséges fájl, hanem %2.").arg(quoted(relativePath), kindOf(e.st.st_mode)));
    // Opened to see that it can be read, and to be sure the name still leads
    // to the file just examined and not to a link or FIFO put in its place.
    const UniqueFd fd(::openat(dirFd, QFile::encodeName(e.name).constData(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) {
        const int err = errno;
        if (err == ELOOP)
            return fail(QStringLiteral("%1 nem közönséges fájl, hanem %2.").arg(quoted(relativePath), kindOf(S_IFLNK)));
        return fail(QStringLiteral("%1 nem olvasható: %2.").arg(quoted(relativePath), ErrnoText(err)));
    }
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return fail(QStringLiteral("%1 nem olvasható: %2.").arg(quoted(relativePath), ErrnoText(errno)));
    if (!S_ISREG(st.st_mode) || st.st_ino != e.st.st_ino || st.st_dev != e.st.st_dev)
        return fail(QStringLiteral("%1 megváltozott az ellenőrzés közben.").arg(quoted(relativePath)));
    m_result.files.append({relativePath, qint64(st.st_size)});
    return true;
}

bool Checker::checkGroup(int dirFd, const Entry& group)
{
    const UniqueFd fd(
        ::openat(dirFd, QFile::encodeName(group.name).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid())
        return fail(QStringLiteral("a(z) %1 mappa nem olvasható: %2.").arg(quoted(group.name), ErrnoText(errno)));
    QList<Entry> entries;
    int err = 0;
    if (!listFolder(fd.get(), entries, err))
        return fail(QStringLiteral("a(z) %1 mappa nem olvasható: %2.").arg(quoted(group.name), ErrnoText(err)));
    for (const Entry& e : std::as_const(entries)) {
        if (IsTemporaryFileName(e.name))
            continue;
        const QString path = group.name + QLatin1Char('/') + e.name;
        if (!IsOrderPictureName(e.name))
            return fail(QStringLiteral("%1 nem része a megrendelésnek.").arg(quoted(path)));
        if (!takeFile(fd.get(), e, path))
            return false;
        ++m_pictures;
    }
    return true;
}

OrderFolderCheck Checker::run(const QString& folder)
{
    const UniqueFd fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        const int err = errno;
        fail(err == ENOENT        ? QStringLiteral("a mappa nem található.")
                 : err == ENOTDIR ? QStringLiteral("ez nem mappa.")
                                  : QStringLiteral("a mappa nem olvasható: %1.").arg(ErrnoText(err)));
        return m_result;
    }
    QList<Entry> entries;
    int err = 0;
    if (!listFolder(fd.get(), entries, err)) {
        fail(QStringLiteral("a mappa nem olvasható: %1.").arg(ErrnoText(err)));
        return m_result;
    }

    // A build that did not reach its end is the likeliest fault, and the one
    // that says most: told before anything else.
    const QStringList own = {kOrderTextFileName, kOrderPrintoutFileName, kSummaryPrintoutFileName};
    for (const QString& name : own) {
        const bool present
            = std::any_of(entries.cbegin(), entries.cend(), [&](const Entry& e) { return e.name == name; });
        if (!present) {
            fail(QStringLiteral("hiányzik belőle a(z) %1 fájl, vagyis a megrendelés összeállítása nem fejeződött be "
                                "(például megtelt a lemez). Állítsa össze újra a megrendelést.")
                     .arg(name));
            return m_result;
        }
    }

    bool ok = true;
    for (const Entry& e : std::as_const(entries)) {
        if (IsTemporaryFileName(e.name))
            continue;
        if (own.contains(e.name))
            ok = takeFile(fd.get(), e, e.name);
        else if (IsGroupFolderName(e.name))
            ok = S_ISDIR(e.st.st_mode)
                ? checkGroup(fd.get(), e)
                : fail(QStringLiteral("%1 nem mappa, hanem %2.")
                           .arg(quoted(e.name), S_ISREG(e.st.st_mode) ? QStringLiteral("fájl") : kindOf(e.st.st_mode)));
        else
            ok = fail(QStringLiteral("%1 nem része a megrendelésnek.").arg(quoted(e.name)));
        if (!ok)
            break;
    }
    if (ok && m_pictures == 0)
        fail(QStringLiteral("nincs benne egyetlen kép sem."));
    if (ok && m_result.complete()) {
        for (const OrderFolderFile& f : std::as_const(m_result.files)) {
            if (f.relativePath == kOrderTextFileName && f.size == 0) {
                fail(QStringLiteral("a(z) %1 fájl üres.").arg(kOrderTextFileName));
                break;
            }
        }
    }
    if (!m_result.complete())
        m_result.files.clear();
    else
        std::sort(m_result.files.begin(), m_result.files.end(),
                  [](const OrderFolderFile& a, const OrderFolderFile& b) { return a.relativePath < b.relativePath; });
    return m_result;
}

} // namespace

OrderFolderCheck checkOrderFolder(const QString& folder)
{
    return Checker().run(folder);
}

std::optional<QString> incompleteOrderFolderReason(const QString& folder)
{
    OrderFolderCheck check = checkOrderFolder(folder);
    if (check.complete())
        return std::nullopt;
    return check.problem;
}

} // namespace pelmar
