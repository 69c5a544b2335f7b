#include "core/PictureCheck.h"

#include "core/AppError.h"
#include "core/JpegFdSource.h"
#include "core/NativePath.h"
#include "core/UniqueFd.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>
// after jpeglib.h, which it builds on
#include <jerror.h>

namespace pelmar {

namespace {

const QString kSuitable = QStringLiteral("A kép méretei megfelelőek a kiválaszott nagyításhoz.");

// The runtime's texts for a file that cannot be opened, as the partner's
// shop software has always shown them.
QString runtimeIoText(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("File not found");
    case EACCES:
    case EPERM:
    case EISDIR: // a folder: what the shop's system has always said of one
        return QStringLiteral("File access denied");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Too many open files");
    default:
        return QStringLiteral("I/O error %1").arg(err);
    }
}

// Opens a picture to look inside it: without blocking, and only a regular
// file. A pipe or a device under a picture's name (put there after it was
// added, or /dev/zero behind a link) is refused like a folder, so it can
// neither hang the check nor feed it endless data. Returns -1 and sets err.
int openPicture(const QString& path, int& err)
{
    const int fd = ::open(NativePath(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    struct stat st
    {
    };
    const bool measured = ::fstat(fd, &st) == 0;
    if (!measured || !S_ISREG(st.st_mode)) {
        err = measured ? EISDIR : errno; // EISDIR: "File access denied", as for a folder
        ::close(fd);
        return -1;
    }
    return fd;
}

// Opens a file for reading only, to measure it. A folder is refused like a
// locked file: it opens on Linux, but it is no file. Non-blocking, so a named
// pipe given as a picture cannot hang the add run. Returns -1 and sets err on
// failure.
int openForReading(const QString& path, int& err)
{
    const QByteArray native = NativePath(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return -1;
    }
    return fd;
}

struct JpegErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto* mgr = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(mgr->jump, 1);
}

void jpegSilence(j_common_ptr, int)
{
}

// A header is a few kilobytes once its metadata is skipped.
constexpr qint64 kMaxHeaderBytes = qint64(16) * 1024 * 1024;

// Reads only the header; returns false with the decoder's message number.
// `buffer` holds the first `firstSize` bytes of the file, already read.
bool readJpegHeader(int fd, JOCTET* buffer, size_t capacity, size_t firstSize, int& height, int& width, int& errorCode)
{
    jpeg_decompress_struct cinfo {};
    JpegErrorManager err {};
    JpegFdSource source {};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jpegErrorExit;
    err.pub.emit_message = jpegSilence;
    // Nothing with a destructor may live between setjmp and longjmp.
    if (setjmp(err.jump)) {
        errorCode = err.pub.msg_code;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    UseJpegFdSource(&cinfo, source, fd, buffer, capacity, firstSize, kMaxHeaderBytes);
    jpeg_read_header(&cinfo, TRUE);
    height = int(cinfo.image_height);
    width = int(cinfo.image_width);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

QString extensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString asciiLower(QString s)
{
    for (QChar& c : s)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return s;
}

// Recognises the non-JPEG picture kinds the loader knows, by their headers.
// Returns an empty text for a valid picture, else the loader's message.
QString checkOtherPicture(const QString& path, const QString& ext)
{
    int err = 0;
    const UniqueFd fd(openPicture(path, err));
    if (fd.get() < 0)
        return runtimeIoText(err);
    char buffer[64];
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0)
        return runtimeIoText(errno);
    const QByteArray head(buffer, qsizetype(got));
    if (ext == u"bmp" || ext == u"dib") {
        if (head.size() >= 26 && head.startsWith("BM"))
            return {};
        return QStringLiteral("Bitmap image is not valid");
    }
    if (ext == u"ico") {
        if (head.size() >= 6 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0)
            return {};
        return QStringLiteral("Icon image is not valid");
    }
    if (ext == u"gif") {
        if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
            return {};
        return QStringLiteral("Image is not a valid GIF");
    }
    // emf / wmf
    if (head.size() >= 44 && ext == u"emf" && head[0] == 1 && head[1] == 0 && head[2] == 0 && head[3] == 0
        && head.mid(40, 4) == QByteArray(" EMF"))
        return {};
    if (ext == u"wmf" && head.size() >= 4
        && (quint8(head[0]) == 0xD7 && quint8(head[1]) == 0xCD && quint8(head[2]) == 0xC6 && quint8(head[3]) == 0x9A))
        return {};
    return QStringLiteral("Metafile is not valid");
}

} // namespace

QString FileNameOf(const QString& fullPath)
{
    // Only "/" separates folders here; "\" and ":" are ordinary characters
    // of a Linux file name and stay part of it.
    return fullPath.mid(fullPath.lastIndexOf(QLatin1Char('/')) + 1);
}

qint64 GetFileSize(const QString& fullPath)
{
    int err = 0;
    const UniqueFd fd(openForReading(fullPath, err));
    if (fd.get() < 0)
        throw AppError(runtimeIoText(err));
    // Measured by seeking, like the runtime does, in 64 bits: a file of 4 GiB
    // or more must not wrap around and slip through the 50 KB rule.
    const off_t size = ::lseek(fd.get(), 0, SEEK_END);
    if (size < 0)
        throw AppError(runtimeIoText(errno));
    return qint64(size);
}

QString SizeRuleMessage(const QString& fileName)
{
    return QStringLiteral("A fájl mérete kisebb, mint 50 KB. A képet nem tudjuk elfogadni fotókidolgozásra.\n\n")
        + fileName;
}

CheckResult CheckPicture(const QString& fullPath, const TPriceData& entry)
{
    CheckResult r;
    const QString name = FileNameOf(fullPath);
    const QString ext4 = asciiLower(extensionOf(name).left(4));
    if (ext4 == u".tif") {
        r.status = StatusAccepted;
        r.resolution = QStringLiteral("Ismeretlen");
        r.info = kSuitable;
        return r;
    }

    const QString ext = asciiLower(extensionOf(name).mid(1));
    static const QStringList otherKinds = {QStringLiteral("bmp"), QStringLiteral("dib"), QStringLiteral("ico"),
                                           QStringLiteral("emf"), QStringLiteral("wmf"), QStringLiteral("gif")};
    if (ext != u"jpg" && ext != u"jpeg") {
        if (!otherKinds.contains(ext)) {
            r.info = QStringLiteral("Unknown picture file extension (.%1)").arg(extensionOf(name).mid(1));
            return r;
        }
        const QString failure = checkOtherPicture(fullPath, ext);
        r.info = failure.isEmpty()
            ? QStringLiteral("A következő fájl sérült vagy nem JPG formátumú:\n\n%1").arg(fullPath)
            : failure;
        return r;
    }

    int err = 0;
    const UniqueFd fd(openPicture(fullPath, err));
    if (fd.get() < 0) {
        r.info = runtimeIoText(err);
        return r;
    }
    // The first block is read here, so that a file that cannot be read at all
    // is told apart from one that is no JPEG.
    JOCTET buffer[4096];
    ssize_t got;
    do
        got = ::read(fd.get(), buffer, sizeof buffer);
    while (got < 0 && errno == EINTR);
    if (got < 0) {
        r.info = runtimeIoText(errno);
        return r;
    }
    int height = 0, width = 0, code = 0;
    if (!readJpegHeader(fd.get(), buffer, sizeof buffer, size_t(got), height, width, code)) {
        r.info = QStringLiteral("JPEG error #%1").arg(code);
        return r;
    }
    r.resolution = QString::number(height) + QLatin1Char('x') + QString::number(width);
    const Resolution min = SplitResolution(entry.MinRes);
    if (height >= min.A && width >= min.B) {
        r.status = StatusAccepted;
        r.info = kSuitable;
    } else {
        r.status = StatusBelowMinimum;
        r.info = QStringLiteral("A kép felbontása (%1x%2) a megengedett minimum (%3x%4) alatt van. Ennél a képnél "
                                "minőségi reklamációt nem tudunk elfogadni.")
                     .arg(height)
                     .arg(width)
                     .arg(min.A)
                     .arg(min.B);
    }
    return r;
}

} // namespace pelmar
