// make_samples [FOLDER]                     the sample pictures for a newcomer
// make_samples --series FOLDER COUNT MIN_MP MAX_MP [QUALITY]
//                                           COUNT JPEGs of MIN..MAX megapixels
// make_samples --one FILE WIDTH HEIGHT [QUALITY]
//                                           one JPEG of exactly that size
//
// Every picture is drawn and encoded here with libjpeg; nothing is copied.
#include "bench/support/JpegWriter.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace pelmar::bench;

namespace {

constexpr qint64 kFiftyKb = 51200;

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void put16(QByteArray& b, int v)
{
    b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& b, quint32 v)
{
    put16(b, int(v & 0xFFFF));
    put16(b, int(v >> 16));
}

// A baseline uncompressed RGB TIFF, little-endian, one strip.
QByteArray makeTiff(int width, int height)
{
    const quint32 pixels = quint32(width) * quint32(height) * 3;
    const int entries = 10;
    const quint32 ifdOffset = 8;
    const quint32 ifdSize = 2 + entries * 12 + 4;
    const quint32 bitsOffset = ifdOffset + ifdSize;
    const quint32 dataOffset = bitsOffset + 6;
    QByteArray b("II*\0", 4);
    put32(b, ifdOffset);
    put16(b, entries);
    auto entry = [&](int tag, int type, quint32 count, quint32 value) {
        put16(b, tag);
        put16(b, type);
        put32(b, count);
        if (type == 3 && count == 1) {
            put16(b, int(value));
            put16(b, 0);
        } else {
            put32(b, value);
        }
    };
    entry(256, 4, 1, quint32(width)); // ImageWidth
    entry(257, 4, 1, quint32(height)); // ImageLength
    entry(258, 3, 3, bitsOffset); // BitsPerSample 8,8,8
    entry(259, 3, 1, 1); // no compression
    entry(262, 3, 1, 2); // RGB
    entry(273, 4, 1, dataOffset); // StripOffsets
    entry(277, 3, 1, 3); // SamplesPerPixel
    entry(278, 4, 1, quint32(height)); // RowsPerStrip
    entry(279, 4, 1, pixels); // StripByteCounts
    entry(284, 3, 1, 1); // chunky
    put32(b, 0); // no next IFD
    put16(b, 8);
    put16(b, 8);
    put16(b, 8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.append(char(x * 255 / width)).append(char(y * 255 / height)).append(char(128));
    return b;
}

// A JPEG that passes the 50 KB rule: more grain until it is large enough.
bool writeLargeEnough(const QString& path, int w, int h, unsigned seed)
{
    for (int noise = 8; noise <= 128; noise *= 2) {
        if (!writeJpegFile(path, w, h, 85, noise, seed))
            return false;
        if (fileSize(path) > kFiftyKb)
            return true;
    }
    std::fprintf(stderr, "make_samples: %s stays under 50 KB\n", qPrintable(path));
    return false;
}

int makeSampleSet(const QString& folder)
{
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "make_samples: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    struct Sample
    {
        const char* name;
        int w, h;
    };
    // Landscape and portrait, several at or below the usual minimum of
    // 1000 x 1500 (height x width for the check), and awkward names.
    const Sample samples[] = {
        {"01_fekvo_4000x3000.jpg", 4000, 3000},
        {"02_allo_3000x4000.jpg", 3000, 4000},
        {"03_fekvo_3000x2000.JPG", 3000, 2000},
        {"04_allo_2000x3000.jpg", 2000, 3000},
        {"05_fekvo_pont_minimum_1500x1000.jpg", 1500, 1000},
        {"06_allo_1000x1500.jpg", 1000, 1500},
        {"07_allo_1200x1800_minimum_alatt.jpg", 1200, 1800},
        {"08_kicsi_1024x768.jpeg", 1024, 768},
        {"09_kicsi_800x600.jpg", 800, 600},
        {"10 nyári kép;strand.jpg", 2592, 1944},
        {"11_árvíztűrő tükörfúrógép.v2.jpg", 1944, 2592},
        {"12_nagy_6000x4000.jpg", 6000, 4000},
    };
    unsigned seed = 1;
    for (const Sample& s : samples)
        if (!writeLargeEnough(folder + '/' + QString::fromUtf8(s.name), s.w, s.h, seed++))
            return 1;

    // Under 50 KB: refused by the size rule when added.
    const QString small = folder + QStringLiteral("/13_50KB_alatt.jpg");
    if (!writeJpegFile(small, 640, 480, 50, 0, 99) || fileSize(small) >= kFiftyKb) {
        std::fprintf(stderr, "make_samples: %s is not under 50 KB\n", qPrintable(small));
        return 1;
    }
    // Accepted as TIFF without looking inside.
    if (!writeBytes(folder + QStringLiteral("/14_tiff_kep.tif"), makeTiff(200, 150)))
        return 1;
    // Named .jpg, large enough, but no JPEG: refused with the decoder's error.
    QByteArray text;
    while (text.size() < 60000)
        text.append("Ez nem JPEG kép, csak szöveg .jpg kiterjesztéssel.\n");
    if (!writeBytes(folder + QStringLiteral("/15_nem_jpeg.jpg"), text))
        return 1;
    std::printf("%s\n", qPrintable(QDir(folder).absolutePath()));
    return 0;
}

int makeSeries(const QString& folder, int count, double minMp, double maxMp, int quality)
{
    if (!QDir().mkpath(folder) || count <= 0 || minMp <= 0 || maxMp < minMp)
        return 2;
    unsigned state = 12345;
    auto random01 = [&state] {
        state = state * 1103515245u + 12345u;
        return double((state >> 8) & 0xFFFF) / 65535.0;
    };
    const double ratios[] = {3.0 / 2.0, 4.0 / 3.0, 16.0 / 9.0};
    for (int i = 0; i < count; ++i) {
        const double mp = minMp + (maxMp - minMp) * random01();
        const double ratio = ratios[i % 3];
        int w = int(std::sqrt(mp * 1e6 * ratio));
        int h = int(mp * 1e6 / w);
        if (i % 2)
            std::swap(w, h); // every other one portrait
        const QString path = QStringLiteral("%1/img%2.jpg").arg(folder).arg(i, 5, 10, QLatin1Char('0'));
        if (!writeJpegFile(path, w, h, quality, 6, unsigned(i)))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--series") == 0) {
        if (argc < 6)
            return 2;
        return makeSeries(QFile::decodeName(argv[2]), std::atoi(argv[3]), std::atof(argv[4]), std::atof(argv[5]),
                          argc > 6 ? std::atoi(argv[6]) : 40);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--one") == 0) {
        if (argc < 5)
            return 2;
        return writeJpegFile(QFile::decodeName(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                             argc > 5 ? std::atoi(argv[5]) : 75, 6, 7)
            ? 0
            : 1;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr,
                     "usage: make_samples [FOLDER]\n"
                     "       make_samples --series FOLDER COUNT MIN_MP MAX_MP [QUALITY]\n"
                     "       make_samples --one FILE WIDTH HEIGHT [QUALITY]\n");
        return 2;
    }
    return makeSampleSet(argc == 2 ? QFile::decodeName(argv[1]) : QStringLiteral("samples"));
}
