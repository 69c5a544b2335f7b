#include "platform/JpegDecode.h"

#include <QFile>
#include <QSysInfo>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

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

class File
{
public:
    explicit File(const QString& path)
        : m_file(std::fopen(QFile::encodeName(path).constData(), "rb"))
    {
    }
    ~File()
    {
        if (m_file)
            std::fclose(m_file);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    std::FILE* get() const { return m_file; }

private:
    std::FILE* m_file;
};

// The whole file mapped into memory: the decoder then always has the
// compressed data at hand and can stay on libjpeg-turbo's fast Huffman path
// (a small stdio buffer keeps dropping it to the slow one).
class MappedFile
{
public:
    explicit MappedFile(const QString& path)
        : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            return;
        m_size = m_file.size();
        if (m_size > 0)
            m_data = m_file.map(0, m_size);
    }
    ~MappedFile()
    {
        if (m_data)
            m_file.unmap(m_data);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    bool isOpen() const { return m_file.isOpen(); }
    const unsigned char* data() const { return m_data; }
    unsigned long size() const { return static_cast<unsigned long>(m_size); }

private:
    QFile m_file;
    uchar* m_data = nullptr;
    qint64 m_size = 0;
};

// The decompressor and its error manager, destroyed on every path.
struct Decompressor
{
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
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

int validDenominator(int d)
{
    return (d == 1 || d == 2 || d == 4 || d == 8) ? d : 1;
}

int scaled(int full, int denominator)
{
    return (full + denominator - 1) / denominator;
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
    File file(path);
    if (!file.get()) {
        if (error)
            *error = QStringLiteral("File not found");
        return false;
    }
    Decompressor d;
    // Only objects made before this point may live across the jump.
    if (setjmp(d.err.jump)) {
        if (error)
            *error = decoderMessage(reinterpret_cast<j_common_ptr>(&d.cinfo));
        return false;
    }
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    jpeg_stdio_src(&d.cinfo, file.get());
    jpeg_read_header(&d.cinfo, TRUE);
    size = QSize(int(d.cinfo.image_width), int(d.cinfo.image_height));
    return true;
}

Decoded decode(const QString& path, int denominator)
{
    Decoded out;
    out.denominator = validDenominator(denominator);
    MappedFile file(path);
    if (!file.isOpen()) {
        out.error = QStringLiteral("File not found");
        return out;
    }
    // An empty file maps to nothing; libjpeg then reports it as empty.
    static const unsigned char kNothing[1] = {0};
    Decompressor d;
    std::vector<JSAMPLE> row;
    if (setjmp(d.err.jump)) {
        out.error = decoderMessage(reinterpret_cast<j_common_ptr>(&d.cinfo));
        out.image = QImage();
        return out;
    }
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    jpeg_mem_src(&d.cinfo, file.data() ? file.data() : kNothing, file.data() ? file.size() : 0);
    jpeg_read_header(&d.cinfo, TRUE);
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
    if (w <= 0 || h <= 0 || w * h > kMaxDecodedPixels) {
        out.error = QStringLiteral("A kép túl nagy az előnézethez (%1x%2).").arg(out.trueSize.width()).arg(out.trueSize.height());
        return out;
    }
    out.image = QImage(int(w), int(h), QImage::Format_RGB32);
    if (out.image.isNull()) {
        out.error = QStringLiteral("Nincs elég memória az előnézethez.");
        return out;
    }
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
    jpeg_finish_decompress(&d.cinfo);
    return out;
}

Decoded decodeCovering(const QString& path, QSize target)
{
    QSize size;
    QString error;
    if (!readSize(path, size, &error)) {
        Decoded out;
        out.error = error;
        return out;
    }
    return decode(path, scaleDenominatorFor(size, target));
}

} // namespace pelmar::jpeg
