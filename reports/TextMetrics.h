#pragma once

#include "reports/ReportModel.h"

#include <QFont>
#include <QHash>
#include <QList>
#include <memory>

namespace pelmar::reports {

// Lengths on a page are kept in hundredths of a millimetre: the logical unit
// of the page metafiles, and fine enough for type.
inline constexpr double UnitsPerMm = 100.0;

// Em height of a font in hundredths of a millimetre.
int emHeightUnits(const FontSpec& font);

// The face that stands in on this system for a face the report names
// (Liberation Sans for Arial, Liberation Serif for Times New Roman: the same
// widths, so what we measure is what a Windows reader of the page shows).
QString standInFamily(const QString& face);

// The font to measure and draw with, sized in hundredths of a millimetre as
// pixels. Kerning and hinting are off so a text is exactly as wide as the sum
// of its characters' advances: the same advances the page metafile carries.
QFont drawingFont(const FontSpec& font);

struct MeasuredText
{
    QList<qint32> dx; // advance per UTF-16 unit, hundredths of a mm
    qint64 width = 0; // sum of dx
};

// Measures texts per font, caching the advance of every character seen.
// Not thread-safe; one per layout run is cheap.
class TextMetrics
{
public:
    TextMetrics();
    ~TextMetrics();
    TextMetrics(const TextMetrics&) = delete;
    TextMetrics& operator=(const TextMetrics&) = delete;

    MeasuredText measure(const FontSpec& font, const QString& text);
    // Baseline distance from the top of the text line, and the line height.
    double ascentMm(const FontSpec& font);
    double heightMm(const FontSpec& font);

private:
    struct FontEntry;
    FontEntry& entry(const FontSpec& font);

    QList<std::shared_ptr<FontEntry>> m_entries;
};

} // namespace pelmar::reports
