#pragma once

#include <QColor>
#include <QLabel>
#include <QPalette>

namespace pelmar {

// The WCAG 2 relative luminance of a colour (0 black .. 1 white) and the
// contrast ratio of two colours (1 .. 21).
double relativeLuminance(const QColor& colour);
double contrastRatio(const QColor& a, const QColor& b);

// What a text asked to be in `wanted` (a red total, a blue link) is drawn in
// on `ground`: the colour itself where it stands out at 4.5:1, or on a light
// ground at 3:1 (red on a light window, as the program has always looked);
// else, with its hue kept, made lighter on a dark ground (darker on a light
// one) until it stands out at 4.5:1.
QColor readableOn(const QColor& wanted, const QColor& ground);

// Gives the label's text the colour readableOn() makes of `wanted` on the
// label's ground, now and again whenever its palette changes (a dark
// palette chosen while the program runs).
void setReadableTextColour(QLabel* label, const QColor& wanted);

// A heading strip: bold light text on the grey of an application
// workspace. Both colours come from the palette in use whenever it is
// drawn, so the strip follows a light or dark palette and a change of
// palette while the program runs; the grey is darkened until the text
// stands out at 4.5:1 at least.
class HeadingStrip : public QLabel
{
public:
    static constexpr double kMinContrast = 4.5;

    // textRole: the palette's colour for the text (the lightest of it, the
    // window colour and the window text colour is taken).
    HeadingStrip(const QString& text, QPalette::ColorRole textRole, QWidget* parent);

    QColor textColour() const;
    QColor stripColour() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPalette::ColorRole m_textRole;
};

} // namespace pelmar
