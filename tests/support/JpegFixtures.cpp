#include "tests/support/JpegFixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>
#include <unistd.h>

namespace pelmar::test {

QByteArray makeJpeg(int width, int height, qint64 exactBytes, int quality)
{
    JpegKind kind;
    kind.quality = quality;
    QByteArray out = makeJpeg(width, height, kind);
    if (exactBytes > 0) {
        if (exactBytes < out.size())
            throw std::runtime_error("JPEG fixture larger than the requested byte count");
        out.append(QByteArray(exactBytes - out.size(), '\0'));
    }
    return out;
}

QByteArray makeJpeg(int width, int height, const JpegKind& kind)
{
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr jerr {};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    jpeg_mem_dest(&cinfo, &mem, &memSize);
    const bool cmyk = kind.colour == JpegKind::Cmyk || kind.colour == JpegKind::Ycck;
    const int components = kind.colour == JpegKind::Grey ? 1 : cmyk ? 4 : 3;
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (kind.colour == JpegKind::Ycck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    jpeg_set_quality(&cinfo, kind.quality, TRUE);
    if (components > 1) {
        cinfo.comp_info[0].h_samp_factor = kind.lumaH;
        cinfo.comp_info[0].v_samp_factor = kind.lumaV;
    }
    if (kind.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.arith_code = kind.arithmetic ? TRUE : FALSE;
    cinfo.optimize_coding = kind.optimized ? TRUE : FALSE;
    cinfo.restart_in_rows = kind.restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    if (!kind.icc.isEmpty())
        jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET*>(kind.icc.constData()),
                               unsigned(kind.icc.size()));
    std::vector<unsigned char> row(size_t(width) * size_t(components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            const int values[4] = {(x * 255) / (width > 1 ? width - 1 : 1), (y * 255) / (height > 1 ? height - 1 : 1),
                                   ((x / 16 + y / 16) % 2) * 120 + 60, (x + y) % 256};
            for (int c = 0; c < components; ++c)
                row[size_t(x) * size_t(components) + size_t(c)] = static_cast<unsigned char>(values[c]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(mem), qsizetype(memSize));
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

QString writeJpeg(const QString& path, int width, int height, qint64 exactBytes, int quality)
{
    const QByteArray bytes = makeJpeg(width, height, exactBytes, quality);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write JPEG fixture");
    return path;
}

QByteArray withDeclaredSize(QByteArray jpeg, int width, int height)
{
    // Walk the marker segments to the first SOFn and patch its height/width.
    qsizetype i = 2;
    while (i + 9 < jpeg.size()) {
        if (quint8(jpeg[i]) != 0xFF)
            break;
        const quint8 marker = quint8(jpeg[i + 1]);
        const int len = (quint8(jpeg[i + 2]) << 8) | quint8(jpeg[i + 3]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            jpeg[i + 5] = char((height >> 8) & 0xFF);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char((width >> 8) & 0xFF);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
        i += 2 + len;
    }
    throw std::runtime_error("no frame header in JPEG fixture");
}

QByteArray makeProgressiveJpeg(int width, int height)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = uchar((x * 7 + y * 3) & 0xFF);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    if (!writer.write(image))
        throw std::runtime_error("cannot encode a progressive JPEG fixture");
    return bytes;
}

QByteArray withRepeatedFirstScan(const QByteArray& jpeg, int scans)
{
    // The segments up to the first start of scan (SOS), then the scan: its
    // header and its data, up to the first marker that is neither a stuffed
    // zero nor a restart marker.
    auto length = [&](qsizetype at) { return qsizetype((quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3])); };
    qsizetype start = 2;
    while (start + 4 < jpeg.size() && quint8(jpeg[start + 1]) != 0xDA)
        start += 2 + length(start);
    qsizetype end = start + 2 + length(start);
    while (end + 1 < jpeg.size()
           && !(quint8(jpeg[end]) == 0xFF && jpeg[end + 1] != 0 && (quint8(jpeg[end + 1]) & 0xF8) != 0xD0))
        ++end;
    if (end + 1 >= jpeg.size())
        throw std::runtime_error("no scan in JPEG fixture");
    return jpeg.left(start) + jpeg.mid(start, end - start).repeated(scans) + QByteArray("\xFF\xD9", 2);
}

QString writeZerosAfterStart(const QString& path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write("\xFF\xD8", 2) != 2)
        return {};
    f.close();
    if (::truncate(QFile::encodeName(path).constData(), off_t(size)) != 0)
        return {};
    return path;
}

qint64 bytesReadByThisThread()
{
    QFile io(QStringLiteral("/proc/thread-self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace pelmar::test
