#pragma once

#include "convert/Picture.h"

namespace pelmar::convert {

enum class PictureKind { Unknown, Heif, Png, Webp };

// The kind by the file's first bytes (never by its name).
PictureKind kindOf(const std::vector<std::uint8_t>& data);

// Decodes with libheif (HEIC, HEIF, AVIF: its primary picture, turned by its
// own rotation and mirror), libpng or libwebp (the first frame). Throws
// ConvertError with the reason.
Picture decodePicture(const std::vector<std::uint8_t>& data, const PictureLimits& limits);

} // namespace pelmar::convert
