#pragma once

#include "reports/PreparedReport.h"

#include <QRectF>
#include <QString>

class QPainter;
class QPrinter;

namespace pelmar::reports {

// Draws one prepared page with QPainter into `target` (the whole sheet, in
// the painter's coordinates): the same items, in the same order, that the
// page metafile holds. Used by the preview, printing and PDF export.
void paintPage(QPainter& painter, const PreparedPage& page, const QRectF& target);

// Prints the pages the printer's page range selects (all when none is set);
// copies are left to the printer. Throws AppError when printing cannot start.
void printPages(const PreparedReport& report, QPrinter& printer);

// Writes the pages as an A4 PDF. Throws AppError when the file cannot be
// written.
void savePdf(const PreparedReport& report, const QString& path);

} // namespace pelmar::reports
