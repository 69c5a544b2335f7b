#include "PageQuery.h"

#include "reports/EmfWriter.h"
#include "reports/PageRenderer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

using namespace pelmar::reports;

namespace pelmar::test {

QList<const TextItem*> textsOf(const PreparedPage& page, const QString& source)
{
    QList<const TextItem*> out;
    for (const PageItem& item : page.items)
        if (const auto* t = std::get_if<TextItem>(&item); t && t->source == source)
            out.append(t);
    return out;
}

const TextItem* textOf(const PreparedPage& page, const QString& source, int row)
{
    for (const PageItem& item : page.items)
        if (const auto* t = std::get_if<TextItem>(&item); t && t->source == source && t->row == row)
            return t;
    return nullptr;
}

QList<QPair<int, const TextItem*>> textsOf(const PreparedReport& report, const QString& source)
{
    QList<QPair<int, const TextItem*>> out;
    for (const PreparedPage& page : report.pages)
        for (const TextItem* t : textsOf(page, source))
            out.append({page.number, t});
    return out;
}

QList<const FillItem*> rowFills(const PreparedReport& report)
{
    QList<const FillItem*> out;
    for (const PreparedPage& page : report.pages)
        for (const PageItem& item : page.items)
            if (const auto* f = std::get_if<FillItem>(&item); f && f->row >= 0)
                out.append(f);
    return out;
}

QList<QList<int>> rowsPerPage(const PreparedReport& report)
{
    QList<QList<int>> out;
    for (const PreparedPage& page : report.pages) {
        QList<int> rows;
        for (const PageItem& item : page.items)
            if (const auto* f = std::get_if<FillItem>(&item); f && f->row >= 0)
                rows.append(f->row);
        out.append(rows);
    }
    return out;
}

bool hasText(const PreparedPage& page, const QString& text)
{
    for (const PageItem& item : page.items)
        if (const auto* t = std::get_if<TextItem>(&item); t && t->text == text)
            return true;
    return false;
}

QImage renderPage(const PreparedPage& page, int width)
{
    const int height = int(width * PageHeightMm / PageWidthMm);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    paintPage(p, page, QRectF(0, 0, width, height));
    p.end();
    return image;
}

void dumpPages(const PreparedReport& report, const QString& name)
{
    const QString dir = qEnvironmentVariable("PELMAR_REPORT_DUMP");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    for (const PreparedPage& page : report.pages) {
        const QString base = QStringLiteral("%1/%2-%3").arg(dir, name).arg(page.number);
        renderPage(page, 1240).save(base + QStringLiteral(".png"));
        QFile emf(base + QStringLiteral(".emf"));
        if (emf.open(QIODevice::WriteOnly))
            emf.write(pageToEmf(page));
    }
}

} // namespace pelmar::test
