#include "core/AppError.h"
#include "core/PictureCheck.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/Printers.h"
#include "tests/support/TempDir.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// The decoder's own message numbers, so the expectations follow the library.
#include <jpeglib.h>
// after jpeglib.h, which it builds on
#include <jerror.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

const QString kSuitable = QStringLiteral("A kép méretei megfelelőek a kiválaszott nagyításhoz.");

TPriceData entryWithMin(const QString& minRes)
{
    return TPriceData {QStringLiteral("10x15"), 120, QStringLiteral("1500x2100"), minRes};
}

QString jpegError(int code)
{
    return QStringLiteral("JPEG error #%1").arg(code);
}

QString belowMinimum(int h, int w, int a, int b)
{
    return QStringLiteral("A kép felbontása (%1x%2) a megengedett minimum (%3x%4) alatt van. Ennél a képnél "
                          "minőségi reklamációt nem tudunk elfogadni.")
        .arg(h)
        .arg(w)
        .arg(a)
        .arg(b);
}

QString appError(const QString& path)
{
    try {
        GetFileSize(path);
    } catch (const AppError& e) {
        return e.message();
    }
    return QStringLiteral("<no failure>");
}

// Offset of the first marker segment of the given kind, or -1.
qsizetype markerOffset(const QByteArray& jpeg, quint8 marker)
{
    qsizetype i = 2;
    while (i + 3 < jpeg.size() && quint8(jpeg[i]) == 0xFF) {
        if (quint8(jpeg[i + 1]) == marker)
            return i;
        i += 2 + ((quint8(jpeg[i + 2]) << 8) | quint8(jpeg[i + 3]));
    }
    return -1;
}

QByteArray validBmp(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    return bytes;
}

} // namespace

// ---- the size rule -------------------------------------------------------

TEST(SizeRule, BoundaryIsExactly51200Bytes)
{
    TempDir dir;
    const QString small = writeJpeg(dir.file("small.jpg"), 300, 200, 51199);
    const QString exact = writeJpeg(dir.file("exact.jpg"), 300, 200, 51200);
    EXPECT_EQ(GetFileSize(small), 51199);
    EXPECT_EQ(GetFileSize(exact), 51200);
    EXPECT_LT(GetFileSize(small), kMinPictureBytes);
    EXPECT_GE(GetFileSize(exact), kMinPictureBytes);
    // The padding after the end marker does not disturb the header.
    EXPECT_EQ(CheckPicture(exact, entryWithMin("")).resolution, "200x300");
    EXPECT_EQ(SizeRuleMessage(FileNameOf(small)),
              QStringLiteral("A fájl mérete kisebb, mint 50 KB. A képet nem tudjuk elfogadni fotókidolgozásra.\n\n"
                             "small.jpg"));
}

TEST(SizeRule, SizesBeyond4GiBDoNotWrapAround)
{
    TempDir dir;
    const QString path = dir.file("huge.jpg");
    // Sparse files: nothing is written to disk.
    for (const qint64 size : {qint64(1) << 32, (qint64(1) << 32) + 100, (qint64(1) << 33) + 51199}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (!f.resize(size))
            GTEST_SKIP() << "file system does not take sparse files of " << size << " bytes";
        f.close();
        EXPECT_EQ(GetFileSize(path), size);
        EXPECT_GE(GetFileSize(path), kMinPictureBytes);
    }
}

TEST(GetFileSize, FailsWithTheRuntimeText)
{
    TempDir dir;
    const QString file = dir.write("plain.jpg", QByteArray(10, 'x'));
    EXPECT_EQ(GetFileSize(dir.write("empty.jpg", {})), 0);
    EXPECT_EQ(appError(dir.file("missing.jpg")), "File not found");
    EXPECT_EQ(appError(dir.file("no/such/folder/a.jpg")), "File not found");
    EXPECT_EQ(appError(file + "/inside.jpg"), "File not found"); // a file used as a folder
    EXPECT_EQ(appError(dir.file("")), "File access denied"); // the folder itself
    ASSERT_TRUE(QDir(dir.path()).mkdir("photo.jpg"));
    EXPECT_EQ(appError(dir.file("photo.jpg")), "File access denied");
    // A name the system rejects: a component longer than 255 bytes.
    EXPECT_EQ(appError(dir.file(QString(300, 'a') + ".jpg")), QStringLiteral("I/O error %1").arg(ENAMETOOLONG));
    // A pipe without a writer: opening must not block, and the result is a
    // clear failure (the picture check of pipes: CheckPicture.FilesThatCannotBeOpened).
    const QString fifo = dir.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(appError(fifo), QStringLiteral("I/O error %1").arg(ESPIPE));
}

// The file itself without read permission. Root reads everything, so the
// check runs in a child that gives up root first.
TEST(GetFileSize, FileWithoutReadPermission)
{
    TempDir dir;
    const QString path = writeJpeg(dir.file("locked.jpg"), 64, 64, 60000);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        const QByteArray out = (appError(path) + '\n' + CheckPicture(path, entryWithMin("")).info).toUtf8();
        const bool ok = ::write(fds[1], out.constData(), size_t(out.size())) == out.size();
        ::_exit(ok ? 0 : 4);
    }
    ::close(fds[1]);
    QByteArray got;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        got.append(buf, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "cannot give up root here";
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(QString::fromUtf8(got), "File access denied\nFile access denied");
}

// ---- the TIFF path and the extension -------------------------------------

// TIFFs and unknown kinds are decided by the file name alone: the files below
// do not exist, and a TIFF is accepted whatever minimum it is held to.
TEST(CheckPicture, TheExtensionOfTheFileNameDecidesWithoutOpening)
{
    struct Case
    {
        const char* path;
        int status;
        const char* resolution;
        QString info;
    };
    const QString unknown = QStringLiteral("Unknown picture file extension (.%1)");
    const QList<Case> cases = {
        {"/no/such/folder/PHOTO.TIFF", StatusAccepted, "Ismeretlen", kSuitable},
        {"/no/such/folder/a.tif", StatusAccepted, "Ismeretlen", kSuitable},
        {"/no/such/folder/b.Tiff", StatusAccepted, "Ismeretlen", kSuitable},
        {"/no/such/folder/c.TIFX", StatusAccepted, "Ismeretlen", kSuitable},
        {"/no/such/folder/d.jpg.tif", StatusAccepted, "Ismeretlen", kSuitable},
        {"/no/such/a.png", StatusRefused, "", unknown.arg("png")},
        {"/no/such/b.PNG", StatusRefused, "", unknown.arg("PNG")},
        {"/no/such/c.jpe", StatusRefused, "", unknown.arg("jpe")},
        {"/no/such/d.jpg~", StatusRefused, "", unknown.arg("jpg~")},
        {"/no/such/e.", StatusRefused, "", unknown.arg("")},
        {"/no/such/noext", StatusRefused, "", unknown.arg("")},
        // A ".tif" in a folder name does not make a TIFF of the file.
        {"/data/scans.tif/photo", StatusRefused, "", unknown.arg("")},
        {"/data/photo.tif.jpg", StatusRefused, "", QStringLiteral("File not found")},
    };
    for (const Case& c : cases) {
        const CheckResult r = CheckPicture(c.path, entryWithMin("99999x99999"));
        EXPECT_EQ(r.status, c.status) << c.path;
        EXPECT_EQ(r.resolution, c.resolution) << c.path;
        EXPECT_EQ(r.info, c.info) << c.path;
    }
    // Garbage content under a TIFF name is not looked at either.
    TempDir dir;
    EXPECT_EQ(CheckPicture(dir.write("x.tiff", "garbage"), entryWithMin("")).status, StatusAccepted);
}

// ---- JPEG pictures ---------------------------------------------------------

TEST(CheckPicture, ResolutionIsHeightByWidthAgainstMinimum)
{
    TempDir dir;
    const QString min = "1000x1500"; // A bounds the height, B the width
    struct Case
    {
        int w, h, status;
    };
    for (const Case c :
         {Case {1500, 1000, StatusAccepted}, Case {1501, 1001, StatusAccepted}, Case {1499, 1000, StatusBelowMinimum},
          Case {1500, 999, StatusBelowMinimum}, Case {1000, 1500, StatusBelowMinimum}}) {
        const QString path = writeJpeg(dir.file(QStringLiteral("p%1x%2.jpg").arg(c.w).arg(c.h)), c.w, c.h, -1, 30);
        const CheckResult r = CheckPicture(path, entryWithMin(min));
        const QString res = QStringLiteral("%1x%2").arg(c.h).arg(c.w);
        EXPECT_EQ(r.status, c.status) << res.toStdString();
        EXPECT_EQ(r.resolution, res);
        EXPECT_EQ(r.info, c.status == StatusAccepted ? kSuitable : belowMinimum(c.h, c.w, 1000, 1500));
    }
}

TEST(CheckPicture, MinimumTextsFollowTheResolutionSplit)
{
    TempDir dir;
    const QString tiny = writeJpeg(dir.file("tiny.JPEG"), 3, 2);
    EXPECT_EQ(CheckPicture(tiny, entryWithMin("")).status, StatusAccepted); // 0 x 0
    EXPECT_EQ(CheckPicture(tiny, entryWithMin("2X3")).status, StatusAccepted); // no lower-case x: 0 x 0
    EXPECT_EQ(CheckPicture(tiny, entryWithMin("2x3")).status, StatusAccepted);
    EXPECT_EQ(CheckPicture(tiny, entryWithMin("2x3x4")).status, StatusAccepted); // B invalid: 0
    // Without "x" only the width is bounded.
    EXPECT_EQ(CheckPicture(tiny, entryWithMin("3")).status, StatusAccepted);
    const CheckResult r = CheckPicture(tiny, entryWithMin("4"));
    EXPECT_EQ(r.status, StatusBelowMinimum);
    EXPECT_EQ(r.info, belowMinimum(2, 3, 0, 4));
    EXPECT_EQ(CheckPicture(tiny, entryWithMin("3x0")).info, belowMinimum(2, 3, 3, 0));
}

TEST(CheckPicture, OnlyTheHeaderIsRead)
{
    TempDir dir;
    const QByteArray jpeg = makeJpeg(640, 480);
    const qsizetype sos = markerOffset(jpeg, 0xDA);
    ASSERT_GT(sos, 0);
    // Header intact, picture data cut off or replaced by garbage: accepted.
    const qsizetype sosEnd = sos + 2 + ((quint8(jpeg[sos + 2]) << 8) | quint8(jpeg[sos + 3]));
    const QString cut = dir.write("cut.jpg", jpeg.left(sosEnd));
    QByteArray garbled = jpeg;
    for (qsizetype i = sosEnd; i < garbled.size() - 2; ++i)
        garbled[i] = char(i * 7);
    const QString bad = dir.write("garbled.jpg", garbled);
    for (const QString& path : {cut, bad}) {
        const CheckResult r = CheckPicture(path, entryWithMin("480x640"));
        EXPECT_EQ(r.status, StatusAccepted) << path.toStdString();
        EXPECT_EQ(r.resolution, "480x640");
    }
    // And the file is left as it was.
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), garbled);
}

TEST(CheckPicture, DeclaredDimensionsAreTakenFromTheHeader)
{
    TempDir dir;
    const QByteArray small = makeJpeg(16, 16);
    const CheckResult big
        = CheckPicture(dir.write("big.jpg", withDeclaredSize(small, 60000, 40000)), entryWithMin("1000x1500"));
    EXPECT_EQ(big.status, StatusAccepted);
    EXPECT_EQ(big.resolution, "40000x60000");
    // Beyond the decoder's limit of 65500 pixels: refused with its message.
    const CheckResult huge
        = CheckPicture(dir.write("huge.jpg", withDeclaredSize(small, 65535, 65535)), entryWithMin(""));
    EXPECT_EQ(huge.status, StatusRefused);
    EXPECT_EQ(huge.resolution, "");
    EXPECT_EQ(huge.info, jpegError(JERR_IMAGE_TOO_BIG));
    const CheckResult empty = CheckPicture(dir.write("zero.jpg", withDeclaredSize(small, 16, 0)), entryWithMin(""));
    EXPECT_EQ(empty.status, StatusRefused);
    EXPECT_EQ(empty.info, jpegError(JERR_EMPTY_IMAGE));
}

TEST(CheckPicture, LargeMetadataBeforeTheFrameHeader)
{
    TempDir dir;
    QByteArray jpeg = makeJpeg(120, 90);
    // An APP1 segment of 65533 bytes, far beyond the first read buffer.
    QByteArray app1("\xFF\xE1\xFF\xFF", 4);
    app1.append(QByteArray(65533, 'E'));
    jpeg.insert(2, app1);
    const CheckResult r = CheckPicture(dir.write("exif.jpg", jpeg), entryWithMin(""));
    EXPECT_EQ(r.status, StatusAccepted);
    EXPECT_EQ(r.resolution, "90x120");
}

TEST(CheckPicture, BrokenJpegGivesTheDecoderMessage)
{
    TempDir dir;
    const QByteArray jpeg = makeJpeg(200, 100);
    const qsizetype sof = markerOffset(jpeg, 0xC0);
    const qsizetype dqt = markerOffset(jpeg, 0xDB);
    ASSERT_GT(sof, 0);
    ASSERT_GT(dqt, 0);
    struct Case
    {
        const char* name;
        QByteArray bytes;
        int code; // 0: any decoder message
    };
    const QList<Case> cases {
        {"empty.jpg", QByteArray(), JERR_INPUT_EMPTY},
        {"garbage.jpg", QByteArray("this is not a picture at all"), JERR_NO_SOI},
        {"bitmap.jpg", validBmp(20, 20), JERR_NO_SOI},
        {"soi-only.jpg", jpeg.left(2), JERR_NO_IMAGE},
        {"in-dqt.jpg", jpeg.left(dqt + 20), 0},
        {"in-sof-length.jpg", jpeg.left(sof + 3), 0},
        {"in-sof.jpg", jpeg.left(sof + 7), 0},
        {"before-sos.jpg", jpeg.left(markerOffset(jpeg, 0xDA)), JERR_SOF_NO_SOS},
        {"zeros.jpg", QByteArray(60000, '\0'), JERR_NO_SOI},
        // A metadata segment that claims to run past the end of the file.
        {"app1-past-end.jpg", QByteArray("\xFF\xD8\xFF\xE1\xFF\xFF", 6) + QByteArray(5000, 'E'), 0},
    };
    for (const Case& c : cases) {
        const CheckResult r = CheckPicture(dir.write(c.name, c.bytes), entryWithMin(""));
        EXPECT_EQ(r.status, StatusRefused) << c.name;
        EXPECT_EQ(r.resolution, "") << c.name;
        if (c.code)
            EXPECT_EQ(r.info, jpegError(c.code)) << c.name;
        else
            EXPECT_TRUE(r.info.startsWith("JPEG error #") && r.info.size() > 12) << c.name << r.info.toStdString();
    }
}

TEST(CheckPicture, FilesThatCannotBeOpened)
{
    TempDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("photo.jpg"));
    const CheckResult folder = CheckPicture(dir.file("photo.jpg"), entryWithMin(""));
    EXPECT_EQ(folder.status, StatusRefused);
    EXPECT_EQ(folder.info, "File access denied");
    const CheckResult missing = CheckPicture(dir.file("gone.jpg"), entryWithMin(""));
    EXPECT_EQ(missing.status, StatusRefused);
    EXPECT_EQ(missing.info, "File not found");

    // Pipes and devices under picture names (a picture replaced after it was
    // added, a link to /dev/zero) are no files: refused like a folder. A pipe
    // with a writer that sends nothing, and /dev/zero that never ends, would
    // each hang or spin the check; the alarm turns that into a failure.
    const QStringList specials = {dir.file("pipe.jpg"), dir.file("pipe.bmp"), dir.file("zero.jpg"),
                                  dir.file("zero.gif"), dir.file("null.jpeg")};
    ASSERT_EQ(::mkfifo(QFile::encodeName(specials[0]).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(specials[0], specials[1]));
    ASSERT_TRUE(QFile::link("/dev/zero", specials[2]));
    ASSERT_TRUE(QFile::link("/dev/zero", specials[3]));
    ASSERT_TRUE(QFile::link("/dev/null", specials[4]));
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::alarm(20);
            // Keep the pipe open for writing, so a read finds no end either.
            const int writer = ::open(QFile::encodeName(specials[0]).constData(), O_RDWR | O_NONBLOCK);
            int wrong = writer < 0 ? 1 : 0;
            for (const QString& path : specials) {
                const CheckResult r = CheckPicture(path, entryWithMin(""));
                if (r.status != StatusRefused || r.info != "File access denied") {
                    std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(r.info));
                    ++wrong;
                }
            }
            std::_Exit(wrong);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(CheckPicture, ZerosAfterTheStartMarkerAreNotReadThrough)
{
    TempDir dir;
    const QString path = writeZerosAfterStart(dir.file("zeros.jpg"), qint64(4) << 30);
    if (path.isEmpty())
        GTEST_SKIP() << "file system does not take sparse files";
    const qint64 before = bytesReadByThisThread();
    ASSERT_GE(before, 0);
    const CheckResult r = CheckPicture(path, entryWithMin(""));
    // Given up with the library's own message, as for a file that ends there.
    EXPECT_EQ(r.status, StatusRefused);
    EXPECT_EQ(r.info, jpegError(JERR_NO_IMAGE));
    EXPECT_LT(bytesReadByThisThread() - before, qint64(64) << 20);
}

// ---- other picture kinds ---------------------------------------------------

TEST(CheckPicture, ValidOtherPictureIsNotJpeg)
{
    TempDir dir;
    const QString bmp = dir.write("sub dir/photo.bmp", validBmp(40, 30));
    const CheckResult r = CheckPicture(bmp, entryWithMin(""));
    EXPECT_EQ(r.status, StatusRefused);
    EXPECT_EQ(r.resolution, "");
    EXPECT_EQ(r.info, "A következő fájl sérült vagy nem JPG formátumú:\n\n" + bmp);
    const QString gif = dir.write("anim.GIF", QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14));
    EXPECT_EQ(CheckPicture(gif, entryWithMin("")).info, "A következő fájl sérült vagy nem JPG formátumú:\n\n" + gif);
    // A real JPEG under a bitmap name is no bitmap.
    const CheckResult jpegAsBmp = CheckPicture(dir.write("x.bmp", makeJpeg(8, 8)), entryWithMin(""));
    EXPECT_EQ(jpegAsBmp.status, StatusRefused);
    EXPECT_EQ(jpegAsBmp.info, "Bitmap image is not valid");
    EXPECT_EQ(CheckPicture(dir.write("y.gif", {}), entryWithMin("")).status, StatusRefused);
    EXPECT_EQ(CheckPicture(dir.file("none.ico"), entryWithMin("")).info, "File not found");
}

// ---- file names ------------------------------------------------------------

TEST(CheckPicture, AwkwardFileNames)
{
    TempDir dir;
    for (const QString& name : {QStringLiteral("a;b;c.jpg"), QStringLiteral("  space in name .jpg"),
                                QStringLiteral("árvíztűrő tükörfúrógép.JPG"), QStringLiteral("v1.2.final.copy.jpeg"),
                                QStringLiteral("back\\slash:colon.jpg"), QStringLiteral(".jpg")}) {
        const QString path = writeJpeg(dir.file(name), 30, 20);
        const CheckResult r = CheckPicture(path, entryWithMin("20x30"));
        EXPECT_EQ(r.status, StatusAccepted) << name.toStdString();
        EXPECT_EQ(r.resolution, "20x30") << name.toStdString();
        EXPECT_EQ(FileNameOf(path), name);
    }
    EXPECT_EQ(FileNameOf("plain"), "plain");
    EXPECT_EQ(FileNameOf("/a/b/"), "");
}
