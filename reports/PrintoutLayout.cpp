#include "reports/PrintoutLayout.h"

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

    ReportLabel& notFinal = band.addLabel(
        QStringLiteral("LNotFinal"), QStringLiteral("(Nem végleges adatok)"), 0, 10.6, arial(10, false, true));
    notFinal.AlignToBand = true;
    notFinal.Align = Alignment::Center;

    // Partner box. The input labels are designed blank: whatever the caller
    // does not set prints as nothing.
    band.addRectangle(0, 16.9, 94.5, 29.9);
    band.addLabel(QStringLiteral("QRLabel1"), QStringLiteral("Cég adatok:"), 4.2, 18.0, arial(10, false, false, true));
    const double tops[] = { 24.3, 30.7, 34.9, 39.2 };
    const char* partner[] = { "LCegNev", "LCegHelys", "LCegCim", "LCegIrsz" };
    for (int i = 0; i < 4; ++i)
        band.addColumnLabel(QString::fromLatin1(partner[i]), QString(), 4.2, 89.2, tops[i], arial(8));

    // Customer box.
    band.addRectangle(94.2, 16.9, 95.8, 29.9);
    band.addLabel(
        QStringLiteral("QRLabel2"), QStringLiteral("Vásárló adatai:"), 95.3, 18.0, arial(10, false, false, true));
    const char* customer[] = { "LVevoNev", "LVevoHelys", "LVevoCim", "LVevoIrsz" };
    for (int i = 0; i < 4; ++i)
        band.addColumnLabel(QString::fromLatin1(customer[i]), QString(), 95.3, 91.3, tops[i], arial(8));

    // Note box.
    band.addRectangle(0, 46.6, 190.0, 8.7);
    band.addLabel(QStringLiteral("QRLabel3"), QStringLiteral("Megjegyzés:"), 4.2, 48.7, arial(8));
    band.addColumnLabel(QStringLiteral("LMegj"), QString(), 23.3, 163.3, 48.7, arial(8));
    return band;
}

void addPageFooter(Report& report)
{
    ReportBand& band = report.addBand(BandType::PageFooter, QStringLiteral("PageFooterBand1"), 4.2);
    band.FrameTop = true;
    ReportLabel& page = band.addSystemField(
        QStringLiteral("QRSysData4"), LabelKind::PageNumber, QStringLiteral("Oldal: "), 0, 0.5, arial(8));
    page.AlignToBand = true;
    page.Align = Alignment::Center;
}

QColor nextRowColor(const QColor& color) { return color == RowWhite ? RowGrey : RowWhite; }

} // namespace pelmar::reports
