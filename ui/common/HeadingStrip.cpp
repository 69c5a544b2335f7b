#include "ui/common/HeadingStrip.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pelmar {

namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

// Red on the light grey of a window has always stood at about 3.5:1.
constexpr double kKeptContrast = 3.0;

// Keeps a label's text colour readable on its ground as palettes change.
class ReadableTextColour : public QObject
{
public:
    ReadableTextColour(QLabel* label, const QColor& wanted)
        : QObject(label)
        , m_label(label)
        , m_wanted(wanted)
    {
        label->installEventFilter(this);
        apply();
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::PaletteChange)
            apply();
        return false;
    }

private:
    void apply()
    {
        QPalette p = m_label->palette();
        const QColor colour = readableOn(m_wanted, p.color(m_label->backgroundRole()));
        // Setting the palette sends another change; the same colour ends it.
        if (p.color(QPalette::WindowText) == colour && p.isBrushSet(p.currentColorGroup(), QPalette::WindowText))
            return;
        p.setColor(QPalette::WindowText, colour);
        m_label->setPalette(p);
    }

    QLabel* m_label;
    QColor m_wanted;
};

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

QColor readableOn(const QColor& wanted, const QColor& ground)
{
    const bool darkGround = relativeLuminance(ground) < 0.18;
    const double contrast = contrastRatio(wanted, ground);
    if (contrast >= HeadingStrip::kMinContrast || (!darkGround && contrast >= kKeptContrast))
        return wanted;
    QColor c = wanted.toHsl();
    // Twenty steps at most reach white or black, which stand out from any
    // ground of the other kind.
    const int step = std::max(1, (darkGround ? 255 - c.lightness() : c.lightness()) / 20);
    while (contrastRatio(c, ground) < HeadingStrip::kMinContrast && c.lightness() > 0 && c.lightness() < 255)
        c.setHsl(c.hslHue(), c.hslSaturation(), std::clamp(c.lightness() + (darkGround ? step : -step), 0, 255));
    return c.toRgb();
}

void setReadableTextColour(QLabel* label, const QColor& wanted)
{
    new ReadableTextColour(label, wanted);
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
