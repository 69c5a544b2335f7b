#include "reports/QRMegr.h"

#include "reports/PrintoutLayout.h"

namespace pelmar::reports {

namespace {

struct Column
{
    const char* heading;
    const char* label;
    double left; // or the right edge for right-aligned columns
    double width; // 0 for right-aligned, auto-sized columns
    Alignment align;
    double maxWidth; // right-aligned columns stop before the previous column
};

// Headings in the title band and row labels in the detail band share places.
const Column Columns[] = {
    { "Fájlnév", "LFileName", 2.1, 69.1, Alignment::Left, 0 },
    { "Új fájlnév", "LNewName", 72.0, 24.6, Alignment::Left, 0 },
    { "Kitöltés", "LFill", 97.4, 13.0, Alignment::Center, 0 },
    { "Méret", "LSize", 112.2, 17.2, Alignment::Center, 0 },
    { "Darab", "LAmount", 131.2, 15.1, Alignment::Center, 0 },
    { "Egységár", "LPrice", 164.0, 0, Alignment::Right, 164.0 - 147.3 },
    { "Összeg", "LSumPrice", 187.3, 0, Alignment::Right, 187.3 - 165.0 },
};

void addColumn(ReportBand& band, const Column& c, const QString& name, const QString& caption, const FontSpec& font)
{
    if (c.align == Alignment::Right)
        band.addRightLabel(name, caption, c.left, band.Type == BandType::Title ? 56.4 : 0, font, c.maxWidth);
    else
        band.addColumnLabel(name, caption, c.left, c.width, band.Type == BandType::Title ? 56.4 : 0, font, c.align);
}

} // namespace

TQRMegrForm::TQRMegrForm(QObject* owner)
    : ReportForm(owner)
{
    setObjectName(QStringLiteral("QRMegrForm"));
    m_report.ReportTitle = QStringLiteral("Pelmar digitális fotórendelés");
    m_report.BeforePrint = [this](Report& r, bool& print) { QRBeforePrint(r, print); };

    addPageHeader(m_report);

    ReportBand& title = addTitleBand(m_report, 61.4);
    for (const Column& c : Columns)
        addColumn(
            title, c, QStringLiteral("H") + QString::fromLatin1(c.label), QString::fromUtf8(c.heading), arial(8, true));

    ReportBand& detail = m_report.addBand(BandType::Detail, QStringLiteral("QRStringsBand1"), 4.2);
    detail.Color = RowWhite;
    for (const Column& c : Columns)
        addColumn(detail, c, QString::fromLatin1(c.label), QString(), arial(8));
    detail.BeforePrint = [this](ReportBand& band, bool& print) { QRStringsBand1BeforePrint(band, print); };
    m_detail = &detail;

    ReportBand& summary = m_report.addBand(BandType::Summary, QStringLiteral("SummaryBand1"), 12.7);
    summary.FrameTop = true;
    summary.FrameWidth = 2;
    summary.addLabel(QStringLiteral("QRLabel16"), QStringLiteral("CD írás és indexkép:"), 2.1, 2.1, arial(8)).Enabled
        = false;
    summary.addRightLabel(QStringLiteral("QRLabel17"), QStringLiteral("0 Ft"), 187.3, 2.1, arial(8), 100).Enabled
        = false;
    summary.addLabel(QStringLiteral("QRLabel18"), QStringLiteral("Összesen:"), 2.1, 6.4, arial(10, true));
    summary.addColumnLabel(
        QStringLiteral("LSumDarab"), QString(), 131.2, 15.4, 6.4, arial(10, true), Alignment::Center);
    summary.addRightLabel(QStringLiteral("LSumMegr"), QString(), 187.3, 6.4, arial(10, true), 187.3 - 147.6);

    addPageFooter(m_report);
}

void TQRMegrForm::setSumMenny(const QString& text)
{
    m_sumMenny = text;
    setLabelCaption(QStringLiteral("LSumDarab"), text);
}

void TQRMegrForm::QRBeforePrint(Report&, bool&)
{
    RowColor = RowWhite;
    m_detail->Items.clear();
    for (const OrderLine& line : m_lines)
        m_detail->Items.append(line.Caption);
}

void TQRMegrForm::QRStringsBand1BeforePrint(ReportBand& band, bool&)
{
    band.Color = RowColor;
    RowColor = nextRowColor(RowColor);

    const int index = m_report.CurrentIndex;
    const OrderLine line = index >= 0 && index < m_lines.size() ? m_lines.at(index) : OrderLine();
    const bool notFinal = m_report.label(QStringLiteral("LNotFinal")).Enabled;
    band.findLabel(QStringLiteral("LFileName"))->Caption = line.Caption;
    band.findLabel(QStringLiteral("LNewName"))->Caption = notFinal ? QString() : newFileName(line);
    band.findLabel(QStringLiteral("LFill"))->Caption = line.SubItems.value(SubFill);
    band.findLabel(QStringLiteral("LSize"))->Caption = line.SubItems.value(SubSize);
    band.findLabel(QStringLiteral("LAmount"))->Caption = line.SubItems.value(SubQuantity);
    band.findLabel(QStringLiteral("LPrice"))->Caption = line.SubItems.value(SubUnitPrice);
    band.findLabel(QStringLiteral("LSumPrice"))->Caption = line.SubItems.value(SubLineTotal);
    m_report.label(QStringLiteral("LSumDarab")).Caption = m_sumMenny;
}

QString TQRMegrForm::newFileName(const OrderLine& line)
{
    // The extension is taken from the file name only: a dot in a folder name
    // is no extension.
    const QString path = line.SubItems.value(SubPath);
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return line.SubItems.value(SubNewName) + (dot >= 0 ? name.mid(dot) : QString());
}

} // namespace pelmar::reports
