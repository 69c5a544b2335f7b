#pragma once

#include <QByteArray>
#include <QString>

namespace pelmar::test {

// A real baseline JPEG of width x height pixels (a smooth gradient), made with
// libjpeg. With exactBytes > 0 the file is padded after its end marker to
// exactly that many bytes (decoders ignore the tail); smaller than the
// encoded picture throws.
QByteArray makeJpeg(int width, int height, qint64 exactBytes = -1, int quality = 85);

// How a camera, a scanner or an editor may have written a JPEG.
struct JpegKind
{
    enum Colour { Rgb, Grey, Cmyk, Ycck };
    Colour colour = Rgb;
    bool progressive = false;
    bool arithmetic = false;
    bool optimized = false; // Huffman tables made for the picture
    int restartRows = 0; // a restart marker every this many MCU rows
    int lumaH = 2, lumaV = 2; // sampling of the first component: 2x2 is 4:2:0, 1x1 is 4:4:4
    QByteArray icc; // an ICC profile in APP2 segments (split when long)
    int quality = 85;
};

// The same gradient picture written that way.
QByteArray makeJpeg(int width, int height, const JpegKind& kind);

// Writes makeJpeg(...) to path (folders created); returns path.
QString writeJpeg(const QString& path, int width, int height, qint64 exactBytes = -1, int quality = 85);

// The same JPEG with the frame header (SOF) claiming other dimensions: lets a
// test have a "huge" picture without encoding its pixels.
QByteArray withDeclaredSize(QByteArray jpeg, int width, int height);

// A progressive JPEG of one gray channel (several scans), made with libjpeg.
QByteArray makeProgressiveJpeg(int width, int height);

// A multi-scan JPEG whose first scan is repeated until the file holds
// `scans` scans, then ends: each scan walks every block of the declared
// picture again, so a small file can keep a decoder busy for minutes.
QByteArray withRepeatedFirstScan(const QByteArray& jpeg, int scans);

// A JPEG start marker followed by a sparse run of zeros up to size bytes:
// gigabytes on paper, nothing on the disk. Empty when the file system takes
// no sparse files.
QString writeZerosAfterStart(const QString& path, qint64 size);

// Bytes this thread has read through read() and its kin so far (-1 when the
// system does not say), to show that a reader gave up early.
qint64 bytesReadByThisThread();

} // namespace pelmar::test
