#include "core/AddRun.h"
#include "core/AppError.h"
#include "core/PictureCheck.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

const TPriceData k9x13 {QStringLiteral("9x13"), 120, QStringLiteral("1200x1800"), QStringLiteral("800x1200")};
const TPriceData k10x15 {QStringLiteral("10x15"), 150, QStringLiteral("1500x2100"), QStringLiteral("1000x1500")};

// A TIFF passes the check unopened: only its size counts.
QString tiff(const TempDir& dir, const QString& name, qint64 bytes = kMinPictureBytes)
{
    return dir.write(name, QByteArray(bytes, 't'));
}

// A JPEG of at least 60,000 bytes, whatever its pixel size.
QString picture(const TempDir& dir, const QString& name, int width, int height)
{
    QByteArray bytes = makeJpeg(width, height);
    if (bytes.size() < 60000)
        bytes = makeJpeg(width, height, 60000);
    return dir.write(name, bytes);
}

} // namespace

TEST(AddRun, RulesRunInOrderAndOnlyAcceptedFilesBecomeLines)
{
    TempDir dir;
    const QString big = picture(dir, "kepek/IMG_0001.JPG", 1800, 1200);
    const QString tiny = picture(dir, "kepek/tiny.jpg", 300, 200);
    const QString small = writeJpeg(dir.file("kepek/small.jpg"), 120, 80, kMinPictureBytes - 1);
    const QString edge = tiff(dir, "kepek/edge.tif");
    const QString garbage = dir.write("kepek/garbage.jpg", QByteArray(60000, 'g'));
    OrderModel order;
    AddRun run(order);

    const AddRun::Result first = run.add(big, k9x13, true, 2);
    ASSERT_TRUE(first.added()) << first.refusal.toStdString();
    EXPECT_EQ(order.line(first.row).quantityText(), "2");
    EXPECT_EQ(order.line(first.row).SubItems[SubLineTotal], "240 Ft");

    // A duplicate names the line it repeats; it is found before the file is
    // even measured (the check would accept it).
    const AddRun::Result again = run.add(big, k9x13, true, 1);
    EXPECT_FALSE(again.added());
    EXPECT_EQ(again.duplicate, first.row);
    EXPECT_EQ(again.refusal, "A fájlt már felvette az összeállításba ezzel a mérettel és kitöltéssel:\n\nIMG_0001.JPG");
    EXPECT_TRUE(run.add(big, k9x13, false, 1).added()) << "other fill mode";
    EXPECT_TRUE(run.add(big, k10x15, true, 1).added()) << "other size";

    EXPECT_EQ(run.add(small, k9x13, true, 1).refusal, SizeRuleMessage("small.jpg"));
    EXPECT_TRUE(run.add(edge, k9x13, true, 1).added()) << "exactly 51,200 bytes";
    EXPECT_TRUE(run.add(garbage, k9x13, true, 1).refusal.startsWith("JPEG error #"));
    // Below the minimum: taken, flagged.
    const AddRun::Result low = run.add(tiny, k9x13, true, 1);
    ASSERT_TRUE(low.added());
    EXPECT_EQ(order.line(low.row).ImageIndex, StatusBelowMinimum);

    // A file that cannot be measured ends with the runtime's text; nothing added.
    const int before = order.lineCount();
    EXPECT_THROW(run.add(dir.file("kepek/missing.jpg"), k9x13, true, 1), AppError);
    EXPECT_EQ(order.lineCount(), before);
    EXPECT_EQ(before, 5);
}

TEST(AddRun, DuplicatesAreFoundAsTheCaseInsensitiveComparisonFindsThem)
{
    TempDir dir;
    // Pairs of names: whether the file-name comparison (letter case ignored)
    // calls them equal decides whether the second is a duplicate.
    const QList<QPair<QString, QString>> pairs = {
        {"árvíz.tif", "ÁRVÍZ.TIF"}, {"Őz.tif", "őZ.TIF"},         {"straße.tif", "STRASSE.tif"},
        {"ǅ.tif", "ǆ.tif"},         {"𐐀.tif", "𐐨.tif"},           {"a.tif", "a .tif"},
        {"I.tif", "ı.tif"},         {"kép.tif", "ke\u0301p.tif"}, {"Σ.tif", "ς.tif"},
    };
    for (const auto& [a, b] : pairs) {
        TempDir d;
        OrderModel order;
        AddRun run(order);
        ASSERT_TRUE(run.add(tiff(d, "x/" + a), k9x13, true, 1).added()) << a.toStdString();
        const bool same = a.compare(b, Qt::CaseInsensitive) == 0;
        EXPECT_EQ(order.FindOrderItem(b, "9x13", true) >= 0, same) << b.toStdString();
        const AddRun::Result second = run.add(tiff(d, "y/" + b), k9x13, true, 1);
        EXPECT_EQ(second.duplicate >= 0, same) << a.toStdString() << " / " << b.toStdString();
    }
}

TEST(AddRun, LinesAlreadyInTheOrderCountAndTheFirstOneIsNamed)
{
    TempDir dir;
    OrderModel order;
    // Two lines with the same name, size and mode (a modify can make them).
    order.AddOrderLine("/a/p.tif", "Ismeretlen", StatusAccepted, "ok", true, k9x13, "1", 1);
    order.AddOrderLine("/b/P.TIF", "Ismeretlen", StatusAccepted, "ok", true, k9x13, "1", 1);
    order.beginBatch(); // lines kept aside during a batch count too
    order.AddOrderLine("/c/q.tif", "Ismeretlen", StatusAccepted, "ok", true, k9x13, "1", 1);
    AddRun run(order);
    EXPECT_EQ(run.add(tiff(dir, "p.tif"), k9x13, true, 1).duplicate, 0);
    EXPECT_EQ(run.add(tiff(dir, "Q.tif"), k9x13, true, 1).duplicate, 2);
    order.endBatch();
}

TEST(AddRun, DuplicateSearchDoesNotGrowWithTheOrder)
{
    // 40,000 lines and 40,000 duplicates: a search that walks the order
    // would make 1.6 billion comparisons (many seconds); the index makes it
    // a moment. Duplicates are decided before the disk is touched.
    OrderModel order;
    order.beginBatch();
    constexpr int n = 40000;
    for (int i = 0; i < n; ++i)
        order.AddOrderLine(QStringLiteral("/p/IMG_%1.tif").arg(i), "Ismeretlen", StatusAccepted, "ok", true, k9x13, "1",
                           1);
    QElapsedTimer timer;
    timer.start();
    AddRun run(order);
    int duplicates = 0;
    for (int i = n - 1; i >= 0; --i)
        duplicates += run.add(QStringLiteral("/q/img_%1.TIF").arg(i), k9x13, true, 1).duplicate == i;
    EXPECT_EQ(duplicates, n);
    EXPECT_LT(timer.elapsed(), 3000);
    order.endBatch();
}
