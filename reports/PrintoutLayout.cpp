#include "reports/PrintoutLayout.h"

#include "core/AppError.h"

namespace pelmar::reports {

FontSpec arial(double size, bool bold, bool italic, bool underline)
{
    FontSpec f;
    f.name = QStringLiteral("Arial");
    f.size = size;
    f.bold = bold;
    f.italic = italic;
    f.underline = underline;
    return f;
}

namespace {

void addPageHeader(Report& report)
{
    ReportBand& band = report.addBand(BandType::PageHeader, QStringLiteral("PageHeaderBand1"), 5.0);
    band.FrameBottom = true;
    band.addSystemField(QStringLiteral("QRSysData1"), LabelKind::Date, QString(), 0, 0.8, arial(8));
    ReportLabel& title
        = band.addSystemField(QStringLiteral("QRSysData2"), LabelKind::ReportTitle, QString(), 0, 0.8, arial(8));
    title.AlignToBand = true;
    title.Align = Alignment::Center;
}

ReportBand& addTitleBand(Report& report, double height)
{
    ReportBand& band = report.addBand(BandType::Title, QStringLiteral("TitleBand1"), height);
    band.FrameBottom = true;

    FontSpec times;
    times.name = QStringLiteral("Times New Roman");
    times.size = 20;
    times.bold = true;
    times.italic = true;
    ReportLabel& title
        = band.addSystemField(QStringLiteral("QRSysData3"), LabelKind::ReportTitle, QString(), 0, 2.1, times);
    title.AlignToBand = true;
    title.Align = Alignment::Center;

    ReportLabel& notFinal = band.addLabel(QStringLiteral("LNotFinal"), QStringLiteral("(Nem végleges adatok)"), 0, 10.6,
                                          arial(10, false, true));
    notFinal.AlignToBand = true;
    notFinal.Align = Alignment::Center;

    // Partner box. The input labels are designed blank: whatever the caller
    // does not set prints as nothing.
    band.addRectangle(0, 16.9, 94.5, 29.9);
    band.addLabel(QStringLiteral("QRLabel1"), QStringLiteral("Cég adatok:"), 4.2, 18.0, arial(10, false, false, true));
    const double tops[] = {24.3, 30.7, 34.9, 39.2};
    const char* partner[] = {"LCegNev", "LCegHelys", "LCegCim", "LCegIrsz"};
    for (int i = 0; i < 4; ++i)
        band.addColumnLabel(QString::fromLatin1(partner[i]), QString(), 4.2, 89.2, tops[i], arial(8));

    // Customer box.
    band.addRectangle(94.2, 16.9, 95.8, 29.9);
    band.addLabel(QStringLiteral("QRLabel2"), QStringLiteral("Vásárló adatai:"), 95.3, 18.0,
                  arial(10, false, false, true));
    const char* customer[] = {"LVevoNev", "LVevoHelys", "LVevoCim", "LVevoIrsz"};
    for (int i = 0; i < 4; ++i)
        band.addColumnLabel(QString::fromLatin1(customer[i]), QString(), 95.3, 91.3, tops[i], arial(8));

    // Note box.
    band.addRectangle(0, 46.6, 190.0, 8.7);
    band.addLabel(QStringLiteral("QRLabel3"), QStringLiteral("Megjegyzés:"), 4.2, 48.7, arial(8));
    band.addColumnLabel(QStringLiteral("LMegj"), QString(), 23.3, 163.3, 48.7, arial(8));
    return band;
}

void addColumn(ReportBand& band, const PrintoutColumn& c, const QString& name, const QString& caption, double top,
               const FontSpec& font)
{
    ReportLabel& label = c.align == Alignment::Right
        ? band.addRightLabel(name, caption, c.left, top, font, c.maxWidth)
        : band.addColumnLabel(name, caption, c.left, c.width, top, font, c.align);
    label.Figure = c.figure;
}

const PrintoutColumn& column(const PrintoutShape& shape, const char* label)
{
    for (const PrintoutColumn& c : shape.columns)
        if (qstrcmp(c.label, label) == 0)
            return c;
    throw AppError(QStringLiteral("A nyomtatványnak nincs %1 oszlopa").arg(QLatin1String(label)));
}

void addSummaryBand(Report& report, const PrintoutShape& shape)
{
    // The totals stand under the quantity and the sum column.
    const double quantityLeft = column(shape, "LAmount").left;
    const double sumRight = column(shape, "LSumPrice").left;
    ReportBand& band = report.addBand(BandType::Summary, QStringLiteral("SummaryBand1"), shape.summaryHeight);
    band.FrameTop = true;
    band.FrameWidth = 2;
    band.addLabel(QStringLiteral("QRLabel16"), QStringLiteral("CD írás és indexkép:"), 2.1, 2.1, arial(8)).Enabled
        = false;
    ReportLabel& fee = band.addRightLabel(QStringLiteral("QRLabel17"), QStringLiteral("0 Ft"), sumRight, 2.1, arial(8),
                                          shape.cdFeeMaxWidth);
    fee.Enabled = false;
    fee.Figure = true;
    band.addLabel(QStringLiteral("QRLabel18"), QStringLiteral("Összesen:"), 2.1, shape.totalsTop, arial(10, true));
    band.addColumnLabel(QStringLiteral("LSumDarab"), QString(), quantityLeft, 15.4, shape.totalsTop, arial(10, true),
                        Alignment::Center)
        .Figure
        = true;
    band.addRightLabel(QStringLiteral("LSumMegr"), QString(), sumRight, shape.totalsTop, arial(10, true), 39.7).Figure
        = true;
}

void addPageFooter(Report& report)
{
    ReportBand& band = report.addBand(BandType::PageFooter, QStringLiteral("PageFooterBand1"), 4.2);
    band.FrameTop = true;
    ReportLabel& page = band.addSystemField(QStringLiteral("QRSysData4"), LabelKind::PageNumber,
                                            QStringLiteral("Oldal: "), 0, 0.5, arial(8));
    page.AlignToBand = true;
    page.Align = Alignment::Center;
}

} // namespace

ReportBand& buildPrintout(Report& report, const PrintoutShape& shape)
{
    addPageHeader(report);

    ReportBand& title = addTitleBand(report, shape.titleHeight);
    for (const PrintoutColumn& c : shape.columns)
        addColumn(title, c, QStringLiteral("H") + QString::fromLatin1(c.label), QString::fromUtf8(c.heading),
                  shape.headingTop, arial(8, true));

    ReportBand& detail = report.addBand(BandType::Detail, QStringLiteral("QRStringsBand1"), 4.2);
    detail.Color = RowWhite;
    for (const PrintoutColumn& c : shape.columns)
        addColumn(detail, c, QString::fromLatin1(c.label), QString(), 0, arial(8));

    addSummaryBand(report, shape);
    addPageFooter(report);
    return detail;
}

QColor nextRowColor(const QColor& color)
{
    return color == RowWhite ? RowGrey : RowWhite;
}

} // namespace pelmar::reports
