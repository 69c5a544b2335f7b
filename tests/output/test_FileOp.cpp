#include "output/FileOp.h"
#include "tests/output/OrderFixtures.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

// Names in a folder, hidden ones included (a temporary file left behind
// would show up here).
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Answers the questions from a queue (Yes when it is empty) and cancels the
// run at a chosen file; records every call.
struct ScriptedPrompt : FileOpPrompt
{
    QList<bool> answers;
    int cancelAt = -1;
    QStringList questions;
    QStringList steps;
    int started = 0;
    int ended = 0;

    bool confirm(const QString& question) override
    {
        questions.append(question);
        return answers.isEmpty() || answers.takeFirst();
    }
    void progressStarted(const QString& title, int count) override
    {
        ++started;
        steps.append(QStringLiteral("%1/%2").arg(title).arg(count));
    }
    bool progressStep(int index, const QString& name) override
    {
        steps.append(QStringLiteral("%1:%2").arg(index).arg(name));
        return index != cancelAt;
    }
    void progressEnded() override { ++ended; }
};

void configureForBuild(TFileOperation& fo)
{
    fo.setOperation(foCopy);
    fo.setFlags(fofNoConfirmation | fofNoConfirmMkDir | fofSilent);
}

} // namespace

TEST(FileOp, SplitsNamesAtEverySemicolon)
{
    EXPECT_EQ(SplitFileNames("a;b;;c;"), QStringList({"a", "b", "c"}));
    EXPECT_EQ(SplitFileNames(""), QStringList());
    TFileOperation fo;
    fo.setFilesFrom("/x/a;b.jpg");
    EXPECT_EQ(fo.sourceNames(), QStringList({"/x/a", "b.jpg"}));
    EXPECT_EQ(fo.FilesFrom(), "/x/a;b.jpg");
    EXPECT_FALSE(fo.Active());
}

TEST(FileOp, CopyCreatesFoldersAndReplacesWithoutAQuestion)
{
    TempDir dir;
    const QString source = dir.write("src/IMG_0001.JPG", QByteArray(300000, 'x'));
    const QString target = dir.file("order/9x13-fill-2/kep00001.JPG");
    TFileOperation fo;
    configureForBuild(fo);
    ScriptedPrompt prompt; // any question or progress would be recorded here
    fo.setPrompt(&prompt);
    fo.setFilesFrom(source);
    fo.setFilesTo(target);
    ASSERT_TRUE(fo.Execute()) << fo.LastError().toStdString();
    EXPECT_FALSE(fo.Aborted());
    EXPECT_EQ(readAll(target), QByteArray(300000, 'x'));

    // A second copy of other contents replaces the first.
    dir.write("src/IMG_0001.JPG", "shorter");
    ASSERT_TRUE(fo.Execute());
    EXPECT_EQ(readAll(target), "shorter");
    EXPECT_TRUE(prompt.questions.isEmpty());
    EXPECT_TRUE(prompt.steps.isEmpty());
    EXPECT_EQ(entries(dir.file("order/9x13-fill-2")), QStringList({"kep00001.JPG"}));

    // Setting Active runs the operation; the property itself never stays on.
    dir.write("src/IMG_0001.JPG", "third");
    fo.setActive(true);
    EXPECT_FALSE(fo.Active());
    EXPECT_EQ(readAll(target), "third");
}

TEST(FileOp, SemicolonInAPathIsTwoNamesInTheTextFormButOneInTheListForm)
{
    TempDir dir;
    const QString source = dir.write("a;b.jpg", "picture");
    TFileOperation fo;
    configureForBuild(fo);
    fo.setFilesFrom(source);
    fo.setFilesTo(dir.file("out/x.jpg"));
    EXPECT_FALSE(fo.Execute()) << "the text form splits the path into two names";
    EXPECT_FALSE(QFileInfo::exists(dir.file("out/x.jpg")));

    fo.setSourceNames({source});
    fo.setTargetNames({dir.file("out;1/x;y.jpg")});
    ASSERT_TRUE(fo.Execute()) << fo.LastError().toStdString();
    EXPECT_EQ(readAll(dir.file("out;1/x;y.jpg")), "picture");
}

TEST(FileOp, SeveralSourcesGoIntoOneFolderOrOneTargetEach)
{
    TempDir dir;
    const QString a = dir.write("a.txt", "A");
    const QString b = dir.write("b.txt", "B");
    TFileOperation fo;
    configureForBuild(fo);
    fo.setFilesFrom(a + ";" + b);
    fo.setFilesTo(dir.file("into"));
    ASSERT_TRUE(fo.Execute());
    EXPECT_EQ(entries(dir.file("into")), QStringList({"a.txt", "b.txt"}));

    fo.setFlags(fo.Flags() | fofMultiDestFiles);
    fo.setFilesTo(dir.file("m/1.txt") + ";" + dir.file("m/2.txt"));
    ASSERT_TRUE(fo.Execute());
    EXPECT_EQ(readAll(dir.file("m/2.txt")), "B");

    fo.setFilesTo(dir.file("m/only.txt"));
    EXPECT_FALSE(fo.Execute()) << "one destination per source";
    EXPECT_FALSE(QFileInfo::exists(dir.file("m/only.txt")));
}

TEST(FileOp, FailedCopiesLeaveNoFileUnderTheTargetName)
{
    TempDir dir;
    dir.write("out/keep.txt", "other");
    TFileOperation fo;
    configureForBuild(fo);

    // A source that vanished.
    fo.setFilesFrom(dir.file("gone.jpg"));
    fo.setFilesTo(dir.file("out/kep00001.jpg"));
    EXPECT_FALSE(fo.Execute());
    EXPECT_FALSE(fo.LastError().isEmpty());

    // A source that is a folder.
    QDir().mkpath(dir.file("folder.jpg"));
    fo.setFilesFrom(dir.file("folder.jpg"));
    EXPECT_FALSE(fo.Execute());

    // A target that is an existing folder is not replaced.
    const QString source = dir.write("p.jpg", "picture");
    QDir().mkpath(dir.file("out/kep00002.jpg"));
    fo.setFilesFrom(source);
    fo.setFilesTo(dir.file("out/kep00002.jpg"));
    EXPECT_FALSE(fo.Execute());
    EXPECT_TRUE(QFileInfo(dir.file("out/kep00002.jpg")).isDir());

    EXPECT_EQ(entries(dir.file("out")), QStringList({"keep.txt", "kep00002.jpg"}));

    // An unreadable source, and a read-only target folder (only meaningful
    // where permissions bind).
    if (::geteuid() != 0) {
        const QString locked = dir.write("locked.jpg", "secret");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        fo.setFilesFrom(locked);
        fo.setFilesTo(dir.file("out/kep00003.jpg"));
        EXPECT_FALSE(fo.Execute());
        EXPECT_FALSE(QFileInfo::exists(dir.file("out/kep00003.jpg")));

        QDir().mkpath(dir.file("ro"));
        QFile::setPermissions(dir.file("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        fo.setFilesFrom(source);
        fo.setFilesTo(dir.file("ro/sub/x.jpg"));
        EXPECT_FALSE(fo.Execute());
        QFile::setPermissions(dir.file("ro"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

TEST(FileOp, FullDiskLeavesNeitherTheTargetNorATemporaryFile)
{
    TempDir dir;
    SmallDisk disk(dir.file("disk"), 256);
    if (!disk.available())
        GTEST_SKIP() << "no permission to mount a small file system";
    const QString source = dir.write("big.jpg", QByteArray(1024 * 1024, 'p'));
    dir.write("disk/order/old.jpg", "old contents");
    TFileOperation fo;
    configureForBuild(fo);
    fo.setFilesFrom(source);
    fo.setFilesTo(disk.path() + "/order/old.jpg");
    EXPECT_FALSE(fo.Execute());
    EXPECT_FALSE(fo.LastError().isEmpty());
    EXPECT_EQ(readAll(disk.path() + "/order/old.jpg"), "old contents") << "the old file stays whole";
    EXPECT_EQ(entries(disk.path() + "/order"), QStringList({"old.jpg"}));

    EXPECT_FALSE(WriteFileAtomic(disk.path() + "/order/megrendeles.txt", QByteArray(1024 * 1024, 't')));
    EXPECT_EQ(entries(disk.path() + "/order"), QStringList({"old.jpg"}));
}

TEST(FileOp, QuestionsWithoutTheNoConfirmFlags)
{
    TempDir dir;
    const QString source = dir.write("p.jpg", "new");
    dir.write("out/p.jpg", "old");
    TFileOperation fo;
    fo.setFlags(fofSilent);
    fo.setFilesFrom(source);
    fo.setFilesTo(dir.file("out/p.jpg"));
    {
        // Without a prompt nothing is replaced or created.
        EXPECT_TRUE(fo.Execute());
        EXPECT_TRUE(fo.Aborted());
        EXPECT_EQ(readAll(dir.file("out/p.jpg")), "old");
        fo.setFilesTo(dir.file("new/folder/p.jpg"));
        EXPECT_FALSE(fo.Execute());
        EXPECT_FALSE(QFileInfo::exists(dir.file("new")));
    }
    ScriptedPrompt prompt;
    fo.setPrompt(&prompt);
    {
        prompt.answers = {false};
        fo.setFilesTo(dir.file("out/p.jpg"));
        EXPECT_TRUE(fo.Execute());
        EXPECT_TRUE(fo.Aborted()) << "the refused replacement is an abort";
        EXPECT_EQ(readAll(dir.file("out/p.jpg")), "old");
        EXPECT_EQ(prompt.questions,
                  QStringList {QStringLiteral("A(z) \"%1\" fájl már létezik.\nLecseréli?").arg(dir.file("out/p.jpg"))});
    }
    {
        prompt.answers = {false};
        fo.setFilesTo(dir.file("new/folder/p.jpg"));
        EXPECT_FALSE(fo.Execute());
        EXPECT_TRUE(fo.Aborted());
        EXPECT_FALSE(QFileInfo::exists(dir.file("new")));
    }
    {
        prompt.answers.clear(); // Yes
        fo.setFilesTo(dir.file("out/p.jpg"));
        EXPECT_TRUE(fo.Execute());
        EXPECT_FALSE(fo.Aborted());
        EXPECT_EQ(readAll(dir.file("out/p.jpg")), "new");
    }
    EXPECT_EQ(prompt.started, 0) << "fofSilent shows no progress";
}

TEST(FileOp, ProgressNamesEachFileAndCancelStopsTheRun)
{
    TempDir dir;
    const QString a = dir.write("a.jpg", "A");
    const QString b = dir.write("b.jpg", "B");
    const QString c = dir.write("c.jpg", "C");
    TFileOperation fo;
    fo.setFlags(fofNoConfirmation | fofNoConfirmMkDir);
    fo.setProgressTitle("Másolás");
    fo.setSourceNames({a, b, c});
    fo.setTargetNames({dir.file("out")});
    ScriptedPrompt prompt;
    prompt.cancelAt = 1;
    fo.setPrompt(&prompt);
    EXPECT_FALSE(fo.Execute());
    EXPECT_TRUE(fo.Aborted());
    EXPECT_EQ(prompt.steps, QStringList({"Másolás/3", "0:a.jpg", "1:b.jpg"}));
    EXPECT_EQ(prompt.ended, 1) << "the progress ends however the run leaves";
    EXPECT_EQ(entries(dir.file("out")), QStringList({"a.jpg"}));

    prompt = ScriptedPrompt();
    fo.setFlags(fo.Flags() | fofSimpleProgress);
    EXPECT_TRUE(fo.Execute());
    EXPECT_EQ(prompt.steps, QStringList({"Másolás/3", "0:", "1:", "2:"}));
    EXPECT_EQ(prompt.ended, 1);
    EXPECT_EQ(entries(dir.file("out")), QStringList({"a.jpg", "b.jpg", "c.jpg"}));
}

TEST(FileOp, RenameOnCollisionKeepsBoth)
{
    TempDir dir;
    const QString source = dir.write("p.jpg", "new");
    dir.write("out/p.jpg", "old");
    TFileOperation fo;
    fo.setFlags(fofSilent | fofRenameOnCollision);
    fo.setFilesFrom(source);
    fo.setFilesTo(dir.file("out/p.jpg"));
    ASSERT_TRUE(fo.Execute());
    EXPECT_EQ(readAll(dir.file("out/p.jpg")), "old");
    EXPECT_EQ(readAll(dir.file("out/p (2).jpg")), "new");
}

TEST(FileOp, MoveRenameDeleteAndWildcards)
{
    TempDir dir;
    dir.write("w/a.jpg", "a");
    dir.write("w/b.jpg", "b");
    dir.write("w/c.txt", "c");
    QDir().mkpath(dir.file("w/d.jpg"));
    TFileOperation fo;
    fo.setFlags(fofSilent | fofNoConfirmation | fofNoConfirmMkDir | fofFilesOnly);
    fo.setOperation(foCopy);
    fo.setFilesFrom(dir.file("w/*.jpg"));
    fo.setFilesTo(dir.file("copies"));
    ASSERT_TRUE(fo.Execute()) << fo.LastError().toStdString();
    EXPECT_EQ(entries(dir.file("copies")), QStringList({"a.jpg", "b.jpg"}));

    fo.setOperation(foMove);
    fo.setFilesFrom(dir.file("copies/a.jpg"));
    fo.setFilesTo(dir.file("moved/a2.jpg"));
    ASSERT_TRUE(fo.Execute());
    EXPECT_FALSE(QFileInfo::exists(dir.file("copies/a.jpg")));
    EXPECT_EQ(readAll(dir.file("moved/a2.jpg")), "a");

    fo.setOperation(foRename);
    fo.setFilesFrom(dir.file("moved"));
    fo.setFilesTo(dir.file("renamed"));
    ASSERT_TRUE(fo.Execute());
    EXPECT_TRUE(QFileInfo(dir.file("renamed")).isDir());

    fo.setOperation(foDelete);
    fo.setFilesFrom(dir.file("renamed") + ";" + dir.file("copies/b.jpg"));
    ASSERT_TRUE(fo.Execute());
    EXPECT_FALSE(QFileInfo::exists(dir.file("renamed")));
    EXPECT_FALSE(QFileInfo::exists(dir.file("copies/b.jpg")));

    fo.setFilesFrom(dir.file("nothing-here"));
    EXPECT_FALSE(fo.Execute());
    fo.setFilesFrom(dir.file("w/*.none"));
    EXPECT_FALSE(fo.Execute());
    fo.setFilesFrom(QString());
    EXPECT_FALSE(fo.Execute());
}

TEST(FileOp, CopiesKeepEveryByteOfLargeAndEmptyFilesAndTheirTime)
{
    TempDir dir;
    QByteArray big(5 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char((i * 131) ^ (i >> 9));
    const QString source = dir.write("big.tif", big);
    const QString empty = dir.write("empty.jpg", QByteArray());
    // The lab sorts by modification time, to the nanosecond a file system
    // keeps.
    const struct timespec taken[2] = {{1000000000, 0}, {1000000000, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(source).constData(), taken, 0), 0);
    QString error;
    ASSERT_TRUE(CopyFileAtomic(source, dir.file("big-copy.tif"), &error)) << error.toStdString();
    EXPECT_EQ(readAll(dir.file("big-copy.tif")), big);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(dir.file("big-copy.tif")).constData(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
    ASSERT_TRUE(CopyFileAtomic(empty, dir.file("empty-copy.jpg")));
    EXPECT_EQ(QFileInfo(dir.file("empty-copy.jpg")).size(), 0);
    // The copy gets the permissions of a new file, not the temporary file's
    // owner-only ones.
    const QString fresh = dir.write("fresh.txt", "f");
    EXPECT_EQ(QFileInfo(dir.file("big-copy.tif")).permissions(), QFileInfo(fresh).permissions());
}
