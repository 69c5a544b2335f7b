#pragma once

#include "reports/PreparedReport.h"

#include <QList>

namespace pelmar::test {

// Small look-ups over prepared pages for the layout tests.

QList<const reports::TextItem*> textsOf(const reports::PreparedPage& page, const QString& source);
const reports::TextItem* textOf(const reports::PreparedPage& page, const QString& source, int row = -1);
// Every text item of the report from that label, with its page number.
QList<QPair<int, const reports::TextItem*>> textsOf(const reports::PreparedReport& report, const QString& source);
QList<const reports::FillItem*> rowFills(const reports::PreparedReport& report);
// Detail rows (by their fill) on each page.
QList<QList<int>> rowsPerPage(const reports::PreparedReport& report);
bool hasText(const reports::PreparedPage& page, const QString& text);

// Renders a page into an image of the given width (pixels), white paper.
QImage renderPage(const reports::PreparedPage& page, int width);
// With PELMAR_REPORT_DUMP set, writes the pages as PNG and EMF files there
// for looking at them.
void dumpPages(const reports::PreparedReport& report, const QString& name);

} // namespace pelmar::test
