#pragma once

#include "reports/ReportModel.h"

#include <QColor>

namespace pelmar::reports {

// What the order printout and the summary printout share: page header, the
// title band's report title, not-final marker and the partner, customer and
// note boxes, and the page footer. Each printout adds its column headings,
// rows and summary.

inline const QColor RowWhite = QColor(0xFF, 0xFF, 0xFF);
inline const QColor RowGrey = QColor(0xEE, 0xEE, 0xEE);

FontSpec arial(double size, bool bold = false, bool italic = false, bool underline = false);

void addPageHeader(Report& report);
// Returns the title band, whose column headings the caller adds.
ReportBand& addTitleBand(Report& report, double height);
void addPageFooter(Report& report);

// White becomes light grey, anything else white.
QColor nextRowColor(const QColor& color);

} // namespace pelmar::reports
