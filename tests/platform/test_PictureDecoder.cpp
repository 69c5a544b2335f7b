#include "platform/PictureDecoder.h"
#include "platform/PictureOrientation.h"

#include "tests/support/ExifFixtures.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

// The geometry the tests decode for: the picture fitted into the box.
QSize fitted(QSize upright, QSize box)
{
    return upright.scaled(box, Qt::KeepAspectRatio);
}

bool settle(PictureDecoder& decoder, int ms = 20000)
{
    return QTest::qWaitFor([&] { return decoder.idle(); }, ms);
}

// The picture as the decoder gives it for a box it fully covers.
DecodedPicture decodeNow(PictureDecoder& decoder, const QString& path, QSize box = QSize(4000, 4000))
{
    decoder.request(path, box, PictureDecoder::Shown);
    EXPECT_TRUE(settle(decoder));
    return decoder.cached(path, box);
}

// A hand-made EXIF block whose orientation entry has the given TIFF type
// (3 SHORT is right; 4 LONG and 2 ASCII are wrong kinds) and value bytes.
QByteArray exifWithType(quint16 type, quint32 count, QByteArray value)
{
    value.resize(4, '\0');
    QByteArray b("Exif\0\0II*\0\x08\0\0\0", 14);
    b.append("\x01\0", 2); // one entry
    b.append("\x12\x01", 2); // tag 0x0112
    b.append(char(type & 0xFF)).append(char(type >> 8)); // type
    b.append(reinterpret_cast<const char*>(&count), 4); // count (little-endian host)
    b.append(value); // value in the entry
    b.append(QByteArray(4, '\0')); // no next directory
    return b;
}

bool isMagenta(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) > 200;
}

int quarterOfUpright(const QImage& image, int qx, int qy)
{
    return quarterAt(image, image.width() * (1 + 2 * qx) / 4, image.height() * (1 + 2 * qy) / 4);
}

} // namespace

TEST(PictureInfo, OrientationAndThumbnailComeFromTheExifBlock)
{
    const QByteArray jpeg = makeJpeg(32, 24);
    const QByteArray thumb = encodeJpeg(quarters(16, 12));
    for (bool bigEndian : {false, true}) {
        for (int o = 1; o <= 8; ++o) {
            const exif::PictureInfo info = exif::pictureInfoFromBytes(withApp1(jpeg, exifBlock(o, thumb, bigEndian)));
            EXPECT_EQ(info.orientation, o) << bigEndian;
            EXPECT_EQ(info.thumbnail, thumb);
        }
    }
    // Values outside the eight, and no tag at all: as stored.
    for (int o : {0, 9, 255, 65535})
        EXPECT_EQ(exif::pictureInfoFromBytes(withApp1(jpeg, exifBlock(o))).orientation, 1) << o;
    const exif::PictureInfo none = exif::pictureInfoFromBytes(withApp1(jpeg, exifBlock(-1, thumb)));
    EXPECT_EQ(none.orientation, 1);
    EXPECT_EQ(none.thumbnail, thumb);
    EXPECT_EQ(exif::pictureInfoFromBytes(jpeg).orientation, 1);
    EXPECT_TRUE(exif::pictureInfoFromBytes(jpeg).thumbnail.isEmpty());
    // The hand-made block is read at all (so the wrong kinds below are
    // refused for their kind, not for the framing).
    QByteArray shortSix(2, '\0');
    shortSix[0] = 6;
    ASSERT_EQ(exif::pictureInfoFromBytes(withApp1(jpeg, exifWithType(3, 1, shortSix))).orientation, 6);
}

TEST(PictureInfo, BrokenOrForeignInputGivesTheDefaults)
{
    const QByteArray jpeg = makeJpeg(32, 24);
    const QByteArray block = exifBlock(6, encodeJpeg(quarters(16, 12)));
    const QByteArray good = withApp1(jpeg, block);
    QByteArray six(4, '\0');
    six[0] = 6;
    const QList<QPair<const char*, QByteArray>> cases = {
        {"empty", {}},
        {"three bytes", QByteArray("\xFF\xD8\xFF", 3)},
        {"garbage", QByteArray(300000, '\x5A')},
        {"exif header only", withApp1(jpeg, QByteArray("Exif\0\0", 6))},
        {"bad byte order", withApp1(jpeg, QByteArray("Exif\0\0XX*\0\x08\0\0\0", 14))},
        {"long instead of short", withApp1(jpeg, exifWithType(4, 1, six))},
        {"text instead of short", withApp1(jpeg, exifWithType(2, 4, QByteArray("6\0\0\0", 4)))},
        {"short with no value", withApp1(jpeg, exifWithType(3, 0, six))},
        {"directory past the end", withApp1(jpeg, QByteArray("Exif\0\0II*\0\xF0\xFF\0\0", 14))},
    };
    for (const auto& [name, bytes] : cases)
        EXPECT_EQ(exif::pictureInfoFromBytes(bytes).orientation, 1) << name;
    // Cut anywhere, the block never crashes the reader and never yields a
    // value outside 1..8.
    for (qsizetype n = 0; n < good.size(); n += 3) {
        const int o = exif::pictureInfoFromBytes(good.left(n)).orientation;
        EXPECT_TRUE(o >= 1 && o <= 8) << n;
    }
    // An APP1 segment whose length claims more than there is.
    QByteArray lying = good;
    lying[4] = char(0xFF);
    lying[5] = char(0xFF);
    const int o = exif::pictureInfoFromBytes(lying).orientation;
    EXPECT_TRUE(o >= 1 && o <= 8);

    // Files: missing, a folder, a FIFO (must not wait for a writer), and a
    // picture whose EXIF block lies beyond the head that is read.
    TempDir dir;
    EXPECT_EQ(exif::readPictureInfo(dir.file(QStringLiteral("none.jpg"))).orientation, 1);
    EXPECT_EQ(exif::readPictureInfo(dir.path()).orientation, 1);
    const QString fifo = dir.file(QStringLiteral("fifo.jpg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(exif::readPictureInfo(fifo).orientation, 1);
    EXPECT_LT(t.elapsed(), 2000);
    QByteArray far = jpeg.left(2);
    for (int i = 0; i < 5; ++i)
        far += withApp1(QByteArray("\xFF\xD8", 2), QByteArray(65000, 'x')).mid(2).replace(1, 1, "\xE2");
    far += withApp1(jpeg, block).mid(2);
    EXPECT_EQ(exif::readPictureInfo(dir.write(QStringLiteral("far.jpg"), far)).orientation, 1);
    EXPECT_EQ(exif::readPictureInfo(dir.write(QStringLiteral("near.jpg"), good)).orientation, 6);
}

TEST(PictureCache, StaysWithinItsBoundDroppingTheLeastRecentlyUsed)
{
    auto picture = [](int w, int h) {
        DecodedPicture p;
        p.image = QImage(w, h, QImage::Format_RGB32);
        return p;
    };
    const qint64 unit = PictureCache::costOf(picture(100, 100)); // 40,000 bytes
    PictureCache cache(unit * 3);
    cache.insert(QStringLiteral("a"), picture(100, 100));
    cache.insert(QStringLiteral("b"), picture(100, 100));
    cache.insert(QStringLiteral("c"), picture(100, 100));
    EXPECT_EQ(cache.bytes(), unit * 3);
    EXPECT_FALSE(cache.find(QStringLiteral("a")).isNull()); // a is now the newest
    cache.insert(QStringLiteral("d"), picture(100, 100));
    EXPECT_TRUE(cache.contains(QStringLiteral("a")));
    EXPECT_FALSE(cache.contains(QStringLiteral("b")));
    // peek does not refresh: c goes next.
    EXPECT_NE(cache.peek(QStringLiteral("c")), nullptr);
    cache.insert(QStringLiteral("e"), picture(100, 100));
    EXPECT_FALSE(cache.contains(QStringLiteral("c")));
    // A replacement is counted once; a larger one pushes out the oldest.
    cache.insert(QStringLiteral("e"), picture(100, 200));
    EXPECT_EQ(cache.bytes(), unit * 3);
    EXPECT_EQ(cache.count(), 2);
    EXPECT_FALSE(cache.contains(QStringLiteral("a")));
    EXPECT_TRUE(cache.contains(QStringLiteral("d")));
    // Larger than the whole bound: not kept, and nothing else is lost.
    cache.insert(QStringLiteral("huge"), picture(1000, 1000));
    EXPECT_FALSE(cache.contains(QStringLiteral("huge")));
    EXPECT_EQ(cache.count(), 2);
    cache.insert(QStringLiteral("null"), DecodedPicture {});
    EXPECT_FALSE(cache.contains(QStringLiteral("null")));
    cache.remove(QStringLiteral("d"));
    cache.remove(QStringLiteral("d"));
    EXPECT_EQ(cache.bytes(), PictureCache::costOf(picture(100, 200)));
}

TEST(PictureDecoder, EveryOrientationComesOutUpright)
{
    TempDir dir;
    PictureDecoder decoder(fitted);
    const QImage upright = quarters(64, 48);
    for (int o = 1; o <= 8; ++o) {
        const QImage stored = storedFor(upright, o);
        const QString path = dir.write(QStringLiteral("o%1.jpg").arg(o), withApp1(encodeJpeg(stored), exifBlock(o)));
        const DecodedPicture p = decodeNow(decoder, path);
        ASSERT_FALSE(p.isNull()) << o;
        EXPECT_EQ(p.orientation, o);
        EXPECT_EQ(p.storedSize, stored.size()) << o; // what the check and the lab see
        EXPECT_EQ(p.image.size(), QSize(64, 48)) << o;
        EXPECT_EQ(p.uprightSize(), QSize(64, 48)) << o;
        for (int q = 0; q < 4; ++q)
            EXPECT_EQ(quarterOfUpright(p.image, q % 2, q / 2), q) << "orientation " << o << " quarter " << q;
    }
    // No EXIF, a broken block, values 0 and 9: drawn as stored, even where
    // the stored picture is one of a turned camera.
    const QImage turned = storedFor(upright, 6);
    const QList<QPair<QString, QByteArray>> asStored = {
        {QStringLiteral("plain.jpg"), encodeJpeg(turned)},
        {QStringLiteral("broken.jpg"), withApp1(encodeJpeg(turned), exifBlock(6).left(20))},
        {QStringLiteral("zero.jpg"), withApp1(encodeJpeg(turned), exifBlock(0))},
        {QStringLiteral("nine.jpg"), withApp1(encodeJpeg(turned), exifBlock(9))},
    };
    for (const auto& [name, bytes] : asStored) {
        const DecodedPicture p = decodeNow(decoder, dir.write(name, bytes));
        ASSERT_FALSE(p.isNull()) << name.toStdString();
        EXPECT_EQ(p.orientation, 1);
        EXPECT_EQ(p.image.size(), turned.size());
        for (int q = 0; q < 4; ++q)
            EXPECT_EQ(quarterOfUpright(p.image, q % 2, q / 2), quarterOfUpright(turned, q % 2, q / 2))
                << name.toStdString();
    }
}

TEST(PictureDecoder, DecodesAtTheScaleTheUprightPictureNeeds)
{
    TempDir dir;
    PictureDecoder decoder(fitted);
    // Stored 1600 x 1200, shown upright 1200 x 1600: a box of 150 x 200 takes
    // it at 1/8 (200 x 150 stored). Reading the box against the stored
    // sides would need 1/4.
    const QString path = dir.write(QStringLiteral("turned.jpg"), withApp1(makeJpeg(1600, 1200), exifBlock(6)));
    const DecodedPicture small = decodeNow(decoder, path, QSize(150, 200));
    ASSERT_FALSE(small.isNull());
    EXPECT_EQ(small.denominator, 8);
    EXPECT_EQ(small.image.size(), QSize(150, 200));

    // A larger box: the small one stands in until its own decode is there.
    bool covers = true;
    EXPECT_EQ(decoder.cached(path, QSize(600, 800), &covers).denominator, 8);
    EXPECT_FALSE(covers);
    const DecodedPicture large = decodeNow(decoder, path, QSize(600, 800));
    EXPECT_EQ(large.denominator, 2);
    // Both are kept; each box gets the coarsest that covers it.
    EXPECT_EQ(decoder.cached(path, QSize(150, 200), &covers).denominator, 8);
    EXPECT_TRUE(covers);
    EXPECT_EQ(decoder.cached(path, QSize(300, 400), &covers).denominator, 2);
    EXPECT_TRUE(covers);
    // Asking again for what is cached costs no decode.
    const int runs = decoder.decodesRun();
    decoder.request(path, QSize(600, 800), PictureDecoder::Shown);
    EXPECT_TRUE(decoder.idle());
    EXPECT_EQ(decoder.decodesRun(), runs);
}

TEST(PictureDecoder, FailuresAreReportedAndNotKept)
{
    TempDir dir;
    PictureDecoder decoder(fitted, nullptr, PictureDecoder::kDefaultCacheBytes, 1);
    QSignalSpy failed(&decoder, &PictureDecoder::pictureFailed);
    const QString fifo = dir.file(QStringLiteral("fifo.jpg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QStringList bad = {
        dir.file(QStringLiteral("missing.jpg")),
        dir.write(QStringLiteral("garbage.jpg"), QByteArray(5000, '\x13')),
        dir.write(QStringLiteral("empty.jpg"), {}),
        dir.write(QStringLiteral("huge.jpg"), withDeclaredSize(makeJpeg(64, 48), 65000, 65000)),
        fifo,
        dir.path(),
    };
    for (const QString& path : bad)
        decoder.request(path, QSize(178, 282), PictureDecoder::Shown);
    ASSERT_TRUE(settle(decoder));
    ASSERT_EQ(failed.size(), bad.size());
    for (int i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(failed[i][0].toString(), bad[i]);
        EXPECT_FALSE(failed[i][1].toString().isEmpty());
    }

    // A file that goes between the ask and the decode: the one worker is
    // busy with a large picture while the file is removed.
    const QString busy = writeJpeg(dir.file(QStringLiteral("busy.jpg")), 2400, 1800);
    const QString victim = writeJpeg(dir.file(QStringLiteral("victim.jpg")), 300, 200);
    decoder.request(busy, QSize(4000, 4000), PictureDecoder::Shown);
    decoder.request(victim, QSize(178, 282), PictureDecoder::Shown);
    ASSERT_TRUE(QFile::remove(victim));
    ASSERT_TRUE(settle(decoder));
    EXPECT_EQ(failed.last()[0].toString(), victim);
    EXPECT_TRUE(decoder.cached(victim, QSize(178, 282)).isNull());
    // Back again: a new ask decodes it (failures are not remembered).
    writeJpeg(victim, 300, 200);
    EXPECT_FALSE(decodeNow(decoder, victim, QSize(178, 282)).isNull());
}

TEST(PictureDecoder, ShownGoesFirstAndDroppedAsksAreNeverDecoded)
{
    TempDir dir;
    PictureDecoder decoder(fitted, nullptr, PictureDecoder::kDefaultCacheBytes, 1);
    QStringList order;
    QObject::connect(&decoder, &PictureDecoder::pictureReady, [&](const QString& p) { order << p.section('/', -1); });
    const QString busy = writeJpeg(dir.file(QStringLiteral("busy.jpg")), 2400, 1800);
    QStringList p;
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        p << writeJpeg(dir.file(QLatin1String(n)), 320, 240);
    const QSize box(178, 282);
    decoder.request(busy, QSize(4000, 4000), PictureDecoder::Shown);
    decoder.request(p[0], box, PictureDecoder::Ahead);
    decoder.request(p[1], box, PictureDecoder::Ahead);
    decoder.request(p[2], box, PictureDecoder::Ahead);
    decoder.request(p[3], box, PictureDecoder::Shown);
    decoder.request(p[2], box, PictureDecoder::Shown); // stepped onto: raised
    decoder.dropQueued(PictureDecoder::Ahead);
    ASSERT_TRUE(settle(decoder));
    EXPECT_EQ(order, QStringList({"busy.jpg", "d.jpg", "c.jpg"}));
    EXPECT_EQ(decoder.decodesRun(), 3);
}

TEST(PictureDecoder, CacheNeverGrowsPastItsBound)
{
    TempDir dir;
    const qint64 bound = 1024 * 1024;
    PictureDecoder decoder(fitted, nullptr, bound, 1);
    qint64 most = 0;
    QObject::connect(&decoder, &PictureDecoder::pictureReady,
                     [&](const QString&) { most = std::max(most, decoder.cache().bytes()); });
    QStringList paths;
    for (int i = 0; i < 12; ++i) {
        paths << writeJpeg(dir.file(QStringLiteral("p%1.jpg").arg(i)), 400, 300); // 480,000 bytes decoded
        decoder.request(paths.last(), QSize(400, 300), PictureDecoder::Ahead);
    }
    ASSERT_TRUE(settle(decoder));
    EXPECT_GT(most, 0);
    EXPECT_LE(most, bound);
    EXPECT_EQ(decoder.cache().count(), 2);
    // The newest are the ones kept.
    EXPECT_FALSE(decoder.cached(paths.last(), QSize(400, 300)).isNull());
    EXPECT_TRUE(decoder.cached(paths.first(), QSize(400, 300)).isNull());
}

TEST(PictureDecoder, ThumbnailsFromTheExifBlockOrASmallDecode)
{
    TempDir dir;
    PictureDecoder decoder(fitted);
    QImage magenta(160, 120, QImage::Format_RGB32);
    magenta.fill(Qt::magenta);
    const QByteArray main = encodeJpeg(storedFor(quarters(800, 600), 8)); // stored 600 x 800
    QImage wrongShape(120, 160, QImage::Format_RGB32);
    wrongShape.fill(Qt::magenta);
    const QString withThumb
        = dir.write(QStringLiteral("thumb.jpg"), withApp1(makeJpeg(800, 600), exifBlock(1, encodeJpeg(magenta))));
    const QString turnedNoThumb = dir.write(QStringLiteral("turned.jpg"), withApp1(main, exifBlock(8)));
    const QString lyingThumb
        = dir.write(QStringLiteral("lying.jpg"), withApp1(makeJpeg(800, 600), exifBlock(1, encodeJpeg(wrongShape))));
    const QString junkThumb
        = dir.write(QStringLiteral("junk.jpg"), withApp1(makeJpeg(800, 600), exifBlock(1, QByteArray(900, '\x07'))));
    const QString broken = dir.write(QStringLiteral("broken.jpg"), QByteArray(60000, '\x01'));
    for (const QString& p : {withThumb, turnedNoThumb, lyingThumb, junkThumb, broken})
        decoder.requestThumbnail(p);
    ASSERT_TRUE(settle(decoder));

    const QImage t1 = decoder.thumbnail(withThumb);
    ASSERT_EQ(t1.size(), QSize(64, 48));
    EXPECT_TRUE(isMagenta(t1.pixel(32, 24))) << "the EXIF thumbnail is used";
    const QImage t2 = decoder.thumbnail(turnedNoThumb);
    ASSERT_EQ(t2.size(), QSize(64, 48)); // 1/8 decode (75 x 100), upright, fitted
    for (int q = 0; q < 4; ++q)
        EXPECT_EQ(quarterOfUpright(t2, q % 2, q / 2), q);
    for (const QString& p : {lyingThumb, junkThumb}) {
        const QImage t = decoder.thumbnail(p);
        ASSERT_EQ(t.size(), QSize(64, 48)) << p.toStdString();
        EXPECT_FALSE(isMagenta(t.pixel(32, 24))) << p.toStdString();
    }
    EXPECT_TRUE(decoder.thumbnail(broken).isNull());
    EXPECT_TRUE(decoder.thumbnailFailed(broken));
    // A failed thumbnail is not asked for again.
    const int runs = decoder.decodesRun();
    decoder.requestThumbnail(broken);
    EXPECT_TRUE(decoder.idle());
    EXPECT_EQ(decoder.decodesRun(), runs);
}

TEST(PictureDecoder, OnlyTheNewestThumbnailAsksWait)
{
    TempDir dir;
    PictureDecoder decoder(fitted, nullptr, PictureDecoder::kDefaultCacheBytes, 1);
    const QString busy = writeJpeg(dir.file(QStringLiteral("busy.jpg")), 4000, 3000);
    const QString small = writeJpeg(dir.file(QStringLiteral("small.jpg")), 200, 150);
    QStringList names;
    for (int i = 0; i < PictureDecoder::kMaxQueuedThumbnails + 100; ++i) {
        names << dir.file(QStringLiteral("t%1.jpg").arg(i));
        ASSERT_TRUE(QFile::link(small, names.last()));
    }
    // The asks must all be queued while the one worker is busy: nothing slow
    // between the busy ask and the last thumbnail ask.
    decoder.request(busy, QSize(4000, 4000), PictureDecoder::Shown);
    // Rows scrolled past: far more asks than are kept; the newest win, and
    // the newest of all comes first.
    for (const QString& name : names)
        decoder.requestThumbnail(name);
    QStringList made;
    QObject::connect(&decoder, &PictureDecoder::thumbnailReady, [&](const QString& p) { made << p; });
    ASSERT_TRUE(settle(decoder));
    EXPECT_EQ(made.size(), PictureDecoder::kMaxQueuedThumbnails);
    ASSERT_FALSE(made.isEmpty());
    EXPECT_EQ(made.first(), names.last());
    EXPECT_TRUE(decoder.thumbnail(names.first()).isNull());
    EXPECT_FALSE(decoder.thumbnail(names.last()).isNull());
}

TEST(PictureDecoder, DestroyedWhileWorkersRun)
{
    TempDir dir;
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << writeJpeg(dir.file(QStringLiteral("p%1.jpg").arg(i)), 1600, 1200);
    for (int round = 0; round < 3; ++round) {
        int delivered = 0;
        {
            auto decoder = std::make_unique<PictureDecoder>(fitted);
            QObject::connect(decoder.get(), &PictureDecoder::pictureReady, [&](const QString&) { ++delivered; });
            for (const QString& p : paths) {
                decoder->request(p, QSize(1600, 1200), PictureDecoder::Shown);
                decoder->requestThumbnail(p);
            }
            // Round 0 dies at once, the others once some results are in.
            if (round > 0) {
                EXPECT_TRUE(QTest::qWaitFor([&] { return delivered > 0; }, 10000));
            }
        }
        const int seen = delivered;
        QTest::qWait(50); // results posted before the end are never delivered
        EXPECT_EQ(delivered, seen);
    }
}

// A hostile progressive picture (a 6000 x 4000 header, 40,000 tiny scans:
// a minute of work for the decoder) is being decoded for the preview when
// the program ends: the decoder is gone within a second, the decode
// abandoned and never delivered.
TEST(PictureDecoder, EndingWhileAHostilePictureDecodesTakesUnderASecond)
{
    TempDir dir;
    const QString hostile
        = dir.write(QStringLiteral("hostile.jpg"),
                    withRepeatedFirstScan(withDeclaredSize(makeProgressiveJpeg(64, 64), 6000, 4000), 40000));
    int delivered = 0;
    auto decoder = std::make_unique<PictureDecoder>(fitted);
    QObject::connect(decoder.get(), &PictureDecoder::pictureReady, [&] { ++delivered; });
    QObject::connect(decoder.get(), &PictureDecoder::pictureFailed, [&] { ++delivered; });
    decoder->request(hostile, QSize(600, 400), PictureDecoder::Shown);
    ASSERT_TRUE(QTest::qWaitFor([&] { return decoder->decodesUnderWay() > 0; }, 10000));
    QTest::qWait(300); // well into its scans
    QElapsedTimer clock;
    clock.start();
    decoder.reset();
    EXPECT_LT(clock.elapsed(), PictureDecoder::kStopWaitMs);
    QTest::qWait(50);
    EXPECT_EQ(delivered, 0);
}
