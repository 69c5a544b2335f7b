#include "ui/common/HeadingStrip.h"

#include <QPainter>

#include <cmath>

namespace pelmar {

namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

} // namespace

double relativeLuminance(const QColor& colour)
{
    const QColor c = colour.toRgb();
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

HeadingStrip::HeadingStrip(const QString& text, QPalette::ColorRole textRole, QWidget* parent)
    : QLabel(text, parent)
    , m_textRole(textRole)
{
    QFont f = font();
    f.setBold(true);
    setFont(f);
}

QColor HeadingStrip::textColour() const
{
    const QPalette& p = palette();
    QColor best = p.color(m_textRole);
    for (const QColor& c : {p.color(QPalette::Window), p.color(QPalette::WindowText)})
        if (relativeLuminance(c) > relativeLuminance(best))
            best = c;
    return best;
}

QColor HeadingStrip::stripColour() const
{
    const QColor text = textColour();
    // The palette's own grey for sunken, shaded parts; an application
    // workspace is drawn in it.
    QColor strip = palette().color(QPalette::Dark).toHsl();
    // Each step takes a twentieth of the lightness: at most 20 steps, down
    // to black, which stands out from any light text.
    const int step = std::max(1, strip.lightness() / 20);
    while (contrastRatio(strip, text) < kMinContrast && strip.lightness() > 0)
        strip.setHsl(strip.hslHue(), strip.hslSaturation(), std::max(0, strip.lightness() - step));
    return strip.toRgb();
}

void HeadingStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), stripColour());
    painter.setPen(textColour());
    painter.setFont(font());
    painter.drawText(contentsRect(), int(alignment()), text());
}

} // namespace pelmar
