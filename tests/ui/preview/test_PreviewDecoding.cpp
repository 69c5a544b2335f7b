#include "tests/support/widgets/MainFormFixture.h"
#include "tests/support/widgets/MainFormParts.h"

#include "core/CropOverlay.h"
#include "platform/PictureDecoder.h"
#include "tests/support/ExifFixtures.h"
#include "ui/preview/PreviewForm.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalSpy>

using namespace pelmar;
using namespace pelmar::test;

namespace {

class PreviewDecoding : public MainFormTest
{
protected:
    PictureDecoder& decoder() { return form->pictureDecoder(); }

    // Waits until every decode asked for is in and drawn.
    void settle()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return decoder().idle(); }, 20000));
        QCoreApplication::processEvents();
    }

    QImage shot(QWidget* box) { return box->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // A JPEG of the picture with the EXIF block, padded past the size rule.
    QString picture(const QString& name, const QImage& image, const QByteArray& exif = {})
    {
        QByteArray bytes = encodeJpeg(image);
        if (!exif.isEmpty())
            bytes = withApp1(bytes, exif);
        if (bytes.size() < 52000)
            bytes.append(QByteArray(52000 - bytes.size(), '\0'));
        return file(name, bytes);
    }

    QImage plain(int w, int h, QColor colour)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }
};

bool near(QRgb c, QColor want, int tolerance = 60)
{
    return std::abs(qRed(c) - want.red()) + std::abs(qGreen(c) - want.green()) + std::abs(qBlue(c) - want.blue())
        < tolerance;
}

} // namespace

TEST_F(PreviewDecoding, EachOrientationIsDrawnUprightAndTheCheckSeesTheStoredPixels)
{
    openWithPrices();
    const QImage upright = quarters(300, 200);
    const QImage turned = storedFor(upright, 6);
    struct Case
    {
        QString name;
        QImage stored;
        QByteArray exif;
        QImage shown; // what the box must show
    };
    QList<Case> cases;
    for (int o = 1; o <= 8; ++o)
        cases.append({QStringLiteral("o%1.jpg").arg(o), storedFor(upright, o), exifBlock(o), upright});
    // Drawn as stored: no EXIF, a broken block, values 0 and 9.
    cases.append({QStringLiteral("none.jpg"), turned, {}, turned});
    cases.append({QStringLiteral("broken.jpg"), turned, exifBlock(6).left(24), turned});
    cases.append({QStringLiteral("zero.jpg"), turned, exifBlock(0), turned});
    cases.append({QStringLiteral("nine.jpg"), turned, exifBlock(9), turned});
    QStringList files;
    for (const Case& c : cases)
        files << picture(c.name, c.stored, c.exif);
    add(files);
    ASSERT_EQ(lines(), cases.size());
    for (int r = 0; r < cases.size(); ++r) {
        const Case& c = cases[r];
        // The resolution column keeps the stored pixels (height x width).
        EXPECT_EQ(line(r).resolution(), QStringLiteral("%1x%2").arg(c.stored.height()).arg(c.stored.width()))
            << c.name.toStdString();
        select({r});
        settle();
        EXPECT_EQ(form->previewPicture().size(), c.shown.size()) << c.name.toStdString();
        const QRect drawn = previewRect(c.shown.size(), PaintBox(*form)->rect());
        const QImage box = shot(PaintBox(*form));
        for (int q = 0; q < 4; ++q) {
            const int x = drawn.left() + drawn.width() * (1 + 2 * (q % 2)) / 4;
            const int y = drawn.top() + drawn.height() * (1 + 2 * (q / 2)) / 4;
            if (!PaintBox(*form)->rect().contains(x, y))
                continue; // clipped part of a stretched portrait
            const int want
                = quarterAt(c.shown, c.shown.width() * (1 + 2 * (q % 2)) / 4, c.shown.height() * (1 + 2 * (q / 2)) / 4);
            EXPECT_EQ(quarterAt(box, x, y), want) << c.name.toStdString() << " quarter " << q;
        }
    }
}

TEST_F(PreviewDecoding, ALateResultOfAFormerSelectionIsNeverPainted)
{
    openWithPrices();
    const QString a = picture(QStringLiteral("a.jpg"), plain(600, 400, Qt::red));
    const QString x = picture(QStringLiteral("x.jpg"), plain(600, 400, Qt::green));
    const QString y = picture(QStringLiteral("y.jpg"), plain(600, 400, Qt::green));
    const QString b = picture(QStringLiteral("b.jpg"), plain(600, 400, Qt::blue));
    add({a, x, y, b});
    select({});
    settle();
    const QPoint inside(20, 20);

    select({0});
    // A is decoded, but its result waits in the queue until the event loop
    // runs; by then B is selected.
    decoder().waitForWorkers();
    select({3});
    int lateA = 0;
    QObject::connect(&decoder(), &PictureDecoder::pictureReady, form.get(), [&](const QString& path) {
        if (path != a)
            return;
        ++lateA;
        EXPECT_FALSE(near(shot(PaintBox(*form)).pixel(inside), Qt::red));
    });
    settle();
    EXPECT_EQ(lateA, 1);
    EXPECT_EQ(form->previewPicture().path(), b);
    EXPECT_TRUE(near(shot(PaintBox(*form)).pixel(inside), Qt::blue));

    // Stepping back to A shows it at once from the cache.
    select({0});
    EXPECT_TRUE(near(shot(PaintBox(*form)).pixel(inside), Qt::red));
    EXPECT_TRUE(decoder().idle() || !form->previewPicture().isEmpty());
}

TEST_F(PreviewDecoding, NeighboursAreDecodedAheadSoSteppingNeverWaits)
{
    openWithPrices();
    QStringList files;
    for (int i = 0; i < 6; ++i)
        files << picture(QStringLiteral("p%1.jpg").arg(i), plain(900, 600, QColor(40 * i, 80, 200 - 30 * i)));
    add(files);
    form->selection()->setCurrentIndex(form->order().index(0, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    settle();
    for (int r = 1; r < 6; ++r) {
        FileList(*form)->setFocus();
        QTest::keyClick(FileList(*form), Qt::Key_Down);
        ASSERT_EQ(form->selectedRows(), QList<int>({r}));
        // The picture is there before any decode of this step finished.
        EXPECT_FALSE(form->previewPicture().isEmpty()) << r;
        EXPECT_EQ(form->previewPicture().path(), files[r]);
        settle();
    }
    // Decoded at the small box's scale: 1/4 covers 178 wide.
    EXPECT_EQ(form->previewPicture().denominator(), 4);
}

TEST_F(PreviewDecoding, CropOverlayFollowsTheUprightPicture)
{
    openWithPrices(); // 9x13: 13/9, narrower than 3:2, so fill cuts the long side
    // Stored lying 1500 x 1000, taken upright 1000 x 1500.
    const QString path = picture(QStringLiteral("phone.jpg"), plain(1500, 1000, Qt::white), exifBlock(6));
    add({path});
    TPreviewForm window(form.get(), form->showCrop());
    form->setPreviewForm(&window);
    TPreviewForm* preview = &window;
    form->PreviewImgBtnClick();
    ASSERT_TRUE(preview->isVisible());
    settle();
    const QRect box = preview->PaintBox->rect();
    const QRect drawn = previewRect(QSize(1000, 1500), box);
    ASSERT_LT(drawn.width(), drawn.height());
    const CropOverlay overlay = ComputeCropOverlay(drawn, QStringLiteral("9x13"), true);
    ASSERT_TRUE(overlay.valid);
    ASSERT_EQ(overlay.margins.size(), 2);
    const QImage img = shot(preview->PaintBox);
    // The cut bands lie across the top and the bottom of the upright picture.
    for (const QRect& band : overlay.margins) {
        EXPECT_EQ(band.width(), drawn.width());
        EXPECT_LT(qRed(img.pixel(band.center())), 200);
    }
    EXPECT_TRUE(near(img.pixel(drawn.left() + 3, drawn.center().y()), Qt::white, 20));
    EXPECT_TRUE(near(img.pixel(drawn.center()), Qt::white, 20));
    // Nothing drawn right of the portrait picture.
    EXPECT_FALSE(near(img.pixel(drawn.right() + 5, drawn.center().y()), Qt::white, 20));
}

TEST_F(PreviewDecoding, VanishedFileLeavesTheTextAndClosingMidDecodeIsSafe)
{
    openWithPrices();
    const QString gone = picture(QStringLiteral("gone.jpg"), plain(600, 400, Qt::red));
    add({gone});
    settle();
    // Removed before it was ever decoded at this box's scale.
    decoder().forget(gone);
    QFile::remove(gone);
    select({});
    select({0});
    settle();
    EXPECT_TRUE(form->previewPicture().isEmpty());
    EXPECT_TRUE(form->previewPicture().failed());
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_FALSE(near(shot(PaintBox(*form)).pixel(20, 20), Qt::red));

    // The window goes while workers decode and read ahead.
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many << writeJpeg(dir.file(QStringLiteral("m%1.jpg").arg(i)), 1600, 1200);
    add(many);
    miThumbnails(*form)->trigger();
    for (int r = 1; r < 6; ++r)
        select({r});
    form->PreviewImgBtnClick();
    form.reset();
}

TEST_F(PreviewDecoding, ThumbnailsAreAViewRememberedAndDrawnForTheRowsInView)
{
    openWithPrices();
    EXPECT_TRUE(miView(*form)->actions().contains(miThumbnails(*form)));
    EXPECT_EQ(miThumbnails(*form)->text(), QStringLiteral("Bélyegképek"));
    EXPECT_TRUE(miThumbnails(*form)->isCheckable());
    EXPECT_FALSE(miThumbnails(*form)->isChecked());
    const int plainHeight = FileList(*form)->verticalHeader()->defaultSectionSize();

    const QString red = picture(QStringLiteral("red.jpg"), plain(900, 600, Qt::red));
    add({red, file(QStringLiteral("scan.tif"), QByteArray(60000, 'I'))});
    settle();
    EXPECT_EQ(decoder().thumbnailsMade(), 0); // off: none made

    miThumbnails(*form)->trigger();
    EXPECT_GT(FileList(*form)->verticalHeader()->defaultSectionSize(), 60);
    FileList(*form)->viewport()->repaint();
    settle();
    // The list is redrawn once per burst of thumbnails, not at once.
    const QRect row0 = FileList(*form)->visualRect(form->order().index(0, 0));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QImage list = FileList(*form)->viewport()->grab().toImage();
            return near(list.pixel(row0.left() + 34, row0.center().y()), Qt::red);
        },
        5000));
    EXPECT_EQ(decoder().thumbnailsMade(), 1); // the TIFF line has none

    // Remembered, under a name of its own.
    ASSERT_TRUE(form->FormDestroy());
    {
        SettingsStore store(settingsPath());
        ASSERT_TRUE(store.openKey(kSettingsRootKey, false));
        EXPECT_EQ(store.readBool(QStringLiteral("ShowThumbnails")), std::optional<bool>(true));
    }
    form.reset();
    openForm();
    EXPECT_TRUE(miThumbnails(*form)->isChecked());
    miThumbnails(*form)->trigger();
    EXPECT_EQ(FileList(*form)->verticalHeader()->defaultSectionSize(), plainHeight);
}

TEST_F(PreviewDecoding, ALongListAsksOnlyForTheRowsInView)
{
    openWithPrices();
    const QString one = picture(QStringLiteral("one.jpg"), plain(900, 600, Qt::blue));
    const TPriceData entry = form->currentPrice();
    form->order().beginBatch();
    QStringList names;
    for (int i = 0; i < 3000; ++i) {
        names << dir.file(QStringLiteral("k%1.jpg").arg(i));
        ASSERT_TRUE(QFile::link(one, names.last()));
        form->order().AddOrderLine(names.last(), QStringLiteral("600x900"), 0, QString(), true, entry,
                                   QStringLiteral("1"), 1);
    }
    form->order().endBatch();
    miThumbnails(*form)->trigger();
    FileList(*form)->viewport()->repaint();
    settle();
    const int visible
        = FileList(*form)->viewport()->height() / FileList(*form)->verticalHeader()->defaultSectionSize() + 2;
    EXPECT_GT(decoder().thumbnailsMade(), 0);
    EXPECT_LE(decoder().thumbnailsMade(), visible);
    // At the bottom: the last rows get theirs, the middle never asked.
    FileList(*form)->scrollToBottom();
    FileList(*form)->viewport()->repaint();
    settle();
    EXPECT_FALSE(decoder().thumbnail(names.last()).isNull());
    EXPECT_TRUE(decoder().thumbnail(names[1500]).isNull());
    EXPECT_LE(decoder().thumbnailsMade(), 2 * visible);
}
