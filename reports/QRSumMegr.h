#pragma once

// The summary printout: one row per print size (size, quantity, unit price,
// gross price) under the same header as the order printout, closed by the
// order totals.
//
// How the order build uses it:
//
//   TQRSumMegrForm form(owner);
//   form.setLabelCaption("LCegNev", ...);     // the same labels as the order
//                                             // printout: LCeg*, LMegj,
//                                             // LVevo*, LSumMegr, QRLabel17
//   form.setLabelEnabled("LNotFinal", false);
//   form.setLabelEnabled("QRLabel16", cd);
//   form.setLabelEnabled("QRLabel17", cd);
//   form.setSumMenny(totals.quantityText());  // LSumDarab, also per row
//   form.addRow("9x13|3 db|120 Ft|360 Ft");   // one per size summary row
//   form.PrepareReport();
//   form.SavePreparedReport(folder + "megrendeles_osszegezve.qrp");
//   // or previewReport(form, parentWidget) from the window layer
//
// Each row is four fields joined by "|"; see splitItem for texts with fewer
// or more. Unknown label names throw AppError.

#include "reports/ReportForm.h"

#include <QColor>
#include <array>

namespace pelmar::reports {

class TQRSumMegrForm : public ReportForm
{
    Q_OBJECT
public:
    explicit TQRSumMegrForm(QObject* owner = nullptr);

    void addRow(const QString& item) { m_detail->Items.append(item); }
    ReportBand& QRStringsBand1() { return *m_detail; }
    void setSumMenny(const QString& text);

    void QRBeforePrint(Report& report, bool& PrintReport);
    void QRStringsBand1BeforePrint(ReportBand& band, bool& PrintBand);

    // The first three fields each end at the next "|" (empty, with the text
    // left as it is, when there is none); the fourth is whatever remains.
    static std::array<QString, 4> splitItem(const QString& item);

private:
    QString m_sumMenny;
    QColor RowColor = QColor(0xFF, 0xFF, 0xFF);
    ReportBand* m_detail = nullptr;
};

} // namespace pelmar::reports
