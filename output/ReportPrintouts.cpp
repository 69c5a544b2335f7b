#include "output/ReportPrintouts.h"

#include "core/PriceData.h"
#include "output/OrderNames.h"
#include "reports/QRMegr.h"
#include "reports/QRSumMegr.h"

#include <utility>

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

ReportPrintouts::ReportPrintouts(PrintoutPreview preview)
    : m_preview(std::move(preview))
{
}

void ReportPrintouts::saveOrder(const QString& path, const QList<OrderLine>& lines, const PrintoutLabels& labels)
{
    TQRMegrForm form;
    fillOrder(form, lines, labels, m_date);
    form.PrepareReport();
    form.SavePreparedReport(path);
}

void ReportPrintouts::saveSummary(const QString& path, const QStringList& rows, const PrintoutLabels& labels,
                                  const QString& totalQuantity)
{
    TQRSumMegrForm form;
    fillSummary(form, rows, labels, totalQuantity, m_date);
    form.PrepareReport();
    form.SavePreparedReport(path);
}

void ReportPrintouts::previewOrder(const QList<OrderLine>& lines, const PrintoutLabels& labels)
{
    TQRMegrForm form;
    fillOrder(form, lines, labels, m_date);
    if (m_preview)
        m_preview(form);
}

void ReportPrintouts::previewSummary(const QStringList& rows, const PrintoutLabels& labels,
                                     const QString& totalQuantity)
{
    TQRSumMegrForm form;
    fillSummary(form, rows, labels, totalQuantity, m_date);
    if (m_preview)
        m_preview(form);
}

} // namespace pelmar
