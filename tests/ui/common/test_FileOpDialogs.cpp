// The file operation's questions and progress as the window layer shows them.

#include "output/FileOp.h"
#include "tests/support/TempDir.h"
#include "ui/common/FileOpDialogs.h"
#include "ui/common/MessageBox.h"

#include <QFile>
#include <QProgressDialog>
#include <QWidget>

#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// Only "Igen" replaces: "Nem" and closing the box both keep the old file.
TEST(FileOpDialogs, OnlyYesInTheQuestionBoxReplaces)
{
    TempDir dir;
    const QString source = dir.write("p.jpg", "new");
    const QString target = dir.write("out/p.jpg", "old");
    QWidget window;
    TFileOperation fo;
    fo.setFlags(fofSilent);
    fo.setPrompt(new FileOpDialogs(&window));
    fo.setFilesFrom(source);
    fo.setFilesTo(target);
    for (MessageAnswer refusal : {MessageAnswer::No, MessageAnswer::Closed}) {
        ScriptedMessages script;
        script.queueAnswer(refusal);
        EXPECT_TRUE(fo.Execute());
        EXPECT_TRUE(fo.Aborted());
        EXPECT_EQ(contents(target), "old");
        ASSERT_EQ(script.shown().size(), 1);
        EXPECT_EQ(script.shown()[0].kind, MessageKind::Confirmation);
        EXPECT_EQ(script.shown()[0].text, QStringLiteral("A(z) \"%1\" fájl már létezik.\nLecseréli?").arg(target));
    }
    ScriptedMessages script;
    script.queueAnswer(MessageAnswer::Yes);
    EXPECT_TRUE(fo.Execute());
    EXPECT_EQ(contents(target), "new");
}

// The progress window follows the run and is gone when it ends, also when a
// copy fails half way.
TEST(FileOpDialogs, ProgressWindowLastsAsLongAsTheRun)
{
    TempDir dir;
    QWidget window;
    auto* dialogs = new FileOpDialogs(&window);
    TFileOperation fo;
    fo.setFlags(fofNoConfirmation | fofNoConfirmMkDir);
    fo.setProgressTitle(QStringLiteral("Másolás"));
    fo.setPrompt(dialogs);
    fo.setSourceNames({dir.write("a.jpg", "A"), dir.file("missing.jpg"), dir.write("c.jpg", "C")});
    fo.setTargetNames({dir.file("out")});
    EXPECT_FALSE(fo.Execute());
    EXPECT_EQ(dialogs->progressWindow(), nullptr);
    EXPECT_TRUE(QFile::exists(dir.file("out/a.jpg")));
    EXPECT_FALSE(QFile::exists(dir.file("out/c.jpg")));
}
