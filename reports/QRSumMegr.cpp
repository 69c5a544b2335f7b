#include "reports/QRSumMegr.h"

#include "reports/PrintoutLayout.h"

namespace pelmar::reports {

namespace {

struct Column
{
    const char* heading;
    const char* label;
    double left; // or the right edge for right-aligned columns
    double width;
    Alignment align;
    double maxWidth;
};

const Column Columns[] = {
    { "Méret", "LSize", 2.1, 17.2, Alignment::Center, 0 },
    { "Darab", "LAmount", 25.4, 15.1, Alignment::Center, 0 },
    { "Egységár", "LPrice", 58.2, 0, Alignment::Right, 58.2 - 41.5 },
    { "Összeg", "LSumPrice", 81.5, 0, Alignment::Right, 81.5 - 59.2 },
};

void addColumn(ReportBand& band, const Column& c, const QString& name, const QString& caption, const FontSpec& font)
{
    const double top = band.Type == BandType::Title ? 56.1 : 0;
    if (c.align == Alignment::Right)
        band.addRightLabel(name, caption, c.left, top, font, c.maxWidth);
    else
        band.addColumnLabel(name, caption, c.left, c.width, top, font, c.align);
}

} // namespace

TQRSumMegrForm::TQRSumMegrForm(QObject* owner)
    : ReportForm(owner)
{
    setObjectName(QStringLiteral("QRSumMegrForm"));
    m_report.ReportTitle = QStringLiteral("Pelmar digitális fotórendelés - összesítő");
    m_report.BeforePrint = [this](Report& r, bool& print) { QRBeforePrint(r, print); };

    addPageHeader(m_report);

    ReportBand& title = addTitleBand(m_report, 63.5);
    for (const Column& c : Columns)
        addColumn(
            title, c, QStringLiteral("H") + QString::fromLatin1(c.label), QString::fromUtf8(c.heading), arial(8, true));

    ReportBand& detail = m_report.addBand(BandType::Detail, QStringLiteral("QRStringsBand1"), 4.2);
    detail.Color = RowWhite;
    for (const Column& c : Columns)
        addColumn(detail, c, QString::fromLatin1(c.label), QString(), arial(8));
    detail.BeforePrint = [this](ReportBand& band, bool& print) { QRStringsBand1BeforePrint(band, print); };
    m_detail = &detail;

    ReportBand& summary = m_report.addBand(BandType::Summary, QStringLiteral("SummaryBand1"), 16.9);
    summary.FrameTop = true;
    summary.FrameWidth = 2;
    summary.addLabel(QStringLiteral("QRLabel16"), QStringLiteral("CD írás és indexkép:"), 2.1, 2.1, arial(8)).Enabled
        = false;
    summary.addRightLabel(QStringLiteral("QRLabel17"), QStringLiteral("0 Ft"), 81.5, 2.1, arial(8), 81.5 - 36.0).Enabled
        = false;
    summary.addLabel(QStringLiteral("QRLabel18"), QStringLiteral("Összesen:"), 2.1, 10.6, arial(10, true));
    summary.addColumnLabel(
        QStringLiteral("LSumDarab"), QString(), 25.4, 15.4, 10.6, arial(10, true), Alignment::Center);
    summary.addRightLabel(QStringLiteral("LSumMegr"), QString(), 81.5, 10.6, arial(10, true), 81.5 - 41.8);

    addPageFooter(m_report);
}

void TQRSumMegrForm::setSumMenny(const QString& text)
{
    m_sumMenny = text;
    setLabelCaption(QStringLiteral("LSumDarab"), text);
}

void TQRSumMegrForm::QRBeforePrint(Report&, bool&) { RowColor = RowWhite; }

void TQRSumMegrForm::QRStringsBand1BeforePrint(ReportBand& band, bool&)
{
    band.Color = RowColor;
    RowColor = nextRowColor(RowColor);

    const int index = m_report.CurrentIndex;
    const QString item = index >= 0 && index < band.Items.size() ? band.Items.at(index) : QString();
    const auto fields = splitItem(item);
    band.findLabel(QStringLiteral("LSize"))->Caption = fields[0];
    band.findLabel(QStringLiteral("LAmount"))->Caption = fields[1];
    band.findLabel(QStringLiteral("LPrice"))->Caption = fields[2];
    band.findLabel(QStringLiteral("LSumPrice"))->Caption = fields[3];
    m_report.label(QStringLiteral("LSumDarab")).Caption = m_sumMenny;
}

std::array<QString, 4> TQRSumMegrForm::splitItem(const QString& item)
{
    std::array<QString, 4> fields;
    QString rest = item;
    for (int i = 0; i < 3; ++i) {
        const qsizetype bar = rest.indexOf(QLatin1Char('|'));
        if (bar >= 0) {
            fields[size_t(i)] = rest.left(bar);
            rest.remove(0, bar + 1);
        }
    }
    fields[3] = rest;
    return fields;
}

} // namespace pelmar::reports
