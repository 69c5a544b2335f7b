#include "core/CropOverlay.h"

#include <QRegularExpression>

#include <cmath>

namespace pelmar {

std::optional<double> PrintAspect(const QString& sizeName)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d+(?:[.,]\\d+)?)\\s*[xX]\\s*(\\d+(?:[.,]\\d+)?)"));
    const QRegularExpressionMatch m = re.match(sizeName);
    if (!m.hasMatch())
        return std::nullopt;
    const double a = m.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    const double b = m.captured(2).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    if (!(a > 0) || !(b > 0))
        return std::nullopt;
    return std::max(a, b) / std::min(a, b);
}

CropOverlay ComputeCropOverlay(const QRect& picture, const QString& sizeName, bool fill)
{
    CropOverlay out;
    const std::optional<double> aspect = PrintAspect(sizeName);
    if (!aspect || picture.width() <= 0 || picture.height() <= 0)
        return out;
    out.valid = true;
    const bool landscape = picture.width() >= picture.height();
    // Width over height of the print, turned like the picture.
    const double printRatio = landscape ? *aspect : 1.0 / *aspect;
    const double w = picture.width();
    const double h = picture.height();
    const double pictureRatio = w / h;

    if (fill) {
        // The largest rectangle of the print's proportions inside the picture.
        double pw = w, ph = h;
        if (pictureRatio > printRatio)
            pw = h * printRatio;
        else
            ph = w / printRatio;
        const int iw = int(std::lround(pw));
        const int ih = int(std::lround(ph));
        const int x = picture.left() + (picture.width() - iw) / 2;
        const int y = picture.top() + (picture.height() - ih) / 2;
        out.printed = QRect(x, y, iw, ih);
        if (iw < picture.width()) {
            out.margins.append(QRect(picture.left(), picture.top(), x - picture.left(), picture.height()));
            out.margins.append(QRect(x + iw, picture.top(), picture.right() - (x + iw) + 1, picture.height()));
        } else if (ih < picture.height()) {
            out.margins.append(QRect(picture.left(), picture.top(), picture.width(), y - picture.top()));
            out.margins.append(QRect(picture.left(), y + ih, picture.width(), picture.bottom() - (y + ih) + 1));
        }
    } else {
        // The smallest rectangle of the print's proportions around the picture.
        double pw = w, ph = h;
        if (pictureRatio > printRatio)
            ph = w / printRatio;
        else
            pw = h * printRatio;
        const int iw = int(std::lround(pw));
        const int ih = int(std::lround(ph));
        const int x = picture.left() - (iw - picture.width()) / 2;
        const int y = picture.top() - (ih - picture.height()) / 2;
        out.printed = QRect(x, y, iw, ih);
        if (iw > picture.width()) {
            out.margins.append(QRect(x, y, picture.left() - x, ih));
            out.margins.append(QRect(picture.right() + 1, y, x + iw - picture.right() - 1, ih));
        } else if (ih > picture.height()) {
            out.margins.append(QRect(x, y, iw, picture.top() - y));
            out.margins.append(QRect(x, picture.bottom() + 1, iw, y + ih - picture.bottom() - 1));
        }
    }
    // A margin of no width is no margin.
    out.margins.removeIf([](const QRect& r) { return r.width() <= 0 || r.height() <= 0; });
    return out;
}

} // namespace pelmar
