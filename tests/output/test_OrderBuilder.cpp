#include "core/AppError.h"
#include "output/FileOp.h"
#include "output/LabAddress.h"
#include "output/OrderBuilder.h"
#include "output/ReportPrintouts.h"
#include "reports/QrpFile.h"
#include "tests/output/OrderFixtures.h"
#include "tests/reports/ReportFiles.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

// Records what the build asked and answers from queues (empty: go on).
struct Host : BuildHost
{
    QStringList events;
    QList<bool> stopAnswers; // confirmStop
    QList<bool> continueAnswers; // continueAfterCopyError
    QStringList reasons; // the copy errors' own accounts
    bool cancel = false;
    std::function<void(int)> onPicture;

    void partnerRefused(PartnerField field, const QString& message) override
    {
        events << QStringLiteral("refused %1 %2").arg(int(field)).arg(message);
    }
    void outputFolderChanged(const QString& folder) override { events << "folder " + folder; }
    void copyingStarted(int count) override { events << QStringLiteral("start %1").arg(count); }
    void beforePicture(int index) override
    {
        events << QStringLiteral("picture %1").arg(index);
        if (onPicture)
            onPicture(index);
    }
    bool cancelRequested() override { return cancel; }
    bool confirmStop() override
    {
        events << "stop?";
        return stopAnswers.isEmpty() ? false : stopAnswers.takeFirst();
    }
    bool continueAfterCopyError(const QString& source, const QString& reason) override
    {
        events << "copy error " + source;
        reasons << reason;
        return continueAnswers.isEmpty() ? true : continueAnswers.takeFirst();
    }
    void copyingEnded() override { events << "end"; }
};

struct Printouts : PrintoutSink
{
    QStringList calls;
    // Whether an order text stood in the folder as each printout was saved.
    QList<bool> textBeforeSave;
    PrintoutLabels labels;
    QStringList rows;
    QString quantity;
    void saveOrder(const QString& path, const QList<OrderLine>& lines, const PrintoutLabels& l) override
    {
        calls << "save order " + QFileInfo(path).fileName() + QStringLiteral(" %1").arg(lines.size());
        textBeforeSave << QFileInfo::exists(QFileInfo(path).dir().filePath("megrendeles.txt"));
        labels = l;
        WriteFileAtomic(path, "order");
    }
    void saveSummary(const QString& path, const QStringList& r, const PrintoutLabels&, const QString& q) override
    {
        calls << "save summary " + QFileInfo(path).fileName();
        textBeforeSave << QFileInfo::exists(QFileInfo(path).dir().filePath("megrendeles.txt"));
        rows = r;
        quantity = q;
        WriteFileAtomic(path, "summary");
    }
    void previewOrder(const QList<OrderLine>&, const PrintoutLabels&) override { calls << "preview order"; }
    void previewSummary(const QStringList&, const PrintoutLabels&, const QString&) override
    {
        calls << "preview summary";
    }
};

struct Fixture
{
    TempDir dir;
    OrderModel order;
    BuildInput input;
    Host host;
    Printouts printouts;
    TFileOperation fo;

    Fixture()
    {
        fo.setFlags(fofNoConfirmation | fofNoConfirmMkDir | fofSilent);
        dir.write("pics/IMG_0001.JPG", QByteArray(70000, 'a'));
        dir.write("pics/nyaralas.jpg", QByteArray(80000, 'b'));
        addLine(order, dir.file("pics/IMG_0001.JPG"), "9x13", 120, true, 2);
        addLine(order, dir.file("pics/nyaralas.jpg"), "10x15", 150, false, 1);
        const OrderPlan plan = planAndName(order);
        input.lines = order.lines();
        input.fields = exampleFields();
        input.outputFolder = dir.file("Rendelesek/Pelmar-20040315-000123");
        input.totalText = "890 Ft";
        input.cdIndex = true;
        input.settingValues = {"CD=500"};
        input.sizes = plan.sizes;
        input.targets = plan.targets;
    }
    QString folder() const { return dir.file("Rendelesek/Pelmar-20040315-000123/"); }
    BuildResult run()
    {
        OrderBuilder b(host, &printouts, fo);
        b.setPreviewAllowed(true);
        return b.run(input);
    }
};

QStringList tree(const QString& folder)
{
    QStringList out;
    QDir d(folder);
    for (const QString& e : d.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        if (QFileInfo(d.filePath(e)).isDir()) {
            for (const QString& sub : tree(d.filePath(e)))
                out << e + "/" + sub;
        } else {
            out << e;
        }
    }
    return out;
}

} // namespace

TEST(OrderBuilder, WorkedExampleBuildsTheWholeFolder)
{
    Fixture f;
    ASSERT_EQ(f.run(), BuildResult::Done);
    EXPECT_EQ(tree(f.folder()),
              QStringList({"10x15-fit-1/kep00002.jpg", "9x13-fill-2/kep00001.JPG", "megrendeles.qrp", "megrendeles.txt",
                           "megrendeles_osszegezve.qrp"}));
    EXPECT_EQ(readAll(f.folder() + "megrendeles.txt"), exampleOrderText(true));
    EXPECT_EQ(readAll(f.folder() + "9x13-fill-2/kep00001.JPG"), QByteArray(70000, 'a'));
    EXPECT_EQ(f.host.events, QStringList({"folder " + f.folder(), "start 2", "picture 0", "picture 1", "end"}));
    EXPECT_EQ(
        f.printouts.calls,
        QStringList({"save order megrendeles.qrp 2", "save summary megrendeles_osszegezve.qrp", "preview order"}));
    EXPECT_EQ(f.printouts.rows, QStringList({"9x13|2 db|120 Ft|240 Ft", "10x15|1 db|150 Ft|150 Ft"}));
    EXPECT_EQ(f.printouts.quantity, "3 db");
    const PrintoutLabels& l = f.printouts.labels;
    EXPECT_EQ(l.captions.value("LCegNev"), "Minta Fotó Bt.");
    EXPECT_EQ(l.captions.value("LSumMegr"), "890 Ft");
    EXPECT_EQ(l.captions.value("QRLabel17"), "500 Ft");
    EXPECT_EQ(l.captions.value("LVevoNev"), "");
    EXPECT_FALSE(l.enabled.value("LNotFinal", true));
    EXPECT_TRUE(l.enabled.value("QRLabel16"));
    EXPECT_TRUE(l.enabled.value("QRLabel17"));
    EXPECT_FALSE(l.captions.contains("LCegID")) << "the shop number is not printed";
}

TEST(OrderBuilder, PreviewsFollowTheCheckBoxes)
{
    struct Case
    {
        bool data, sum;
        QStringList previews;
    };
    for (const Case& c :
         {Case {true, false, {"preview order"}}, Case {true, true, {"preview order", "preview summary"}},
          Case {false, true, {}}, Case {false, false, {}}}) {
        Fixture f;
        f.input.printData = c.data;
        f.input.printSumData = c.sum;
        ASSERT_EQ(f.run(), BuildResult::Done);
        EXPECT_EQ(f.printouts.calls.mid(2), c.previews) << c.data << c.sum;
        EXPECT_EQ(f.printouts.calls.size(), 2 + c.previews.size());
    }
}

TEST(OrderBuilder, PartnerFieldsAreRefusedInOrderAndNothingIsWritten)
{
    struct Case
    {
        QString OrderFields::*field;
        QString value;
        QString expected;
    };
    const QString nameMsg = "refused 1 Nem töltötte ki a \"Név\" mezőt!";
    const Case cases[] = {
        {&OrderFields::UserID, "0", "refused 0 Hibás üzletszám!"},
        {&OrderFields::UserID, "-5", "refused 0 Hibás üzletszám!"},
        {&OrderFields::UserID, "abc", "refused 0 Hibás üzletszám!"},
        {&OrderFields::UserID, "", "refused 0 Hibás üzletszám!"},
        {&OrderFields::UserID, "99999999999", "refused 0 Hibás üzletszám!"},
        {&OrderFields::UserNev, "   ", nameMsg},
        {&OrderFields::UserHelys, "", "refused 2 Nem töltötte ki a \"Helység\" mezőt!"},
        // Blanks are the characters up to the space, as in the partner editor.
        {&OrderFields::UserNev, QString("\x01\t\x1f"), nameMsg},
        {&OrderFields::UserCim, " ", "refused 3 Nem töltötte ki a \"Cím\" mezőt!"},
        {&OrderFields::UserIrsz, "", "refused 4 Nem töltötte ki a \"Irányítószám\" mezőt!"},
        // Taken: a no-break space is a character, not a blank (the partner
        // editor takes such a name too); the postal code is only checked for
        // being there.
        {&OrderFields::UserNev, QString(QChar(0xA0)), ""},
        {&OrderFields::UserIrsz, "ab", ""},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.input.fields.*c.field = c.value;
        const bool refused = !c.expected.isEmpty();
        EXPECT_EQ(f.run(), refused ? BuildResult::Refused : BuildResult::Done) << c.value.toStdString();
        if (refused) {
            EXPECT_EQ(f.host.events, QStringList({c.expected})) << c.value.toStdString();
        }
        EXPECT_EQ(QFileInfo::exists(f.folder()), !refused);
        EXPECT_EQ(f.printouts.calls.isEmpty(), refused);
    }
    // Name and town both empty: only the name is reported.
    Fixture f;
    f.input.fields.UserNev.clear();
    f.input.fields.UserHelys.clear();
    f.run();
    EXPECT_EQ(f.host.events, QStringList({nameMsg}));

    // The shop number may carry blanks and a sign as the integer conversion
    // allows, and is written as typed.
    Fixture g;
    g.input.fields.UserID = " +123";
    EXPECT_EQ(g.run(), BuildResult::Done);
    EXPECT_TRUE(readAll(g.folder() + "megrendeles.txt").contains("\r\n\xDCzletsz\xE1m:  +123\r\n"));
}

TEST(OrderBuilder, VanishedSourceAnsweredYesAndNo)
{
    {
        Fixture f;
        QFile::remove(f.dir.file("pics/IMG_0001.JPG"));
        ASSERT_EQ(f.run(), BuildResult::Done);
        EXPECT_TRUE(f.host.events.contains("copy error " + f.dir.file("pics/IMG_0001.JPG")));
        ASSERT_EQ(f.host.reasons.size(), 1);
        EXPECT_TRUE(f.host.reasons[0].endsWith("No such file or directory")) << f.host.reasons[0].toStdString();
        EXPECT_EQ(tree(f.folder()),
                  QStringList({"10x15-fit-1/kep00002.jpg", "megrendeles.qrp", "megrendeles.txt",
                               "megrendeles_osszegezve.qrp"}));
        const QByteArray text = readAll(f.folder() + "megrendeles.txt");
        EXPECT_FALSE(text.contains("kep00001"));
        EXPECT_TRUE(text.endsWith("890 Ft\r\n")) << "the total still counts the missing picture";
        EXPECT_EQ(f.printouts.calls.first(), "save order megrendeles.qrp 2") << "the printout lists every line";
    }
    {
        Fixture f;
        QFile::remove(f.dir.file("pics/IMG_0001.JPG"));
        f.host.continueAnswers = {false};
        ASSERT_EQ(f.run(), BuildResult::Stopped);
        EXPECT_EQ(f.host.events.last(), "end");
        EXPECT_FALSE(QFileInfo::exists(f.folder() + "megrendeles.txt"));
        EXPECT_TRUE(f.printouts.calls.isEmpty());
    }
    {
        // Every copy failed and each was answered Yes: an order folder
        // without a picture is never reported as done, and an earlier
        // build's order text no longer marks it as complete.
        Fixture f;
        QFile::remove(f.dir.file("pics/IMG_0001.JPG"));
        QFile::remove(f.dir.file("pics/nyaralas.jpg"));
        f.dir.write("Rendelesek/Pelmar-20040315-000123/megrendeles.txt", "earlier");
        const QString error = appErrorOf([&] { f.run(); });
        EXPECT_TRUE(error.startsWith("Egyetlen képet sem")) << error.toStdString();
        EXPECT_EQ(f.host.events.filter("copy error").size(), 2);
        EXPECT_FALSE(QFileInfo::exists(f.folder() + "megrendeles.txt"));
        EXPECT_TRUE(f.printouts.calls.isEmpty());
    }
}

TEST(OrderBuilder, PictureReplacedByAFolderFifoOrDeviceIsACopyError)
{
    struct Case
    {
        const char* kind;
        std::function<void(const QString&)> replace;
        const char* reason;
    };
    const Case cases[] = {
        {"folder", [](const QString& p) { QDir().mkpath(p); }, "Is a directory"},
        {"fifo", [](const QString& p) { ::mkfifo(QFile::encodeName(p).constData(), 0644); }, "nem közönséges fájl"},
        {"device", [](const QString& p) { QFile::link("/dev/zero", p); }, "nem közönséges fájl"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        Fixture f;
        const QString picture = f.dir.file("pics/nyaralas.jpg");
        QFile::remove(picture);
        c.replace(picture);
        // A FIFO with a reader that never gets a writer blocks a plain open
        // for ever; the build runs apart so the test can end that wait.
        auto build = std::async(std::launch::async, [&f] { return f.run(); });
        if (build.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
            const int unblock = ::open(QFile::encodeName(picture).constData(), O_WRONLY | O_NONBLOCK);
            if (unblock >= 0)
                ::close(unblock);
            build.wait();
            ADD_FAILURE() << "the copy waited on the " << c.kind;
            continue;
        }
        ASSERT_EQ(build.get(), BuildResult::Done);
        EXPECT_TRUE(f.host.events.contains("copy error " + picture));
        ASSERT_EQ(f.host.reasons.size(), 1);
        EXPECT_TRUE(f.host.reasons[0].endsWith(c.reason)) << f.host.reasons[0].toStdString();
        EXPECT_FALSE(QFileInfo::exists(f.folder() + "10x15-fit-1")) << "no folder for a picture that was not copied";
    }
}

TEST(OrderBuilder, NamesThatLookLikePatternsOrOptionsAreCopiedAsThemselves)
{
    Fixture f;
    // Beside the names a pattern "a?.jpg" or "[ab].jpg" would match.
    f.dir.write("pics/ab.jpg", "ab");
    f.dir.write("pics/ac.jpg", "ac");
    f.dir.write("pics/a.jpg", "a");
    const QStringList odd = {"a?.jpg", "*.jpg",     "[ab].jpg", "{a,b}.jpg",    "back\\slash.jpg",
                             "~a.jpg", "$HOME.jpg", "-rf.jpg",  "pi;cs/a;b.jpg"};
    f.order.clear();
    for (const QString& name : odd) {
        f.dir.write("pics/" + name, name.toUtf8());
        addLine(f.order, f.dir.file("pics/" + name), "9x13", 120, true, 1);
    }
    const OrderPlan plan = planAndName(f.order);
    f.input.lines = f.order.lines();
    f.input.targets = plan.targets;
    ASSERT_EQ(f.run(), BuildResult::Done);
    EXPECT_TRUE(f.host.events.filter("copy error").isEmpty());
    for (int i = 0; i < odd.size(); ++i) {
        const QString target = f.folder() + plan.targets[i];
        EXPECT_TRUE(QFileInfo(target).isFile()) << target.toStdString();
        EXPECT_EQ(readAll(target), odd[i].toUtf8()) << target.toStdString();
    }
    EXPECT_EQ(QDir(f.folder() + "9x13-fill-1").count() - 2, uint(odd.size()));
    const QByteArray text = readAll(f.folder() + "megrendeles.txt");
    EXPECT_TRUE(text.contains("kep00001.jpg  a?.jpg")) << text.toStdString();
    EXPECT_TRUE(text.contains("kep00009.jpg  a;b.jpg"));
}

TEST(OrderBuilder, CancelStopsOnlyWhenTheStopIsConfirmed)
{
    Fixture f;
    f.dir.write("pics/third.jpg", "ccc");
    addLine(f.order, f.dir.file("pics/third.jpg"), "9x13", 120, true, 1);
    f.input.lines = f.order.lines();
    f.input.targets << "9x13-fill-1/kep00003.jpg";
    f.host.onPicture = [&](int i) { f.host.cancel = i >= 0; };
    f.host.stopAnswers = {false, true};
    ASSERT_EQ(f.run(), BuildResult::Stopped);
    EXPECT_EQ(f.host.events.mid(1), QStringList({"start 3", "picture 0", "stop?", "picture 1", "stop?", "end"}));
    EXPECT_EQ(tree(f.folder()), QStringList({"9x13-fill-2/kep00001.JPG"})) << "copies made stay";

    Fixture g;
    g.host.cancel = true; // answered No every time
    ASSERT_EQ(g.run(), BuildResult::Done);
    EXPECT_EQ(g.host.events.count("stop?"), 2);
}

TEST(OrderBuilder, RebuildReplacesItsFilesAndLeavesOthers)
{
    Fixture f;
    ASSERT_EQ(f.run(), BuildResult::Done);
    f.dir.write("Rendelesek/Pelmar-20040315-000123/sajat.txt", "mine");
    f.dir.write("Rendelesek/Pelmar-20040315-000123/megrendeles.txt", "stale");
    f.dir.write("pics/IMG_0001.JPG", "changed");
    // What a build killed in the middle leaves: its temporary files go
    // before anything is copied; look-alikes that are not ours stay.
    f.dir.write("Rendelesek/Pelmar-20040315-000123/.pelmar-3k2j9x.part", "killed");
    f.dir.write("Rendelesek/Pelmar-20040315-000123/9x13-fill-2/.pelmar-zz01.part", "killed");
    f.dir.write("Rendelesek/Pelmar-20040315-000123/.pelmar-notes.txt", "mine");
    f.dir.write("Rendelesek/Pelmar-20040315-000123/9x13-fill-2/pelmar-1.part", "mine");
    QDir().mkpath(f.folder() + "10x15-fit-1/.pelmar-dir.part");
    ASSERT_EQ(f.run(), BuildResult::Done);
    EXPECT_EQ(tree(f.folder()),
              QStringList({".pelmar-notes.txt", "10x15-fit-1/kep00002.jpg", "9x13-fill-2/kep00001.JPG",
                           "9x13-fill-2/pelmar-1.part", "megrendeles.qrp", "megrendeles.txt",
                           "megrendeles_osszegezve.qrp", "sajat.txt"}));
    EXPECT_TRUE(QFileInfo(f.folder() + "10x15-fit-1/.pelmar-dir.part").isDir());
    EXPECT_EQ(readAll(f.folder() + "sajat.txt"), "mine");
    EXPECT_EQ(readAll(f.folder() + "megrendeles.txt"), exampleOrderText(true));
    EXPECT_EQ(readAll(f.folder() + "9x13-fill-2/kep00001.JPG"), "changed");
    // The order text, the mark of a finished build, comes after both
    // printouts; the earlier build's went before the first copy.
    EXPECT_EQ(f.printouts.textBeforeSave, QList<bool>({false, false, false, false}));
}

TEST(OrderBuilder, FolderWithOddCharactersOrWithoutSeparator)
{
    Fixture f;
    f.input.outputFolder = f.dir.file("Rend;elesek/x");
    ASSERT_EQ(f.run(), BuildResult::Done);
    EXPECT_EQ(f.input.outputFolder, f.dir.file("Rend;elesek/x/"));
    EXPECT_EQ(f.host.events.first(), "folder " + f.dir.file("Rend;elesek/x/"));
    EXPECT_EQ(readAll(f.dir.file("Rend;elesek/x/9x13-fill-2/kep00001.JPG")), QByteArray(70000, 'a'));

    Fixture g;
    const QString base = g.dir.file("Rendelések és más/");
    g.input.outputFolder = OrderFolderPath(base, QDate(2004, 3, 15), "000123");
    ASSERT_EQ(g.run(), BuildResult::Done);
    EXPECT_EQ(tree(base + "Pelmar-20040315-000123"),
              QStringList({"10x15-fit-1/kep00002.jpg", "9x13-fill-2/kep00001.JPG", "megrendeles.qrp", "megrendeles.txt",
                           "megrendeles_osszegezve.qrp"}));
    EXPECT_TRUE(OrderBuilder::finalMessage(g.input.outputFolder).contains("Rendelések és más/Pelmar-20040315-000123/"));
}

TEST(OrderBuilder, SizeThatCannotBeAFolderStopsBeforeTheFirstCopy)
{
    Fixture f;
    f.input.lines[1].SubItems[SubSize] = "10/15";
    f.input.targets[1] = "10/15-fit-1/kep00002.jpg";
    const QString error = appErrorOf([&] { f.run(); });
    EXPECT_TRUE(error.contains("2. tétel")) << error.toStdString();
    EXPECT_TRUE(error.contains("nyaralas.jpg"));
    EXPECT_FALSE(QFileInfo::exists(f.folder()));
    EXPECT_FALSE(f.host.events.contains("start 2"));

    Fixture g;
    g.input.targets[0] = "../escape/kep00001.JPG";
    EXPECT_THROW(g.run(), AppError);
    EXPECT_FALSE(QFileInfo::exists(g.dir.file("Rendelesek/escape")));

    // A final dot or blank is inside the folder's name, never at its end.
    Fixture h;
    h.input.lines[0].SubItems[SubSize] = "A4.";
    h.input.targets[0] = "A4.-fill-2/kep00001.JPG";
    h.input.lines[1].SubItems[SubSize] = "10x15 ";
    h.input.targets[1] = "10x15 -fit-1/kep00002.jpg";
    ASSERT_EQ(h.run(), BuildResult::Done);
    EXPECT_EQ(readAll(h.folder() + "A4.-fill-2/kep00001.JPG"), QByteArray(70000, 'a'));
    EXPECT_TRUE(QFileInfo(h.folder() + "10x15 -fit-1/kep00002.jpg").isFile());
}

TEST(OrderBuilder, FilesThatCannotBeWrittenEndTheBuildWithTheFileError)
{
    {
        Fixture f;
        f.dir.write("Rendelesek", "a file where the base folder should be");
        EXPECT_THROW(f.run(), AppError) << "no picture could be copied";
        EXPECT_EQ(f.host.events.count(), 1 + 1 + 2 + 2 + 1) << f.host.events.join("|").toStdString();
        EXPECT_EQ(f.host.events.last(), "end") << "progress hidden";
        EXPECT_TRUE(f.printouts.calls.isEmpty());
    }
    {
        Fixture f;
        QDir().mkpath(f.folder() + "megrendeles.txt");
        const QString error = appErrorOf([&] { f.run(); });
        EXPECT_TRUE(error.startsWith("Cannot create file \"" + f.folder() + "megrendeles.txt\"."))
            << error.toStdString();
        EXPECT_EQ(f.printouts.calls.size(), 2) << "the printouts go first, no preview after the failure";
    }
}

TEST(OrderBuilder, ReadOnlyOrderFolder)
{
    Fixture f;
    SmallDisk disk(f.dir.file("ro"), 1024);
    if (!disk.available())
        GTEST_SKIP() << "no permission to mount a small file system";
    QDir().mkpath(disk.path() + "/Pelmar-20040315-000123");
    ASSERT_TRUE(disk.makeReadOnly());
    f.input.outputFolder = disk.path() + "/Pelmar-20040315-000123/";
    EXPECT_THROW(f.run(), AppError);
    EXPECT_EQ(f.host.events.filter("copy error").size(), 2);
    EXPECT_TRUE(tree(f.input.outputFolder).isEmpty());
}

TEST(OrderBuilder, RealPrintoutsAreSavedWithValidFraming)
{
    Fixture f;
    ReportPrintouts real;
    OrderBuilder b(f.host, &real, f.fo);
    b.setPreviewAllowed(false);
    ASSERT_EQ(b.run(f.input), BuildResult::Done);
    for (const char* name : {"megrendeles.qrp", "megrendeles_osszegezve.qrp"}) {
        SCOPED_TRACE(name);
        QrpFile qrp;
        QString error;
        ASSERT_TRUE(parseQrp(readAll(f.folder() + name), qrp, error)) << error.toStdString();
        EXPECT_EQ(qrp.formatVersion, 3);
        EXPECT_EQ(qrp.engineVersion, 309);
        ASSERT_EQ(qrp.pages.size(), 1);
        EXPECT_EQ(qrp.pages[0].number, 1u);
        EXPECT_EQ(qrp.pages[0].selfOffset, 128u);
        EmfReplay page;
        EXPECT_TRUE(replayEmf(qrp.pages[0].emf, page, error)) << error.toStdString();
    }
}

TEST(OrderBuilder, KilledInTheMiddleLeavesNoTruncatedPictureUnderItsName)
{
    TempDir dir;
    const int pictures = 12;
    const qsizetype bytes = 6 * 1024 * 1024;
    OrderModel order;
    for (int i = 0; i < pictures; ++i) {
        const QString path = dir.write(QStringLiteral("pics/p%1.jpg").arg(i), QByteArray(bytes, char('a' + i)));
        addLine(order, path, "9x13", 120, true, 1);
    }
    const OrderPlan plan = planAndName(order);

    int interrupted = 0;
    for (int round = 0; round < 6; ++round) {
        const QString folder = dir.file(QStringLiteral("out%1/").arg(round));
        fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Host host;
            TFileOperation fo;
            fo.setFlags(fofNoConfirmation | fofNoConfirmMkDir | fofSilent);
            BuildInput in;
            in.lines = order.lines();
            in.fields = exampleFields();
            in.outputFolder = folder;
            in.totalText = "1 Ft";
            in.sizes = plan.sizes;
            in.targets = plan.targets;
            OrderBuilder b(host, nullptr, fo);
            b.setSyncAtEnd(false);
            b.run(in);
            ::_exit(0);
        }
        ::usleep(useconds_t(2000 + round * 7000 + QRandomGenerator::global()->bounded(5000)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        int complete = 0;
        for (int i = 0; i < pictures; ++i) {
            const QString target = folder + plan.targets[i];
            if (!QFileInfo::exists(target))
                continue;
            EXPECT_EQ(QFileInfo(target).size(), bytes) << target.toStdString();
            ++complete;
        }
        const QString text = folder + "megrendeles.txt";
        if (QFileInfo::exists(text)) {
            EXPECT_TRUE(readAll(text).endsWith("1 Ft\r\n"));
        }
        if (complete < pictures)
            ++interrupted;
    }
    EXPECT_GT(interrupted, 0) << "no round was killed before its end";
}

TEST(OrderBuilder, FinalMessageNamesTheFolderAndTheLab)
{
    const LabAddress a = splitLabAddress("1134 Budapest, Váci út 45.");
    EXPECT_EQ(a.postalCode, "1134");
    EXPECT_EQ(a.town, "Budapest");
    EXPECT_EQ(a.street, "Váci út 45.");
    const LabAddress b = splitLabAddress("Budapest");
    EXPECT_EQ(b.town, "Budapest");
    EXPECT_TRUE(b.postalCode.isEmpty());

    const QString msg = OrderBuilder::finalMessage("/r/Pelmar-20040315-000123/");
    const LabAddress lab = labAddress();
    EXPECT_EQ(msg,
              "Megrendelése elkészült az alábbi mappába:\n\n/r/Pelmar-20040315-000123/\n\n"
              "Írja ki a mappa tartalmát egy CD lemezre és juttassa el áruházunk címére:\n\nPelmar Kft.\n"
                  + lab.town + "\n" + lab.street + "\n" + lab.postalCode);
    EXPECT_FALSE(lab.town.isEmpty());
    EXPECT_FALSE(lab.street.isEmpty());
    EXPECT_FALSE(lab.postalCode.isEmpty());
}
