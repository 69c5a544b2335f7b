#pragma once

#include "reports/PreparedReport.h"
#include "reports/ReportModel.h"

#include <QDate>

namespace pelmar::reports {

// One generation: runs the report's hooks and lays the bands out into pages.
//
// Page header at the top and page footer at the bottom of every page, the
// title once under the first page header, the detail rows one under another
// continuing on a new page when the next row would reach the footer, and the
// summary once after the last row, on a new page when it does not fit.
class ReportLayout
{
public:
    // The date printed by date fields; today's by default.
    explicit ReportLayout(QDate today = QDate::currentDate());

    PreparedReport generate(Report& report);

    // Text shown by a date field: the system's short date form.
    static QString dateText(QDate date);

private:
    QDate m_today;
};

} // namespace pelmar::reports
