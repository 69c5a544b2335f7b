#pragma once

// The order printout: every order line, one row each, under the partner's,
// the customer's and the note's boxes, closed by the order totals.
//
// How a caller uses it (the main window's "Nyomtatás", the order build):
//
//   TQRMegrForm form(owner);
//   form.setOrderLines(model.lines());            // rows come from these
//   form.setSumMenny(totals.quantityText());      // "12 db", also per row
//   form.setLabelCaption("LCegNev", ...);         // LCegNev LCegHelys LCegCim
//                                                 // LCegIrsz LMegj LVevoNev
//                                                 // LVevoHelys LVevoCim
//                                                 // LVevoIrsz LSumMegr
//                                                 // QRLabel17 (CD fee "850 Ft")
//   form.setLabelEnabled("LNotFinal", false);     // final mode: new names shown
//   form.setLabelEnabled("QRLabel16", cd);        // CD line, both labels
//   form.setLabelEnabled("QRLabel17", cd);
//   form.PrepareReport();
//   form.SavePreparedReport(folder + "megrendeles.qrp");   // throws AppError
//   // or previewReport(form, parentWidget) from the window layer
//
// As designed, LNotFinal is enabled (not-final mode: empty "Új fájlnév"
// column) and QRLabel16/QRLabel17 are disabled; the input labels are blank.
// Unknown label names throw AppError.

#include "core/OrderModel.h"
#include "reports/ReportForm.h"

#include <QColor>
#include <QList>

namespace pelmar::reports {

class TQRMegrForm : public ReportForm
{
    Q_OBJECT
public:
    explicit TQRMegrForm(QObject* owner = nullptr);

    // The main window's order lines, in list order, read by the row hook.
    void setOrderLines(const QList<OrderLine>& lines) { m_lines = lines; }
    const QList<OrderLine>& orderLines() const { return m_lines; }
    // The main window's total quantity text (SumMenny); sets LSumDarab now
    // and again at every row.
    void setSumMenny(const QString& text);

    ReportBand& QRStringsBand1() { return *m_detail; }

    // The report-level hook: rows start white, one item per order line.
    void QRBeforePrint(Report& report, bool& PrintReport);
    // The detail hook: row colour, then the row's labels from its order line.
    void QRStringsBand1BeforePrint(ReportBand& band, bool& PrintBand);

    // The "Új fájlnév" of a line: new name plus the extension of its path.
    static QString newFileName(const OrderLine& line);

private:
    QList<OrderLine> m_lines;
    QString m_sumMenny;
    QColor RowColor = QColor(0xFF, 0xFF, 0xFF);
    ReportBand* m_detail = nullptr;
};

} // namespace pelmar::reports
