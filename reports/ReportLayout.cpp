#include "reports/ReportLayout.h"

#include "reports/TextMetrics.h"

#include <QLocale>
#include <algorithm>

namespace pelmar::reports {

namespace {

constexpr double Epsilon = 1e-6;

// A label prints on one line: a line break or tab typed into a field would
// show as a box in most readers, so it prints as a blank.
// The composed form: an accent typed or pasted as a letter and a combining
// mark ("o" + U+030B, as macOS names files) is drawn and stored as the one
// letter "ő", as every reader of the page shows it.
QString printable(const QString& caption)
{
    QString text = caption.normalized(QString::NormalizationForm_C);
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    return text;
}

class Run
{
public:
    Run(Report& report, TextMetrics& metrics, QString date)
        : m_report(report)
        , m_metrics(metrics)
        , m_date(std::move(date))
    {
    }

    PreparedReport go()
    {
        PreparedReport out;
        out.title = m_report.ReportTitle;
        m_out = &out;

        m_report.CurrentIndex = -1;
        bool printReport = true;
        if (m_report.BeforePrint)
            m_report.BeforePrint(m_report, printReport);
        if (!printReport) {
            finish(out);
            return out;
        }

        ReportBand* header = m_report.band(BandType::PageHeader);
        ReportBand* title = m_report.band(BandType::Title);
        ReportBand* detail = m_report.band(BandType::Detail);
        ReportBand* summary = m_report.band(BandType::Summary);
        ReportBand* footer = m_report.band(BandType::PageFooter);
        m_header = header;
        m_footer = footer;
        m_bottom = MarginMm + ContentHeightMm - (footer ? footer->Height : 0);

        newPage();
        if (title) {
            bool printBand = true;
            if (title->BeforePrint)
                title->BeforePrint(*title, printBand);
            if (printBand)
                placeBand(*title, -1, /*alwaysFits=*/true);
        }

        if (detail) {
            // Items can be changed by the report hook; read them now.
            const qsizetype rows = detail->Items.size();
            for (qsizetype i = 0; i < rows; ++i) {
                m_report.CurrentIndex = int(i);
                bool printBand = true;
                if (detail->BeforePrint)
                    detail->BeforePrint(*detail, printBand);
                if (printBand)
                    placeBand(*detail, int(i), false);
            }
            m_report.CurrentIndex = -1;
        }

        if (summary) {
            bool printBand = true;
            if (summary->BeforePrint)
                summary->BeforePrint(*summary, printBand);
            if (printBand)
                placeBand(*summary, -1, false);
        }
        closePage();
        finish(out);
        return out;
    }

private:
    void finish(PreparedReport& out)
    {
        out.finishedAt = QDateTime::currentDateTime();
        out.finished = true;
    }

    void newPage()
    {
        PreparedPage page;
        page.number = int(m_out->pages.size()) + 1;
        m_out->pages.push_back(std::move(page));
        m_y = MarginMm;
        if (m_header) {
            bool printBand = true;
            if (m_header->BeforePrint)
                m_header->BeforePrint(*m_header, printBand);
            if (printBand) {
                drawBand(*m_header, m_y, -1);
                m_y += m_header->Height;
            }
        }
        m_pageStart = m_y;
    }

    void closePage()
    {
        if (m_footer) {
            bool printBand = true;
            if (m_footer->BeforePrint)
                m_footer->BeforePrint(*m_footer, printBand);
            if (printBand)
                drawBand(*m_footer, m_bottom, -1);
        }
        for (LineItem& line : m_lines)
            items().push_back(std::move(line));
        m_lines.clear();
    }

    void placeBand(ReportBand& band, int row, bool alwaysFits)
    {
        // A band that would reach the footer goes to a new page, unless the
        // page holds nothing but its header yet: a band taller than a whole
        // page is printed where it is rather than pushed on for ever.
        if (!alwaysFits && m_y > m_pageStart + Epsilon && m_y + band.Height > m_bottom + Epsilon) {
            closePage();
            newPage();
        }
        drawBand(band, m_y, row);
        m_y += band.Height;
    }

    std::vector<PageItem>& items() { return m_out->pages.back().items; }

    void drawBand(const ReportBand& band, double top, int row)
    {
        const double left = MarginMm;
        const double right = MarginMm + ContentWidthMm;
        if (band.Color.isValid())
            items().push_back(FillItem {QRectF(left, top, ContentWidthMm, band.Height), band.Color, band.Name, row});
        // Frame lines are drawn when the page is complete, so the next band's
        // background cannot paint over half of a line on its edge.
        const double frame = band.FrameWidth * NormalLineMm;
        if (band.FrameTop)
            m_lines.push_back(LineItem {QPointF(left, top), QPointF(right, top), frame});
        if (band.FrameBottom)
            m_lines.push_back(LineItem {QPointF(left, top + band.Height), QPointF(right, top + band.Height), frame});
        for (const ReportShape& s : band.shapes())
            items().push_back(
                RectItem {QRectF(left + s.Left, top + s.Top, s.Width, s.Height), s.PenWidth * NormalLineMm});
        for (const auto& label : band.labels())
            drawLabel(*label, top, row);
    }

    QString labelText(const ReportLabel& label) const
    {
        switch (label.Kind) {
        case LabelKind::Text:
            return label.Caption;
        case LabelKind::ReportTitle:
            return label.Caption + m_report.ReportTitle;
        case LabelKind::Date:
            return label.Caption + m_date;
        case LabelKind::PageNumber:
            return label.Caption + QString::number(m_out->pages.back().number);
        }
        return label.Caption;
    }

    // A figure wider than its box: a smaller type first, then, if that is
    // not enough, a box as wide as the text, grown away from its aligned edge.
    void fitFigure(const ReportLabel& label, const QString& text, FontSpec& font, MeasuredText& measured,
                   double& textWidth, Alignment align, double& boxLeft, double& boxRight)
    {
        const double room = boxRight - boxLeft;
        const double smallest = label.Font.size * kMinFigureScale;
        if (room > 0) {
            double size = label.Font.size * room / textWidth;
            // The advances are whole hundredths of a millimetre, so the
            // proportional size may come out a hair too wide: a few smaller
            // steps settle it.
            for (int step = 0; step < 8; ++step) {
                font.size = std::max(size, smallest);
                measured = m_metrics.measure(font, text);
                textWidth = double(measured.width) / UnitsPerMm;
                if (textWidth <= room + Epsilon || font.size <= smallest)
                    break;
                size = font.size * 0.98;
            }
        } else {
            font.size = smallest;
            measured = m_metrics.measure(font, text);
            textWidth = double(measured.width) / UnitsPerMm;
        }
        if (textWidth <= room + Epsilon)
            return;
        switch (align) {
        case Alignment::Right:
            boxLeft = boxRight - textWidth;
            break;
        case Alignment::Center: {
            const double centre = (boxLeft + boxRight) / 2;
            boxLeft = centre - textWidth / 2;
            boxRight = centre + textWidth / 2;
            break;
        }
        case Alignment::Left:
        default:
            boxRight = boxLeft + textWidth;
            break;
        }
    }

    void drawLabel(const ReportLabel& label, double bandTop, int row)
    {
        if (!label.Enabled)
            return;
        const QString text = printable(labelText(label));
        FontSpec font = label.Font;
        MeasuredText measured = m_metrics.measure(font, text);
        double textWidth = double(measured.width) / UnitsPerMm;

        // The label's box, relative to the band's left edge.
        double boxLeft;
        double boxRight;
        if (label.AlignToBand) {
            const double w = std::min(textWidth, ContentWidthMm);
            boxLeft = (ContentWidthMm - w) / 2;
            boxRight = boxLeft + w;
        } else if (label.AutoSize) {
            double w = textWidth;
            if (label.MaxWidth > 0)
                w = std::min(w, label.MaxWidth);
            switch (label.Align) {
            case Alignment::Left:
                boxLeft = label.Left;
                boxRight = label.Left + w;
                break;
            case Alignment::Right:
                boxRight = label.right();
                boxLeft = boxRight - w;
                break;
            case Alignment::Center:
            default: {
                const double centre = label.Left + label.Width / 2;
                boxLeft = centre - w / 2;
                boxRight = centre + w / 2;
                break;
            }
            }
        } else {
            boxLeft = label.Left;
            boxRight = label.right();
        }
        const Alignment align = label.AlignToBand ? Alignment::Center : label.Align;
        if (label.Figure && textWidth > boxRight - boxLeft + Epsilon)
            fitFigure(label, text, font, measured, textWidth, align, boxLeft, boxRight);
        double start;
        switch (align) {
        case Alignment::Right:
            start = boxRight - textWidth;
            break;
        case Alignment::Center:
            start = (boxLeft + boxRight) / 2 - textWidth / 2;
            break;
        case Alignment::Left:
        default:
            start = boxLeft;
            break;
        }
        // Nothing is drawn outside the box nor outside the band.
        const double clipLeft = std::max(boxLeft, 0.0);
        const double clipRight = std::min(boxRight, ContentWidthMm);
        const double top = bandTop + label.Top;
        const double height = m_metrics.heightMm(label.Font);
        const QRectF clip(MarginMm + clipLeft, top, std::max(0.0, clipRight - clipLeft), height);

        if (!label.Transparent && clip.width() > 0)
            items().push_back(FillItem {clip, label.Background, label.Name, row});

        TextItem item;
        item.font = font;
        item.color = label.Color;
        item.source = label.Name;
        item.row = row;
        item.clip = clip;
        item.clipped = start < clipLeft - Epsilon || start + textWidth > clipRight + Epsilon;

        // Keep only the characters that show at least in part, so the page
        // carries no text that cannot be seen.
        qsizetype first = text.size();
        qsizetype last = 0;
        qint64 pos = std::llround(start * UnitsPerMm);
        qint64 firstPos = pos;
        const qint64 leftUnits = std::llround(clipLeft * UnitsPerMm);
        const qint64 rightUnits = std::llround(clipRight * UnitsPerMm);
        for (qsizetype i = 0; i < text.size();) {
            qsizetype units = 1;
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                units = 2;
            qint64 advance = 0;
            for (qsizetype k = 0; k < units; ++k)
                advance += measured.dx[i + k];
            if (pos + advance > leftUnits && pos < rightUnits) {
                if (first == text.size()) {
                    first = i;
                    firstPos = pos;
                }
                last = i + units;
            }
            pos += advance;
            i += units;
        }
        if (first >= last)
            return; // nothing visible
        item.text = text.mid(first, last - first);
        item.dx = measured.dx.mid(first, last - first);
        item.origin = QPointF(MarginMm + double(firstPos) / UnitsPerMm, top + m_metrics.ascentMm(label.Font));
        items().push_back(std::move(item));
    }

    Report& m_report;
    TextMetrics& m_metrics;
    QString m_date;
    PreparedReport* m_out = nullptr;
    ReportBand* m_header = nullptr;
    ReportBand* m_footer = nullptr;
    double m_y = 0;
    double m_bottom = 0;
    double m_pageStart = 0;
    std::vector<LineItem> m_lines; // frame lines of the page being laid out
};

} // namespace

double TextItem::widthMm() const
{
    qint64 sum = 0;
    for (qint32 d : dx)
        sum += d;
    return double(sum) / UnitsPerMm;
}

ReportLayout::ReportLayout(QDate today)
    : m_today(today)
{
}

QString ReportLayout::dateText(QDate date)
{
    // The printouts go to a Hungarian lab: the date reads the Hungarian way
    // whatever language the partner's desktop runs in.
    static const QLocale hungarian(QLocale::Hungarian, QLocale::Hungary);
    return hungarian.toString(date, QLocale::ShortFormat);
}

PreparedReport ReportLayout::generate(Report& report)
{
    TextMetrics metrics;
    Run run(report, metrics, dateText(m_today));
    return run.go();
}

} // namespace pelmar::reports
