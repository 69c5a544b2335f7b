#include "reports/QRSumMegr.h"

#include "reports/PrintoutLayout.h"

namespace pelmar::reports {

namespace {

const PrintoutColumn Columns[] = {
    {"Méret", "LSize", 2.1, 17.2, Alignment::Center, 0},
    {"Darab", "LAmount", 25.4, 15.1, Alignment::Center, 0, true},
    {"Egységár", "LPrice", 58.2, 0, Alignment::Right, 58.2 - 41.5, true},
    {"Összeg", "LSumPrice", 81.5, 0, Alignment::Right, 81.5 - 59.2, true},
};

const PrintoutShape Shape {Columns, 63.5, 56.1, 16.9, 10.6, 81.5 - 36.0};

} // namespace

TQRSumMegrForm::TQRSumMegrForm(QObject* owner)
    : ReportForm(owner)
{
    setObjectName(QStringLiteral("QRSumMegrForm"));
    m_report.ReportTitle = QStringLiteral("Pelmar digitális fotórendelés - összesítő");
    m_report.BeforePrint = [this](Report& r, bool& print) { QRBeforePrint(r, print); };
    m_detail = &buildPrintout(m_report, Shape);
    m_detail->BeforePrint = [this](ReportBand& band, bool& print) { QRStringsBand1BeforePrint(band, print); };
}

void TQRSumMegrForm::setSumMenny(const QString& text)
{
    m_sumMenny = text;
    setLabelCaption(QStringLiteral("LSumDarab"), text);
}

void TQRSumMegrForm::QRBeforePrint(Report&, bool&)
{
    RowColor = RowWhite;
}

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
