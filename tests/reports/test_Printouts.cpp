// The order printout and the summary printout: their rows, modes, places and
// page breaks, checked on the prepared pages.

#include "PageQuery.h"
#include "ReportFiles.h"
#include "core/AppError.h"
#include "reports/EmfWriter.h"
#include "reports/PrintoutLayout.h"
#include "reports/QRMegr.h"
#include "reports/QRSumMegr.h"
#include "reports/QrpFile.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::reports;
using namespace pelmar::test;

namespace {

// Geometry from the layout tables, for the page-break expectations.
constexpr double Bottom = 297.0 - 10.0 - 4.2; // page footer's top
constexpr double FirstRowTop = 10.0 + 5.0 + 61.4;
constexpr double LaterRowTop = 10.0 + 5.0;
constexpr double RowHeight = 4.2;
constexpr double SummaryHeight = 12.7;
constexpr double TotalInSummary = 6.4; // the total's top within the summary band
const int FirstPageRows = int((Bottom - FirstRowTop) / RowHeight + 1e-9);
const int LaterPageRows = int((Bottom - LaterRowTop) / RowHeight + 1e-9);

void notFinal(TQRMegrForm& form, const QList<OrderLine>& lines)
{
    form.setOrderLines(lines);
    form.setLabelCaption(QStringLiteral("LCegNev"), QStringLiteral("Fotó Bolt Kft."));
    form.setLabelCaption(QStringLiteral("LCegHelys"), QStringLiteral("Győr"));
    form.setLabelCaption(QStringLiteral("LCegCim"), QStringLiteral("Baross út 1."));
    form.setLabelCaption(QStringLiteral("LCegIrsz"), QStringLiteral("9021"));
    form.setLabelCaption(QStringLiteral("LSumMegr"), QStringLiteral("1234 Ft"));
    form.setSumMenny(QStringLiteral("%1 db").arg(lines.size()));
}

void final(TQRMegrForm& form, const QList<OrderLine>& lines, bool cd)
{
    notFinal(form, lines);
    form.setLabelCaption(QStringLiteral("LMegj"), QStringLiteral("Sürgős"));
    form.setLabelCaption(QStringLiteral("LVevoNev"), QStringLiteral("Kiss Éva"));
    form.setLabelCaption(QStringLiteral("LVevoHelys"), QStringLiteral("Pécs"));
    form.setLabelCaption(QStringLiteral("LVevoCim"), QStringLiteral("Fő utca 2."));
    form.setLabelCaption(QStringLiteral("LVevoIrsz"), QStringLiteral("7621"));
    form.setLabelEnabled(QStringLiteral("LNotFinal"), false);
    form.setLabelEnabled(QStringLiteral("QRLabel16"), cd);
    form.setLabelEnabled(QStringLiteral("QRLabel17"), cd);
    form.setLabelCaption(QStringLiteral("QRLabel17"), QStringLiteral("850 Ft"));
}

double rightEdge(const TextItem* t)
{
    return t->origin.x() + t->widthMm();
}

} // namespace

TEST(OrderPrintout, NotFinalShowsMarkerAndLeavesNewNamesCustomerNoteAndCdEmpty)
{
    TQRMegrForm form;
    notFinal(form, makeLines(3));
    form.PrepareReport();
    const PreparedPage& page = form.prepared().pages.at(0);
    EXPECT_TRUE(hasText(page, QStringLiteral("(Nem végleges adatok)")));
    EXPECT_TRUE(textsOf(page, QStringLiteral("LNewName")).isEmpty());
    for (const char* name : {"LVevoNev", "LVevoHelys", "LVevoCim", "LVevoIrsz", "LMegj", "QRLabel16", "QRLabel17"})
        EXPECT_TRUE(textsOf(page, QString::fromLatin1(name)).isEmpty()) << name;
    EXPECT_EQ(textOf(page, QStringLiteral("LCegHelys"))->text, QStringLiteral("Győr"));
    EXPECT_EQ(textOf(page, QStringLiteral("LFileName"), 2)->text, QStringLiteral("IMG_00003.JPG"));
    EXPECT_EQ(textOf(page, QStringLiteral("LSumDarab"))->text, QStringLiteral("3 db"));
    EXPECT_EQ(textOf(page, QStringLiteral("LSumMegr"))->text, QStringLiteral("1234 Ft"));
}

TEST(OrderPrintout, FinalShowsNewNamesCustomerNoteAndCdLine)
{
    QList<OrderLine> lines;
    lines << makeLine(QStringLiteral("/k/a.jpg"), QStringLiteral("9x13"), QStringLiteral("fill"), 2, 120,
                      QStringLiteral("kep00001"));
    lines << makeLine(QStringLiteral("/k/noext"), QStringLiteral("10x15"), QStringLiteral("fit"), 1, 150,
                      QStringLiteral("kep00002"));
    lines << makeLine(QStringLiteral("/k/mappa.v2/kep"), QStringLiteral("10x15"), QStringLiteral("fit"), 1, 150,
                      QStringLiteral("kep00003"));
    lines << makeLine(QStringLiteral("/k/b.tar.TIF"), QStringLiteral("10x15"), QStringLiteral("fit"), 1, 150,
                      QStringLiteral("kep00004"));
    TQRMegrForm form;
    final(form, lines, true);
    form.PrepareReport();
    const PreparedPage& page = form.prepared().pages.at(0);
    EXPECT_FALSE(hasText(page, QStringLiteral("(Nem végleges adatok)")));
    EXPECT_EQ(textOf(page, QStringLiteral("LNewName"), 0)->text, QStringLiteral("kep00001.jpg"));
    EXPECT_EQ(textOf(page, QStringLiteral("LNewName"), 1)->text, QStringLiteral("kep00002"));
    EXPECT_EQ(textOf(page, QStringLiteral("LNewName"), 2)->text, QStringLiteral("kep00003"));
    EXPECT_EQ(textOf(page, QStringLiteral("LNewName"), 3)->text, QStringLiteral("kep00004.TIF"));
    EXPECT_EQ(textOf(page, QStringLiteral("LVevoNev"))->text, QStringLiteral("Kiss Éva"));
    EXPECT_EQ(textOf(page, QStringLiteral("LMegj"))->text, QStringLiteral("Sürgős"));
    EXPECT_EQ(textOf(page, QStringLiteral("QRLabel16"))->text, QStringLiteral("CD írás és indexkép:"));
    const TextItem* fee = textOf(page, QStringLiteral("QRLabel17"));
    ASSERT_TRUE(fee);
    EXPECT_EQ(fee->text, QStringLiteral("850 Ft"));
    EXPECT_NEAR(rightEdge(fee), 10 + 187.3, 0.02);
    EXPECT_EQ(textOf(page, QStringLiteral("LFill"), 1)->text, QStringLiteral("fit"));
    EXPECT_EQ(textOf(page, QStringLiteral("LSize"), 0)->text, QStringLiteral("9x13"));
    EXPECT_EQ(textOf(page, QStringLiteral("LAmount"), 0)->text, QStringLiteral("2"));
    EXPECT_EQ(textOf(page, QStringLiteral("LPrice"), 0)->text, QStringLiteral("120 Ft"));
    EXPECT_EQ(textOf(page, QStringLiteral("LSumPrice"), 0)->text, QStringLiteral("240 Ft"));
}

TEST(OrderPrintout, RightAlignedAutoSizedLabelsKeepTheirRightEdge)
{
    QList<OrderLine> lines;
    for (int price : {5, 120, 99999, 1234567})
        lines << makeLine(QStringLiteral("/k/a.jpg"), QStringLiteral("9x13"), QStringLiteral("fill"), 3, price);
    TQRMegrForm form;
    final(form, lines, false);
    form.setLabelCaption(QStringLiteral("LSumMegr"), QStringLiteral("3703701 Ft"));
    form.PrepareReport();
    const PreparedPage& page = form.prepared().pages.at(0);
    double previousWidth = 0;
    for (int row = 0; row < 4; ++row) {
        const TextItem* price = textOf(page, QStringLiteral("LPrice"), row);
        const TextItem* sum = textOf(page, QStringLiteral("LSumPrice"), row);
        ASSERT_TRUE(price && sum);
        EXPECT_NEAR(rightEdge(price), 10 + 164.0, 0.02) << row;
        EXPECT_NEAR(rightEdge(sum), 10 + 187.3, 0.02) << row;
        EXPECT_GT(price->widthMm(), previousWidth); // longer texts grow to the left
        previousWidth = price->widthMm();
    }
    EXPECT_NEAR(rightEdge(textOf(page, QStringLiteral("LSumMegr"))), 10 + 187.3, 0.02);
    // The heading sits on the same edge.
    EXPECT_NEAR(rightEdge(textOf(page, QStringLiteral("HLPrice"))), 10 + 164.0, 0.02);
    // Centred columns keep their centre.
    const TextItem* size = textOf(page, QStringLiteral("LSize"), 0);
    EXPECT_NEAR(size->origin.x() + size->widthMm() / 2, 10 + 112.2 + 17.2 / 2, 0.02);
}

TEST(OrderPrintout, TitleBandPlacesMatchTheLayout)
{
    TQRMegrForm form;
    final(form, makeLines(1), false);
    form.PrepareReport();
    const PreparedPage& page = form.prepared().pages.at(0);
    // Band tops: header at 10, title at 15.
    const TextItem* cegNev = textOf(page, QStringLiteral("LCegNev"));
    EXPECT_NEAR(cegNev->origin.x(), 10 + 4.2, 0.01);
    EXPECT_NEAR(cegNev->clip.top(), 15 + 24.3, 0.01);
    const TextItem* vevoIrsz = textOf(page, QStringLiteral("LVevoIrsz"));
    EXPECT_NEAR(vevoIrsz->origin.x(), 10 + 95.3, 0.01);
    EXPECT_NEAR(vevoIrsz->clip.top(), 15 + 39.2, 0.01);
    EXPECT_NEAR(textOf(page, QStringLiteral("LMegj"))->origin.x(), 10 + 23.3, 0.01);
    const TextItem* title = textOf(page, QStringLiteral("QRSysData3"));
    EXPECT_EQ(title->font.name, QStringLiteral("Times New Roman"));
    EXPECT_TRUE(title->font.bold && title->font.italic);
    EXPECT_NEAR(title->origin.x() + title->widthMm() / 2, 105.0, 0.02); // centred over the band
    EXPECT_NEAR(textOf(page, QStringLiteral("HLFileName"))->clip.top(), 15 + 56.4, 0.01);
    // Three rectangles as designed.
    QList<QRectF> rects;
    for (const PageItem& item : page.items)
        if (const auto* r = std::get_if<RectItem>(&item))
            rects << r->rect;
    ASSERT_EQ(rects.size(), 3);
    EXPECT_NEAR(rects[1].left(), 10 + 94.2, 1e-9);
    EXPECT_NEAR(rects[1].width(), 95.8, 1e-9);
    EXPECT_NEAR(rects[2].top(), 15 + 46.6, 1e-9);
    // The summary's top line is twice the normal width.
    bool thick = false;
    for (const PageItem& item : page.items)
        if (const auto* l = std::get_if<LineItem>(&item))
            thick = thick || qFuzzyCompare(l->width, 2 * NormalLineMm);
    EXPECT_TRUE(thick);
}

// Long and huge texts are cut at their column, never carried over the next
// one or onto another line.
TEST(OrderPrintout, TooLongTextsAreCutAtTheirColumn)
{
    QList<OrderLine> lines;
    lines << makeLine(QStringLiteral("/k/") + QString(200, QLatin1Char('W')) + QStringLiteral(".jpg"),
                      QString(40, QLatin1Char('M')), QStringLiteral("fill"), 1, 2000000000);
    TQRMegrForm form;
    final(form, lines, false);
    form.setLabelCaption(QStringLiteral("LCegNev"), QString(300, QLatin1Char('N')));
    form.setLabelCaption(QStringLiteral("LMegj"), QString(100000, QChar(0x0151)));
    form.setLabelCaption(QStringLiteral("LSumMegr"), QString(100000, QLatin1Char('9')) + QStringLiteral(" Ft"));
    form.PrepareReport();
    const PreparedPage& page = form.prepared().pages.at(0);

    const TextItem* name = textOf(page, QStringLiteral("LFileName"), 0);
    ASSERT_TRUE(name);
    EXPECT_TRUE(name->clipped);
    EXPECT_LT(name->text.size(), 200);
    EXPECT_NEAR(name->clip.right(), 10 + 2.1 + 69.1, 1e-9);
    // Whatever is kept starts inside the column and ends within a character
    // of its edge.
    EXPECT_LE(name->origin.x() + name->widthMm(), 10 + 2.1 + 69.1 + 6);
    const TextItem* size = textOf(page, QStringLiteral("LSize"), 0);
    EXPECT_TRUE(size->clipped);
    EXPECT_GE(size->clip.left(), 10 + 112.2 - 1e-9);
    EXPECT_LE(size->clip.right(), 10 + 112.2 + 17.2 + 1e-9);
    EXPECT_LE(textOf(page, QStringLiteral("LCegNev"))->clip.right(), 10 + 94.5);
    const TextItem* note = textOf(page, QStringLiteral("LMegj"));
    ASSERT_TRUE(note);
    EXPECT_TRUE(note->clipped);
    EXPECT_LT(note->text.size(), 200);
    // A figure beyond any page still ends on its edge, cut only by the page.
    const TextItem* total = textOf(page, QStringLiteral("LSumMegr"));
    ASSERT_TRUE(total);
    EXPECT_TRUE(total->text.endsWith(QStringLiteral(" Ft")));
    EXPECT_LT(total->text.size(), 1000);
    EXPECT_NEAR(total->clip.right(), 10 + 187.3, 1e-9);
    EXPECT_GE(total->clip.left(), 10 - 1e-9);
}

// Counts and amounts wider than their column are never cut (cut on the left,
// "100001 db" would read as "00001 db"): they shrink on their own baseline
// and keep their aligned edge or centre, in both printouts (the preview
// paints these same items).
TEST(OrderPrintout, FiguresWiderThanTheirColumnShrinkAndAreNeverCut)
{
    const QString count = QStringLiteral("100001 db"), price = QStringLiteral("2147483647 Ft"),
                  sum = QStringLiteral("12345678900009 Ft");
    TQRMegrForm order;
    final(order,
          {makeLine(QStringLiteral("/k/a.jpg"), QStringLiteral("9x13"), QStringLiteral("fill"), 1000, 2147483647)},
          true);
    TQRSumMegrForm summary;
    summary.addRow(QStringLiteral("9x13|%1|%2|%3").arg(count, price, sum));
    summary.setLabelEnabled(QStringLiteral("QRLabel17"), true);
    order.setSumMenny(count);
    summary.setSumMenny(count);
    for (ReportForm* form : std::initializer_list<ReportForm*> {&order, &summary}) {
        form->setLabelCaption(QStringLiteral("LSumMegr"), sum);
        form->setLabelCaption(QStringLiteral("QRLabel17"), price);
        form->PrepareReport();
    }
    // label, row, text, the edge it keeps (a centre when centred), on each printout
    const std::tuple<const char*, int, QString, double, double, bool> figures[] = {
        {"LAmount", 0, "", 131.2 + 15.1 / 2, 25.4 + 15.1 / 2, true},
        {"LPrice", 0, price, 164.0, 58.2, false},
        {"LSumPrice", 0, "", 187.3, 81.5, false},
        {"LSumDarab", -1, count, 131.2 + 15.4 / 2, 25.4 + 15.4 / 2, true},
        {"LSumMegr", -1, sum, 187.3, 81.5, false},
        {"QRLabel17", -1, price, 187.3, 81.5, false},
    };
    int shrunk = 0;
    for (const auto& [label, row, text, orderEdge, summaryEdge, centred] : figures) {
        for (const ReportForm* form : std::initializer_list<const ReportForm*> {&order, &summary}) {
            SCOPED_TRACE(std::string(label) + (form == &order ? " (order)" : " (summary)"));
            const TextItem* t = textOf(form->prepared().pages.at(0), QString::fromLatin1(label), row);
            ASSERT_TRUE(t);
            if (!text.isEmpty()) {
                EXPECT_EQ(t->text, text);
            }
            EXPECT_FALSE(t->clipped) << t->text.toStdString();
            const double at = centred ? t->origin.x() + t->widthMm() / 2 : rightEdge(t);
            EXPECT_NEAR(at, 10 + (form == &order ? orderEdge : summaryEdge), 0.02);
            shrunk += t->font.size < (row < 0 && label[1] == 'S' ? 10 : 8) - 1e-9;
        }
    }
    EXPECT_GE(shrunk, 5) << "the wide figures were not drawn smaller";
    const TextItem* unit = textOf(order.prepared().pages.at(0), QStringLiteral("LPrice"), 0);
    EXPECT_GE(unit->origin.x(), 10 + 147.3 - 0.02) << "a shrunk figure stays in its column";
    EXPECT_NEAR(unit->origin.y(), textOf(order.prepared().pages.at(0), QStringLiteral("LFileName"), 0)->origin.y(),
                1e-9);
    dumpPages(order.prepared(), QStringLiteral("figures"));
}

// Orders of no row, one row, a first page exactly full, one row more, three
// pages and ten thousand rows, each prepared twice (the second generation
// must start over on a white row): every row once and in order, white and
// grey alternating, a full first page and full later pages, page header and
// footer on every page, the title only on the first, and the summary once,
// under the last row or, when it does not fit there, on a page of its own.
TEST(OrderPrintout, PageBreaksForOrdersOfEverySize)
{
    for (const int count : {0, 1, FirstPageRows, FirstPageRows + 1, 150, 10000}) {
        SCOPED_TRACE(count);
        const int rowPages
            = count <= FirstPageRows ? 1 : 1 + (count - FirstPageRows + LaterPageRows - 1) / LaterPageRows;
        const int lastRows = count <= FirstPageRows ? count : count - FirstPageRows - (rowPages - 2) * LaterPageRows;
        const double lastTop = rowPages == 1 ? FirstRowTop : LaterRowTop;
        const bool summaryFits = lastTop + lastRows * RowHeight + SummaryHeight <= Bottom;
        TQRMegrForm form;
        notFinal(form, makeLines(count));
        for (int generation = 0; generation < 2; ++generation) {
            form.PrepareReport();
            const PreparedReport& r = form.prepared();
            EXPECT_TRUE(r.finished);
            ASSERT_EQ(r.pageCount(), rowPages + (summaryFits ? 0 : 1));
            const auto rows = rowsPerPage(r);
            int next = 0;
            for (int p = 0; p < rows.size(); ++p) {
                const int full = p == 0 ? FirstPageRows : LaterPageRows;
                EXPECT_EQ(rows[p].size(), std::min(full, count - next)) << "page " << p + 1;
                for (int row : rows[p])
                    ASSERT_EQ(row, next++);
            }
            EXPECT_EQ(next, count);
            const auto fills = rowFills(r);
            for (int i = 0; i < fills.size(); ++i)
                ASSERT_EQ(fills[i]->color, i % 2 ? RowGrey : RowWhite) << i;
            for (const PreparedPage& page : r.pages) {
                ASSERT_EQ(textsOf(page, QStringLiteral("QRSysData1")).size(), 1) << page.number;
                EXPECT_FALSE(textsOf(page, QStringLiteral("QRSysData1"))[0]->text.isEmpty()) << "the date";
                EXPECT_EQ(textsOf(page, QStringLiteral("QRSysData2")).size(), 1) << page.number;
                EXPECT_TRUE(hasText(page, QStringLiteral("Oldal: %1").arg(page.number)));
                const bool first = page.number == 1;
                EXPECT_EQ(textsOf(page, QStringLiteral("QRSysData3")).size(), first ? 1 : 0);
                EXPECT_EQ(textsOf(page, QStringLiteral("HLFileName")).size(), first ? 1 : 0);
                EXPECT_EQ(textsOf(page, QStringLiteral("LNotFinal")).size(), first ? 1 : 0);
            }
            const auto totals = textsOf(r, QStringLiteral("LSumMegr"));
            ASSERT_EQ(totals.size(), 1);
            EXPECT_EQ(totals[0].first, r.pageCount());
            const PreparedPage& last = r.pages.back();
            EXPECT_TRUE(hasText(last, QStringLiteral("Összesen:")));
            EXPECT_EQ(textOf(last, QStringLiteral("LSumDarab"))->text, QStringLiteral("%1 db").arg(count));
            if (!summaryFits) {
                // Under the page header of the new page, with no rows.
                EXPECT_TRUE(rows.back().isEmpty());
                EXPECT_NEAR(totals[0].second->clip.top(), LaterRowTop + TotalInSummary, 1e-9);
            }
            if (count > 0) {
                const TextItem* lastName = textOf(r.pages[rowPages - 1], QStringLiteral("LFileName"), count - 1);
                ASSERT_TRUE(lastName);
                EXPECT_EQ(lastName->text, QStringLiteral("IMG_%1.JPG").arg(count, 5, 10, QLatin1Char('0')));
                if (summaryFits) {
                    EXPECT_GT(totals[0].second->clip.top(), lastName->clip.top());
                }
            }
            if (rowPages > 1) {
                // Rows on later pages start right under the page header.
                EXPECT_NEAR(textOf(r.pages[1], QStringLiteral("LFileName"), FirstPageRows)->clip.top(), LaterRowTop,
                            1e-9);
            }
        }
    }
}

TEST(OrderPrintout, CaptionsOutsideCodePage1250SurviveIntoThePage)
{
    // "o" + double acute and "U" + diaeresis, as names copied from a Mac
    // carry them, print as the letters "ő" and "Ü".
    const QString odd = QStringLiteral("Ωmega Жук 日本 ") + QString::fromUcs4(U"\U0001F600")
        + QStringLiteral(" ő\tű\n! o\u030B U\u0308");
    TQRMegrForm form;
    notFinal(form,
             {makeLine(QStringLiteral("/k/") + odd + QStringLiteral(".jpg"), QStringLiteral("9x13"),
                       QStringLiteral("fill"), 1, 100)});
    form.setLabelCaption(QStringLiteral("LCegNev"), odd);
    form.PrepareReport();
    const TextItem* name = textOf(form.prepared().pages[0], QStringLiteral("LCegNev"));
    ASSERT_TRUE(name);
    // Line breaks and tabs print as blanks; everything else as typed.
    QString expected = odd;
    expected.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    expected.replace(QStringLiteral("o\u030B U\u0308"), QStringLiteral("ő Ü"));
    EXPECT_EQ(name->text, expected);
    ASSERT_EQ(name->dx.size(), name->text.size());

    EmfPage emf;
    QString error;
    ASSERT_TRUE(parseEmf(pageToEmf(form.prepared().pages[0]), emf, error)) << error.toStdString();
    bool found = false;
    for (const EmfText& t : emf.texts)
        if (t.text == expected) {
            found = true;
            // The emoji's two UTF-16 units: the advance on the first.
            const qsizetype at = expected.indexOf(QString::fromUcs4(U"\U0001F600"));
            EXPECT_GT(t.dx[at], 0u);
            EXPECT_EQ(t.dx[at + 1], 0u);
        }
    EXPECT_TRUE(found);
}

TEST(OrderPrintout, UnknownLabelNameFails)
{
    TQRMegrForm form;
    EXPECT_THROW(form.setLabelCaption(QStringLiteral("LNincsIlyen"), QStringLiteral("x")), AppError);
    EXPECT_THROW(form.setLabelEnabled(QString(), true), AppError);
    EXPECT_TRUE(form.labelEnabled(QStringLiteral("LNotFinal")));
    EXPECT_FALSE(form.labelEnabled(QStringLiteral("QRLabel16")));
    EXPECT_FALSE(form.labelEnabled(QStringLiteral("QRLabel17")));
}

TEST(OrderPrintout, RenderedPageShowsGreyRowsAndText)
{
    TQRMegrForm form;
    final(form, makeLines(60), true);
    form.PrepareReport();
    dumpPages(form.prepared(), QStringLiteral("megrendeles"));
    const PreparedPage& page = form.prepared().pages[0];
    const int width = 2100; // 10 pixels per millimetre
    const QImage image = renderPage(page, width);
    auto at = [&](double xMm, double yMm) { return QColor(image.pixel(int(xMm * 10), int(yMm * 10))); };
    // Row 1 (grey) and row 0 (white), at the band's left end where no text is.
    EXPECT_EQ(at(10.8, FirstRowTop + 1 * RowHeight + 2.0), RowGrey);
    EXPECT_EQ(at(10.8, FirstRowTop + 0 * RowHeight + 2.0), RowWhite);
    // Some ink in the title and in the file name column of the first row.
    auto ink = [&](QRectF mm) {
        int dark = 0;
        for (int y = int(mm.top() * 10); y < int(mm.bottom() * 10); ++y)
            for (int x = int(mm.left() * 10); x < int(mm.right() * 10); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    EXPECT_GT(ink(QRectF(60, 17, 90, 8)), 200);
    EXPECT_GT(ink(QRectF(12, FirstRowTop, 30, RowHeight)), 20);
    // Nothing right of the right margin.
    EXPECT_EQ(ink(QRectF(201, 10, 8, 270)), 0);
}

TEST(SummaryPrintout, SplitsItemsAtBars)
{
    using F = std::array<QString, 4>;
    EXPECT_EQ(TQRSumMegrForm::splitItem(QStringLiteral("9x13|3 db|120 Ft|360 Ft")),
              (F {"9x13", "3 db", "120 Ft", "360 Ft"}));
    EXPECT_EQ(TQRSumMegrForm::splitItem(QStringLiteral("a|b|c|d|e")), (F {"a", "b", "c", "d|e"}));
    EXPECT_EQ(TQRSumMegrForm::splitItem(QStringLiteral("egyben")), (F {"", "", "", "egyben"}));
    EXPECT_EQ(TQRSumMegrForm::splitItem(QStringLiteral("a|b")), (F {"a", "", "", "b"}));
    EXPECT_EQ(TQRSumMegrForm::splitItem(QStringLiteral("|||")), (F {"", "", "", ""}));
    EXPECT_EQ(TQRSumMegrForm::splitItem(QString()), (F {"", "", "", ""}));
}

TEST(SummaryPrintout, RowsShowFieldsInTheirColumnsAndAlternate)
{
    TQRSumMegrForm form;
    form.addRow(QStringLiteral("9x13|3 db|120 Ft|360 Ft"));
    form.addRow(QStringLiteral("a|b|c|d|e"));
    form.addRow(QStringLiteral("egyben"));
    form.setSumMenny(QStringLiteral("5 db"));
    form.setLabelCaption(QStringLiteral("LSumMegr"), QStringLiteral("1000 Ft"));
    form.setLabelEnabled(QStringLiteral("LNotFinal"), false);
    for (int generation = 0; generation < 2; ++generation) {
        form.PrepareReport();
        const PreparedPage& page = form.prepared().pages.at(0);
        EXPECT_EQ(textOf(page, QStringLiteral("LSize"), 0)->text, QStringLiteral("9x13"));
        EXPECT_EQ(textOf(page, QStringLiteral("LAmount"), 0)->text, QStringLiteral("3 db"));
        EXPECT_EQ(textOf(page, QStringLiteral("LPrice"), 0)->text, QStringLiteral("120 Ft"));
        EXPECT_EQ(textOf(page, QStringLiteral("LSumPrice"), 0)->text, QStringLiteral("360 Ft"));
        EXPECT_EQ(textOf(page, QStringLiteral("LSumPrice"), 1)->text, QStringLiteral("d|e"));
        EXPECT_EQ(textOf(page, QStringLiteral("LSize"), 2), nullptr);
        EXPECT_EQ(textOf(page, QStringLiteral("LSumPrice"), 2)->text, QStringLiteral("egyben"));
        EXPECT_NEAR(rightEdge(textOf(page, QStringLiteral("LPrice"), 0)), 10 + 58.2, 0.02);
        EXPECT_NEAR(rightEdge(textOf(page, QStringLiteral("LSumPrice"), 0)), 10 + 81.5, 0.02);
        EXPECT_NEAR(rightEdge(textOf(page, QStringLiteral("LSumMegr"))), 10 + 81.5, 0.02);
        EXPECT_NEAR(textOf(page, QStringLiteral("LSumMegr"))->clip.top(), 15 + 63.5 + 3 * 4.2 + 10.6, 1e-9);
        EXPECT_NEAR(textOf(page, QStringLiteral("HLSize"))->clip.top(), 15 + 56.1, 1e-9);
        EXPECT_EQ(textOf(page, QStringLiteral("LSumDarab"))->text, QStringLiteral("5 db"));
        const auto fills = rowFills(form.prepared());
        ASSERT_EQ(fills.size(), 3);
        EXPECT_EQ(fills[0]->color, RowWhite);
        EXPECT_EQ(fills[1]->color, RowGrey);
        EXPECT_EQ(fills[2]->color, RowWhite);
        EXPECT_FALSE(hasText(page, QStringLiteral("(Nem végleges adatok)")));
        EXPECT_TRUE(hasText(page, QStringLiteral("Pelmar digitális fotórendelés - összesítő")));
    }
    // The items are the caller's: generating does not touch them.
    EXPECT_EQ(form.QRStringsBand1().Items.size(), 3);
    dumpPages(form.prepared(), QStringLiteral("osszegezve"));
}

TEST(SummaryPrintout, CdLineOnlyWhenEnabled)
{
    TQRSumMegrForm form;
    form.addRow(QStringLiteral("9x13|3 db|120 Ft|360 Ft"));
    form.PrepareReport();
    EXPECT_TRUE(textsOf(form.prepared().pages[0], QStringLiteral("QRLabel16")).isEmpty());
    form.setLabelEnabled(QStringLiteral("QRLabel16"), true);
    form.setLabelEnabled(QStringLiteral("QRLabel17"), true);
    form.setLabelCaption(QStringLiteral("QRLabel17"), QStringLiteral("850 Ft"));
    form.PrepareReport();
    const TextItem* fee = textOf(form.prepared().pages[0], QStringLiteral("QRLabel17"));
    ASSERT_TRUE(fee);
    EXPECT_NEAR(rightEdge(fee), 10 + 81.5, 0.02);
}
