#include "platform/Shell.h"
#include "ui/help/Help.h"

#include "tests/support/TempDir.h"

#include "tests/support/HelpSources.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

QString headingOf(const QByteArray& html)
{
    static const QRegularExpression h1(QStringLiteral("<h1>(.*?)</h1>"),
                                       QRegularExpression::DotMatchesEverythingOption);
    return h1.match(QString::fromUtf8(html)).captured(1);
}

// Closes the help window whatever a test did with it.
struct HelpWindowGuard
{
    ~HelpWindowGuard()
    {
        Help::closeWindow();
        Help::setHelpFile({});
    }
};

} // namespace

TEST(HelpWindow, HelpFileFoundBesideTheProgramElseInTheInstalledShareFolder)
{
    pelmar::test::TempDir dir;
    const QString bin = dir.file(QStringLiteral("usr/bin"));
    QDir().mkpath(bin);
    // Neither: the path beside the program, which the window names.
    EXPECT_EQ(Help::locateHelpFile(bin), bin + QStringLiteral("/pelmarorder.chm"));
    const QString installed = dir.write(QStringLiteral("usr/share/pelmarorder/pelmarorder.chm"), "x");
    EXPECT_EQ(Help::locateHelpFile(bin), installed);
    const QString beside = dir.write(QStringLiteral("usr/bin/pelmarorder.chm"), "x");
    EXPECT_EQ(Help::locateHelpFile(bin), beside);
}

TEST(HelpWindow, ShowsEachTopicWithItsHeading)
{
    HelpWindowGuard guard;
    Help::setHelpFile(builtHelpFile());
    for (const QString& topic : helpSourceTopics()) {
        SCOPED_TRACE(topic.toStdString());
        Help::ShowHelpTopic(topic);
        HelpWindow* w = Help::window();
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->parentWidget(), nullptr);
        EXPECT_EQ(w->state(), HelpWindow::State::Topic);
        EXPECT_EQ(w->currentTopic(), topic);
        const QString heading = headingOf(readHelpSource(topic));
        ASSERT_FALSE(heading.isEmpty());
        EXPECT_TRUE(w->browser()->toPlainText().contains(heading)) << w->browser()->toPlainText().toStdString();
    }
}

TEST(HelpWindow, ContentsListTheTopicsAndOpenTheFirstPage)
{
    HelpWindowGuard guard;
    Help::setHelpFile(builtHelpFile());
    Help::ShowHelpContents();
    HelpWindow* w = Help::window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->currentTopic(), QStringLiteral("index.html"));
    QStringList locals;
    const auto items = w->contentsTree()->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive);
    for (QTreeWidgetItem* item : items)
        locals.append(item->data(0, Qt::UserRole).toString());
    for (const QString& topic : helpSourceTopics())
        EXPECT_TRUE(locals.contains(topic)) << topic.toStdString();

    // Choosing an entry of the tree opens its page.
    for (QTreeWidgetItem* item : items) {
        if (item->data(0, Qt::UserRole).toString() == QStringLiteral("savemegr.html"))
            emit w->contentsTree()->itemClicked(item, 0);
    }
    EXPECT_EQ(w->currentTopic(), QStringLiteral("savemegr.html"));
}

TEST(HelpWindow, LinksMoveBetweenTopicsAndWebLinksGoToTheBrowser)
{
    HelpWindowGuard guard;
    QStringList opened;
    Shell::setOpenHandler([&](const QString& t) { opened.append(t); });
    Help::setHelpFile(builtHelpFile());
    Help::ShowHelpTopic(QStringLiteral("index.html"));
    HelpWindow* w = Help::window();
    ASSERT_NE(w, nullptr);

    emit w->browser()->anchorClicked(QUrl(QStringLiteral("firstrun.html")));
    EXPECT_EQ(w->currentTopic(), QStringLiteral("firstrun.html"));
    EXPECT_TRUE(w->browser()->toPlainText().contains(QStringLiteral("Az első indítás")));
    emit w->browser()->anchorClicked(QUrl(QStringLiteral("userdata.html#x")));
    EXPECT_EQ(w->currentTopic(), QStringLiteral("userdata.html"));

    emit w->browser()->anchorClicked(QUrl(QStringLiteral("http://www.pelmar.hu/")));
    EXPECT_EQ(opened, QStringList {QStringLiteral("http://www.pelmar.hu/")});
    EXPECT_EQ(w->currentTopic(), QStringLiteral("userdata.html"));
    Shell::setOpenHandler({});
}

TEST(HelpWindow, UnknownTopicIsExplainedInTheWindow)
{
    HelpWindowGuard guard;
    Help::setHelpFile(builtHelpFile());
    Help::ShowHelpTopic(QStringLiteral("nincsilyen.html"));
    ASSERT_NE(Help::window(), nullptr);
    EXPECT_EQ(Help::window()->state(), HelpWindow::State::MissingTopic);
    EXPECT_TRUE(Help::window()->browser()->toPlainText().contains(QStringLiteral("nincsilyen.html")));
    Help::ShowHelpTopic(QStringLiteral("../../etc/passwd"));
    EXPECT_EQ(Help::window()->state(), HelpWindow::State::MissingTopic);
}

TEST(HelpWindow, MissingOrBrokenHelpFileIsExplainedWithoutACrash)
{
    HelpWindowGuard guard;
    test::TempDir dir;
    QFile original(builtHelpFile());
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray chm = original.readAll();

    struct Case
    {
        const char* name;
        QString path;
        bool readable; // some damage only shows when a page is read
    };
    const QList<Case> cases = {
        {"missing", dir.file(QStringLiteral("nincs.chm")), false},
        {"folder", dir.path(), false},
        {"empty", dir.write(QStringLiteral("empty.chm"), {}), false},
        {"garbage", dir.write(QStringLiteral("garbage.chm"), QByteArray(5000, '\x5a')), false},
        {"header only", dir.write(QStringLiteral("head.chm"), chm.left(0x60)), false},
        {"truncated half", dir.write(QStringLiteral("half.chm"), chm.left(chm.size() / 2)), true},
        {"truncated end", dir.write(QStringLiteral("end.chm"), chm.left(chm.size() - 100)), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Help::closeWindow();
        Help::setHelpFile(c.path);
        Help::ShowHelpTopic(QStringLiteral("userdata.html"));
        HelpWindow* w = Help::window();
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isVisible());
        if (!c.readable) {
            EXPECT_NE(w->state(), HelpWindow::State::Topic);
            EXPECT_TRUE(w->browser()->toPlainText().contains(QStringLiteral("súgófájl")));
        }
        Help::ShowHelpContents();
        for (const QString& topic : helpSourceTopics())
            Help::ShowHelpTopic(topic);
    }

    // Once the file is there again, the same window shows the topic.
    Help::setHelpFile(builtHelpFile());
    Help::ShowHelpTopic(QStringLiteral("userdata.html"));
    EXPECT_EQ(Help::window()->state(), HelpWindow::State::Topic);
}

TEST(HelpWindow, TestsCanObserveRequestsWithoutAWindow)
{
    HelpWindowGuard guard;
    QStringList requests;
    Help::setRequestObserver([&](const QString& topic) { requests.append(topic); });
    Help::ShowHelpTopic(QStringLiteral("firstrun.html"));
    Help::ShowHelpContents();
    Help::setRequestObserver({});
    EXPECT_EQ(requests, QStringList({QStringLiteral("firstrun.html"), QString()}));
    EXPECT_EQ(Help::window(), nullptr);
}
