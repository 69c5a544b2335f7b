#include "platform/JpegDecode.h"

#include "core/JpegFdSource.h"
#include "core/NativePath.h"
#include "core/UniqueFd.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>
// after jpeglib.h, which it builds on
#include <jerror.h>

namespace pelmar::jpeg {

namespace {

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void errorExit(j_common_ptr cinfo)
{
    auto* mgr = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(mgr->jump, 1);
}

void silence(j_common_ptr, int)
{
}

QString decoderMessage(j_common_ptr cinfo)
{
    char buffer[JMSG_LENGTH_MAX] = {};
    cinfo->err->format_message(cinfo, buffer);
    return QStringLiteral("JPEG error #%1: %2").arg(cinfo->err->msg_code).arg(QString::fromLocal8Bit(buffer));
}

// A picture file opened for the decoder. Opened without blocking and kept
// only when it is a regular file: a named pipe or a device put in a
// picture's place must neither hang the window nor feed it endless data.
class PictureFile
{
public:
    explicit PictureFile(const QString& path)
    {
        UniqueFd fd(::open(NativePath(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (!fd.valid()) {
            m_error = QStringLiteral("File not found");
            return;
        }
        struct stat st
        {
        };
        if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            m_error = QStringLiteral("File access denied");
            return;
        }
        m_fd = std::move(fd);
        m_size = qint64(st.st_size);
    }
    int fd() const { return m_fd.get(); }
    qint64 size() const { return m_size; }
    const QString& error() const { return m_error; }

private:
    UniqueFd m_fd;
    qint64 m_size = 0;
    QString m_error;
};

// The reading buffer: large for a decode, small for a header.
class SourceBuffer
{
public:
    // Never more than the file needs, never less than a fake end marker.
    SourceBuffer(const PictureFile& file, size_t largest)
        : m_fd(file.fd())
        , m_data(size_t(std::clamp<qint64>(file.size(), 4096, qint64(largest))))
    {
    }
    void attach(j_decompress_ptr cinfo, qint64 budget)
    {
        UseJpegFdSource(cinfo, m_source, m_fd, m_data.data(), m_data.size(), 0, budget);
    }
    // Lets the decoder read this many bytes more.
    void allow(qint64 more) { m_source.budget += more; }

private:
    int m_fd;
    std::vector<JOCTET> m_data;
    JpegFdSource m_source {};
};

// What a preview may read of one file: far beyond the compressed data of
// the largest picture we decode, far below a disk full of zeros.
constexpr qint64 kMaxInputBytes = qint64(128) * 1024 * 1024;
// A header is a few kilobytes once its metadata is skipped.
constexpr qint64 kMaxHeaderBytes = qint64(16) * 1024 * 1024;

struct Decompressor;

// libjpeg calls its monitor before each row of blocks it reads and each row
// it puts out: where a decode past its limits, or no longer wanted, is left.
struct ProgressHook
{
    jpeg_progress_mgr pub;
    Decompressor* owner;
};

// The decompressor and its error manager, destroyed on every path.
struct Decompressor
{
    jpeg_decompress_struct cinfo {};
    ErrorManager err {};
    ProgressHook progress {};
    DecodeLimits limits;
    QElapsedTimer clock;
    QString stopReason; // why the monitor left the decode
    bool created = false;
    Decompressor()
    {
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = errorExit;
        err.pub.emit_message = silence;
    }
    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
};

void checkProgress(j_common_ptr common)
{
    Decompressor* d = reinterpret_cast<ProgressHook*>(common->progress)->owner;
    if (d->limits.stop && d->limits.stop->load(std::memory_order_relaxed))
        d->stopReason = QStringLiteral("Az előnézet készítése megszakítva.");
    else if (d->cinfo.input_scan_number > d->limits.maxScans)
        d->stopReason = QStringLiteral("A kép több mint %1 részletben (scan) van tárolva; előnézet nem készül róla.")
                            .arg(d->limits.maxScans);
    else if (d->clock.hasExpired(d->limits.maxMillis))
        d->stopReason = QStringLiteral("A kép kibontása túl sokáig tartana; előnézet nem készül róla.");
    else
        return;
    std::longjmp(d->err.jump, 1);
}

int validDenominator(int d)
{
    return (d == 1 || d == 2 || d == 4 || d == 8) ? d : 1;
}

int scaled(int full, int denominator)
{
    return (full + denominator - 1) / denominator;
}

// The memory a decode takes at once: the picture we fill and, for a
// progressive or otherwise multi-scan file, the coefficients of every block
// of the full-size picture, which libjpeg keeps whatever the output scale
// (a 20000 x 20000 progressive file of a few kilobytes needs 800 MB).
qint64 decodeBytes(j_decompress_ptr cinfo, qint64 width, qint64 height)
{
    qint64 bytes = width * height * 4;
    if (!jpeg_has_multiple_scans(cinfo))
        return bytes;
    for (int i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info& c = cinfo->comp_info[i];
        const qint64 columns = (qint64(c.width_in_blocks) + c.h_samp_factor - 1) / c.h_samp_factor * c.h_samp_factor;
        const qint64 rows = (qint64(c.height_in_blocks) + c.v_samp_factor - 1) / c.v_samp_factor * c.v_samp_factor;
        bytes += columns * rows * qint64(sizeof(JBLOCK));
    }
    return bytes;
}

} // namespace

int scaleDenominatorFor(QSize pictureSize, QSize target)
{
    for (int d : {8, 4, 2}) {
        if (scaled(pictureSize.width(), d) >= target.width() && scaled(pictureSize.height(), d) >= target.height())
            return d;
    }
    return 1;
}

bool readSize(const QString& path, QSize& size, QString* error)
{
    PictureFile file(path);
    if (file.fd() < 0) {
        if (error)
            *error = file.error();
        return false;
    }
    SourceBuffer buffer(file, 64 * 1024);
    Decompressor d;
    // Only objects made before this point may live across the jump.
    if (setjmp(d.err.jump)) {
        if (error)
            *error = decoderMessage(reinterpret_cast<j_common_ptr>(&d.cinfo));
        return false;
    }
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    buffer.attach(&d.cinfo, kMaxHeaderBytes);
    jpeg_read_header(&d.cinfo, TRUE);
    size = QSize(int(d.cinfo.image_width), int(d.cinfo.image_height));
    return true;
}

Decoded decode(const QString& path, int denominator, const DecodeLimits& limits)
{
    Decoded out;
    out.denominator = validDenominator(denominator);
    PictureFile file(path);
    if (file.fd() < 0) {
        out.error = file.error();
        return out;
    }
    SourceBuffer buffer(file, 1024 * 1024);
    Decompressor d;
    std::vector<JSAMPLE> row;
    if (setjmp(d.err.jump)) {
        out.error = d.stopReason.isEmpty() ? decoderMessage(reinterpret_cast<j_common_ptr>(&d.cinfo)) : d.stopReason;
        out.image = QImage();
        return out;
    }
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.limits = limits;
    d.clock.start();
    d.progress.owner = &d;
    d.progress.pub.progress_monitor = checkProgress;
    d.cinfo.progress = &d.progress.pub;
    buffer.attach(&d.cinfo, kMaxHeaderBytes);
    jpeg_read_header(&d.cinfo, TRUE);
    buffer.allow(kMaxInputBytes - kMaxHeaderBytes);
    out.trueSize = QSize(int(d.cinfo.image_width), int(d.cinfo.image_height));

    d.cinfo.scale_num = 1;
    d.cinfo.scale_denom = unsigned(out.denominator);
    d.cinfo.dct_method = JDCT_ISLOW;
    if (out.denominator > 1) {
        // A reduced preview: plain upsampling is good enough and cheaper.
        d.cinfo.do_fancy_upsampling = FALSE;
        d.cinfo.do_block_smoothing = FALSE;
    }
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk) {
        d.cinfo.out_color_space = JCS_CMYK;
    } else {
#ifdef JCS_EXTENSIONS
        d.cinfo.out_color_space = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;
#else
        d.cinfo.out_color_space = JCS_RGB;
#endif
    }
    jpeg_calc_output_dimensions(&d.cinfo);
    const qint64 w = d.cinfo.output_width;
    const qint64 h = d.cinfo.output_height;
    if (w <= 0 || h <= 0 || w * h > kMaxDecodedPixels || decodeBytes(&d.cinfo, w, h) > kMaxDecodeBytes) {
        out.error = QStringLiteral("A kép túl nagy az előnézethez (%1x%2).")
                        .arg(out.trueSize.width())
                        .arg(out.trueSize.height());
        return out;
    }
    out.image = QImage(int(w), int(h), QImage::Format_RGB32);
    if (out.image.isNull()) {
        out.error = QStringLiteral("Nincs elég memória az előnézethez.");
        return out;
    }
    // The library's own bound as well, should it need more than we counted:
    // with no backing store it then fails instead of growing.
    d.cinfo.mem->max_memory_to_use = long(kMaxDecodeBytes);
    jpeg_start_decompress(&d.cinfo);
    const bool direct = !cmyk && d.cinfo.out_color_space != JCS_RGB;
    if (!direct)
        row.resize(size_t(w) * size_t(d.cinfo.output_components));
    // Adobe writes CMYK inverted; that is what nearly every CMYK JPEG is.
    const bool inverted = d.cinfo.saw_Adobe_marker;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const int y = int(d.cinfo.output_scanline);
        auto* target = reinterpret_cast<QRgb*>(out.image.scanLine(y));
        if (direct) {
            JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(target)};
            jpeg_read_scanlines(&d.cinfo, rows, 1);
            continue;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&d.cinfo, rows, 1);
        for (qint64 x = 0; x < w; ++x) {
            if (cmyk) {
                int c = row[size_t(x) * 4 + 0], m = row[size_t(x) * 4 + 1], yy = row[size_t(x) * 4 + 2],
                    k = row[size_t(x) * 4 + 3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    yy = 255 - yy;
                    k = 255 - k;
                }
                target[x] = qRgb(c * k / 255, m * k / 255, yy * k / 255);
            } else {
                target[x] = qRgb(row[size_t(x) * 3], row[size_t(x) * 3 + 1], row[size_t(x) * 3 + 2]);
            }
        }
    }
    // No jpeg_finish_decompress: it would read on to the end marker, through
    // whatever follows the last scan; every row is already here.
    return out;
}

Decoded decodeCovering(const QString& path, QSize target, const DecodeLimits& limits)
{
    QSize size;
    QString error;
    if (!readSize(path, size, &error)) {
        Decoded out;
        out.error = error;
        return out;
    }
    return decode(path, scaleDenominatorFor(size, target), limits);
}

} // namespace pelmar::jpeg
