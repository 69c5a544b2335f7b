#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

namespace pelmar::jpeg {

// Largest picture (in output pixels) we are willing to decode; anything
// beyond it is refused rather than risking the memory of the whole program.
inline constexpr qint64 kMaxDecodedPixels = qint64(40) * 1000 * 1000;
// Largest memory one decode may take (picture and decoder state together):
// a full-size decode at the pixel limit, or a multi-scan picture of 24
// megapixels without chroma subsampling, still fits.
inline constexpr qint64 kMaxDecodeBytes = qint64(256) * 1024 * 1024;

// The picture's true width and height from its header. False (with the
// decoder's message in error) when the file cannot be opened or its header is
// not a JPEG header.
bool readSize(const QString& path, QSize& size, QString* error = nullptr);

// The smallest DCT scale 1/8, 1/4, 1/2 or 1/1 whose output still covers
// target in both directions; returns the denominator (8, 4, 2 or 1). An
// empty target gives 8, a target larger than the picture gives 1.
int scaleDenominatorFor(QSize pictureSize, QSize target);

// More scans than any camera or editor writes (a progressive picture has
// about ten): each scan makes the decoder walk the whole picture again, so a
// small file of tens of thousands of tiny scans would keep it busy for
// minutes. libjpeg-turbo's own tools stop at a number of scans the same way.
inline constexpr int kMaxScans = 1000;
// Longer than any real picture takes to decode on a slow machine.
inline constexpr int kMaxDecodeMillis = 20000;

// What ends a decode before its end, looked at between the scans and rows.
struct DecodeLimits
{
    int maxScans = kMaxScans;
    int maxMillis = kMaxDecodeMillis;
    // When set (by another thread), the decode gives up at once.
    const std::atomic<bool>* stop = nullptr;
};

struct Decoded
{
    QImage image; // Format_RGB32; null on failure
    QSize trueSize; // width and height from the header
    int denominator = 1;
    QString error;
};

// Decodes the file at 1/denominator of its size (denominator 1, 2, 4 or 8).
// A damaged tail, or a file cut short while it is read, is decoded as far as
// it goes (libjpeg fills the rest); only a fatal decoder error, a file that
// is not a regular file, a picture beyond kMaxDecodedPixels or
// kMaxDecodeBytes, or one that goes past the limits fails.
Decoded decode(const QString& path, int denominator, const DecodeLimits& limits = {});

// Decodes at the smallest scale that covers target.
Decoded decodeCovering(const QString& path, QSize target, const DecodeLimits& limits = {});

} // namespace pelmar::jpeg
