#pragma once

// The page store: what a generation produces. Each page is a list of drawing
// items in page millimetres (origin at the paper's top-left corner); the
// painter renderer (preview, printing, PDF) and the metafile writer (the saved
// report) both draw exactly these items, in this order.

#include "reports/ReportModel.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <variant>
#include <vector>

namespace pelmar::reports {

struct FillItem
{
    QRectF rect;
    QColor color;
    QString source; // band name
    int row = -1; // detail row index, -1 for other bands
};

struct LineItem
{
    QPointF from;
    QPointF to;
    double width = NormalLineMm; // mm
};

struct RectItem
{
    QRectF rect;
    double penWidth = NormalLineMm; // mm
};

struct TextItem
{
    QString text; // what is drawn (already cut to the visible part)
    FontSpec font;
    QPointF origin; // start of the text on its baseline
    QRectF clip; // nothing is drawn outside
    bool clipped = false; // the text reaches beyond clip
    QList<qint32> dx; // advance per UTF-16 unit, hundredths of a mm
    QColor color = Qt::black;
    QString source; // label name
    int row = -1; // detail row index, -1 for other bands

    double widthMm() const;
};

using PageItem = std::variant<FillItem, LineItem, RectItem, TextItem>;

struct PreparedPage
{
    int number = 0; // from 1
    std::vector<PageItem> items;
};

class PreparedReport
{
public:
    QString title;
    std::vector<PreparedPage> pages;
    // Local time the generation finished; the store counts as finished only
    // once it is set by a completed generation.
    QDateTime finishedAt;
    bool finished = false;

    int pageCount() const { return int(pages.size()); }
    void clear()
    {
        pages.clear();
        finished = false;
        finishedAt = {};
    }
};

} // namespace pelmar::reports
