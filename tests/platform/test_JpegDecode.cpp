// The preview decoder against files that fight back: shrunk while decoded,
// tiny files that claim enormous progressive pictures, endless zeros, pipes
// and devices in a picture's place.
#include "platform/JpegDecode.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

QByteArray progressiveJpeg(int width, int height)
{
    return makeProgressiveJpeg(width, height);
}

} // namespace

// A file of more scans than any real picture has (each walks the whole
// picture again) is refused once it passes the limit, however small it is;
// one within the limit decodes, unless past its time or stopped from another
// thread: each such ends at its next row of blocks with no picture.
TEST(JpegDecode, EndlessScansTimeAndAStopEndTheDecode)
{
    TempDir dir;
    const QByteArray big = withDeclaredSize(progressiveJpeg(64, 64), 800, 800);
    const QString many = dir.write(QStringLiteral("many.jpg"), withRepeatedFirstScan(big, jpeg::kMaxScans + 500));
    const jpeg::Decoded refused = jpeg::decode(many, 8);
    EXPECT_TRUE(refused.image.isNull());
    EXPECT_TRUE(refused.error.contains(QString::number(jpeg::kMaxScans))) << refused.error.toStdString();
    const QString fewer = dir.write(QStringLiteral("fewer.jpg"), withRepeatedFirstScan(big, 50));
    EXPECT_EQ(jpeg::decode(fewer, 8).image.size(), QSize(100, 100));
    const std::atomic<bool> stopped {true};
    for (const jpeg::DecodeLimits& limits : {jpeg::DecodeLimits {jpeg::kMaxScans, 0, nullptr},
                                             jpeg::DecodeLimits {jpeg::kMaxScans, jpeg::kMaxDecodeMillis, &stopped}}) {
        const jpeg::Decoded d = jpeg::decode(fewer, 8, limits);
        EXPECT_TRUE(d.image.isNull() && !d.error.isEmpty()) << d.error.toStdString();
    }
}

TEST(JpegDecode, FileShrunkWhileDecodedEndsItsDataNotTheProgram)
{
    TempDir dir;
    const QByteArray full = makeJpeg(2400, 1600, -1, 98);
    const QString path = dir.write(QStringLiteral("p.jpg"), full);
    const QByteArray native = QFile::encodeName(path);
    // Another program cuts the file while we decode it, at ever later
    // moments, and writes it back. A signal kills the child and fails this.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            for (int round = 0; round < 24; ++round) {
                dir.write(QStringLiteral("p.jpg"), full);
                std::thread cutter([&] {
                    std::this_thread::sleep_for(std::chrono::microseconds(400 * round));
                    if (::truncate(native.constData(), 700) != 0)
                        std::abort();
                });
                const jpeg::Decoded d = jpeg::decode(path, 1);
                cutter.join();
                if (!d.image.isNull() && d.image.size() != QSize(2400, 1600))
                    std::_Exit(3);
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(JpegDecode, MemoryOfProgressivePicturesIsCountedBeforeDecoding)
{
    TempDir dir;
    const QByteArray small = progressiveJpeg(64, 64);
    ASSERT_FALSE(small.isEmpty());
    // A few kilobytes claiming 20000 x 20000: libjpeg would keep 800 MB of
    // coefficients for any scale. Refused, the preview stays empty.
    const QString huge = dir.write(QStringLiteral("huge.jpg"), withDeclaredSize(small, 20000, 20000));
    const jpeg::Decoded refused = jpeg::decode(huge, 8);
    EXPECT_TRUE(refused.image.isNull());
    EXPECT_TRUE(refused.error.contains(QStringLiteral("túl nagy"))) << refused.error.toStdString();
    EXPECT_TRUE(jpeg::decodeCovering(huge, QSize(178, 178)).image.isNull());

    // Within the bound it still decodes: a real progressive picture, and a
    // declared 6000 x 6000 one (72 MB of coefficients) at 1/8.
    const QString real = dir.write(QStringLiteral("real.jpg"), progressiveJpeg(300, 200));
    const jpeg::Decoded ok = jpeg::decode(real, 2);
    ASSERT_EQ(ok.image.size(), QSize(150, 100)) << ok.error.toStdString();
    EXPECT_NEAR(qGray(ok.image.pixel(40, 10)), (80 * 7 + 20 * 3) & 0xFF, 24);
    const QString large = dir.write(QStringLiteral("large.jpg"), withDeclaredSize(small, 6000, 6000));
    EXPECT_EQ(jpeg::decode(large, 8).image.size(), QSize(750, 750));

    // A baseline picture keeps no coefficients: the same huge header decodes
    // at 1/8, as before.
    const QString baseline = dir.write(QStringLiteral("base.jpg"), withDeclaredSize(makeJpeg(64, 64), 20000, 20000));
    EXPECT_EQ(jpeg::decode(baseline, 8).image.size(), QSize(2500, 2500));
}

TEST(JpegDecode, EndlessZerosAreNotReadThrough)
{
    TempDir dir;
    // 4 GiB of zeros after the start marker: the header read gives up with
    // the library's own error after a bounded amount.
    const QString zeros = writeZerosAfterStart(dir.file(QStringLiteral("zeros.jpg")), qint64(4) << 30);
    ASSERT_FALSE(zeros.isEmpty());
    qint64 before = bytesReadByThisThread();
    QSize size;
    QString error;
    EXPECT_FALSE(jpeg::readSize(zeros, size, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("JPEG error #"))) << error.toStdString();
    EXPECT_TRUE(jpeg::decode(zeros, 8).image.isNull());
    EXPECT_LT(bytesReadByThisThread() - before, qint64(64) << 20);

    // A good picture followed by a gigabyte of zeros: the rows come from
    // the picture, the tail is not read.
    const QString tail = dir.write(QStringLiteral("tail.jpg"), makeJpeg(320, 240));
    ASSERT_EQ(::truncate(QFile::encodeName(tail).constData(), off_t(1) << 30), 0);
    before = bytesReadByThisThread();
    EXPECT_EQ(jpeg::decode(tail, 1).image.size(), QSize(320, 240));
    EXPECT_LT(bytesReadByThisThread() - before, qint64(200) << 20);
}

TEST(JpegDecode, PipesAndDevicesAreNoPictures)
{
    TempDir dir;
    const QString fifo = dir.file(QStringLiteral("pipe.jpg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.file(QStringLiteral("zero.jpg"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    // A pipe without a writer blocks an ordinary open forever, /dev/zero
    // never ends: either would hang the window. The alarm fails the test
    // instead of hanging it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::alarm(20);
            for (const QString& path : {fifo, zero}) {
                QSize size;
                QString error;
                if (jpeg::readSize(path, size, &error) || error.isEmpty())
                    std::_Exit(3);
                const jpeg::Decoded d = jpeg::decode(path, 8);
                if (!d.image.isNull() || d.error.isEmpty())
                    std::_Exit(4);
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
