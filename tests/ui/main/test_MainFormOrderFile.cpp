// The order kept safe: the journal across a killed process, the restore
// question, saved order files and their build by pelmar-build.
#include "core/UserData.h"
#include "output/OrderNames.h"
#include "platform/OrderJournal.h"
#include "tests/output/OrderJobFixtures.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/widgets/MainFormFixture.h"
#include "ui/order/EnvelopeEdit.h"
#include "ui/order/SaveMegrForm.h"
#include "ui/report/ReportPreview.h"

#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>

using namespace pelmar;
using namespace pelmar::test;

namespace {

// What a line is, as the journal and an order file keep it.
QString describe(const OrderLine& l)
{
    return QStringLiteral("%1 %2 %3 %4").arg(l.path(), l.size(), l.fill(), l.quantityText());
}

QStringList describeAll(const OrderModel& order)
{
    QStringList out;
    for (const OrderLine& l : order.lines())
        out.append(describe(l));
    return out;
}

constexpr int kChildPictures = 1000;

// The child's add run: 1,000 pictures (one JPEG, hard-linked under 1,000
// names), rows 0..99 changed to 10x15, fit, 3 pieces, row 500 deleted.
QStringList childPictures(const QString& dir)
{
    const QString first = writeJpeg(dir + QStringLiteral("/pics/p0000.jpg"), 600, 400, 52000);
    QStringList files {first};
    for (int i = 1; i < kChildPictures; ++i) {
        const QString name = dir + QStringLiteral("/pics/p%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        if (::link(QFile::encodeName(first).constData(), QFile::encodeName(name).constData()) != 0)
            return {};
        files.append(name);
    }
    return files;
}

QStringList childExpectation(const QString& dir)
{
    QStringList out;
    for (int i = 0; i < kChildPictures; ++i) {
        if (i == 500)
            continue;
        const QString path = dir + QStringLiteral("/pics/p%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        out.append(i < 100 ? path + QStringLiteral(" 10x15 fit 3") : path + QStringLiteral(" 9x13 fill 1"));
    }
    return out;
}

} // namespace

// Runs only as the child of KilledProcessIsRestoredLineByLine.
TEST(MainFormJournalChild, AddsChangesAndWaitsToBeKilled)
{
    const QString dir = qEnvironmentVariable("PELMAR_JOURNAL_CHILD");
    if (dir.isEmpty())
        GTEST_SKIP() << "started by KilledProcessIsRestoredLineByLine only";
    ScriptedMessages messages;
    MainForm form(nullptr, dir + QStringLiteral("/config/settings.sqlite"));
    form.setShowWelcome(false);
    const QStringList files = childPictures(dir);
    ASSERT_EQ(files.size(), kChildPictures);
    form.setPictureChooser([files] { return files; });
    form.show();
    QTest::qWait(1);
    AddPic(form)->trigger();
    ASSERT_EQ(form.order().lineCount(), kChildPictures);
    QItemSelectionModel* sel = form.selection();
    sel->clearSelection();
    sel->select(QItemSelection(form.order().index(0, 0), form.order().index(99, 0)),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    CBSize(form)->setCurrentIndex(1);
    RBFit(form)->setChecked(true);
    Darab(form)->setValue(3);
    ModSelBtn(form)->click();
    sel->clearSelection();
    sel->select(form.order().index(500, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    DelPic(form)->trigger();
    ASSERT_EQ(form.order().lineCount(), kChildPictures - 1);
    form.flushJournal();
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::minutes(5));
}

class MainFormJournal : public MainFormTest
{
protected:
    QStringList journalLines()
    {
        QStringList out;
        OrderJournal journal(OrderJournal::pathBeside(settingsPath()));
        for (const JournalLine& l : journal.lines())
            out.append(
                QStringLiteral("%1 %2 %3 %4")
                    .arg(l.path, ParsePriceData(l.entry).Size, l.fill ? QStringLiteral("fill") : QStringLiteral("fit"))
                    .arg(l.quantity));
        return out;
    }
    // The end of a process that never closed its window.
    void crash()
    {
        form->flushJournal();
        form.reset();
    }
    // A crash now leaves nothing to restore: the next start asks nothing
    // and has no line.
    void expectNothingToRestore()
    {
        crash();
        messages.clear();
        openForm();
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QStringLiteral(" | ")).toStdString();
        EXPECT_EQ(lines(), 0);
    }
};

TEST_F(MainFormJournal, KilledProcessIsRestoredLineByLine)
{
    storePrices({kPrice9x13, kPrice10x15, kPrice13x18});
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PELMAR_JOURNAL_CHILD"), dir.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=MainFormJournalChild.AddsChangesAndWaitsToBeKilled")});
    QByteArray out;
    while (!out.contains("ready\n") && child.waitForReadyRead(180000))
        out += child.readAllStandardOutput();
    ASSERT_TRUE(out.contains("ready\n")) << out.toStdString() << child.readAllStandardError().toStdString();
    child.kill(); // SIGKILL: no handler, no close, nothing flushed by the program
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    openForm();
    QTRY_COMPARE_WITH_TIMEOUT(lines(), kChildPictures - 1, 60000);
    EXPECT_EQ(messages.texts(),
              QStringList({QStringLiteral("A program legutóbb nem zárult le rendben. Visszaállítja a félbemaradt "
                                          "megrendelést (999 kép)?")}));
    EXPECT_EQ(describeAll(form->order()), childExpectation(dir.path()));
    EXPECT_EQ(SumPrice(*form)->text(), QStringLiteral("%1 Ft").arg(100 * 3 * 120 + 899 * 85));
}

TEST_F(MainFormJournal, NormalCloseFinishedBuildAndNoLeaveNothingToRestore)
{
    openWithPrices();
    const QString a = jpeg(QStringLiteral("a.jpg"), 600, 400);
    const QString b = jpeg(QStringLiteral("b.jpg"), 600, 400);
    add({a, b});
    form->flushJournal();
    EXPECT_EQ(journalLines().size(), 2);
    // A build empties the order; so does the journal.
    form->clearOrder();
    form->flushJournal();
    EXPECT_TRUE(journalLines().isEmpty());

    // The exit question answered Igen.
    add({a, b});
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(journalLines().isEmpty());
    form.reset();
    messages.clear();
    openForm();
    EXPECT_TRUE(messages.texts().isEmpty());

    // A crash, then Nem: not now, but kept when the second question is
    // answered Igen, and offered again; only Nem twice drops it.
    add({a});
    crash();
    messages.queueAnswer(MessageAnswer::No);
    openForm();
    EXPECT_EQ(messages.texts().size(), 2);
    EXPECT_EQ(lines(), 0);
    crash();
    messages.clear();
    messages.queueAnswer(MessageAnswer::No);
    messages.queueAnswer(MessageAnswer::No);
    openForm();
    EXPECT_EQ(messages.texts().size(), 2);
    EXPECT_EQ(lines(), 0);
    expectNothingToRestore();
}

TEST_F(MainFormJournal, PicturesOutOfReachAreKeptWithOneMessageAndOfferedAgain)
{
    openWithPrices();
    const QString card = dir.file(QStringLiteral("kártya"));
    const QString gone = jpeg(QStringLiteral("kártya/DCIM/gone.jpg"), 600, 400);
    const QString gone2 = jpeg(QStringLiteral("kártya/DCIM/gone2.jpg"), 600, 400);
    const QString shrunk = jpeg(QStringLiteral("shrunk.jpg"), 600, 400);
    const QString kept = jpeg(QStringLiteral("kept.jpg"), 600, 400);
    add({gone, shrunk, gone2, kept});
    crash();
    // The card is not in; a picture changed; today's list lost 9x13, so the
    // lines keep their size and price.
    ASSERT_TRUE(QDir().rename(card, card + QStringLiteral("-kint")));
    ASSERT_TRUE(QFile::resize(shrunk, 1000));
    storePrices({QStringLiteral("9x12|90|300x450|100x150")});
    openForm();
    ASSERT_EQ(lines(), 1);
    EXPECT_EQ(describe(line(0)), kept + QStringLiteral(" 9x13 fill 1"));
    EXPECT_EQ(line(0).Data, 85);
    QStringList texts = messages.texts();
    ASSERT_EQ(texts.size(), 3) << texts.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(texts[0].contains(QStringLiteral("(4 kép)")));
    EXPECT_EQ(texts[1], SizeRuleMessage(QStringLiteral("shrunk.jpg")));
    EXPECT_TRUE(texts[2].startsWith(QStringLiteral("2 kép most nem érhető el"))) << texts[2].toStdString();
    EXPECT_TRUE(texts[2].contains(QStringLiteral("\n\n%1/DCIM (2 kép)\n\n").arg(card))) << texts[2].toStdString();
    form->flushJournal();
    EXPECT_EQ(journalLines(), QStringList({kept + QStringLiteral(" 9x13 fill 1")}));

    // The card is back: the next start, after a normal close, offers them.
    ASSERT_TRUE(QDir().rename(card + QStringLiteral("-kint"), card));
    EXPECT_TRUE(form->close());
    form.reset();
    messages.clear();
    openForm();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_EQ(messages.texts()[0],
              QStringLiteral("Egy korábbi megrendelésből 2 kép vár visszaállításra. "
                             "Hozzáadja most őket a megrendeléshez?"));
    EXPECT_EQ(describeAll(form->order()),
              QStringList({gone + QStringLiteral(" 9x13 fill 1"), gone2 + QStringLiteral(" 9x13 fill 1")}));

    const QString saved = dir.file(QStringLiteral("mentett.json"));
    form->setOrderFileChooser([saved](bool) { return saved; });
    miSaveOrder(*form)->trigger();

    // Out of reach again, and dropped; so are those of a saved order, after
    // the same one message: nothing is left to restore.
    crash();
    ASSERT_TRUE(QDir(card).removeRecursively());
    messages.clear();
    for (MessageAnswer answer : {MessageAnswer::Yes, MessageAnswer::No, MessageAnswer::No})
        messages.queueAnswer(answer);
    openForm();
    form->setOrderFileChooser([saved](bool) { return saved; });
    miOpenOrder(*form)->trigger();
    EXPECT_EQ(lines(), 0);
    ASSERT_EQ(messages.texts().size(), 3) << messages.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(messages.texts()[2], messages.texts()[1]);
    expectNothingToRestore();
}

TEST_F(MainFormJournal, FullDiskSaysWhyAndANormalCloseLeavesNothingToRestore)
{
    // The settings and the journal on a small disk of their own.
    SmallDisk disk(dir.file(QStringLiteral("config")), 400);
    if (!disk.available())
        GTEST_SKIP() << "cannot mount a file system here";
    openForm();
    add({jpeg(QStringLiteral("a.jpg"), 600, 400)});
    form->flushJournal();
    QFile filler(disk.path() + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(4096, 'x')) == 4096) { }
    form->setOrderFileChooser([&](bool) { return disk.path() + QStringLiteral("/megrendeles.json"); });
    miSaveOrder(*form)->trigger();
    EXPECT_TRUE(form->close());
    ASSERT_EQ(messages.texts().size(), 2) << messages.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(messages.texts()[0].endsWith(QStringLiteral("No space left on device")));
    form.reset();
    ASSERT_TRUE(filler.remove());
    messages.clear();
    openForm();
    EXPECT_EQ(messages.texts(), QStringList()) << "a normal close leaves nothing to restore";
}

TEST_F(MainFormJournal, DamagedJournalIsSetAsideWithOneMessage)
{
    storePrices({kPrice9x13});
    const QString journalPath = OrderJournal::pathBeside(settingsPath());
    QFile garbage(journalPath);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();
    openForm();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::Information);
    EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("A félbemaradt megrendelés naplója sérült volt")));
    EXPECT_EQ(
        QDir(dir.file(QStringLiteral("config"))).entryList({QStringLiteral("order-journal.sqlite.damaged-*")}).size(),
        1);
    add({jpeg(QStringLiteral("a.jpg"), 600, 400)});
    form->flushJournal();
    EXPECT_EQ(journalLines().size(), 1);
}

TEST_F(MainFormJournal, FailedJournalWriteIsSaidOnceUntilItWorksAgain)
{
    openWithPrices();
    const QString a = jpeg(QStringLiteral("a.jpg"), 600, 400);
    const QString b = jpeg(QStringLiteral("b.jpg"), 600, 400);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(OrderJournal::pathBeside(settingsPath())).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    add({a});
    form->flushJournal();
    add({b});
    form->flushJournal();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("A megrendelés biztonsági mentése nem sikerült")));
    select({0});
    Darab(*form)->setValue(7);
    ModSelBtn(*form)->click();
    form->flushJournal();
    EXPECT_EQ(journalLines().size(), 2);
    EXPECT_EQ(messages.texts().size(), 1);
}

TEST_F(MainFormJournal, SavedOrderReopensIdenticalAndBuildsLikeTheDialog)
{
    // The partner is program-wide: given back however the test ends.
    struct PartnerBack
    {
        TUserData saved = PartnerData();
        ~PartnerBack() { PartnerData() = saved; }
    } partnerBack;
    // The reopening program's folder outlives its window, which writes its
    // settings when it goes.
    TempDir other;
    // Each window loads the partner from its settings; these have none.
    const auto setPartner = [] {
        PartnerData() = TUserData {123,
                                   QStringLiteral("Minta Fotó Bt."),
                                   QStringLiteral("9999"),
                                   QStringLiteral("Kisváros"),
                                   QStringLiteral("Fő utca 1."),
                                   QString()};
    };
    openWithPrices();
    setPartner();
    const QString a = jpeg(QStringLiteral("képek/a [1].jpg"), 600, 400);
    const QString b = jpeg(QStringLiteral("képek/b.JPG"), 600, 400);
    add({a, b});
    CBSize(*form)->setCurrentIndex(2);
    RBFit(*form)->setChecked(true);
    Darab(*form)->setValue(4);
    add({a});
    ASSERT_EQ(lines(), 3);
    const QString saved = dir.file(QStringLiteral("mentett megrendelés.json"));
    form->setOrderFileChooser([saved](bool save) { return save ? saved : QString(); });
    miSaveOrder(*form)->trigger();
    ASSERT_TRUE(QFileInfo(saved).isFile());
    const QStringList before = describeAll(form->order());
    EXPECT_TRUE(messages.texts().isEmpty());
    {
        QFile f(saved);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        EXPECT_FALSE(text.contains("TasakNo")) << "the envelope number is given at build time";
        EXPECT_FALSE(text.contains("BaseFolder"));
    }

    // Reopened by a program whose list lost 13x18: the line keeps its size
    // and the file's price.
    form->close();
    form.reset();
    messages.clear();
    form = std::make_unique<MainForm>(nullptr, other.file(QStringLiteral("settings.sqlite")));
    form->setShowWelcome(false);
    form->priceList() = {kPrice9x13, kPrice10x15};
    form->rebuildSizeBox();
    form->show();
    QTest::qWait(1);
    setPartner();
    form->setOrderFileChooser([saved](bool save) { return save ? QString() : saved; });
    miOpenOrder(*form)->trigger();
    EXPECT_EQ(describeAll(form->order()), before);
    EXPECT_EQ(line(2).Data, 250);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QStringLiteral(" | ")).toStdString();

    // The reopened order through the dialog...
    messages.queueAnswer(MessageAnswer::No); // no disc now
    reports::PreviewInterceptor previews;
    QTimer::singleShot(0, form.get(), [&] {
        auto dialog = qobject_cast<TSaveMegrForm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->BaseFolder = dir.file(QStringLiteral("Dialog/"));
        dialog->TasakNo->setText(QStringLiteral("000777"));
        dialog->MegrBtn->click();
        if (dialog->isVisible())
            dialog->reject(); // refused: the messages say why
    });
    OutputMegr(*form)->trigger();
    EXPECT_TRUE(form->order().isEmpty()) << messages.texts().join(QStringLiteral(" | ")).toStdString();
    const QString dialogFolder
        = OrderFolderPath(dir.file(QStringLiteral("Dialog/")), OrderToday(), QStringLiteral("000777"));
    const QMap<QString, QByteArray> built = snapshot(dialogFolder);
    ASSERT_EQ(built.size(), 6) << "three pictures, the text and two printouts";

    // ...and the saved file through pelmar-build with the envelope number
    // and base folder given as options.
    const ToolRun tool = runTool({QStringLiteral("--tasak"), QStringLiteral("000777"), QStringLiteral("--folder"),
                                  dir.file(QStringLiteral("Tool")), saved});
    const QString toolFolder
        = OrderFolderPath(dir.file(QStringLiteral("Tool/")), OrderToday(), QStringLiteral("000777"));
    EXPECT_EQ(tool.code, 0) << tool.err.toStdString();
    EXPECT_EQ(tool.out, toolFolder + QLatin1Char('\n'));
    EXPECT_EQ(snapshot(toolFolder), built);
}

TEST_F(MainFormJournal, UnreadableOrderFilesChangeNothing)
{
    openWithPrices();
    add({jpeg(QStringLiteral("a.jpg"), 600, 400)});
    const QStringList before = describeAll(form->order());
    const QString pic = jpeg(QStringLiteral("b.jpg"), 600, 400);
    const QByteArray good
        = QStringLiteral(
              R"({"prices": ["9x13|85|300x450|100x150"], "pictures": [{"path": "%1", "size": "9x13", "fill": "fit", "quantity": 2}]})")
              .arg(pic)
              .toUtf8();
    QString huge = dir.file(QStringLiteral("huge.json"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(100 * 1024 * 1024)); // sparse: no 100 MB written
    }
    const QString fifo = dir.file(QStringLiteral("fifo.json"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // The reader's own refusals are the output tests'; here one of each kind
    // of failure reaches the window as one message that changes nothing.
    const QList<QPair<QString, QString>> cases {
        {dir.write(QStringLiteral("cut.json"), good.left(good.size() / 2)), QStringLiteral("nem érvényes JSON")},
        {dir.write(QStringLiteral("kind.json"), QByteArray(good).replace("\"quantity\": 2", "\"quantity\": \"2\"")),
         QStringLiteral("darabszáma")},
        {dir.write(QStringLiteral("nopics.json"), R"({"prices": []})"), QStringLiteral("nincs kép")},
        {dir.write(QStringLiteral("size.json"), QByteArray(good).replace("\"size\": \"9x13\"", "\"size\": \"A4\"")),
         QStringLiteral("Ismeretlen méret: \"A4\"")},
        {huge, QStringLiteral("túl nagy")},
        {fifo, QStringLiteral("nem közönséges fájl")},
        {dir.path(), QStringLiteral("nem közönséges fájl")},
        {dir.file(QStringLiteral("missing.json")), QStringLiteral("nem található")},
    };
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path.toStdString());
        messages.clear();
        form->setOrderFileChooser([p = path](bool) { return p; });
        miOpenOrder(*form)->trigger();
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_EQ(messages.shown()[0].kind, MessageKind::Error);
        EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("A megrendelés nem nyitható meg:")));
        EXPECT_TRUE(messages.texts()[0].contains(reason)) << messages.texts()[0].toStdString();
        EXPECT_EQ(describeAll(form->order()), before);
    }
    // The good one does go in, with its own fill and quantity.
    messages.clear();
    form->setOrderFileChooser([p = dir.write(QStringLiteral("good.json"), good)](bool) { return p; });
    miOpenOrder(*form)->trigger();
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(describeAll(form->order()), before + QStringList {pic + QStringLiteral(" 9x13 fit 2")});

    // Saving into a folder that cannot exist is said, not pretended; so is
    // an order the file could not give back (a line break in a file name).
    form->setOrderFileChooser([p = dir.file(QStringLiteral("huge.json/x.json"))](bool) { return p; });
    miSaveOrder(*form)->trigger();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("A megrendelés mentése nem sikerült")));
    messages.clear();
    add({jpeg(QStringLiteral("két\nsor.jpg"), 600, 400)});
    ASSERT_TRUE(messages.texts().isEmpty());
    const QString unsaved = dir.file(QStringLiteral("unsaved.json"));
    form->setOrderFileChooser([unsaved](bool) { return unsaved; });
    miSaveOrder(*form)->trigger();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains(QStringLiteral("vezérlőkarakter"))) << messages.texts()[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(unsaved));
}
