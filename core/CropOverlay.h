#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

namespace pelmar {

// The proportions of a print size: the long side over the short side, read
// from a size name such as "9x13" or "10x15" (decimals with "." or ","
// allowed, letter case of the x ignored). None for a name without two
// positive numbers around an "x".
std::optional<double> PrintAspect(const QString& sizeName);

// What the chosen print does to a picture drawn in `picture` (the rectangle
// the preview draws it into). The print's long side follows the picture's
// long side.
struct CropOverlay
{
    bool valid = false;
    // fill: the part of the picture that will be printed; fit: the whole
    // print, picture plus its white borders.
    QRect printed;
    // fill: the parts cut off; fit: the white borders around the picture.
    QList<QRect> margins;
};

CropOverlay ComputeCropOverlay(const QRect& picture, const QString& sizeName, bool fill);

} // namespace pelmar
