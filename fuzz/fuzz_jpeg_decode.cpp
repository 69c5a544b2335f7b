// Arbitrary bytes as a picture file, through what the preview does with it:
// the header read, the EXIF block (orientation and thumbnail), the scaled
// decode and the turn upright. The first byte chooses the scale (its low two
// bits) and whether the scale is found from a box to cover (the next bit), so
// every DCT scale and both ways in are reached; its fourth bit makes the list's
// thumbnail instead, from the EXIF thumbnail where it fits the picture.
#include "ScratchFile.h"
#include "platform/JpegDecode.h"
#include "platform/PictureDecoder.h"
#include "platform/PictureOrientation.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ScratchFile::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static constexpr int kDenominators[] = {1, 2, 4, 8};
    int denominator = kDenominators[data[0] & 3];
    const bool covering = data[0] & 4;
    const bool thumbnail = data[0] & 8;
    const fuzz::ScratchFile file(data + 1, size - 1, ".jpg");
    const QString path = QString::fromStdString(file.path());

    if (thumbnail) {
        // Null, or an upright RGB32 picture within the side asked for.
        const int side = pelmar::PictureDecoder::kThumbnailSide;
        const QImage t = pelmar::PictureDecoder::makeThumbnail(path, side);
        if (!t.isNull() && (t.format() != QImage::Format_RGB32 || t.width() > side || t.height() > side))
            std::abort();
        return 0;
    }

    // The EXIF block read from the file and from its bytes agree; the
    // orientation is always one of the eight.
    const pelmar::exif::PictureInfo info = pelmar::exif::readPictureInfo(path);
    const pelmar::exif::PictureInfo fromBytes
        = pelmar::exif::pictureInfoFromBytes(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    if (info.orientation < 1 || info.orientation > 8)
        std::abort();
    if (size - 1 <= 256 * 1024 && (fromBytes.orientation != info.orientation || fromBytes.thumbnail != info.thumbnail))
        std::abort();

    QSize header;
    QString headerError;
    const bool hasHeader = pelmar::jpeg::readSize(path, header, &headerError);
    if (!hasHeader && headerError.isEmpty())
        std::abort();

    pelmar::jpeg::Decoded d;
    if (covering && hasHeader) {
        // A box of the picture's size at that scale is covered by it.
        const QSize box((header.width() + denominator - 1) / denominator,
                        (header.height() + denominator - 1) / denominator);
        denominator = pelmar::jpeg::scaleDenominatorFor(header, box);
        d = pelmar::jpeg::decodeCovering(path, box);
    } else {
        d = pelmar::jpeg::decode(path, denominator);
    }
    // Failure is a null image with a reason; success is an RGB32 picture of
    // exactly the scaled header size, within the pixel guard.
    if (d.image.isNull()) {
        if (d.error.isEmpty())
            std::abort();
        return 0;
    }
    if (!hasHeader || d.trueSize != header || d.denominator != denominator)
        std::abort();
    if (d.image.format() != QImage::Format_RGB32)
        std::abort();
    const int w = (header.width() + denominator - 1) / denominator;
    const int h = (header.height() + denominator - 1) / denominator;
    if (d.image.width() != w || d.image.height() != h)
        std::abort();
    if (qint64(w) * h > pelmar::jpeg::kMaxDecodedPixels)
        std::abort();

    // Shown upright: the sides swap exactly for the quarter turns.
    if (qint64(w) * h <= 1024 * 1024) {
        const QImage upright = pelmar::exif::toUpright(d.image, info.orientation);
        if (upright.size() != pelmar::exif::uprightSize(d.image.size(), info.orientation))
            std::abort();
    }
    return 0;
}
