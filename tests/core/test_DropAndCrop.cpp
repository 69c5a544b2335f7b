#include "core/CropOverlay.h"
#include "core/DroppedFiles.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace pelmar;
using pelmar::test::TempDir;

TEST(DroppedFiles, FoldersAreSearchedRecursivelyInNameOrder)
{
    TempDir t;
    // The phone kinds are taken too (they are converted before the add run).
    for (const char* name : {"b/z.JPG", "b/a.jpeg", "b/notes.txt", "b/sub2/x.tif", "b/Sub1/y.TIFF", "b/Sub1/y.png",
                             "b/c.Jpg", "b/d.HEIC", "b/e.heic.txt", "loose.txt"})
        t.write(name, "x");
    const QStringList got = CollectDroppedFiles({t.file("loose.txt"), t.file("b")});
    const QStringList want {t.file("loose.txt"),     t.file("b/a.jpeg"),    t.file("b/c.Jpg"),
                            t.file("b/d.HEIC"),      t.file("b/z.JPG"),     t.file("b/Sub1/y.png"),
                            t.file("b/Sub1/y.TIFF"), t.file("b/sub2/x.tif")};
    EXPECT_EQ(got, want);
}

TEST(DroppedFiles, LinkLoopsAndDuplicatesOfFoldersAreSearchedOnce)
{
    TempDir t;
    t.write("a/p.jpg", "x");
    ASSERT_TRUE(QFile::link(t.file("a"), t.file("a/loop")));
    const QStringList got = CollectDroppedFiles({t.file("a"), t.file("a")});
    EXPECT_EQ(got, QStringList {t.file("a/p.jpg")});
    EXPECT_TRUE(CollectDroppedFiles({t.file("missing")}).contains(t.file("missing")));
    EXPECT_TRUE(HasPictureExtension("X.TiFf"));
    EXPECT_FALSE(HasPictureExtension("jpg"));
    EXPECT_FALSE(HasPictureExtension("a.jpg.txt"));
}

TEST(CropOverlay, SizeNamesGiveProportions)
{
    EXPECT_DOUBLE_EQ(*PrintAspect("10x15"), 1.5);
    EXPECT_DOUBLE_EQ(*PrintAspect("15X10"), 1.5);
    EXPECT_DOUBLE_EQ(*PrintAspect("10,2x15,3"), 1.5);
    EXPECT_FALSE(PrintAspect("poszter").has_value());
    EXPECT_FALSE(PrintAspect("0x15").has_value());
    EXPECT_FALSE(PrintAspect("").has_value());
    EXPECT_FALSE(ComputeCropOverlay(QRect(0, 0, 100, 100), "A4", true).valid);
}

TEST(CropOverlay, FillCutsTheLongerSideLandscapeAndPortrait)
{
    // 4:3 landscape picture on a 10x15 (3:2) print: top and bottom are cut.
    CropOverlay o = ComputeCropOverlay(QRect(0, 0, 180, 135), "10x15", true);
    ASSERT_TRUE(o.valid);
    EXPECT_EQ(o.printed, QRect(0, 7, 180, 120));
    ASSERT_EQ(o.margins.size(), 2);
    EXPECT_EQ(o.margins[0], QRect(0, 0, 180, 7));
    EXPECT_EQ(o.margins[1], QRect(0, 127, 180, 8));
    // Portrait 3:4 picture on the same print: the print turns with it and,
    // being slimmer, cuts the left and right edges.
    o = ComputeCropOverlay(QRect(10, 20, 135, 180), "10x15", true);
    EXPECT_EQ(o.printed, QRect(17, 20, 120, 180));
    ASSERT_EQ(o.margins.size(), 2);
    EXPECT_EQ(o.margins[0], QRect(10, 20, 7, 180));
    EXPECT_EQ(o.margins[1], QRect(137, 20, 8, 180));
    // A panorama loses both ends.
    o = ComputeCropOverlay(QRect(0, 0, 300, 100), "9x13", true);
    EXPECT_EQ(o.printed.height(), 100);
    EXPECT_EQ(o.printed.width(), 144);
    // Same proportions as the print: nothing cut.
    o = ComputeCropOverlay(QRect(0, 0, 150, 100), "10x15", true);
    EXPECT_EQ(o.printed, QRect(0, 0, 150, 100));
    EXPECT_TRUE(o.margins.isEmpty());
}

TEST(CropOverlay, FitAddsWhiteBordersAroundThePicture)
{
    CropOverlay o = ComputeCropOverlay(QRect(0, 0, 180, 135), "10x15", false);
    ASSERT_TRUE(o.valid);
    EXPECT_EQ(o.printed, QRect(-11, 0, 203, 135));
    ASSERT_EQ(o.margins.size(), 2);
    EXPECT_EQ(o.margins[0], QRect(-11, 0, 11, 135));
    EXPECT_EQ(o.margins[1], QRect(180, 0, 12, 135));
    // A tall, slim portrait picture: borders left and right.
    o = ComputeCropOverlay(QRect(0, 0, 100, 300), "10x15", false);
    EXPECT_EQ(o.printed.height(), 300);
    EXPECT_EQ(o.printed.width(), 200);
    EXPECT_EQ(o.printed.left(), -50);
}
