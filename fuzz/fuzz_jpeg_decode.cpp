// Arbitrary bytes as a picture file, through the preview decoder: the header
// read and the scaled decode. The first byte chooses the scale, so every DCT
// scale is reached.
#include "ScratchFile.h"
#include "platform/JpegDecode.h"

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
    const int denominator = kDenominators[data[0] & 3];
    const fuzz::ScratchFile file(data + 1, size - 1, ".jpg");
    const QString path = QString::fromStdString(file.path());

    QSize header;
    QString headerError;
    const bool hasHeader = pelmar::jpeg::readSize(path, header, &headerError);
    if (!hasHeader && headerError.isEmpty())
        std::abort();

    const pelmar::jpeg::Decoded d = pelmar::jpeg::decode(path, denominator);
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
    return 0;
}
