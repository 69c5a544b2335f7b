// The phone picture conversion's own code: the helper's message framing, the
// EXIF orientation and its rewrite for the JPEG, an embedded profile made
// into a transform to sRGB, and the turning of the pixels. The first byte
// picks which; the rest is the input.
#include "convert/ColourToSrgb.h"
#include "convert/HelperFrame.h"
#include "convert/PictureDecode.h"
#include "convert/Upright.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

using namespace pelmar::convert;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::vector<std::uint8_t> rest(data + 1, data + size);
    switch (data[0] % 5) {
    case 0:
        try {
            const auto frame
                = decodeFrame(QByteArray(reinterpret_cast<const char*>(rest.data()), qsizetype(rest.size())));
            if (frame) {
                const auto again = decodeFrame(encodeFrame(frame->fields));
                if (!again || again->fields != frame->fields)
                    __builtin_trap();
            }
        } catch (const std::runtime_error&) {
        }
        break;
    case 1: {
        const int o = exifOrientation(rest);
        if (o < 1 || o > 8)
            __builtin_trap();
        const auto out = exifForJpeg(rest, 640, 480);
        if (!out.empty() && exifOrientation({out.begin() + 6, out.end()}) != 1)
            __builtin_trap();
        break;
    }
    case 2: {
        Picture p;
        p.width = 4;
        p.height = 1;
        p.sixteen = size % 2;
        p.icc = rest;
        p.pixels.assign(p.rowBytes(), 0x80);
        const SrgbTransform t(p);
        std::uint8_t out[12];
        t.row(p.pixels.data(), out, p.width);
        break;
    }
    case 3: {
        if (rest.size() < 3)
            break;
        Picture p;
        p.width = 1 + rest[0] % 16;
        p.height = 1 + rest[1] % 16;
        p.channels = 3 + rest[2] % 2;
        p.pixels.resize(p.rowBytes() * std::size_t(p.height));
        for (std::size_t i = 0; i < p.pixels.size(); ++i)
            p.pixels[i] = std::uint8_t(i);
        const std::size_t before = p.pixels.size();
        turnUpright(p, rest[2] % 10);
        if (p.pixels.size() != before || p.rowBytes() * std::size_t(p.height) != before)
            __builtin_trap();
        break;
    }
    default:
        try {
            PictureLimits small;
            small.maxSide = 512;
            small.maxPixels = 512 * 512;
            decodePicture(rest, small);
        } catch (const ConvertError&) {
        }
        break;
    }
    return 0;
}
