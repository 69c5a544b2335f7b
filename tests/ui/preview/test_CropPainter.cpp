#include "ui/preview/CropPainter.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace pelmar;

namespace {

// A "picture" of pure green drawn at rect inside a black 300x300 canvas, then
// the overlay over it.
QImage render(const QRect& rect, const QString& size, bool fill, bool* drawn = nullptr)
{
    QImage img(300, 300, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.fillRect(rect, QColor(0, 200, 0));
    const bool d = DrawCropOverlay(p, rect, size, fill);
    if (drawn)
        *drawn = d;
    return img;
}

bool isGreen(QRgb c)
{
    return qRed(c) == 0 && qGreen(c) == 200 && qBlue(c) == 0;
}

} // namespace

TEST(CropPainter, FillGreysTheCutPartsAndLeavesThePrintedPart)
{
    // Landscape 4:3 picture on 10x15: bands at the top and bottom are cut.
    const QRect pic(0, 0, 180, 135);
    const QImage img = render(pic, "10x15", true);
    EXPECT_TRUE(isGreen(img.pixel(90, 67))); // middle stays as it is
    EXPECT_FALSE(isGreen(img.pixel(90, 2))); // top band greyed
    EXPECT_FALSE(isGreen(img.pixel(90, 132))); // bottom band greyed
    EXPECT_LT(qGreen(img.pixel(90, 2)), 200);
    EXPECT_TRUE(isGreen(img.pixel(2, 67))); // no cut at the sides
    // Portrait picture: the sides are cut instead.
    const QImage portrait = render(QRect(0, 0, 135, 180), "10x15", true);
    EXPECT_FALSE(isGreen(portrait.pixel(2, 90)));
    EXPECT_TRUE(isGreen(portrait.pixel(67, 2)));
}

TEST(CropPainter, FitPaintsWhiteBordersOutsideThePicture)
{
    const QRect pic(50, 50, 180, 135);
    const QImage img = render(pic, "10x15", false);
    // Borders of 11 and 12 pixels left and right of the picture.
    EXPECT_EQ(img.pixel(44, 100), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(235, 100), qRgb(255, 255, 255));
    EXPECT_TRUE(isGreen(img.pixel(52, 100)));
    EXPECT_TRUE(isGreen(img.pixel(140, 100)));
    EXPECT_EQ(img.pixel(20, 100), qRgb(0, 0, 0)); // beyond the print
}

TEST(CropPainter, SizeWithoutProportionsDrawsNothing)
{
    bool drawn = true;
    const QImage img = render(QRect(0, 0, 180, 135), "Poszter", true, &drawn);
    EXPECT_FALSE(drawn);
    EXPECT_TRUE(isGreen(img.pixel(90, 2)));
}

TEST(CropPainter, PrintReachingOutsideTheBoxGetsADiagramInTheCorner)
{
    // A stretched picture fills the box's width; fit borders would fall
    // outside, so the corner shows the whole print in miniature.
    QImage img(300, 300, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    const QRect pic(0, 0, 300, 225);
    p.fillRect(pic, QColor(0, 200, 0));
    ASSERT_TRUE(DrawCropOverlay(p, pic, "10x15", false, img.rect()));
    p.end();
    // The diagram's white borders sit in the lower right corner.
    int white = 0;
    for (int y = 220; y < 300; ++y)
        for (int x = 200; x < 300; ++x)
            white += img.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(white, 20);
    // Without a box (or with a print inside it) no diagram is drawn.
    QImage plain(300, 300, QImage::Format_RGB32);
    plain.fill(Qt::black);
    QPainter q(&plain);
    q.fillRect(QRect(50, 50, 180, 135), QColor(0, 200, 0));
    DrawCropOverlay(q, QRect(50, 50, 180, 135), "10x15", false, plain.rect());
    q.end();
    EXPECT_EQ(plain.pixel(290, 290), qRgb(0, 0, 0));
}
