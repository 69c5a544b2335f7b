// The help file reader: the built help file holds every topic byte for byte,
// its links resolve, and the contents parser survives what a damaged file may
// hold.

#include "platform/HelpFile.h"

#include "tests/support/HelpSources.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

TEST(HelpFile, TheBuildCompilesEveryTopicAndItsLinksIntoTheHelpFile)
{
    const QStringList required
        = {QStringLiteral("index.html"),    QStringLiteral("whatsnew.html"),     QStringLiteral("firstrun.html"),
           QStringLiteral("userdata.html"), QStringLiteral("updateprices.html"), QStringLiteral("savemegr.html"),
           QStringLiteral("preview.html"),  QStringLiteral("disc.html")};
    ChmFile chm(builtHelpFile());
    ASSERT_TRUE(chm.isOpen()) << builtHelpFile().toStdString();
    const QStringList sources = helpSourceTopics();
    for (const QString& topic : required)
        EXPECT_TRUE(sources.contains(topic)) << topic.toStdString();
    // A topic missing from the contents can only be reached by a link.
    const auto hhc = chm.read(QStringLiteral("/toc.hhc"));
    ASSERT_TRUE(hhc.has_value());
    QStringList listed;
    for (const HelpContentsEntry& e : parseHelpContents(*hhc))
        listed.append(e.local);
    for (const QString& topic : sources) {
        SCOPED_TRACE(topic.toStdString());
        const auto stored = chm.read(QLatin1Char('/') + topic);
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(*stored, readHelpSource(topic));
        EXPECT_TRUE(listed.contains(topic));
    }
    // Every link between topics leads to a topic of the file.
    static const QRegularExpression href(QStringLiteral("href=\"([^\"#:]+)"));
    int links = 0;
    for (const QString& topic : sources) {
        auto it = href.globalMatch(QString::fromUtf8(readHelpSource(topic)));
        while (it.hasNext()) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(chm.contains(QLatin1Char('/') + target))
                << topic.toStdString() << " -> " << target.toStdString();
            ++links;
        }
    }
    EXPECT_GT(links, 10);
}

TEST(HelpFile, TheTopicsDescribeWhatTheProgramDoesNow)
{
    QString all;
    for (const QString& topic : helpSourceTopics())
        all += QString::fromUtf8(readHelpSource(topic));
    // The disc is written by the program itself; no topic sends the partner
    // to another program for it.
    EXPECT_FALSE(all.contains(QStringLiteral("CD-író programjával")));
    EXPECT_TRUE(all.contains(QStringLiteral("Vágás mutatása")));
    const QString news = QString::fromUtf8(readHelpSource(QStringLiteral("whatsnew.html")));
    for (const char* topic : {"preview.html", "disc.html", "addpictures.html"})
        EXPECT_TRUE(news.contains(QLatin1String(topic))) << topic;
    EXPECT_TRUE(news.contains(QStringLiteral("behúz")));
}

TEST(HelpContents, ParsesNestedEntriesAndSurvivesBadInput)
{
    const QByteArray hhc = "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"A &amp; B\">"
                           "<param name=\"Local\" value=\"a.html\"></OBJECT><UL><LI><object type=\"text/sitemap\">"
                           "<param name=\"Name\" value=\"\xc3\x81rlista\"><param name=\"Local\" value=\"b.html\">"
                           "</object></UL></UL>";
    const auto entries = parseHelpContents(hhc);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].name, QStringLiteral("A & B"));
    EXPECT_EQ(entries[0].local, QStringLiteral("a.html"));
    EXPECT_EQ(entries[0].depth, 0);
    EXPECT_EQ(entries[1].name, QStringLiteral("Árlista"));
    EXPECT_EQ(entries[1].depth, 1);

    // Code page 1250 contents (as older help compilers write them).
    const auto cp1250 = parseHelpContents("<object type=\"text/sitemap\"><param name=\"Name\" value=\"\xc1rlista\">"
                                          "</object>");
    ASSERT_EQ(cp1250.size(), 1);
    EXPECT_EQ(cp1250[0].name, QStringLiteral("Árlista"));

    EXPECT_TRUE(parseHelpContents({}).isEmpty());
    EXPECT_TRUE(parseHelpContents(QByteArray(100000, '<')).isEmpty());
    EXPECT_TRUE(parseHelpContents("</UL></UL></UL><OBJECT type=\"text/sitemap\"><param name=\"Name\"").isEmpty());
    EXPECT_TRUE(parseHelpContents(hhc.left(hhc.size() / 3)).isEmpty());
}
