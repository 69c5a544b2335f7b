#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>

namespace pelmar::test {

// An EXIF block ("Exif\0\0" and the TIFF structure after it) written with
// libexif: the orientation tag with the given value (none when 0 is not
// wanted: pass -1), and the thumbnail JPEG when given.
QByteArray exifBlock(int orientation, const QByteArray& thumbnail = {}, bool bigEndian = false);

// The JPEG with payload put in an APP1 segment right after its start marker.
QByteArray withApp1(const QByteArray& jpeg, const QByteArray& payload);

// A JPEG of the picture (quality 95).
QByteArray encodeJpeg(const QImage& image);

// A picture of four plain quarters, as a test recognises them after any turn
// or mirroring: red top left, green top right, blue bottom left, yellow
// bottom right.
QImage quarters(int width, int height);
inline const QColor kQuarterColours[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

// The pixels a camera stores for the upright picture under an EXIF
// orientation, built from the tag's definition (which edge of the upright
// picture the stored first row and first column are).
QImage storedFor(const QImage& upright, int orientation);

// Which quarter colour (index into kQuarterColours) the pixel is nearest to.
int quarterAt(const QImage& image, int x, int y);

} // namespace pelmar::test
