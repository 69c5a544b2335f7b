// The phone picture conversion through the real pelmar-convert helper:
// colours, orientation, profile and EXIF of the JPEG, hostile files, and a
// helper that crashes, hangs or talks nonsense.
#include "convert/ColourToSrgb.h"
#include "convert/ConvertCache.h"
#include "convert/ConvertQueue.h"
#include "convert/HelperFrame.h"
#include "convert/Picture.h"
#include "convert/Upright.h"
#include "tests/convert/ConvertFixtures.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sys/stat.h>

#include <jpeglib.h>
#include <libexif/exif-data.h>
#include <zlib.h>

using namespace pelmar;
using namespace pelmar::convert;
using namespace pelmar::test;

namespace {

QString helperPath()
{
    return qEnvironmentVariable("PELMAR_BIN_DIR", QCoreApplication::applicationDirPath())
        + QStringLiteral("/pelmar-convert");
}

struct Outcome
{
    bool ok = false;
    QString message;
};

// Converts every source with the queue and waits (events running) for all.
std::map<int, Outcome> convertAll(ConvertQueue& queue, const QList<std::pair<QString, QString>>& jobs)
{
    std::map<int, Outcome> out;
    QEventLoop loop;
    QObject::connect(&queue, &ConvertQueue::done, &loop, [&](int id, bool ok, const QString& message) {
        out[id] = {ok, message};
        if (int(out.size()) == jobs.size())
            loop.quit();
    });
    for (int i = 0; i < jobs.size(); ++i)
        queue.add(i, jobs[i].first, jobs[i].second);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return out;
}

Outcome convertOne(const QString& source, const QString& output, const ProcessLimits& limits = {})
{
    ConvertQueue queue(helperPath(), 1);
    queue.setLimits({}, limits);
    return convertAll(queue, {{source, output}})[0];
}

// The JPEG as the lab's reader sees it.
struct Jpeg
{
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb, icc, exif;
    bool fullChroma = true;
    Rgb at(int x, int y) const
    {
        const std::uint8_t* p = rgb.data() + (std::size_t(y) * width + x) * 3;
        return {p[0], p[1], p[2]};
    }
};

Jpeg readJpeg(const QString& path)
{
    Jpeg out;
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!f)
        return out;
    jpeg_decompress_struct d {};
    jpeg_error_mgr err {};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_save_markers(&d, JPEG_APP0 + 1, 0xffff);
    jpeg_save_markers(&d, JPEG_APP0 + 2, 0xffff);
    jpeg_read_header(&d, TRUE);
    for (jpeg_saved_marker_ptr m = d.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1)
            out.exif.assign(m->data, m->data + m->data_length);
    JOCTET* icc = nullptr;
    unsigned iccSize = 0;
    if (jpeg_read_icc_profile(&d, &icc, &iccSize)) {
        out.icc.assign(icc, icc + iccSize);
        std::free(icc);
    }
    for (int i = 0; i < d.num_components; ++i)
        out.fullChroma = out.fullChroma && d.comp_info[i].h_samp_factor == d.comp_info[0].h_samp_factor
            && d.comp_info[i].v_samp_factor == d.comp_info[0].v_samp_factor;
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    out.width = int(d.output_width);
    out.height = int(d.output_height);
    out.rgb.resize(std::size_t(out.width) * out.height * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = out.rgb.data() + std::size_t(d.output_scanline) * out.width * 3;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    return out;
}

QString exifText(const Jpeg& j, ExifIfd ifd, ExifTag tag)
{
    ExifData* data = exif_data_new_from_data(j.exif.data(), unsigned(j.exif.size()));
    char text[256] = {};
    if (ExifEntry* e = data ? exif_content_get_entry(data->ifd[ifd], tag) : nullptr)
        exif_entry_get_value(e, text, sizeof text);
    if (data)
        exif_data_unref(data);
    return QString::fromUtf8(text);
}

// Each quarter's centre in the JPEG against the colour expected there.
void expectQuarters(const Jpeg& j, const std::array<Rgb, 4>& expected, int tolerance)
{
    const int xs[2] = {j.width / 4, j.width * 3 / 4}, ys[2] = {j.height / 4, j.height * 3 / 4};
    for (int q = 0; q < 4; ++q) {
        const Rgb got = j.at(xs[q % 2], ys[q / 2]);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(got[std::size_t(c)], expected[std::size_t(q)][std::size_t(c)], tolerance)
                << "quarter " << q << " channel " << c;
    }
}

Rgb rgbOf(const std::array<int, 4>& c)
{
    return {c[0], c[1], c[2]};
}

} // namespace

TEST(ConvertHelper, IphoneStyleHeicBecomesAnUprightSrgbJpegWithItsDateAndCamera)
{
    TempDir dir;
    Quarters q;
    q.colours = {{{200, 80, 60, 255}, {60, 160, 90, 255}, {70, 90, 200, 255}, {220, 210, 80, 255}}};
    const auto p3 = displayP3Profile();
    // Turned by irot, and its EXIF says 6 as well (as an iPhone writes): it
    // must be turned once.
    const QString heic = dir.write(QStringLiteral("IMG_0001.HEIC"),
                                   makeHeic(q, p3, 6, exifWith(6, "2026:05:17 10:11:12", "iPhone 15")));
    const QString out = dir.file(QStringLiteral("out.jpg"));
    const Outcome r = convertOne(heic, out);
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    const Jpeg j = readJpeg(out);
    ASSERT_EQ(j.width, 24);
    ASSERT_EQ(j.height, 32);
    // Turned 90 degrees clockwise: the stored bottom left is now top left.
    std::array<Rgb, 4> expected;
    const int from[4] = {2, 0, 3, 1};
    for (int i = 0; i < 4; ++i)
        expected[std::size_t(i)] = lcmsToSrgb(p3, rgbOf(q.colours[std::size_t(from[i])]));
    expectQuarters(j, expected, 3);
    EXPECT_EQ(j.icc, srgbProfile());
    EXPECT_TRUE(j.fullChroma);
    EXPECT_EQ(exifText(j, EXIF_IFD_0, EXIF_TAG_ORIENTATION), QStringLiteral("Top-left"));
    EXPECT_EQ(exifText(j, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL), QStringLiteral("2026:05:17 10:11:12"));
    EXPECT_EQ(exifText(j, EXIF_IFD_0, EXIF_TAG_MODEL), QStringLiteral("iPhone 15"));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(out).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ConvertHelper, SixteenBitAdobeRgbPngGoesOntoWhiteAndTurnsByItsExif)
{
    TempDir dir;
    Quarters q;
    q.sixteen = true;
    q.alpha = true;
    q.colours = {{{50000, 20000, 10000, 65535},
                  {1000, 60000, 3000, 0},
                  {9000, 30000, 52000, 32768},
                  {65535, 65535, 40000, 65535}}};
    const auto adobe = adobeRgbProfile();
    const QString png
        = dir.write(QStringLiteral("scan.png"), makePng(q, adobe, exifWith(3, "2025:01:02 03:04:05", "X")));
    const QString out = dir.file(QStringLiteral("out.jpg"));
    const Outcome r = convertOne(png, out);
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    const Jpeg j = readJpeg(out);
    ASSERT_EQ(j.width, 32);
    std::array<Rgb, 4> expected;
    for (int i = 0; i < 4; ++i) {
        // Turned 180 degrees; alpha put onto white in the picture's own space.
        const auto& c = q.colours[std::size_t(3 - i)];
        std::array<int, 3> flat;
        for (int k = 0; k < 3; ++k)
            flat[std::size_t(k)] = int((qint64(c[std::size_t(k)]) * c[3] + 65535LL * (65535 - c[3]) + 32767) / 65535);
        expected[std::size_t(i)] = lcmsToSrgb(adobe, flat, true);
    }
    expectQuarters(j, expected, 2);
    EXPECT_EQ(j.at(j.width / 4, j.height * 3 / 4), (Rgb {255, 255, 255})); // transparent onto white
    EXPECT_EQ(exifText(j, EXIF_IFD_0, EXIF_TAG_ORIENTATION), QStringLiteral("Top-left"));
}

TEST(ConvertHelper, WebpAndPngWithoutProfileKeepTheirColours)
{
    TempDir dir;
    Quarters q;
    q.colours = {{{10, 20, 30, 255}, {250, 240, 230, 255}, {128, 0, 255, 255}, {0, 255, 0, 255}}};
    std::array<Rgb, 4> same;
    for (int i = 0; i < 4; ++i)
        same[std::size_t(i)] = rgbOf(q.colours[std::size_t(i)]);
    for (const auto& [name, bytes] :
         {std::pair {QStringLiteral("a.webp"), makeWebp(q)}, std::pair {QStringLiteral("b.png"), makePng(q, {}, {})}}) {
        const QString out = dir.file(name + QStringLiteral(".jpg"));
        const Outcome r = convertOne(dir.write(name, bytes), out);
        ASSERT_TRUE(r.ok) << name.toStdString() << ": " << r.message.toStdString();
        const Jpeg j = readJpeg(out);
        expectQuarters(j, same, 3);
        EXPECT_TRUE(j.exif.empty());
        EXPECT_EQ(j.icc, srgbProfile());
    }
}

TEST(ConvertHelper, HostileFilesAreRefusedWithAReasonAndLeaveNothing)
{
    TempDir dir;
    Quarters q;
    const QByteArray heic = makeHeic(q, {}, 1, {});
    const QByteArray png = makePng(q, {}, {});
    QByteArray huge = png;
    // IHDR claims 30000 x 30000 (with its CRC right): refused before its
    // pixels are allocated.
    for (int i = 0; i < 2; ++i) {
        const int at = 16 + 4 * i;
        huge[at] = 0, huge[at + 1] = 0, huge[at + 2] = char(0x75), huge[at + 3] = char(0x30);
    }
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(huge.constData() + 12), 17);
    for (int i = 0; i < 4; ++i)
        huge[29 + i] = char((crc >> (24 - 8 * i)) & 0xff);
    QByteArray ftypJunk = heic.left(32);
    ftypJunk.append(QByteArray(4000, '\xff'));
    const QList<std::pair<QString, QByteArray>> files = {
        {QStringLiteral("empty.heic"), {}},
        {QStringLiteral("garbage.heic"), QByteArray(70000, 'x')},
        {QStringLiteral("half.heic"), heic.left(heic.size() / 2)},
        {QStringLiteral("junk.avif"), ftypJunk},
        {QStringLiteral("cut.png"), png.left(png.size() - 30)},
        {QStringLiteral("huge.png"), huge},
        {QStringLiteral("riff.webp"), QByteArrayLiteral("RIFF\x10\0\0\0WEBPVP8 \xff\xff\xff\xff")},
    };
    QList<std::pair<QString, QString>> jobs;
    for (const auto& [name, bytes] : files)
        jobs.append({dir.write(name, bytes), dir.file(name + QStringLiteral(".jpg"))});
    ConvertQueue queue(helperPath(), 2);
    const auto results = convertAll(queue, jobs);
    ASSERT_EQ(results.size(), std::size_t(files.size()));
    for (int i = 0; i < files.size(); ++i) {
        const Outcome& r = results.at(i);
        EXPECT_FALSE(r.ok) << files[i].first.toStdString();
        EXPECT_FALSE(r.message.isEmpty()) << files[i].first.toStdString();
        EXPECT_FALSE(QFileInfo::exists(jobs[i].second)) << files[i].first.toStdString();
    }
    EXPECT_TRUE(results.at(5).message.contains(QStringLiteral("túl nagy"))) << results.at(5).message.toStdString();
}

TEST(ConvertQueue, AHelperThatCrashesHangsOrTalksNonsenseEndsOnlyItsPicture)
{
    TempDir dir;
    const QString picture = dir.write(QStringLiteral("p.png"), makePng(Quarters {}, {}, {}));
    auto script = [&](const QString& name, const QByteArray& body) {
        const QString path = dir.write(name, "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    };
    ProcessLimits quick;
    quick.wallSeconds = 1;
    const struct
    {
        QString helper;
        QString says;
    } cases[] = {
        {script(QStringLiteral("crash"), "kill -SEGV $$"), QStringLiteral("összeomlott")},
        {script(QStringLiteral("hang"), "exec sleep 30"), QStringLiteral("1 másodperc")},
        {script(QStringLiteral("echo"), "exec cat"), QStringLiteral("érthetetlen")},
        {dir.file(QStringLiteral("missing")), QStringLiteral("nem indítható")},
    };
    for (const auto& c : cases) {
        ConvertQueue queue(c.helper, 1);
        queue.setLimits({}, quick);
        const auto r = convertAll(
            queue, {{picture, dir.file(QStringLiteral("o.jpg"))}, {picture, dir.file(QStringLiteral("o2.jpg"))}});
        ASSERT_EQ(r.size(), 2u) << c.helper.toStdString();
        EXPECT_FALSE(r.at(1).ok);
        EXPECT_TRUE(r.at(0).message.contains(c.says)) << r.at(0).message.toStdString();
    }
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "no address-space limit under AddressSanitizer";
#else
    // 5000 x 5000 pixels need more than 64 MB.
    Quarters big;
    big.width = big.height = 5000;
    ProcessLimits small;
    small.addressSpace = 64LL << 20;
    const Outcome r = convertOne(dir.write(QStringLiteral("big.png"), makePng(big, {}, {})),
                                 dir.file(QStringLiteral("big.jpg")), small);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.message.isEmpty());
#endif
}

TEST(HelperFrame, ReadsWhatItWritesAndRefusesEveryBrokenFrame)
{
    Fields f;
    f.insert(ReqSource, QByteArray("/a/b\nc.heic", 11));
    f.insert(ReqMaxSide, "123");
    const QByteArray frame = encodeFrame(f);
    const auto back = decodeFrame(frame + "tail");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->fields, f);
    EXPECT_EQ(back->consumed, frame.size());
    EXPECT_EQ(numberField(back->fields, ReqMaxSide, 7, 1000), 123);
    EXPECT_EQ(numberField(back->fields, ReqMaxSide, 7, 100), 7); // over its bound
    EXPECT_EQ(numberField(back->fields, ReqMaxPixels, 7, 100), 7); // missing
    for (qsizetype n = 0; n < frame.size(); ++n)
        EXPECT_FALSE(decodeFrame(frame.left(n))) << n; // more is needed
    QByteArray longField = frame;
    longField[9] = char(0x7f); // the first field claims more than the frame
    QByteArray twice = encodeFrame(f);
    twice.append(twice.mid(8));
    twice[4] = char(twice.size() - 8);
    for (const QByteArray& bad : {QByteArray("PMC2"), QByteArray("PMC1\xff\xff\xff\x7f"), longField, twice,
                                  QByteArray("PMC1\x02\0\0\0\x01\0", 10)})
        EXPECT_THROW(decodeFrame(bad), std::runtime_error) << bad.toHex().toStdString();
}

TEST(Upright, AnOrientationOfSeveralValuesIsWrittenAsOneUprightValue)
{
    // The Orientation entry of 6 made to claim two SHORTs (both fit in the
    // entry itself): the first is still read as how to turn the picture.
    std::vector<std::uint8_t> exif = exifWith(6, "2025:01:02 03:04:05", "X");
    const std::uint8_t entry[] = {0x12, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00};
    const auto at = std::search(exif.begin(), exif.end(), std::begin(entry), std::end(entry));
    ASSERT_NE(at, exif.end());
    at[4] = 2;
    ASSERT_EQ(exifOrientation(exif), 6);
    const std::vector<std::uint8_t> out = exifForJpeg(exif, 32, 24);
    ASSERT_GT(out.size(), 6u);
    EXPECT_EQ(exifOrientation({out.begin() + 6, out.end()}), 1);
}

TEST(ConvertCache, SameNamesFromTwoFoldersNeverMeetAndPruneKeepsWhatIsUsed)
{
    TempDir dir;
    const QString a = dir.write(QStringLiteral("one/IMG_0001.HEIC"), "a");
    const QString b = dir.write(QStringLiteral("two/IMG_0001.HEIC"), "b");
    ConvertCache cache(dir.file(QStringLiteral("cache/converted")));
    const QString ta = cache.targetFor(a), tb = cache.targetFor(b);
    EXPECT_NE(ta, tb);
    EXPECT_EQ(QFileInfo(ta).fileName(), QStringLiteral("IMG_0001.jpg"));
    EXPECT_TRUE(cache.holds(ta));
    EXPECT_TRUE(cache.targetFor(dir.file(QStringLiteral("gone.heic"))).isEmpty());
    QString error;
    ASSERT_TRUE(cache.prepare(ta, &error)) << error.toStdString();
    ASSERT_TRUE(cache.prepare(tb, &error));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(cache.folder()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    for (const QString& t : {ta, tb}) {
        const QString part = ConvertCache::partFor(t);
        QFile f(part);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        ASSERT_TRUE(ConvertCache::commit(part, t, &error));
    }
    cache.prune({ta});
    EXPECT_TRUE(QFileInfo::exists(ta));
    EXPECT_FALSE(QFileInfo::exists(tb));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(tb).absolutePath()));
    EXPECT_TRUE(NeedsConversion(QStringLiteral("x.HEIC")) && NeedsConversion(QStringLiteral("x.webp"))
                && NeedsConversion(QStringLiteral("x.png")) && NeedsConversion(QStringLiteral("x.avif")));
    EXPECT_FALSE(NeedsConversion(QStringLiteral("x.jpg")) || NeedsConversion(QStringLiteral("png")));
}

// A saved order keeps the phone picture's original: pelmar-build converts it
// (once, though the order has it in two sizes) and builds the JPEG.
TEST(BuildTool, ConvertsThePhonePicturesOfASavedOrder)
{
    TempDir dir;
    Quarters q;
    q.width = 200;
    q.height = 160;
    q.grain = 40;
    q.colours = {{{200, 80, 60, 255}, {60, 160, 90, 255}, {70, 90, 200, 255}, {220, 210, 80, 255}}};
    const QString heic = dir.file(QStringLiteral("telefon/IMG_0001.HEIC"));
    QDir().mkpath(QFileInfo(heic).absolutePath());
    {
        QFile f(heic);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(makeHeic(q, displayP3Profile(), 6, {})) > 0);
    }
    auto picture = [&](const char* size) {
        return QJsonObject {{"path", heic}, {"size", size}, {"fill", "fill"}, {"quantity", 1}};
    };
    const QJsonObject order {
        {"partner",
         QJsonObject {{"UserID", "123"},
                      {"UserNev", "Minta Fotó Bt."},
                      {"UserHelys", "Kisváros"},
                      {"UserCim", "Fő utca 1."},
                      {"UserIrsz", "9999"}}},
        {"Megj", ""},
        {"customer", QJsonObject {{"VevoNev", ""}, {"VevoHelys", ""}, {"VevoCim", ""}, {"VevoIrsz", ""}}},
        {"TasakNo", "000123"},
        {"BaseFolder", dir.file(QStringLiteral("Rendelesek"))},
        {"prices", QJsonArray {"9x13|120|100x100|80x80", "10x15|150|100x100|80x80"}},
        {"pictures", QJsonArray {picture("9x13"), picture("10x15")}}};
    const QString json = dir.file(QStringLiteral("order.json"));
    {
        QFile f(json);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(QJsonDocument(order).toJson()) > 0);
    }
    QProcess build;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.file(QStringLiteral("cache")));
    build.setProcessEnvironment(env);
    build.start(QFileInfo(helperPath()).absolutePath() + QStringLiteral("/pelmar-build"), {json});
    ASSERT_TRUE(build.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(build.readAllStandardError());
    ASSERT_EQ(build.exitCode(), 0) << err.toStdString();
    const QString folder = QString::fromLocal8Bit(build.readAllStandardOutput()).trimmed();
    for (const char* group : {"/9x13-fill-1/kep00001.jpg", "/10x15-fill-1/kep00002.jpg"}) {
        QFile jpeg(folder + QLatin1String(group));
        ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly)) << jpeg.fileName().toStdString() << err.toStdString();
        EXPECT_TRUE(jpeg.read(3) == QByteArray("\xff\xd8\xff"));
    }
}

// An HDR picture (BT.2020, PQ, 16 bits) in SDR: the grey ramp stays in order
// and only the format's peak reaches white, so highlights are not clipped.
TEST(Colour, PqHighlightsAreToneMappedNotClipped)
{
    Picture hdr;
    hdr.width = 5;
    hdr.height = 1;
    hdr.sixteen = true;
    ColourDescription bt2020;
    bt2020.primaries = 9;
    bt2020.transfer = 16; // PQ
    hdr.nclx = bt2020;
    // PQ signal for about 100, 203 (reference white), 1000, 4000 and 10000 cd/m2.
    const std::uint16_t signal[5] = {33176, 38306, 49291, 58519, 65535};
    hdr.pixels.resize(hdr.rowBytes());
    auto* samples = reinterpret_cast<std::uint16_t*>(hdr.pixels.data());
    for (int x = 0; x < 5; ++x)
        samples[3 * x] = samples[3 * x + 1] = samples[3 * x + 2] = signal[x];
    const SrgbTransform transform(hdr);
    ASSERT_FALSE(transform.identity());
    std::uint8_t out[15];
    transform.row(hdr.row(0), out, hdr.width);
    for (int x = 1; x < 5; ++x)
        EXPECT_LT(out[3 * (x - 1)], out[3 * x]) << "step " << x;
    EXPECT_LT(out[9], 255); // 4000 cd/m2 still short of white
    EXPECT_GE(out[12], 250);
    EXPECT_GT(out[3], 100); // reference white is no dark grey
}
