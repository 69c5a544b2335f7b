#include "output/ReportPrintouts.h"

#include "core/PriceData.h"
#include "output/OrderNames.h"
#include "reports/QRMegr.h"
#include "reports/QRSumMegr.h"

#include <QWidget>

namespace pelmar {

namespace {

using reports::ReportForm;
using reports::TQRMegrForm;
using reports::TQRSumMegrForm;

void applyLabels(ReportForm& form, const PrintoutLabels& labels, const QDate& date)
{
    for (auto it = labels.captions.cbegin(); it != labels.captions.cend(); ++it)
        form.setLabelCaption(it.key(), it.value());
    for (auto it = labels.enabled.cbegin(); it != labels.enabled.cend(); ++it)
        form.setLabelEnabled(it.key(), it.value());
    form.setPrintDate(date.isValid() ? date : OrderToday());
}

QString quantityOf(const QList<OrderLine>& lines)
{
    qint64 sum = 0;
    for (const OrderLine& line : lines)
        sum += StrToIntDef(line.SubItems[SubQuantity], 0);
    return QString::number(sum) + QStringLiteral(" db");
}

void fillOrder(TQRMegrForm& form, const QList<OrderLine>& lines, const PrintoutLabels& labels, const QDate& date)
{
    form.setOrderLines(lines);
    form.setSumMenny(quantityOf(lines));
    applyLabels(form, labels, date);
}

void fillSummary(TQRSumMegrForm& form, const QStringList& rows, const PrintoutLabels& labels, const QString& quantity,
                 const QDate& date)
{
    applyLabels(form, labels, date);
    form.setSumMenny(quantity);
    for (const QString& row : rows)
        form.addRow(row);
}

} // namespace

ReportPrintouts::ReportPrintouts(QWidget* owner)
    : m_owner(owner)
{
}

void ReportPrintouts::saveOrder(const QString& path, const QList<OrderLine>& lines, const PrintoutLabels& labels)
{
    TQRMegrForm form(m_owner);
    fillOrder(form, lines, labels, m_date);
    form.PrepareReport();
    form.SavePreparedReport(path);
}

void ReportPrintouts::saveSummary(const QString& path, const QStringList& rows, const PrintoutLabels& labels,
                                  const QString& totalQuantity)
{
    TQRSumMegrForm form(m_owner);
    fillSummary(form, rows, labels, totalQuantity, m_date);
    form.PrepareReport();
    form.SavePreparedReport(path);
}

void ReportPrintouts::previewOrder(const QList<OrderLine>& lines, const PrintoutLabels& labels)
{
    TQRMegrForm form(m_owner);
    fillOrder(form, lines, labels, m_date);
    form.PreviewReport(m_owner);
}

void ReportPrintouts::previewSummary(const QStringList& rows, const PrintoutLabels& labels,
                                     const QString& totalQuantity)
{
    TQRSumMegrForm form(m_owner);
    fillSummary(form, rows, labels, totalQuantity, m_date);
    form.PreviewReport(m_owner);
}

} // namespace pelmar
