#pragma once

#include "output/OrderBuilder.h"

#include <QDate>
#include <functional>

namespace pelmar {

namespace reports {
class ReportForm;
}

// Shows a filled printout form and returns when it is closed; the window
// layer supplies it (the preview window), so this module opens no window.
using PrintoutPreview = std::function<void(reports::ReportForm& form)>;

// The build's printouts made by the report module: each save or preview
// creates its printout form, sets its labels (and rows), runs it and frees it.
class ReportPrintouts : public PrintoutSink
{
public:
    // Without `preview` the previews show nothing.
    explicit ReportPrintouts(PrintoutPreview preview = {});

    // The date the printouts' date fields show (the order clock's today
    // unless set).
    void setPrintDate(const QDate& date) { m_date = date; }

    void saveOrder(const QString& path, const QList<OrderLine>& lines, const PrintoutLabels& labels) override;
    void saveSummary(const QString& path, const QStringList& rows, const PrintoutLabels& labels,
                     const QString& totalQuantity) override;
    void previewOrder(const QList<OrderLine>& lines, const PrintoutLabels& labels) override;
    void previewSummary(const QStringList& rows, const PrintoutLabels& labels, const QString& totalQuantity) override;

private:
    PrintoutPreview m_preview;
    QDate m_date;
};

} // namespace pelmar
