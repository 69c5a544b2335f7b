#pragma once

#include <QRect>
#include <QString>

class QPainter;

namespace pelmar {

// Draws over a previewed picture what its print will look like: for "fill"
// the parts that will be cut off greyed and the cut lines drawn, for "fit"
// the white borders the print will have. pictureRect is where the picture
// was drawn, box the visible area. When the print reaches outside the box
// (a stretched picture fills it), a small diagram of the whole print is
// drawn in the box's lower right corner as well. Nothing is drawn for a size
// name without proportions. Returns whether anything was drawn.
bool DrawCropOverlay(QPainter& painter, const QRect& pictureRect, const QString& sizeName, bool fill,
                     const QRect& box = QRect());

} // namespace pelmar
