#pragma once

#include "output/OrderBuilder.h"

#include <QDate>

class QWidget;

namespace pelmar {

// The build's printouts made by the report module: each save or preview
// creates its printout form, sets its labels (and rows), runs it and frees it.
class ReportPrintouts : public PrintoutSink
{
public:
    // Previews are owned by and centred on `owner` (may be null).
    explicit ReportPrintouts(QWidget* owner = nullptr);

    // The date the printouts' date fields show (the order clock's today
    // unless set).
    void setPrintDate(const QDate& date) { m_date = date; }

    void saveOrder(const QString& path, const QList<OrderLine>& lines, const PrintoutLabels& labels) override;
    void saveSummary(const QString& path, const QStringList& rows, const PrintoutLabels& labels,
                     const QString& totalQuantity) override;
    void previewOrder(const QList<OrderLine>& lines, const PrintoutLabels& labels) override;
    void previewSummary(const QStringList& rows, const PrintoutLabels& labels, const QString& totalQuantity) override;

private:
    QWidget* m_owner;
    QDate m_date;
};

} // namespace pelmar
