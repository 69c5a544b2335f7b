#include "ui/CropPainter.h"

#include "core/CropOverlay.h"

#include <QPainter>
#include <QPen>

namespace pelmar {

bool DrawCropOverlay(QPainter& painter, const QRect& pictureRect, const QString& sizeName, bool fill)
{
    const CropOverlay overlay = ComputeCropOverlay(pictureRect, sizeName, fill);
    if (!overlay.valid)
        return false;
    painter.save();
    if (fill) {
        // Dim what the lab will cut away, and mark the cut with a line that
        // shows on dark and light pictures alike.
        for (const QRect& r : overlay.margins)
            painter.fillRect(r, QColor(60, 60, 60, 170));
        if (!overlay.margins.isEmpty()) {
            QPen white(Qt::white, 1, Qt::SolidLine);
            QPen red(QColor(220, 30, 30), 1, Qt::DashLine);
            const QRect cut = overlay.printed.adjusted(0, 0, -1, -1);
            painter.setPen(white);
            painter.drawRect(cut);
            painter.setPen(red);
            painter.drawRect(cut);
        }
    } else {
        // The print is larger than the picture: its borders stay white paper.
        for (const QRect& r : overlay.margins)
            painter.fillRect(r, Qt::white);
        if (!overlay.margins.isEmpty()) {
            painter.setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
            painter.drawRect(overlay.printed.adjusted(0, 0, -1, -1));
        }
    }
    painter.restore();
    return true;
}

} // namespace pelmar
