#pragma once

#include "reports/ReportModel.h"

#include <QColor>

#include <span>

namespace pelmar::reports {

// The order printout and the summary printout have the same shape: page
// header; title band with the report title, the not-final marker, the
// partner, customer and note boxes and the column headings; one detail row
// per item; summary band with the CD line and the totals; page footer. They
// differ in their column table and a few places, given here.

inline const QColor RowWhite = QColor(0xFF, 0xFF, 0xFF);
inline const QColor RowGrey = QColor(0xEE, 0xEE, 0xEE);

FontSpec arial(double size, bool bold = false, bool italic = false, bool underline = false);

// One column: its heading in the title band (named "H" + label) and its row
// label in the detail band share the place.
struct PrintoutColumn
{
    const char* heading;
    const char* label;
    double left; // or the right edge for right-aligned columns
    double width; // 0 for right-aligned, auto-sized columns
    Alignment align;
    double maxWidth; // right-aligned columns stop before the previous column
    bool figure = false; // a count or an amount: shrinks, never cut
};

struct PrintoutShape
{
    // Must hold "LAmount" and "LSumPrice": the totals sit under them.
    std::span<const PrintoutColumn> columns;
    double titleHeight;
    double headingTop; // of the column headings in the title band
    double summaryHeight;
    double totalsTop; // of the "Összesen:" line in the summary band
    double cdFeeMaxWidth;
};

// Adds every band of a printout to an empty report and returns the detail
// band, whose labels the caller's row hook fills. The input labels print as
// nothing until set; the CD line is disabled.
ReportBand& buildPrintout(Report& report, const PrintoutShape& shape);

// White becomes light grey, anything else white.
QColor nextRowColor(const QColor& color);

} // namespace pelmar::reports
