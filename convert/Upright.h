#pragma once

#include "convert/Picture.h"

namespace pelmar::convert {

// The EXIF Orientation (1..8) of an EXIF block given from its TIFF header
// on; 1 when there is none or it cannot be read.
int exifOrientation(const std::vector<std::uint8_t>& exif);

// Turns and mirrors the pixels as an EXIF Orientation says (1 changes
// nothing; 5..8 swap width and height).
void turnUpright(Picture& picture, int orientation);

// The EXIF block for the JPEG's APP1 marker ("Exif\0\0" and the TIFF data),
// read and written by libexif: everything kept (dates, camera, exposure)
// but the Orientation, which becomes 1, the thumbnail, which is dropped,
// and the pixel size, which becomes the JPEG's. Empty when there is no EXIF
// or it cannot be read, or it does not fit one marker.
std::vector<std::uint8_t> exifForJpeg(const std::vector<std::uint8_t>& exif, int width, int height);

} // namespace pelmar::convert
