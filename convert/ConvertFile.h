#pragma once

#include "convert/Picture.h"

#include <functional>
#include <string>

namespace pelmar::convert {

// Writes width x height rows of 8-bit sRGB (row(y, out) fills one) as the JPEG
// the lab prints: libjpeg-turbo, quality 95, full-resolution colour (4:4:4),
// the sRGB profile (APP2) and the EXIF block (APP1, when not empty), into
// the open file fd. Every write is checked; throws ConvertError.
void writeJpeg(int fd, int width, int height, const std::function<void(int, std::uint8_t*)>& row,
               const std::vector<std::uint8_t>& exifApp1);

struct Converted
{
    int width = 0;
    int height = 0;
};

// The whole conversion of one picture, as the helper runs it: reads the
// source (a regular file of at most maxFileBytes), decodes it, turns it
// upright, puts alpha onto white, converts its colours to sRGB and writes
// the JPEG to output, a new file (0600) that is flushed to the disk. A
// failure removes output and throws ConvertError (std::bad_alloc when
// memory runs out).
Converted convertFile(const std::string& source, const std::string& output, const PictureLimits& limits);

} // namespace pelmar::convert
