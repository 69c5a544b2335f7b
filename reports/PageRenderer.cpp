#include "reports/PageRenderer.h"
#include "core/Texts.h"

#include "core/AppError.h"
#include "platform/AtomicFile.h"
#include "reports/TextMetrics.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace pelmar::reports {

namespace {

QRectF units(const QRectF& mm)
{
    return QRectF(mm.x() * UnitsPerMm, mm.y() * UnitsPerMm, mm.width() * UnitsPerMm, mm.height() * UnitsPerMm);
}

QPointF units(const QPointF& mm)
{
    return mm * UnitsPerMm;
}

class ItemPainter
{
public:
    explicit ItemPainter(QPainter& p)
        : m_p(p)
    {
    }

    void operator()(const FillItem& item) { m_p.fillRect(units(item.rect), item.color); }

    void operator()(const LineItem& item)
    {
        m_p.setPen(QPen(Qt::black, item.width * UnitsPerMm, Qt::SolidLine, Qt::FlatCap));
        m_p.drawLine(units(item.from), units(item.to));
    }

    void operator()(const RectItem& item)
    {
        m_p.setPen(QPen(Qt::black, item.penWidth * UnitsPerMm, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        m_p.setBrush(Qt::NoBrush);
        m_p.drawRect(units(item.rect));
    }

    void operator()(const TextItem& item)
    {
        if (item.text.isEmpty())
            return;
        if (!m_hasFont || !(m_font == item.font)) {
            m_p.setFont(drawingFont(item.font));
            m_font = item.font;
            m_hasFont = true;
        }
        m_p.setPen(item.color);
        if (item.clipped) {
            m_p.save();
            m_p.setClipRect(units(item.clip), Qt::IntersectClip);
            m_p.drawText(units(item.origin), item.text);
            m_p.restore();
        } else {
            m_p.drawText(units(item.origin), item.text);
        }
    }

private:
    QPainter& m_p;
    FontSpec m_font;
    bool m_hasFont = false;
};

} // namespace

void paintPage(QPainter& painter, const PreparedPage& page, const QRectF& target)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(target.topLeft());
    painter.scale(target.width() / (PageWidthMm * UnitsPerMm), target.height() / (PageHeightMm * UnitsPerMm));
    painter.fillRect(QRectF(0, 0, PageWidthMm * UnitsPerMm, PageHeightMm * UnitsPerMm), Qt::white);
    ItemPainter draw(painter);
    for (const PageItem& item : page.items)
        std::visit(draw, item);
    painter.restore();
}

void printPages(const PreparedReport& report, QPrinter& printer)
{
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    int from = 1;
    int to = report.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(report.pageCount(), printer.toPage() > 0 ? printer.toPage() : report.pageCount());
    }
    if (from > to)
        return;
    QPainter painter;
    if (!painter.begin(&printer))
        throw AppError(QStringLiteral("A nyomtatás nem indítható el"));
    const QRectF sheet = printer.paperRect(QPrinter::DevicePixel);
    for (int n = from; n <= to; ++n) {
        if (n > from)
            printer.newPage();
        paintPage(painter, report.pages[size_t(n - 1)], QRectF(QPointF(0, 0), sheet.size()));
    }
    painter.end();
}

void savePdf(const PreparedReport& report, const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.dir().exists())
        throw AppError(QStringLiteral("A PDF nem menthető, a mappa nem létezik: %1").arg(shown));
    // Drawn into memory and written under a temporary name that is renamed
    // into place only when every byte is on disk, so a failed export never
    // leaves half a file under the chosen name.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(report.title);
        writer.setCreator(kProgramName);
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&writer))
            throw AppError(QStringLiteral("A PDF nem menthető ide: %1").arg(shown));
        const QRectF sheet(0, 0, writer.width(), writer.height());
        for (size_t i = 0; i < report.pages.size(); ++i) {
            if (i > 0)
                writer.newPage();
            paintPage(painter, report.pages[i], sheet);
        }
        painter.end();
    }
    QString error;
    if (!WriteFileAtomic(path, bytes, &error))
        throw AppError(
            QStringLiteral("A PDF nem menthető ide: %1\n%2").arg(shown, error.section(QStringLiteral(": "), -1)));
}

} // namespace pelmar::reports
