#include "ui/preview/CropPainter.h"

#include "core/CropOverlay.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace pelmar {

namespace {

// The whole print in miniature: paper, the picture's place on it and, for
// fill, the cut-off parts outside the paper.
void drawDiagram(QPainter& painter, const QRect& pictureRect, const CropOverlay& overlay, bool fill, const QRect& box)
{
    const QRect whole = overlay.printed.united(pictureRect);
    const int maxW = std::max(40, box.width() / 4);
    const int maxH = std::max(30, box.height() / 4);
    const double scale = std::min(double(maxW) / whole.width(), double(maxH) / whole.height());
    const QPoint origin(box.right() - 8 - int(whole.width() * scale), box.bottom() - 8 - int(whole.height() * scale));
    auto map = [&](const QRect& r) {
        return QRect(origin + QPoint(int((r.left() - whole.left()) * scale), int((r.top() - whole.top()) * scale)),
                     QSize(std::max(1, int(r.width() * scale)), std::max(1, int(r.height() * scale))));
    };
    const QRect frame = map(whole).adjusted(-4, -4, 4, 4);
    painter.fillRect(frame, QColor(40, 40, 40, 200));
    painter.fillRect(map(pictureRect), QColor(110, 150, 190));
    if (fill) {
        for (const QRect& r : overlay.margins)
            painter.fillRect(map(r), QColor(60, 60, 60));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(map(overlay.printed).adjusted(0, 0, -1, -1));
    } else {
        for (const QRect& r : overlay.margins)
            painter.fillRect(map(r), Qt::white);
        painter.setPen(QPen(QColor(120, 120, 120), 1));
        painter.drawRect(map(overlay.printed).adjusted(0, 0, -1, -1));
    }
}

} // namespace

bool DrawCropOverlay(QPainter& painter, const QRect& pictureRect, const QString& sizeName, bool fill, const QRect& box)
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
    if (box.isValid() && !overlay.margins.isEmpty() && !box.contains(overlay.printed.united(pictureRect)))
        drawDiagram(painter, pictureRect, overlay, fill, box);
    painter.restore();
    return true;
}

} // namespace pelmar
