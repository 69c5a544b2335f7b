#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelmar::convert {

// A picture that cannot be converted; what() is the Hungarian reason the
// user is shown after the file's name.
class ConvertError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What a picture may cost before it is decoded at all.
struct PictureLimits
{
    std::int64_t maxFileBytes = 256LL << 20;
    int maxSide = 16384;
    std::int64_t maxPixels = 200'000'000;
};

// HEIF's own colour description (an nclx box): the code points and the
// chromaticities libheif derives from them.
struct ColourDescription
{
    int primaries = 2; // 2: unspecified
    int transfer = 2;
    float red[2] {}, green[2] {}, blue[2] {}, white[2] {};
};

// A decoded picture: rows of interleaved R, G, B (and alpha) samples, 8 bits
// or 16 bits in the machine's byte order, packed without padding.
struct Picture
{
    int width = 0;
    int height = 0;
    int channels = 3; // 3 or 4 (alpha last)
    bool sixteen = false;
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> icc; // the embedded profile, empty when none
    std::optional<ColourDescription> nclx;
    std::vector<std::uint8_t> exif; // from the TIFF header on, empty when none
    // False for HEIF: libheif has turned the picture by its own rotation and
    // mirror boxes, and an EXIF orientation beside them must not turn it again.
    bool exifTurns = true;

    std::size_t sampleBytes() const { return sixteen ? 2 : 1; }
    std::size_t rowBytes() const { return std::size_t(width) * std::size_t(channels) * sampleBytes(); }
    std::uint8_t* row(int y) { return pixels.data() + std::size_t(y) * rowBytes(); }
    const std::uint8_t* row(int y) const { return pixels.data() + std::size_t(y) * rowBytes(); }
};

// Refuses a size over the limits (before anything is allocated for it).
void checkSize(std::int64_t width, std::int64_t height, const PictureLimits& limits);

} // namespace pelmar::convert
