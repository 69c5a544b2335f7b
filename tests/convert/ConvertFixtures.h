#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace pelmar::test {

using Rgb = std::array<int, 3>;

// Profiles made with Little CMS from the published primaries.
std::vector<std::uint8_t> displayP3Profile();
std::vector<std::uint8_t> adobeRgbProfile();

// What Little CMS itself makes of one colour of the profile in sRGB (8 bits
// out; 16 bits in when sixteen).
Rgb lcmsToSrgb(const std::vector<std::uint8_t>& profile, const std::array<int, 3>& colour, bool sixteen = false);

// An EXIF block from its TIFF header on, with Orientation, DateTimeOriginal
// and Model, written with libexif.
std::vector<std::uint8_t> exifWith(int orientation, const char* date, const char* model);

// A picture of four plain quarters (top left, top right, bottom left, bottom
// right), channels 3 or 4, 8 or 16 bits per sample (little-endian).
struct Quarters
{
    int width = 32;
    int height = 24;
    std::array<std::array<int, 4>, 4> colours {}; // RGBA per quarter, in the sample range
    bool alpha = false;
    bool sixteen = false;
    int grain = 0; // +- this much noise on every sample (8 bits), so a JPEG of it is not tiny
    std::vector<std::uint8_t> pixels() const;
};

// A HEIC made with libheif's HEVC encoder (lossless, 4:4:4), stored as it
// is and shown turned by irot/imir for orientation (EXIF values, 1 none).
QByteArray makeHeic(const Quarters& q, const std::vector<std::uint8_t>& icc, int orientation,
                    const std::vector<std::uint8_t>& exif);
// A PNG made with libpng, with an iCCP and an eXIf chunk when given.
QByteArray makePng(const Quarters& q, const std::vector<std::uint8_t>& icc, const std::vector<std::uint8_t>& exif);
// A lossless WebP made with libwebp (no alpha).
QByteArray makeWebp(const Quarters& q);

} // namespace pelmar::test
