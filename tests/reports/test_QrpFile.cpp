// The saved-report file: its framing, its header and the metafile of every
// page, read back with a reader written apart from the writer.

#include "ReportFiles.h"
#include "platform/AppError.h"
#include "reports/QRMegr.h"
#include "reports/QRSumMegr.h"
#include "reports/QrpFile.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

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

} // namespace

TEST(QrpFile, OnePageFileIsHeaderRecordAndEndsWith128)
{
    TempDir dir;
    const QByteArray bytes = savedOrder(3, dir);
    test::QrpFile qrp;
    QString error;
    ASSERT_TRUE(test::parseQrp(bytes, qrp, error)) << error.toStdString();
    ASSERT_EQ(qrp.pageCount, 1u);
    ASSERT_EQ(qrp.pages.size(), 1);
    const qint64 emfSize = qrp.pages[0].emf.size();
    EXPECT_EQ(bytes.size(), 128 + 8 + emfSize + 4);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + bytes.size() - 4), 128u);
    EXPECT_EQ(qrp.pages[0].number, 1u);
    EXPECT_EQ(qrp.pages[0].nextOffset, quint32(bytes.size()));
    // The metafile's own length agrees with the frame around it.
    EXPECT_EQ(qFromLittleEndian<quint32>(qrp.pages[0].emf.constData() + 48), quint32(emfSize));
}

TEST(QrpFile, HeaderFields)
{
    TempDir dir;
    const QDateTime before = QDateTime::currentDateTime();
    const QByteArray bytes = savedOrder(1, dir);
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
}

TEST(QrpFile, DayCountMatchesKnownDates)
{
    EXPECT_DOUBLE_EQ(dayCount(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(dayCount(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
    // 2026-12-09 is day 46365.
    EXPECT_DOUBLE_EQ(dayCount(QDateTime(QDate(2026, 12, 9), QTime(18, 0))), 46365.75);
}

TEST(QrpFile, SeveralPagesChainTheirOffsets)
{
    TempDir dir;
    const QByteArray bytes = savedOrder(150, dir);
    test::QrpFile qrp;
    QString error;
    ASSERT_TRUE(test::parseQrp(bytes, qrp, error)) << error.toStdString();
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
    }
    EXPECT_EQ(qrp.pages.last().nextOffset, quint32(bytes.size()));
}

TEST(QrpFile, EveryPageMetafileParsesToEof)
{
    TempDir dir;
    const QByteArray bytes = savedOrder(120, dir);
    test::QrpFile qrp;
    QString error;
    ASSERT_TRUE(test::parseQrp(bytes, qrp, error)) << error.toStdString();
    for (const test::QrpPage& page : qrp.pages) {
        test::EmfPage emf;
        ASSERT_TRUE(test::parseEmf(page.emf, emf, error)) << "page " << page.number << ": " << error.toStdString();
        // A4 frame in hundredths of a millimetre.
        EXPECT_NEAR(emf.frameRight, 21000, 1);
        EXPECT_NEAR(emf.frameBottom, 29700, 1);
        EXPECT_EQ(emf.records.first().type, 1u);
        EXPECT_EQ(emf.records.last().type, 14u);
        EXPECT_GE(emf.headerHandles, 2);
        // Fonts by face name, texts in UTF-16 with an advance per unit.
        EXPECT_TRUE(emf.fontFaces.contains(QStringLiteral("Arial")));
        for (const test::EmfText& t : emf.texts)
            EXPECT_EQ(t.dx.size(), t.text.size());
        // The footer carries the page number.
        bool footer = false;
        for (const test::EmfText& t : emf.texts)
            footer = footer || t.text == QStringLiteral("Oldal: %1").arg(page.number);
        EXPECT_TRUE(footer) << "page " << page.number;
    }
}

TEST(QrpFile, FirstPageCarriesTitleFontAndTexts)
{
    TempDir dir;
    const QByteArray bytes = savedOrder(2, dir);
    test::QrpFile qrp;
    QString error;
    ASSERT_TRUE(test::parseQrp(bytes, qrp, error));
    test::EmfPage emf;
    ASSERT_TRUE(test::parseEmf(qrp.pages[0].emf, emf, error)) << error.toStdString();
    const int times = int(emf.fontFaces.indexOf(QStringLiteral("Times New Roman")));
    ASSERT_GE(times, 0);
    // 20 pt is 7.06 mm of em height, asked for as a negative height.
    EXPECT_EQ(emf.fontHeights[times], -706);
    QStringList texts;
    for (const auto& t : emf.texts)
        texts << t.text;
    EXPECT_TRUE(texts.contains(QStringLiteral("Pelmar digitális fotórendelés")));
    EXPECT_TRUE(texts.contains(QStringLiteral("IMG_00002.JPG")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Vásárló adatai:")));
    // Three rectangles of the title band; band fills are rectangles too.
    EXPECT_GE(emf.rectangles, 3 + 2);
}

TEST(QrpFile, UnfinishedStoreWritesNothing)
{
    TempDir dir;
    TQRMegrForm form;
    form.setOrderLines(test::makeLines(2));
    EXPECT_NO_THROW(form.SavePreparedReport(dir.file("x.qrp")));
    EXPECT_FALSE(QFile::exists(dir.file("x.qrp")));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(QrpFile, MissingFolderFailsClearlyAndLeavesNothing)
{
    TempDir dir;
    TQRMegrForm form;
    form.setOrderLines(test::makeLines(2));
    form.PrepareReport();
    const QString path = dir.file("nincs/ilyen/megrendeles.qrp");
    try {
        form.SavePreparedReport(path);
        FAIL() << "saving into a missing folder succeeded";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("nincs/ilyen"))) << e.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QDir(dir.file("nincs")).exists());
}

TEST(QrpFile, ExistingFileIsReplacedWholeAndNoTemporaryStays)
{
    TempDir dir;
    dir.write("megrendeles.qrp", QByteArray(500000, 'x'));
    const QByteArray bytes = savedOrder(1, dir);
    test::QrpFile qrp;
    QString error;
    EXPECT_TRUE(test::parseQrp(bytes, qrp, error)) << error.toStdString();
    EXPECT_EQ(
        QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("megrendeles.qrp") });
}

TEST(QrpFile, UnwritableTargetFailsWithoutTouchingTheOldFile)
{
    TempDir dir;
    // A folder in the way of the file name: the rename cannot replace it.
    QDir(dir.path()).mkdir(QStringLiteral("megrendeles.qrp"));
    TQRMegrForm form;
    form.setOrderLines(test::makeLines(1));
    form.PrepareReport();
    EXPECT_THROW(form.SavePreparedReport(dir.file("megrendeles.qrp")), AppError);
    EXPECT_TRUE(QFileInfo(dir.file("megrendeles.qrp")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

TEST(QrpFile, SummaryPrintoutSavesToo)
{
    TempDir dir;
    TQRSumMegrForm form;
    form.addRow(QStringLiteral("9x13|3 db|120 Ft|360 Ft"));
    form.addRow(QStringLiteral("10x15|1 db|150 Ft|150 Ft"));
    form.PrepareReport();
    form.SavePreparedReport(dir.file("megrendeles_osszegezve.qrp"));
    test::QrpFile qrp;
    QString error;
    ASSERT_TRUE(test::parseQrp(readAll(dir.file("megrendeles_osszegezve.qrp")), qrp, error)) << error.toStdString();
    ASSERT_EQ(qrp.pages.size(), 1);
    test::EmfPage emf;
    ASSERT_TRUE(test::parseEmf(qrp.pages[0].emf, emf, error)) << error.toStdString();
    QStringList texts;
    for (const auto& t : emf.texts)
        texts << t.text;
    EXPECT_TRUE(texts.contains(QStringLiteral("Pelmar digitális fotórendelés - összesítő")));
    EXPECT_TRUE(texts.contains(QStringLiteral("360 Ft")));
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
