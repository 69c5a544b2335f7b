#include "reports/ReportForm.h"

#include "reports/QrpFile.h"
#include "reports/ReportLayout.h"

namespace pelmar::reports {

ReportForm::ReportForm(QObject* owner)
    : QObject(owner)
{
}

ReportForm::~ReportForm() = default;

void ReportForm::setLabelCaption(const QString& name, const QString& caption)
{
    m_report.label(name).Caption = caption;
}

void ReportForm::setLabelEnabled(const QString& name, bool enabled)
{
    m_report.label(name).Enabled = enabled;
}

QString ReportForm::labelCaption(const QString& name) const
{
    return m_report.label(name).Caption;
}

bool ReportForm::labelEnabled(const QString& name) const
{
    return m_report.label(name).Enabled;
}

void ReportForm::PrepareReport()
{
    m_prepared.clear();
    ReportLayout layout(m_printDate.isValid() ? m_printDate : QDate::currentDate());
    m_prepared = layout.generate(m_report);
}

void ReportForm::SavePreparedReport(const QString& path) const
{
    savePreparedReport(m_prepared, path);
}

} // namespace pelmar::reports
