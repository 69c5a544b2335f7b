#include "reports/QRMegr.h"

#include "reports/PrintoutLayout.h"

namespace pelmar::reports {

namespace {

const PrintoutColumn Columns[] = {
    {"Fájlnév", "LFileName", 2.1, 69.1, Alignment::Left, 0},
    {"Új fájlnév", "LNewName", 72.0, 24.6, Alignment::Left, 0},
    {"Kitöltés", "LFill", 97.4, 13.0, Alignment::Center, 0},
    {"Méret", "LSize", 112.2, 17.2, Alignment::Center, 0},
    {"Darab", "LAmount", 131.2, 15.1, Alignment::Center, 0, true},
    {"Egységár", "LPrice", 164.0, 0, Alignment::Right, 164.0 - 147.3, true},
    {"Összeg", "LSumPrice", 187.3, 0, Alignment::Right, 187.3 - 165.0, true},
};

const PrintoutShape Shape {Columns, 61.4, 56.4, 12.7, 6.4, 100};

} // namespace

TQRMegrForm::TQRMegrForm(QObject* owner)
    : ReportForm(owner)
{
    setObjectName(QStringLiteral("QRMegrForm"));
    m_report.ReportTitle = QStringLiteral("Pelmar digitális fotórendelés");
    m_report.BeforePrint = [this](Report& r, bool& print) { QRBeforePrint(r, print); };
    m_detail = &buildPrintout(m_report, Shape);
    m_detail->BeforePrint = [this](ReportBand& band, bool& print) { QRStringsBand1BeforePrint(band, print); };
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
