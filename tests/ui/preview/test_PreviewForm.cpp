#include "tests/support/widgets/MainFormFixture.h"

#include "platform/JpegDecode.h"
#include "ui/preview/PreviewForm.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

using namespace pelmar;
using namespace pelmar::test;

namespace {

using Preview = MainFormTest;

// Whether the widget shows anything but its background.
bool drawsSomething(QWidget* w)
{
    const QImage img = w->grab().toImage();
    const QRgb bg = img.pixel(0, 0);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != bg)
                return true;
    return false;
}

} // namespace

TEST(PreviewGeometry, MulDivRoundsToNearest)
{
    EXPECT_EQ(MulDiv(800, 178, 1000), 142); // 142.4
    EXPECT_EQ(MulDiv(800, 282, 1000), 226); // 225.6
    EXPECT_EQ(MulDiv(1, 1, 2), 1); // halves away from zero
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(3, 1, 4), 1);
    EXPECT_EQ(MulDiv(1, 1, 4), 0);
    // No overflow on the product.
    EXPECT_EQ(MulDiv(2000000000, 2000000000, 2000000000), 2000000000);
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

TEST(PreviewGeometry, ExamplesOfTheSmallBox)
{
    const QRect box(0, 0, 178, 282);
    EXPECT_EQ(previewRect(QSize(1000, 800), box), QRect(0, 0, 178, 142));
    // Portrait: fills the height and reaches past the right edge.
    EXPECT_EQ(previewRect(QSize(800, 1000), box), QRect(0, 0, 226, 282));
    // Fits: centred, unscaled, with integer division.
    EXPECT_EQ(previewRect(QSize(100, 51), box), QRect(39, 115, 100, 51));
    EXPECT_EQ(previewRect(QSize(178, 282), box), QRect(0, 0, 178, 282));
    // Square and too big: the height decides.
    EXPECT_EQ(previewRect(QSize(300, 300), box), QRect(0, 0, 282, 282));
    // Wider than the box but not taller: stretched from the corner.
    EXPECT_EQ(previewRect(QSize(179, 10), box), QRect(0, 0, 178, 10));
    // An offset box keeps its own corner.
    EXPECT_EQ(previewRect(QSize(1000, 800), QRect(5, 7, 178, 282)), QRect(5, 7, 178, 142));
}

TEST(PreviewDecode, SmallestScaleThatCoversTheTarget)
{
    EXPECT_EQ(jpeg::scaleDenominatorFor(QSize(1000, 800), QSize(178, 142)), 4);
    EXPECT_EQ(jpeg::scaleDenominatorFor(QSize(6000, 4000), QSize(178, 119)), 8);
    EXPECT_EQ(jpeg::scaleDenominatorFor(QSize(1000, 800), QSize(500, 400)), 2);
    EXPECT_EQ(jpeg::scaleDenominatorFor(QSize(1000, 800), QSize(501, 400)), 1);
    EXPECT_EQ(jpeg::scaleDenominatorFor(QSize(100, 50), QSize(100, 50)), 1);
    // 1/8 of 1001 rounds up to 126, which still covers 126.
    EXPECT_EQ(jpeg::scaleDenominatorFor(QSize(1001, 1001), QSize(126, 126)), 8);
    EXPECT_EQ(jpeg::scaleDenominatorFor(QSize(1000, 1000), QSize()), 8);
}

TEST(PreviewDecode, EachBoxGetsItsScaleAndALargerBoxShowsTheSmallPictureMeanwhile)
{
    TempDir dir;
    const QString path = writeJpeg(dir.file(QStringLiteral("p.jpg")), 1000, 800);
    PictureDecoder decoder([](QSize upright, QSize box) { return previewRect(upright, QRect(QPoint(), box)).size(); });
    PreviewPicture picture(decoder);
    QSignalSpy changed(&picture, &PreviewPicture::changed);
    auto settle = [&] { return QTest::qWaitFor([&] { return decoder.idle(); }, 20000); };
    // Naming the picture reads nothing; the first drawing asks for it.
    picture.load(path);
    EXPECT_TRUE(picture.isEmpty());
    EXPECT_TRUE(picture.isPending());
    EXPECT_TRUE(picture.imageFor(QSize(178, 282)).isNull());
    ASSERT_TRUE(settle());
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(picture.imageFor(QSize(178, 282)).size(), QSize(250, 200));
    EXPECT_EQ(picture.denominator(), 4);
    EXPECT_EQ(picture.imageFor(QSize(100, 80)).size(), QSize(250, 200));
    EXPECT_EQ(decoder.decodesRun(), 1);
    // The preview window's box: the small picture stands in until its own
    // decode is there.
    EXPECT_EQ(picture.imageFor(QSize(640, 512)).size(), QSize(250, 200));
    ASSERT_TRUE(settle());
    EXPECT_EQ(picture.imageFor(QSize(640, 512)).size(), QSize(1000, 800));
    EXPECT_EQ(decoder.decodesRun(), 2);
    // The geometry keeps the true size whatever the decoded scale.
    EXPECT_EQ(picture.size(), QSize(1000, 800));
    // Selected again later: there at once, from the cache.
    picture.clear();
    picture.load(path, QSize(178, 282));
    EXPECT_FALSE(picture.isEmpty());
    EXPECT_EQ(decoder.decodesRun(), 2);
}

TEST(PreviewDecode, BadFilesGiveMessagesNotCrashes)
{
    TempDir dir;
    PictureDecoder decoder({});
    auto failsQuietly = [&](const QString& path) {
        PreviewPicture p(decoder);
        p.load(path, QSize(178, 178));
        EXPECT_TRUE(QTest::qWaitFor([&] { return decoder.idle(); }, 20000));
        return p.isEmpty() && p.failed();
    };
    const QByteArray good = makeJpeg(64, 48);
    struct Case
    {
        const char* name;
        QByteArray bytes;
    };
    const QList<Case> cases = {
        {"empty.jpg", {}},
        {"garbage.jpg", QByteArray(5000, '\x13')},
        {"soi-only.jpg", QByteArray("\xff\xd8", 2)},
        {"half-header.jpg", good.left(60)},
        {"text.jpg", QByteArray("<html>not a picture</html>")},
    };
    for (const Case& c : cases) {
        const QString path = dir.write(QLatin1String(c.name), c.bytes);
        QSize size;
        QString error;
        EXPECT_FALSE(jpeg::readSize(path, size, &error)) << c.name;
        EXPECT_TRUE(error.startsWith(QStringLiteral("JPEG error #"))) << c.name << error.toStdString();
        const jpeg::Decoded d = jpeg::decode(path, 1);
        EXPECT_TRUE(d.image.isNull()) << c.name;
        EXPECT_FALSE(d.error.isEmpty()) << c.name;
        EXPECT_TRUE(failsQuietly(path)) << c.name;
    }
    // Missing file.
    QSize size;
    EXPECT_FALSE(jpeg::readSize(dir.file(QStringLiteral("none.jpg")), size));
    EXPECT_TRUE(jpeg::decode(dir.file(QStringLiteral("none.jpg")), 8).image.isNull());

    // A truncated picture decodes as far as it goes; the rest is filled.
    const QByteArray big = makeJpeg(400, 300);
    const QString cut = dir.write(QStringLiteral("cut.jpg"), big.left(big.size() * 3 / 4));
    const jpeg::Decoded d = jpeg::decode(cut, 1);
    EXPECT_EQ(d.image.size(), QSize(400, 300)) << d.error.toStdString();

    // A header that claims a picture too large to hold is refused before any
    // memory is taken.
    const QString huge = dir.write(QStringLiteral("huge.jpg"), withDeclaredSize(good, 65000, 65000));
    ASSERT_TRUE(jpeg::readSize(huge, size));
    EXPECT_EQ(size, QSize(65000, 65000));
    const jpeg::Decoded h = jpeg::decode(huge, 8);
    EXPECT_TRUE(h.image.isNull());
    EXPECT_FALSE(h.error.isEmpty());
    EXPECT_TRUE(failsQuietly(huge)); // empty, so the box shows its text

    // A grayscale JPEG decodes too.
    QImage gray(40, 30, QImage::Format_Grayscale8);
    gray.fill(128);
    const QString grayPath = dir.file(QStringLiteral("gray.jpg"));
    ASSERT_TRUE(gray.save(grayPath, "JPEG"));
    const jpeg::Decoded g = jpeg::decode(grayPath, 2);
    ASSERT_EQ(g.image.size(), QSize(20, 15));
    EXPECT_NEAR(qGray(g.image.pixel(5, 5)), 128, 3);
}

TEST_F(Preview, WindowLooksAndClosesAsItShould)
{
    openWithPrices();
    TPreviewForm preview(form.get(), form->showCrop());
    form->setPreviewForm(&preview);
    EXPECT_EQ(form->previewForm(), &preview);
    EXPECT_FALSE(preview.isVisible());
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Kép előnézete"));
    EXPECT_TRUE(preview.windowFlags() & Qt::Tool);
    EXPECT_EQ(preview.CloseBtn->text(), QStringLiteral("Bezár"));
    EXPECT_TRUE(preview.CloseBtn->isDefault());

    PreviewImgBtn(*form)->click();
    EXPECT_TRUE(preview.isVisible());
    EXPECT_FALSE(preview.isModal());
    EXPECT_EQ(preview.frameGeometry().center(), form->frameGeometry().center());
    // Esc hides it; the window object stays.
    QTest::keyClick(&preview, Qt::Key_Escape);
    EXPECT_FALSE(preview.isVisible());
    form->PreviewImgBtnClick();
    EXPECT_TRUE(preview.isVisible());
    preview.CloseBtn->click();
    EXPECT_FALSE(preview.isVisible());
    form->PreviewImgBtnClick();
    preview.close();
    EXPECT_FALSE(preview.isVisible());
}

TEST_F(Preview, WhichBoxDrawsWhen)
{
    openWithPrices();
    TPreviewForm preview(form.get(), form->showCrop());
    form->setPreviewForm(&preview);
    // No picture: the text in the small box.
    EXPECT_TRUE(drawsSomething(PaintBox(*form)));
    add({jpeg(QStringLiteral("a.jpg"), 150, 100)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->previewPicture().isEmpty(); }, 20000));
    EXPECT_TRUE(drawsSomething(PaintBox(*form)));

    // The preview window open: the small box is blank, the window draws.
    form->PreviewImgBtnClick();
    EXPECT_FALSE(drawsSomething(PaintBox(*form)));
    EXPECT_TRUE(drawsSomething(preview.PaintBox));
    // Unchecked: still drawn in the window.
    CBShowPreview(*form)->click();
    EXPECT_FALSE(CBShowPreview(*form)->isChecked());
    EXPECT_TRUE(drawsSomething(preview.PaintBox));
    preview.hide();
    EXPECT_FALSE(drawsSomething(PaintBox(*form)));
    CBShowPreview(*form)->click();
    EXPECT_TRUE(drawsSomething(PaintBox(*form)));
}

TEST_F(Preview, SmallBoxDrawsThePictureByItsGeometry)
{
    openWithPrices();
    // A uniformly red picture larger than the box: landscape.
    QImage red(1000, 800, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString path = dir.file(QStringLiteral("red.jpg"));
    ASSERT_TRUE(red.save(path, "JPEG", 95));
    PictureDecoder& decoder = form->pictureDecoder();
    PreviewPicture picture(decoder);
    TPaintBox box;
    box.resize(178, 282);
    box.onPaint = [&](QPainter& p) { DrawPreview(&box, p, &picture); };
    auto shotOf = [&](const QString& file) {
        picture.load(file, box.size());
        EXPECT_TRUE(QTest::qWaitFor([&] { return decoder.idle(); }, 20000));
        return box.grab().toImage();
    };
    const QImage shot = shotOf(path);
    auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; };
    EXPECT_TRUE(isRed(shot.pixel(0, 0)));
    EXPECT_TRUE(isRed(shot.pixel(177, 141)));
    EXPECT_FALSE(isRed(shot.pixel(177, 143)));
    EXPECT_FALSE(isRed(shot.pixel(10, 200)));
    EXPECT_EQ(picture.denominator(), 4);

    // Smaller than the box: centred, unscaled.
    QImage blue(100, 50, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    const QString bluePath = dir.file(QStringLiteral("blue.jpg"));
    ASSERT_TRUE(blue.save(bluePath, "JPEG", 95));
    const QImage shot2 = shotOf(bluePath);
    auto isBlue = [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60; };
    EXPECT_TRUE(isBlue(shot2.pixel(39, 116)));
    EXPECT_TRUE(isBlue(shot2.pixel(138, 165)));
    EXPECT_FALSE(isBlue(shot2.pixel(38, 116)));
    EXPECT_FALSE(isBlue(shot2.pixel(139, 140)));
    EXPECT_EQ(picture.denominator(), 1);
}
