#pragma once

#include <QColor>
#include <QLabel>
#include <QPalette>

namespace pelmar {

// The WCAG 2 relative luminance of a colour (0 black .. 1 white) and the
// contrast ratio of two colours (1 .. 21).
double relativeLuminance(const QColor& colour);
double contrastRatio(const QColor& a, const QColor& b);

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
