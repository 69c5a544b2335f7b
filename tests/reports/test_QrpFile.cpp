// The saved-report file: its framing, its header and the metafile of every
// page, read back with a reader written apart from the writer.

#include "ReportFiles.h"
#include "core/AppError.h"
#include "reports/PageRenderer.h"
#include "reports/QRMegr.h"
#include "reports/QRSumMegr.h"
#include "reports/QrpFile.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

using namespace pelmar;
using namespace pelmar::reports;
using pelmar::test::TempDir;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray savedOrder(int lines, const TempDir& dir, const QString& name = QStringLiteral("megrendeles.qrp"))
{
    TQRMegrForm form;
    form.setOrderLines(test::makeLines(lines));
    form.setSumMenny(QStringLiteral("%1 db").arg(lines));
    form.PrepareReport();
    form.SavePreparedReport(dir.file(name));
    return readAll(dir.file(name));
}

// --- What the metafile must draw for each item of the page model.

qint32 units(double mm)
{
    return qint32(std::lround(mm * 100));
} // hundredths of a mm

quint32 colorRef(const QColor& c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}

std::optional<test::EmfDrawing> expected(const PageItem& item)
{
    test::EmfDrawing d;
    if (const auto* fill = std::get_if<FillItem>(&item)) {
        // A rectangle without a pen leaves out its right and bottom edge, so
        // the record reaches one unit further than the band it covers.
        d.kind = test::EmfDrawing::Kind::Fill;
        d.left = units(fill->rect.left());
        d.top = units(fill->rect.top());
        d.right = units(fill->rect.right()) + 1;
        d.bottom = units(fill->rect.bottom()) + 1;
        d.brushColor = colorRef(fill->color);
    } else if (const auto* line = std::get_if<LineItem>(&item)) {
        d.kind = test::EmfDrawing::Kind::Line;
        d.x1 = units(line->from.x());
        d.y1 = units(line->from.y());
        d.x2 = units(line->to.x());
        d.y2 = units(line->to.y());
        d.penWidth = units(line->width);
    } else if (const auto* rect = std::get_if<RectItem>(&item)) {
        d.kind = test::EmfDrawing::Kind::Outline;
        d.left = units(rect->rect.left());
        d.top = units(rect->rect.top());
        d.right = units(rect->rect.right());
        d.bottom = units(rect->rect.bottom());
        d.penWidth = units(rect->penWidth);
    } else {
        const auto& text = std::get<TextItem>(item);
        if (text.text.isEmpty())
            return std::nullopt;
        d.kind = test::EmfDrawing::Kind::Text;
        d.text.text = text.text;
        d.text.x = units(text.origin.x());
        d.text.y = units(text.origin.y());
        d.text.options = text.clipped ? 4 : 0; // ETO_CLIPPED
        if (text.clipped) {
            d.text.clipLeft = units(text.clip.left());
            d.text.clipTop = units(text.clip.top());
            d.text.clipRight = units(text.clip.right());
            d.text.clipBottom = units(text.clip.bottom());
        }
        for (const qint32 v : text.dx)
            d.text.dx << quint32(v);
        d.textColor = colorRef(text.color);
        d.face = text.font.name;
        // The em height asked for as a negative height: points to mm.
        d.fontHeight = -qint32(std::lround(text.font.size * 25.4 / 72.0 * 100));
        d.weight = text.font.bold ? 700 : 400;
        d.italic = text.font.italic;
        d.underline = text.font.underline;
    }
    return d;
}

QString describe(const test::EmfDrawing& d)
{
    using K = test::EmfDrawing::Kind;
    // COLORREF is 0x00BBGGRR; shown as #rrggbb.
    const auto hex = [](quint32 v) {
        return QStringLiteral("#%1").arg((v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF), 6, 16, QLatin1Char('0'));
    };
    switch (d.kind) {
    case K::Fill:
        return QStringLiteral("fill %1,%2-%3,%4 %5")
            .arg(d.left)
            .arg(d.top)
            .arg(d.right)
            .arg(d.bottom)
            .arg(hex(d.brushColor));
    case K::Outline:
    case K::FilledOutline:
        return QStringLiteral("%1 %2,%3-%4,%5 pen %6 %7 brush %8")
            .arg(d.kind == K::Outline ? QStringLiteral("outline") : QStringLiteral("filled outline"))
            .arg(d.left)
            .arg(d.top)
            .arg(d.right)
            .arg(d.bottom)
            .arg(d.penWidth)
            .arg(hex(d.penColor))
            .arg(hex(d.brushColor));
    case K::Line:
        return QStringLiteral("line %1,%2-%3,%4 pen %5 %6")
            .arg(d.x1)
            .arg(d.y1)
            .arg(d.x2)
            .arg(d.y2)
            .arg(d.penWidth)
            .arg(hex(d.penColor));
    case K::Text: {
        QStringList dx;
        for (const qint32 v : d.text.dx)
            dx << QString::number(v);
        QString s = QStringLiteral("text \"%1\" at %2,%3 %4 %5 %6 w%7%8%9 options %10 dx %11")
                        .arg(d.text.text)
                        .arg(d.text.x)
                        .arg(d.text.y)
                        .arg(hex(d.textColor), d.face)
                        .arg(d.fontHeight)
                        .arg(d.weight)
                        .arg(d.italic ? QStringLiteral(" italic") : QString(),
                             d.underline ? QStringLiteral(" underline") : QString())
                        .arg(d.text.options)
                        .arg(dx.join(QLatin1Char(' ')));
        if (d.text.options & 4)
            s += QStringLiteral(" clip %1,%2-%3,%4")
                     .arg(d.text.clipLeft)
                     .arg(d.text.clipTop)
                     .arg(d.text.clipRight)
                     .arg(d.text.clipBottom);
        return s;
    }
    }
    return {};
}

// Every page of the saved file, replayed, draws exactly the items of the
// page model: same order, places, sizes, colours, fonts and clips; on the
// sheet of 210 x 297 mm in hundredths of a millimetre, texts placed by
// their baseline.
void expectFileDrawsThePages(const QByteArray& bytes, const PreparedReport& report)
{
    test::QrpFile qrp;
    QString error;
    ASSERT_TRUE(test::parseQrp(bytes, qrp, error)) << error.toStdString();
    ASSERT_EQ(qrp.pages.size(), report.pageCount());
    for (int p = 0; p < qrp.pages.size(); ++p) {
        test::EmfReplay replay;
        ASSERT_TRUE(test::replayEmf(qrp.pages[p].emf, replay, error))
            << "page " << p + 1 << ": " << error.toStdString();
        EXPECT_EQ(replay.mapMode, 8u); // MM_ANISOTROPIC
        EXPECT_EQ(replay.windowExtX, 21000);
        EXPECT_EQ(replay.windowExtY, 29700);
        EXPECT_EQ(replay.textAlign, 24u); // TA_BASELINE | TA_LEFT
        EXPECT_EQ(replay.bkMode, 1u); // TRANSPARENT: a text does not blank the row colour
        QStringList want;
        for (const PageItem& item : report.pages[size_t(p)].items)
            if (const auto d = expected(item))
                want << describe(*d);
        QStringList got;
        for (const test::EmfDrawing& d : replay.drawings)
            got << describe(d);
        EXPECT_EQ(got.size(), want.size()) << "page " << p + 1;
        int shown = 0;
        for (int i = 0; i < std::min(got.size(), want.size()) && shown < 5; ++i) {
            if (got[i] != want[i]) {
                ++shown;
                ADD_FAILURE() << "page " << p + 1 << " drawing " << i << "\n  metafile: " << got[i].toStdString()
                              << "\n  page:     " << want[i].toStdString();
            }
        }
    }
}

} // namespace

TEST(QrpFile, MetafileDrawsThePageModelOfBothPrintouts)
{
    TempDir dir;
    TQRMegrForm order;
    order.setOrderLines(test::makeLines(80)); // two pages, grey and white rows
    order.setSumMenny(QStringLiteral("80 db"));
    order.setLabelCaption(QStringLiteral("LCegNev"), QStringLiteral("Fotó Bolt Kft."));
    order.setLabelCaption(QStringLiteral("LMegj"), QString(300, QLatin1Char('W'))); // cut at its column
    order.setLabelEnabled(QStringLiteral("LNotFinal"), false);
    order.setLabelEnabled(QStringLiteral("QRLabel16"), true);
    order.setLabelEnabled(QStringLiteral("QRLabel17"), true);
    order.PrepareReport();
    order.SavePreparedReport(dir.file("megrendeles.qrp"));
    expectFileDrawsThePages(readAll(dir.file("megrendeles.qrp")), order.prepared());

    TQRSumMegrForm summary;
    summary.addRow(QStringLiteral("9x13|3 db|120 Ft|360 Ft"));
    summary.addRow(QStringLiteral("10x15|1 db|150 Ft|150 Ft"));
    summary.PrepareReport();
    summary.SavePreparedReport(dir.file("megrendeles_osszegezve.qrp"));
    expectFileDrawsThePages(readAll(dir.file("megrendeles_osszegezve.qrp")), summary.prepared());

    // One anchor that does not go through the expectation above: the 20 pt
    // title asks for 7.06 mm of em height.
    test::EmfReplay replay;
    QString error;
    test::QrpFile qrp;
    ASSERT_TRUE(test::parseQrp(readAll(dir.file("megrendeles.qrp")), qrp, error));
    ASSERT_TRUE(test::replayEmf(qrp.pages[0].emf, replay, error));
    const auto title = std::find_if(replay.drawings.cbegin(), replay.drawings.cend(), [](const test::EmfDrawing& d) {
        return d.kind == test::EmfDrawing::Kind::Text && d.face == QStringLiteral("Times New Roman");
    });
    ASSERT_NE(title, replay.drawings.cend());
    EXPECT_EQ(title->fontHeight, -706);
}

TEST(QrpFile, MetafileKeepsColoursWidthsAndClipsOfAnyPage)
{
    // The printouts use only black, white and grey, in which red and blue
    // cannot be told apart; this page has colours of every channel, several
    // pen widths, fonts, and a text colour that changes and comes back.
    PreparedReport report;
    report.finished = true;
    report.finishedAt = QDateTime::currentDateTime();
    PreparedPage page;
    page.number = 1;
    FontSpec plain;
    plain.name = QStringLiteral("Arial");
    plain.size = 8;
    FontSpec fancy;
    fancy.name = QStringLiteral("Times New Roman");
    fancy.size = 13.5;
    fancy.bold = true;
    fancy.italic = true;
    fancy.underline = true;
    const auto text = [](const QString& s, const FontSpec& font, QPointF origin, QColor color) {
        TextItem t;
        t.text = s;
        t.font = font;
        t.origin = origin;
        t.color = color;
        for (qsizetype i = 0; i < s.size(); ++i)
            t.dx << qint32(150 + i);
        return t;
    };
    const auto fill = [](QRectF rect, QColor color) {
        FillItem f;
        f.rect = rect;
        f.color = color;
        return f;
    };
    page.items.push_back(fill(QRectF(10.004, 20.5, 190.0, 4.2), QColor(0x12, 0x34, 0x56)));
    page.items.push_back(fill(QRectF(0, 0, 210, 297), QColor(0xFA, 0x80, 0x01)));
    page.items.push_back(LineItem {QPointF(10, 30.25), QPointF(200, 30.25), 0.5});
    page.items.push_back(LineItem {QPointF(17.3, 5), QPointF(17.3, 290.006), 0.2});
    page.items.push_back(RectItem {QRectF(3.3, 4.4, 55.5, 66.6), 0.75});
    page.items.push_back(text(QStringLiteral("Piros ő"), plain, QPointF(12.34, 56.78), QColor(200, 30, 90)));
    page.items.push_back(text(QString(), plain, QPointF(1, 1), QColor(1, 2, 3))); // draws nothing
    TextItem cut = text(QStringLiteral("Levágott szöveg"), fancy, QPointF(100.01, 150.5), QColor(10, 200, 30));
    cut.clipped = true;
    cut.clip = QRectF(99.5, 146.0, 20.25, 6.0);
    page.items.push_back(cut);
    page.items.push_back(text(QStringLiteral("Fekete"), plain, QPointF(12.34, 60.0), Qt::black));
    page.items.push_back(text(QStringLiteral("Kék"), fancy, QPointF(0.01, 296.99), QColor(0, 0, 255)));
    report.pages.push_back(page);
    expectFileDrawsThePages(composePreparedReport(report), report);
}

// The framing of a file of several pages, written over an older and longer
// file of the same name: the header, each page's record chained to the next
// and pointing back at itself, each metafile whole and on an A4 frame, and
// not a byte of the older file left after the last page.
TEST(QrpFile, HeaderAndPageRecordsOfASavedFile)
{
    TempDir dir;
    dir.write("megrendeles.qrp", QByteArray(500000, 'x'));
    const QDateTime before = QDateTime::currentDateTime();
    const QByteArray bytes = savedOrder(150, dir);
    const QDateTime after = QDateTime::currentDateTime();
    test::QrpFile qrp;
    QString error;
    ASSERT_TRUE(test::parseQrp(bytes, qrp, error)) << error.toStdString();
    EXPECT_EQ(qrp.formatVersion, 3);
    EXPECT_EQ(qrp.engineVersion, 309);
    EXPECT_EQ(qrp.compression, 0);
    EXPECT_TRUE(qrp.reservedZero);
    // Finish time as days since 1899-12-30, local time, within the run.
    EXPECT_GE(qrp.finished, dayCount(before) - 1e-6);
    EXPECT_LE(qrp.finished, dayCount(after) + 1e-6);

    ASSERT_GE(qrp.pages.size(), 3);
    EXPECT_EQ(qrp.pageCount, quint32(qrp.pages.size()));
    qint64 expectedStart = 128;
    for (int i = 0; i < qrp.pages.size(); ++i) {
        const test::QrpPage& page = qrp.pages[i];
        EXPECT_EQ(page.number, quint32(i + 1));
        EXPECT_EQ(page.start, expectedStart);
        EXPECT_EQ(page.selfOffset, quint32(page.start)) << "page " << i + 1;
        EXPECT_EQ(page.nextOffset, quint32(page.start + 8 + page.emf.size() + 4));
        expectedStart = page.nextOffset;
        test::EmfPage emf;
        ASSERT_TRUE(test::parseEmf(page.emf, emf, error)) << "page " << page.number << ": " << error.toStdString();
        // A4 frame in hundredths of a millimetre.
        EXPECT_NEAR(emf.frameRight, 21000, 1);
        EXPECT_NEAR(emf.frameBottom, 29700, 1);
    }
    EXPECT_EQ(qrp.pages.last().nextOffset, quint32(bytes.size()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("megrendeles.qrp")})
        << "no temporary file stays";
}

TEST(QrpFile, DayCountMatchesKnownDates)
{
    EXPECT_DOUBLE_EQ(dayCount(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(dayCount(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
    // 2026-12-09 is day 46365.
    EXPECT_DOUBLE_EQ(dayCount(QDateTime(QDate(2026, 12, 9), QTime(18, 0))), 46365.75);
}

// A report never prepared, and one whose preparing failed in a hook, save
// nothing: half a report is never taken for the order's printout.
TEST(QrpFile, UnfinishedStoreWritesNothing)
{
    TempDir dir;
    TQRMegrForm form;
    form.setOrderLines(test::makeLines(2));
    EXPECT_NO_THROW(form.SavePreparedReport(dir.file("x.qrp")));
    form.PrepareReport();
    form.report().BeforePrint = [](Report&, bool&) { throw AppError(QStringLiteral("hiba")); };
    EXPECT_THROW(form.PrepareReport(), AppError);
    EXPECT_FALSE(form.prepared().finished);
    form.SavePreparedReport(dir.file("a.qrp"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(QrpFile, FailedSaveKeepsWhatWasThereInBothFormats)
{
    TempDir dir;
    TQRMegrForm form;
    form.setOrderLines(test::makeLines(1));
    form.PrepareReport();
    // A missing folder is not made, and the message names it.
    const QString missing = dir.file("nincs/ilyen/megrendeles.qrp");
    const QString error = [&] {
        try {
            form.SavePreparedReport(missing);
        } catch (const AppError& e) {
            return e.message();
        }
        return QString();
    }();
    EXPECT_TRUE(error.contains(QStringLiteral("nincs/ilyen"))) << error.toStdString();
    EXPECT_FALSE(QDir(dir.file("nincs")).exists());

    // A folder in the way of the file name: the rename cannot replace it.
    QDir(dir.path()).mkdir(QStringLiteral("megrendeles.qrp"));
    EXPECT_THROW(form.SavePreparedReport(dir.file("megrendeles.qrp")), AppError);
    EXPECT_TRUE(QFileInfo(dir.file("megrendeles.qrp")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);

    // A full disk: a small file fits the write buffer, so its error only
    // shows at the final flush, which must stop the rename.
    test::SmallDisk disk(dir.file("small"), 512);
    if (!disk.available())
        GTEST_SKIP() << "no permission to mount a small file system";
    const QString qrp = disk.path() + QStringLiteral("/megrendeles.qrp");
    const QString pdf = disk.path() + QStringLiteral("/megrendeles.pdf");
    for (const QString& path : {qrp, pdf}) {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3 && old.flush());
    }
    const int filler
        = ::open(QFile::encodeName(disk.path() + QStringLiteral("/filler")).constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(filler, 0);
    const QByteArray block(4096, 'f');
    while (::write(filler, block.constData(), size_t(block.size())) > 0) { }
    while (::write(filler, block.constData(), 1) > 0) { }
    ::close(filler);

    EXPECT_THROW(form.SavePreparedReport(qrp), AppError);
    EXPECT_THROW(savePdf(form.prepared(), pdf), AppError);
    EXPECT_EQ(readAll(qrp), "old");
    EXPECT_EQ(readAll(pdf), "old");
    EXPECT_EQ(
        QDir(disk.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
        QStringList({QStringLiteral("filler"), QStringLiteral("megrendeles.pdf"), QStringLiteral("megrendeles.qrp")}));
}

TEST(QrpFile, ReaderRejectsBrokenFiles)
{
    // The test reader must itself catch broken framing, or the tests above
    // would prove nothing.
    TempDir dir;
    const QByteArray good = savedOrder(2, dir);
    test::QrpFile qrp;
    QString error;
    EXPECT_FALSE(test::parseQrp(good.left(100), qrp, error));
    EXPECT_FALSE(test::parseQrp(good.left(good.size() - 1), qrp, error));
    QByteArray extra = good + QByteArray(4, '\0');
    EXPECT_FALSE(test::parseQrp(extra, qrp, error));
    ASSERT_TRUE(test::parseQrp(good, qrp, error));
    QByteArray emf = qrp.pages[0].emf;
    test::EmfPage page;
    EXPECT_FALSE(test::parseEmf(emf.left(emf.size() - 20), page, error));
    QByteArray badCount = emf;
    qToLittleEndian<quint32>(qFromLittleEndian<quint32>(badCount.constData() + 52) + 1, badCount.data() + 52);
    EXPECT_FALSE(test::parseEmf(badCount, page, error));
}
