#pragma once

// The banded report as data. A report is an A4 portrait page with 10 mm
// margins; every position below is in millimetres, horizontal places from the
// left margin, vertical places from the top of the band that holds the item.
//
// Bands: page header (every page), title (once, first page), detail strings
// band (one row per entry of its Items), summary (once, after the last row),
// page footer (every page). Bands hold labels, system fields and rectangles.
// Hooks: Report::BeforePrint at the start of every generation, and the detail
// band's BeforePrint once per row with Report::CurrentIndex set to the row.

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace pelmar::reports {

// Page geometry of every report.
inline constexpr double PageWidthMm = 210.0;
inline constexpr double PageHeightMm = 297.0;
inline constexpr double MarginMm = 10.0;
inline constexpr double ContentWidthMm = PageWidthMm - 2 * MarginMm; // 190
inline constexpr double ContentHeightMm = PageHeightMm - 2 * MarginMm; // 277
// A frame line of width 1 is this thick; the summary's "twice the normal line
// width" is 2.
inline constexpr double NormalLineMm = 0.25;

// The smallest type a figure shrinks to, as a share of its designed size.
inline constexpr double kMinFigureScale = 0.6;

struct FontSpec
{
    QString name = QStringLiteral("Arial");
    double size = 8.0; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const FontSpec&) const = default;
};

enum class Alignment { Left, Center, Right };

// What a label prints: its own caption or one of the system fields, each after
// its Caption used as the fixed prefix text.
enum class LabelKind { Text, ReportTitle, Date, PageNumber };

struct ReportLabel
{
    QString Name;
    QString Caption;
    bool Enabled = true;
    LabelKind Kind = LabelKind::Text;
    FontSpec Font;
    Alignment Align = Alignment::Left;
    double Left = 0; // mm from the left margin
    double Top = 0; // mm from the band's top
    double Width = 0; // designed width; with AutoSize the text decides
    // An auto-sized label takes the width of its text and keeps its left edge,
    // its right edge (Right) or its centre (Center) where they were designed.
    bool AutoSize = true;
    // Auto-sized text is cut at this width (0: up to the band's edge), so a
    // long text never runs into the neighbouring column.
    double MaxWidth = 0;
    // An amount or a count, which must never be cut: cut on the left,
    // "100001 db" would read as "00001 db", a plausible wrong figure. Wider
    // than its box (MaxWidth, or Width for a fixed box), it is drawn in a
    // smaller type on the same baseline, down to kMinFigureScale of its size;
    // wider still, it runs out of its box into the band, away from its
    // aligned edge.
    bool Figure = false;
    // Centred over the whole band, whatever Left says.
    bool AlignToBand = false;
    bool Transparent = true;
    QColor Color = Qt::black;
    QColor Background = Qt::white; // used when not Transparent

    double right() const { return Left + Width; }
};

struct ReportShape
{
    double Left = 0;
    double Top = 0;
    double Width = 0;
    double Height = 0;
    double PenWidth = 1; // multiples of NormalLineMm
};

enum class BandType { PageHeader, Title, Detail, Summary, PageFooter };

class Report;

class ReportBand
{
public:
    ReportBand(BandType type, QString name, double height);

    BandType Type;
    QString Name;
    double Height;
    bool FrameTop = false;
    bool FrameBottom = false;
    double FrameWidth = 1; // multiples of NormalLineMm
    QColor Color; // background; invalid: none
    QStringList Items; // the detail band's rows

    // Called before the band is laid out; `PrintBand` false skips it.
    std::function<void(ReportBand& band, bool& PrintBand)> BeforePrint;

    ReportLabel& addLabel(const QString& name, const QString& caption, double left, double top,
                          const FontSpec& font = {}, Alignment align = Alignment::Left);
    // A right-aligned, auto-sized label whose right edge stays at `rightEdge`.
    ReportLabel& addRightLabel(const QString& name, const QString& caption, double rightEdge, double top,
                               const FontSpec& font = {}, double maxWidth = 0);
    // A label of fixed width: text outside [left, left + width] is cut.
    ReportLabel& addColumnLabel(const QString& name, const QString& caption, double left, double width, double top,
                                const FontSpec& font = {}, Alignment align = Alignment::Left);
    ReportLabel& addSystemField(const QString& name, LabelKind kind, const QString& prefix, double left, double top,
                                const FontSpec& font = {}, Alignment align = Alignment::Left);
    void addRectangle(double left, double top, double width, double height, double penWidth = 1);

    const std::vector<std::unique_ptr<ReportLabel>>& labels() const { return m_labels; }
    const std::vector<ReportShape>& shapes() const { return m_shapes; }
    ReportLabel* findLabel(const QString& name) const;

private:
    std::vector<std::unique_ptr<ReportLabel>> m_labels;
    std::vector<ReportShape> m_shapes;
};

class Report
{
public:
    Report() = default;
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    QString ReportTitle;
    // The row being generated; -1 outside the detail rows.
    int CurrentIndex = -1;
    // Runs at the start of every generation, before any band; `PrintReport`
    // false gives an empty report.
    std::function<void(Report& report, bool& PrintReport)> BeforePrint;

    ReportBand& addBand(BandType type, const QString& name, double height);
    ReportBand* band(BandType type) const;
    const std::vector<std::unique_ptr<ReportBand>>& bands() const { return m_bands; }

    // The label of that name in any band, or nullptr.
    ReportLabel* findLabel(const QString& name) const;
    // The same, but an unknown name is a programming error reported as a
    // failure naming the label.
    ReportLabel& label(const QString& name) const;

private:
    std::vector<std::unique_ptr<ReportBand>> m_bands;
};

} // namespace pelmar::reports
