// The engine on small report definitions made here: hook order, what a
// hook's changes reach, disabled labels, system fields, oversized bands, and
// printing a page range.

#include "PageQuery.h"
#include "ReportFiles.h"
#include "reports/PageRenderer.h"
#include "reports/QRMegr.h"
#include "reports/ReportForm.h"
#include "reports/ReportLayout.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::reports;
using namespace pelmar::test;

namespace {

// A minimal banded report: header, title, detail, summary, footer.
struct Small
{
    Report report;
    ReportBand* detail;
    QStringList log;

    explicit Small(int rows, double detailHeight = 10)
    {
        report.ReportTitle = QStringLiteral("Próba");
        ReportBand& header = report.addBand(BandType::PageHeader, QStringLiteral("Header"), 10);
        header.addSystemField(QStringLiteral("Date"), LabelKind::Date, QStringLiteral("Dátum: "), 0, 0);
        header.BeforePrint = [this](ReportBand&, bool&) { log << QStringLiteral("header"); };
        ReportBand& title = report.addBand(BandType::Title, QStringLiteral("Title"), 20);
        title.addSystemField(QStringLiteral("Title"), LabelKind::ReportTitle, QStringLiteral("Cím: "), 0, 0);
        title.BeforePrint = [this](ReportBand&, bool&) { log << QStringLiteral("title"); };
        ReportBand& d = report.addBand(BandType::Detail, QStringLiteral("Detail"), detailHeight);
        d.addLabel(QStringLiteral("Row"), QString(), 0, 0);
        for (int i = 0; i < rows; ++i)
            d.Items << QStringLiteral("sor %1").arg(i);
        d.BeforePrint = [this](ReportBand& band, bool&) {
            log << QStringLiteral("row %1").arg(report.CurrentIndex);
            band.findLabel(QStringLiteral("Row"))->Caption = band.Items.at(report.CurrentIndex);
            report.label(QStringLiteral("Last")).Caption = band.Items.at(report.CurrentIndex);
        };
        detail = &d;
        ReportBand& summary = report.addBand(BandType::Summary, QStringLiteral("Summary"), 10);
        summary.addLabel(QStringLiteral("Last"), QStringLiteral("nincs sor"), 0, 0);
        summary.BeforePrint = [this](ReportBand&, bool&) { log << QStringLiteral("summary"); };
        ReportBand& footer = report.addBand(BandType::PageFooter, QStringLiteral("Footer"), 10);
        footer.addSystemField(QStringLiteral("Page"), LabelKind::PageNumber, QStringLiteral("Oldal: "), 0, 0);
        footer.BeforePrint = [this](ReportBand&, bool&) { log << QStringLiteral("footer"); };
        report.BeforePrint = [this](Report&, bool&) { log << QStringLiteral("report"); };
    }
};

} // namespace

// Each row's hook sees its own index and what it sets reaches later bands:
// the summary shows the caption the last row left.
TEST(ReportEngine, HooksRunInOrderWithCurrentIndex)
{
    Small s(3);
    PreparedReport r = ReportLayout(QDate(2026, 3, 4)).generate(s.report);
    EXPECT_EQ(s.log, (QStringList {"report", "header", "title", "row 0", "row 1", "row 2", "summary", "footer"}));
    EXPECT_EQ(s.report.CurrentIndex, -1);
    EXPECT_EQ(textOf(r.pages[0], QStringLiteral("Last"))->text, QStringLiteral("sor 2"));
    EXPECT_EQ(textOf(r.pages[0], QStringLiteral("Row"), 1)->text, QStringLiteral("sor 1"));
}

TEST(ReportEngine, ReportHookMayReplaceItemsBeforeRowsOrCancelTheReport)
{
    Small s(2);
    s.report.BeforePrint = [&](Report&, bool&) { s.detail->Items = QStringList {"x", "y", "z", "w"}; };
    PreparedReport r = ReportLayout().generate(s.report);
    EXPECT_EQ(rowsPerPage(r).size(), 1);
    EXPECT_EQ(textsOf(r, QStringLiteral("Row")).size(), 4);

    s.report.BeforePrint = [](Report&, bool& print) { print = false; };
    r = ReportLayout().generate(s.report);
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.pageCount(), 0);
}

TEST(ReportEngine, DisabledLabelsAndSkippedBandsPrintNothing)
{
    Small s(3);
    s.report.label(QStringLiteral("Last")).Enabled = false;
    s.detail->BeforePrint = [&](ReportBand& band, bool& print) {
        print = s.report.CurrentIndex != 1;
        band.findLabel(QStringLiteral("Row"))->Caption = band.Items.at(s.report.CurrentIndex);
    };
    PreparedReport r = ReportLayout().generate(s.report);
    EXPECT_TRUE(textsOf(r, QStringLiteral("Last")).isEmpty());
    const auto rows = textsOf(r, QStringLiteral("Row"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].second->text, QStringLiteral("sor 0"));
    EXPECT_EQ(rows[1].second->text, QStringLiteral("sor 2"));
    // The skipped row takes no room.
    EXPECT_NEAR(rows[1].second->clip.top() - rows[0].second->clip.top(), 10.0, 1e-9);
}

TEST(ReportEngine, SystemFieldsFollowTheirPrefix)
{
    Small s(0);
    const QDate day(2026, 3, 4);
    // An English desktop still gets the Hungarian date on the printout.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    PreparedReport r = ReportLayout(day).generate(s.report);
    QLocale::setDefault(before);
    EXPECT_EQ(textOf(r.pages[0], QStringLiteral("Date"))->text, QStringLiteral("Dátum: 2026. 03. 04."));
    EXPECT_EQ(textOf(r.pages[0], QStringLiteral("Title"))->text, QStringLiteral("Cím: Próba"));
    EXPECT_EQ(textOf(r.pages[0], QStringLiteral("Page"))->text, QStringLiteral("Oldal: 1"));
    // No items: still a page, with the summary right under the title.
    ASSERT_EQ(r.pageCount(), 1);
    EXPECT_NEAR(textOf(r.pages[0], QStringLiteral("Last"))->clip.top(), 10 + 10 + 20, 1e-9);
}

TEST(ReportEngine, BandTallerThanAPageIsPrintedOnceNotForever)
{
    Small s(3, 400);
    PreparedReport r = ReportLayout().generate(s.report);
    // Each row once, on a page of its own right after the previous row's,
    // then the summary once: at most the title's page, three row pages and
    // one for the summary.
    const auto rows = textsOf(r, QStringLiteral("Row"));
    ASSERT_EQ(rows.size(), 3);
    for (int i = 1; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].first, rows[i - 1].first + 1);
    EXPECT_LE(r.pageCount(), 5);
    const auto summary = textsOf(r, QStringLiteral("Last"));
    ASSERT_EQ(summary.size(), 1);
    EXPECT_GE(summary[0].first, rows.last().first);
}

TEST(ReportEngine, PageFooterSitsAtTheBottomMargin)
{
    Small s(40);
    PreparedReport r = ReportLayout().generate(s.report);
    ASSERT_GE(r.pageCount(), 2);
    for (const PreparedPage& page : r.pages) {
        const TextItem* footer = textOf(page, QStringLiteral("Page"));
        ASSERT_TRUE(footer);
        EXPECT_NEAR(footer->clip.top(), 297 - 10 - 10, 1e-9);
        // No row reaches into the footer.
        for (const TextItem* row : textsOf(page, QStringLiteral("Row")))
            EXPECT_LE(row->clip.top() + 10, 297 - 10 - 10 + 1e-9);
    }
}

TEST(ReportPreview, PrintingHonoursThePageRange)
{
    TQRMegrForm form;
    form.setOrderLines(makeLines(150));
    form.PrepareReport();
    ASSERT_EQ(form.prepared().pageCount(), 3);
    TempDir dir;
    auto printed = [&](int from, int to) {
        const QString path = dir.file(QStringLiteral("p%1-%2.pdf").arg(from).arg(to));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        printPages(form.prepared(), printer);
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        return int(QString::fromLatin1(f.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
    };
    EXPECT_EQ(printed(0, 0), 3);
    EXPECT_EQ(printed(2, 3), 2);
    EXPECT_EQ(printed(3, 9), 1);
}
