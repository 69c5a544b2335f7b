#include "delivery/DiscWriter.h"
#include "delivery/OrderFolder.h"
#include "tests/delivery/test_DiscSupport.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pelmar;
using namespace pelmar::test;
using namespace pelmar::test::disc;

namespace {

const QString kOrderName = QStringLiteral("Pelmar-20040315-000123");

DiscJob imageJob(const QString& folder, const QString& image)
{
    DiscJob job;
    job.sourceFolder = folder;
    job.target = DiscJob::Target::ImageFile;
    job.imagePath = image;
    return job;
}

// The usual order folder in a temporary folder of its own.
struct OrderFolder
{
    TempDir tmp;
    QString folder = tmp.file(kOrderName);
    OrderFolder() { makeOrderFolder(folder); }
};

DiscJob driveJob(const QString& folder)
{
    DiscJob job;
    job.sourceFolder = folder;
    job.target = DiscJob::Target::Drive;
    job.device = QStringLiteral("/dev/sr0");
    return job;
}

// A big order folder, so a cancel can land in the middle of the writing.
void makeBigFolder(const QString& folder, int files, qint64 each)
{
    for (int i = 0; i < files; ++i)
        put(folder + QStringLiteral("/13x18-fill-1/kep%1.JPG").arg(i + 1, 5, 10, QLatin1Char('0')),
            noise(each, 100 + i));
    for (const char* own : {"megrendeles.txt", "megrendeles.qrp", "megrendeles_osszegezve.qrp"})
        put(folder + QLatin1Char('/') + QLatin1String(own), noise(5000, 7));
}

} // namespace

// The whole road through xorriso into an image file and back: every file with
// its exact bytes and its name, accents included, in the Rock Ridge tree and
// in the Joliet tree; the folder's name as volume id; the folder untouched;
// an older image of the same name replaced.
TEST(DiscWriterImage, ImageHoldsEveryFileOfTheOrderFolderExactly)
{
    TempDir tmp;
    const QString folder = tmp.file(kOrderName);
    makeOrderFolder(folder);
    // Read apart from the leftover of a killed build, which the image must
    // not take.
    const auto expected = readTree(folder);
    QFile leftover(folder + QStringLiteral("/9x13-fill-2/.pelmar-q1w2.part"));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly) && leftover.write("half a picture") > 0);
    leftover.close();
    const auto before = snapshot(folder);
    const QString image = tmp.write(QStringLiteral("rendelés képe.iso"), QByteArray("an old image"));
    // A leftover of an interrupted run must not be taken for a written disc.
    tmp.write(QStringLiteral("rendelés képe.iso.part"), noise(100000, 9));

    DiscWriter writer;
    QList<DiscWriter::Phase> phases;
    QList<int> progress;
    QObject::connect(&writer, &DiscWriter::phaseChanged, [&](DiscWriter::Phase p) { phases.append(p); });
    QObject::connect(&writer, &DiscWriter::progressChanged, [&](int p) { progress.append(p); });
    const DiscResult result = writer.run(imageJob(folder, image));

    ASSERT_TRUE(result.ok()) << result.message.toStdString();
    EXPECT_TRUE(result.message.contains(image)) << result.message.toStdString();
    EXPECT_TRUE(QFileInfo(image).isFile());
    EXPECT_FALSE(QFileInfo::exists(image + QStringLiteral(".part")));
    EXPECT_EQ(
        phases,
        (QList<DiscWriter::Phase> {DiscWriter::Phase::Writing, DiscWriter::Phase::Verifying, DiscWriter::Phase::Idle}));
    for (int p : progress)
        EXPECT_TRUE(p >= -1 && p <= 100) << p;
    EXPECT_EQ(snapshot(folder), before) << "the order folder was changed";

    // Read back on our own, independent of the writer's verification.
    const QString rr = tmp.file(QStringLiteral("rr"));
    runXorriso({QStringLiteral("-osirrox"), QStringLiteral("on"), QStringLiteral("-indev"),
                QStringLiteral("stdio:") + image, QStringLiteral("-extract"), QStringLiteral("/"), rr});
    EXPECT_EQ(readTree(rr), expected);
    EXPECT_TRUE(readTree(rr).contains(kAccentedPicture.mid(1)));

    // Windows reads the Joliet tree: the same names and bytes there.
    const QString joliet = tmp.file(QStringLiteral("joliet"));
    runXorriso({QStringLiteral("-rockridge"), QStringLiteral("off"), QStringLiteral("-joliet"), QStringLiteral("on"),
                QStringLiteral("-osirrox"), QStringLiteral("on"), QStringLiteral("-indev"),
                QStringLiteral("stdio:") + image, QStringLiteral("-extract"), QStringLiteral("/"), joliet});
    EXPECT_EQ(readTree(joliet), expected);

    const QByteArray pvd
        = runXorriso({QStringLiteral("-indev"), QStringLiteral("stdio:") + image, QStringLiteral("-pvd_info")});
    EXPECT_TRUE(pvd.contains("Volume Id    : " + kOrderName.toUtf8())) << pvd.constData();
}

// Cancelled while xorriso writes: no image under the final name, no partial
// file beside it, and an older image of that name is left as it was.
TEST(DiscWriterCancel, CancelWhileWritingLeavesNoPartialImage)
{
    TempDir tmp;
    const QString folder = tmp.file(kOrderName);
    makeBigFolder(folder, 12, 20 * 1024 * 1024);
    const auto before = snapshot(folder);
    const QString image = tmp.write(QStringLiteral("order.iso"), QByteArray("an old image"));
    const QString part = image + QStringLiteral(".part");

    DiscWriter writer;
    bool sawPartial = false;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!sawPartial && QFileInfo(part).size() > 1024 * 1024) {
            sawPartial = true;
            writer.cancel();
        }
    });
    poll.start();
    const DiscResult result = writer.run(imageJob(folder, image));
    poll.stop();

    ASSERT_TRUE(sawPartial) << "the writing ended before it could be cancelled";
    EXPECT_EQ(result.outcome, DiscResult::Outcome::Cancelled) << result.message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(part));
    QFile old(image);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("an old image"));
    EXPECT_EQ(snapshot(folder), before);
    EXPECT_FALSE(writer.isRunning());
}

// What happens while the image is read back: a cancel, a file whose bytes no
// longer match what was written (same size, so only a comparison of the
// content sees it), a file added after the writing. Each leaves no image and
// no partial file; a mismatch is named in the reason.
TEST(DiscWriterVerify, CancelOrAChangedFolderDuringVerificationKeepsNoImage)
{
    const QString changed = kAccentedPicture;
    struct Case
    {
        const char* what;
        std::function<void(DiscWriter&, const QString& folder)> atVerify;
        DiscResult::Outcome outcome;
        QStringList reasonHas;
    };
    const Case cases[] = {
        {"cancel", [](DiscWriter& w, const QString&) { w.cancel(); }, DiscResult::Outcome::Cancelled, {}},
        {"one byte changed",
         [&](DiscWriter&, const QString& folder) {
             QFile f(folder + changed);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.seek(50000);
             const char c = f.peek(1).at(0);
             f.write(QByteArray(1, char(c ^ 0x5a)));
         },
         DiscResult::Outcome::Failed,
         {QStringLiteral("tükörfúrógép-fill-3/kep00005.jpg"), QStringLiteral("content")}},
        {"file added",
         [](DiscWriter&, const QString& folder) {
             put(folder + QStringLiteral("/9x13-fill-2/kep00009.JPG"), noise(10, 1));
         },
         DiscResult::Outcome::Failed,
         {QStringLiteral("kep00009.JPG")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OrderFolder o;
        const QString image = o.tmp.file(QStringLiteral("order.iso"));
        DiscWriter writer;
        QObject::connect(&writer, &DiscWriter::phaseChanged, [&](DiscWriter::Phase p) {
            if (p == DiscWriter::Phase::Verifying)
                c.atVerify(writer, o.folder);
        });
        const DiscResult result = writer.run(imageJob(o.folder, image));
        EXPECT_EQ(result.outcome, c.outcome) << result.message.toStdString();
        if (c.outcome == DiscResult::Outcome::Failed) {
            EXPECT_TRUE(result.message.startsWith(QStringLiteral("Az ellenőrzés nem sikerült")))
                << result.message.toStdString();
        }
        for (const QString& part : c.reasonHas)
            EXPECT_TRUE(result.reason.contains(part, Qt::CaseInsensitive)) << result.reason.toStdString();
        EXPECT_FALSE(QFileInfo::exists(image));
        EXPECT_FALSE(QFileInfo::exists(image + QStringLiteral(".part")));
    }
}

// Jobs refused before xorriso runs, each with a Hungarian reason, and nothing
// written anywhere.
TEST(DiscWriterRefusals, BadJobsAreRefusedWithAReason)
{
    OrderFolder o;
    const TempDir& tmp = o.tmp;
    const QString& folder = o.folder;
    const auto before = snapshot(folder);
    DiscWriter writer;

    // The image inside the folder it is made of, also through "..".
    for (const QString& inside :
         {folder + QStringLiteral("/order.iso"), folder + QStringLiteral("/9x13-fill-2/../x.iso"), folder}) {
        const DiscResult r = writer.run(imageJob(folder, inside));
        EXPECT_EQ(r.outcome, DiscResult::Outcome::Failed) << inside.toStdString();
        EXPECT_FALSE(r.message.isEmpty());
    }
    EXPECT_EQ(snapshot(folder), before);

    DiscResult r = writer.run(imageJob(tmp.file(QStringLiteral("nincs ilyen")), tmp.file(QStringLiteral("a.iso"))));
    EXPECT_TRUE(r.message.startsWith(QStringLiteral("A megrendelés mappája nem található"))) << r.message.toStdString();

    r = writer.run(imageJob(folder, tmp.file(QStringLiteral("nincs/mappa/a.iso"))));
    EXPECT_TRUE(r.message.startsWith(QStringLiteral("A lemezkép fájl nem hozható létre"))) << r.message.toStdString();
    EXPECT_FALSE(r.reason.isEmpty());

    r = writer.run(imageJob(folder, QStringLiteral("  ")));
    EXPECT_EQ(r.outcome, DiscResult::Outcome::Failed);

    DiscJob drive = driveJob(folder);
    drive.device.clear();
    r = writer.run(drive);
    EXPECT_EQ(r.message, QStringLiteral("Nincs kiválasztva meghajtó."));
    EXPECT_FALSE(writer.isRunning());
}

// Only a folder exactly as a finished build leaves it goes onto a disc: what
// a failed build left (no printouts, no order text), a picture replaced by a
// FIFO or by a link to /dev/zero or /etc/shadow, a stray file or folder, an
// order without pictures. Each is refused before xorriso runs, naming the
// file; a complete folder is listed with every file and its size, the
// leftover of a killed build passed over.
TEST(DiscWriterRefusals, OnlyACompleteOrderFolderGoesOntoADisc)
{
    // What is done in the folder, and what the reason names.
    const QList<QPair<QString, QString>> cases = {
        {"rm megrendeles.qrp megrendeles_osszegezve.qrp", "megrendeles.qrp"},
        {"rm megrendeles.txt", "megrendeles.txt"},
        {"rm 9x13-fill-2/kep00001.JPG && mkfifo 9x13-fill-2/kep00001.JPG", "FIFO"},
        {"ln -sf /dev/zero 9x13-fill-2/kep00001.JPG", "szimbolikus link"},
        {"ln -sf /etc/shadow 9x13-fill-2/kep00001.JPG", "9x13-fill-2/kep00001.JPG"},
        {"ln -sf /etc/passwd megrendeles.txt", "megrendeles.txt"},
        {"ln -s /etc 9x13-fill-3", "9x13-fill-3"},
        {"touch jegyzet.doc", "jegyzet.doc"},
        {"touch 9x13-fill-2/Thumbs.db", "9x13-fill-2/Thumbs.db"},
        {"mkdir kepek", "kepek"},
        {"mkdir 10x15-fit-1/kep00010.jpg", "mappa"},
        {"rm -r */ && mkdir 9x13-fill-1", "egyetlen kép sem"},
    };
    for (const auto& [shell, named] : cases) {
        SCOPED_TRACE(shell.toStdString());
        OrderFolder o;
        ASSERT_EQ(QProcess::execute("sh", {"-c", "cd \"$0\" && " + shell, o.folder}), 0);
        const auto reason = incompleteOrderFolderReason(o.folder);
        ASSERT_TRUE(reason.has_value());
        EXPECT_TRUE(reason->contains(named)) << reason->toStdString();
        DiscWriter writer;
        writer.setProgram(QStringLiteral("/bin/false")); // never reached
        const DiscResult r = writer.run(imageJob(o.folder, o.tmp.file(QStringLiteral("order.iso"))));
        EXPECT_EQ(r.message, DiscWriter::incompleteFolderMessage(o.folder, *reason));
        EXPECT_FALSE(QFileInfo::exists(o.tmp.file(QStringLiteral("order.iso.part"))));
    }

    // A complete folder lists every file with its size; the leftovers of a
    // killed build (a FIFO among them) are passed over.
    OrderFolder o;
    const auto files = readTree(o.folder);
    put(o.folder + QStringLiteral("/9x13-fill-2/.pelmar-q1w2.part"), "half a picture");
    ASSERT_EQ(::mkfifo(QFile::encodeName(o.folder + QStringLiteral("/.pelmar-fifo0.part")).constData(), 0600), 0);
    const OrderFolderCheck check = checkOrderFolder(o.folder + QLatin1Char('/'));
    ASSERT_TRUE(check.complete()) << check.problem.toStdString();
    ASSERT_EQ(check.files.size(), files.size());
    for (int i = 0; i < check.files.size(); ++i) {
        EXPECT_EQ(check.files[i].relativePath, files.keys()[i]);
        EXPECT_EQ(check.files[i].size, files.values()[i].size());
    }
}

TEST(DiscWriterFailures, MissingXorrisoIsReported)
{
    OrderFolder o;
    DiscWriter writer;
    writer.setProgram(o.tmp.file(QStringLiteral("nincs-xorriso")));
    const DiscResult r = writer.run(imageJob(o.folder, o.tmp.file(QStringLiteral("a.iso"))));
    EXPECT_EQ(r.outcome, DiscResult::Outcome::Failed);
    EXPECT_TRUE(r.message.contains(QStringLiteral("nem indítható el"))) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains(QStringLiteral("A hiba oka: ")));
    EXPECT_FALSE(QFileInfo::exists(o.tmp.file(QStringLiteral("a.iso.part"))));
}

// A drive stands in as a script that answers like xorriso does when the disc
// is too small, when there is no disc, or when the disc is already written;
// and as one that ends well by its exit code without having compared
// anything, which is not taken for a verified disc.
TEST(DiscWriterFailures, DriveFailuresAreReportedInHungarianWithXorrisosReason)
{
    OrderFolder o;
    const auto before = snapshot(o.folder);
    struct Case
    {
        QByteArray says; // empty: says nothing and exits with 0
        QString heading;
    };
    const QList<Case> cases = {
        {"xorriso : FAILURE : Image size 400123s exceeds free space on media 359846s",
         QStringLiteral("A lemezen nincs elég hely a megrendeléshez.")},
        {"libburn : FAILURE : MEDIA: no writeable media detected", QStringLiteral("Nincs írható lemez a meghajtóban.")},
        {"xorriso : FAILURE : Closed media with data detected. Need blank or appendable media.",
         QStringLiteral("A lemez nem üres vagy már le van zárva.")},
        {"libburn : SORRY : Write error on drive", QStringLiteral("Hiba történt a lemez írása közben.")},
        {"", QStringLiteral("Az ellenőrzés nem sikerült")},
    };
    for (const Case& c : cases) {
        const QByteArray body = c.says.isEmpty()
            ? QByteArray("exit 0\n")
            : "echo 'xorriso 1.5.4 : RockRidge filesystem manipulator'\necho '" + c.says + "' >&2\nexit 32\n";
        DiscWriter writer;
        writer.setProgram(writeScript(o.tmp.file(QStringLiteral("fake-xorriso")), body));
        const DiscResult r = writer.run(driveJob(o.folder));
        EXPECT_EQ(r.outcome, DiscResult::Outcome::Failed);
        EXPECT_TRUE(r.message.startsWith(c.heading)) << r.message.toStdString();
        if (c.says.isEmpty())
            continue;
        const QString reason = QString::fromUtf8(c.says).section(QStringLiteral(" : "), 2);
        EXPECT_EQ(r.reason, reason);
        EXPECT_TRUE(r.message.endsWith(QStringLiteral("A hiba oka: ") + reason));
    }
    EXPECT_EQ(snapshot(o.folder), before);
}

TEST(DiscWriterDrives, DriveListingFromXorrisoOutput)
{
    const QByteArray out = "xorriso 1.5.4 : RockRidge filesystem manipulator, libburnia project.\n\n"
                           "Beginning to scan for devices ...\n"
                           "Full drive scan done\n"
                           "-----------------------------------------------------------------------------\n"
                           "0  -dev '/dev/sr0' rwrw-- :  'HL-DT-ST' 'DVDRAM GH24NSD1'\n"
                           "1  -dev '/dev/sr1' ------ :  'TSSTcorp' 'CDDVDW SH-S223B'\n"
                           "-----------------------------------------------------------------------------\n";
    const QList<DiscDrive> drives = DiscWriter::parseDevices(out);
    ASSERT_EQ(drives.size(), 2);
    EXPECT_EQ(drives[0].device, QStringLiteral("/dev/sr0"));
    EXPECT_EQ(drives[0].vendor, QStringLiteral("HL-DT-ST"));
    EXPECT_EQ(drives[0].model, QStringLiteral("DVDRAM GH24NSD1"));
    EXPECT_TRUE(drives[0].accessible);
    EXPECT_FALSE(drives[1].accessible);
    EXPECT_EQ(drives[0].label(), QStringLiteral("/dev/sr0 — HL-DT-ST DVDRAM GH24NSD1"));

    // No drive, garbage, truncated lines, a huge line: nothing, no crash.
    EXPECT_TRUE(DiscWriter::parseDevices("xorriso : SORRY : No drives found\n").isEmpty());
    EXPECT_TRUE(DiscWriter::parseDevices(QByteArray()).isEmpty());
    EXPECT_TRUE(DiscWriter::parseDevices("0  -dev '/dev/sr0").isEmpty());
    EXPECT_TRUE(DiscWriter::parseDevices("0  -dev '' rwrw-- : '' ''\n").isEmpty());
    EXPECT_TRUE(DiscWriter::parseDevices(noise(1 << 20, 7)).isEmpty());
    EXPECT_TRUE(
        DiscWriter::parseDevices("0  -dev '/dev/sr0' rwrw-- :  '" + QByteArray(100000, 'x') + "' 'y'").isEmpty());

    // The listing through a program that answers like xorriso on a computer
    // with one drive, and through the real xorriso here (which may find none).
    TempDir tmp;
    const QString script
        = writeScript(tmp.file(QStringLiteral("fake")), "echo \"0  -dev '/dev/sr0' rwrw-- :  'ASUS' 'DRW-24D5MT'\"\n");
    QString problem = QStringLiteral("x");
    EXPECT_EQ(DiscWriter::listDrives(script, &problem).size(), 1);
    EXPECT_TRUE(problem.isEmpty());
    DiscWriter::listDrives(QStringLiteral("xorriso"), &problem);
    EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    DiscWriter::listDrives(tmp.file(QStringLiteral("nincs")), &problem);
    EXPECT_TRUE(problem.contains(QStringLiteral("nem indítható el")));
}

TEST(DiscWriterParsing, WriteProgressLines)
{
    EXPECT_DOUBLE_EQ(*DiscWriter::parseWriteProgress(QStringLiteral(
                         "xorriso : UPDATE : Writing:      69213s   35.1%   fifo   9%  buf  50%  421.2xD")),
                     35.1);
    EXPECT_DOUBLE_EQ(*DiscWriter::parseWriteProgress(QStringLiteral("xorriso : UPDATE : Writing: 1s 100%")), 100.0);
    // The fifo percentage is not the progress; others carry none.
    EXPECT_FALSE(DiscWriter::parseWriteProgress(QStringLiteral("xorriso : UPDATE : fifo 35%")));
    EXPECT_FALSE(DiscWriter::parseWriteProgress(QStringLiteral("xorriso : UPDATE : Writing:  12s 135.0%")));
    EXPECT_FALSE(DiscWriter::parseWriteProgress(QStringLiteral("xorriso : UPDATE : Writing:  12s  -3.0%")));
    EXPECT_FALSE(DiscWriter::parseWriteProgress(QStringLiteral("xorriso : UPDATE : 5 files added in 1 seconds")));
    EXPECT_FALSE(DiscWriter::parseWriteProgress(QString()));
    EXPECT_FALSE(DiscWriter::parseWriteProgress(QString::fromLatin1(noise(5000, 3))));
}

TEST(DiscWriterParsing, CompareOutputCountsNamesSizesAndContentOnly)
{
    const QString timesOnly
        = QStringLiteral("d '/tmp/src' (DISK) : st_mtime :  Dec  9 04:50  <>  Dec  9 04:50      diff= 7 s\n"
                         "d '/tmp/src' (DISK) : st_ctime :  Dec  9 04:50  <>  Dec  9 04:50      diff= 7 s\n"
                         "- '/tmp/src/g' (DISK) : st_mode  :  0000600  <>  0000644\n"
                         "Differences detected.\n");
    EXPECT_TRUE(DiscWriter::compareMismatches(timesOnly).isEmpty());

    const QString real
        = QStringLiteral("- '/tmp/src/a b/őz.txt' (DISK) : st_size  :  8  <>  6      diff= 2\n"
                         "- '/tmp/src/a b/őz.txt' (DISK) : st_mtime :  Dec  9 04:50  <>  Dec  9 04:50      diff= 7 s\n"
                         "- '/tmp/src/a b/őz.txt' (DISK) : content  :  differs by at least 2 bytes. First at 6\n"
                         "- '/tmp/src/a' (DISK) : type     :  regular_file  <>  directory\n"
                         "? '/tmp/src/a/f' (DISK) : cannot lstat() : Not a directory\n"
                         "? '/extra'  (ISO) : cannot find this file in ISO image\n"
                         "Differences detected.\n");
    const QStringList m = DiscWriter::compareMismatches(real);
    ASSERT_EQ(m.size(), 5);
    EXPECT_TRUE(m[0].contains(QStringLiteral("st_size")));
    EXPECT_TRUE(m[4].contains(QStringLiteral("/extra")));

    EXPECT_TRUE(DiscWriter::compareMismatches(QString()).isEmpty());
    EXPECT_TRUE(DiscWriter::compareMismatches(QString::fromLatin1(noise(10000, 4))).isEmpty());
    EXPECT_TRUE(DiscWriter::compareMismatches(QStringLiteral("- '/unterminated (DISK) : content")).isEmpty());
}

TEST(DiscWriterParsing, FailureHeadingsFromXorrisoMessages)
{
    struct Case
    {
        QString line; // empty: no problem line at all
        bool toDrive;
        QString heading;
        bool followedByMore = false; // the heading goes on with advice
    };
    const Case cases[] = {
        // The image side: no room on the file system, a folder that cannot be made.
        {"libburn : FAILURE : No space left on device", false, "Nincs elég szabad hely a lemezkép számára."},
        {"xorriso : FAILURE : Cannot acquire drive 'stdio:/x'", false, "A lemezkép fájl nem hozható létre."},
        {"xorriso : FAILURE : Cannot acquire drive '/dev/sr0'", true, "A meghajtó nem érhető el."},
        {"libisofs: FAILURE : Access to file is not allowed", true,
         "A megrendelés mappájának egy fájlja nem olvasható."},
        // Drive words do not make an image failure look like a missing disc.
        {"x : FAILURE : no media", false, "Hiba történt a lemezkép írása közben."},
        {"", true, "Hiba történt a lemez írása közben."},
        // xorriso's words for an empty drive and for a disc of the wrong kind.
        {"libburn : SORRY : Medium not present, tray closed", true, "Nincs írható lemez a meghajtóban."},
        {"libburn : FAILURE : No suitable media detected", true, "Nincs írható lemez a meghajtóban."},
        {"libburn : FAILURE : Unsuitable media detected. Profile 0008h  CD-ROM", true,
         "Ez a lemez ebben a meghajtóban nem írható.", true},
        {"xorriso : FAILURE : -indev differs from -outdev and -outdev media is not blank", true,
         "A lemez nem üres vagy már le van zárva. Tegyen be egy üres lemezt."},
    };
    for (const Case& c : cases) {
        const QStringList lines = c.line.isEmpty() ? QStringList() : QStringList {c.line};
        const QString heading = DiscWriter::failureHeading(lines, c.toDrive);
        EXPECT_EQ(c.followedByMore ? heading.left(c.heading.size()) : heading, c.heading) << c.line.toStdString();
    }
}

TEST(DiscWriterParsing, VolumeIdFromTheFolderName)
{
    EXPECT_EQ(DiscWriter::volumeIdFor(QStringLiteral("/home/x/Dokumentumok/Pelmar-20040315-000123/")),
              QStringLiteral("Pelmar-20040315-000123"));
    // Accents off, blanks and signs to "_", cut to 32 characters.
    const QString id = DiscWriter::volumeIdFor(QStringLiteral("/x/Árvíztűrő tükörfúrógép rendelés: 2024 ősz"));
    EXPECT_EQ(id, QStringLiteral("Arvizturo_tukorfurogep_rendeles_"));
    EXPECT_EQ(id.size(), 32);
    EXPECT_EQ(DiscWriter::volumeIdFor(QStringLiteral("/")), QStringLiteral("PELMAR"));
    EXPECT_EQ(DiscWriter::volumeIdFor(QString()), QStringLiteral("PELMAR"));
    EXPECT_EQ(DiscWriter::volumeIdFor(QStringLiteral("/x/日本")), QStringLiteral("__"));
}
