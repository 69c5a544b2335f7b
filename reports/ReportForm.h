#pragma once

#include "reports/PreparedReport.h"
#include "reports/ReportModel.h"

#include <QDate>
#include <QObject>

namespace pelmar::reports {

// A report definition with its page store: the part of the report engine
// that the printouts and their callers use.
//
//   PrepareReport()           generate every page into the store, showing
//                             nothing; afterwards the store is finished.
//   SavePreparedReport(path)  write the finished store as a .qrp file (under a
//                             temporary name, then renamed). Before any
//                             PrepareReport it writes nothing and says nothing.
//                             A path that cannot be written throws AppError.
//   setLabelCaption / setLabelEnabled
//                             set a label by its name; an unknown name throws
//                             AppError.
class ReportForm : public QObject
{
    Q_OBJECT
public:
    explicit ReportForm(QObject* owner = nullptr);
    ~ReportForm() override;

    Report& report() { return m_report; }
    const Report& report() const { return m_report; }
    const PreparedReport& prepared() const { return m_prepared; }

    void setLabelCaption(const QString& name, const QString& caption);
    void setLabelEnabled(const QString& name, bool enabled);
    QString labelCaption(const QString& name) const;
    bool labelEnabled(const QString& name) const;

    void PrepareReport();
    void SavePreparedReport(const QString& path) const;

    // The date the date fields print; today's unless a test fixes it.
    void setPrintDate(QDate date) { m_printDate = date; }

protected:
    Report m_report;

private:
    PreparedReport m_prepared;
    QDate m_printDate;
};

} // namespace pelmar::reports
