#include "platform/OrderJournal.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <atomic>
#include <sqlite3.h>

using namespace pelmar;
using pelmar::test::TempDir;

namespace {

QList<JournalLine> sample()
{
    return {{QStringLiteral("/képek/a?*[b].jpg"), QStringLiteral("9x13|85|300x450|100x150"), true, 1},
            {QStringLiteral("/k\nx\x01.JPG"), QStringLiteral("10x15|120|400x600|200x300"), false, 1000},
            {QStringLiteral("/c.jpg"), QStringLiteral("régi|0||"), true, 0}};
}

// Runs SQL on the journal file from outside, as another program would.
void rawExec(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

QStringList setAsideFiles(const TempDir& dir)
{
    return QDir(dir.path()).entryList({QStringLiteral("journal.sqlite.damaged-*")}, QDir::Files);
}

} // namespace

TEST(OrderJournal, LinesSurviveReopeningAndEachReplaceIsWhole)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("journal.sqlite"));
    EXPECT_EQ(OrderJournal::pathBeside(dir.file(QStringLiteral("settings.sqlite"))),
              dir.file(QStringLiteral("order-journal.sqlite")));
    {
        OrderJournal journal(path);
        ASSERT_TRUE(journal.isAvailable());
        EXPECT_TRUE(journal.lines().isEmpty());
        ASSERT_TRUE(journal.replace(sample()));
        // A shorter order leaves nothing of the longer one behind.
        ASSERT_TRUE(journal.replace(sample().mid(1)));
    }
    // As an earlier version left it: no table of lines kept for later.
    rawExec(path, "DROP TABLE waiting_line");
    OrderJournal reopened(path);
    EXPECT_TRUE(reopened.setAsidePath().isEmpty());
    EXPECT_EQ(reopened.lines(), sample().mid(1));
    ASSERT_TRUE(reopened.replace(sample().mid(1), sample().mid(0, 1)));
    EXPECT_EQ(OrderJournal(path).waiting(), sample().mid(0, 1));

    // Another program holds the write lock: the replace fails, says so, and
    // the stored order stays whole.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(reopened.replace(sample()));
    EXPECT_FALSE(reopened.errorText().isEmpty());
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(reopened.lines(), sample().mid(1));
    EXPECT_TRUE(reopened.clear());
    EXPECT_TRUE(OrderJournal(path).lines().isEmpty());
}

TEST(OrderJournal, DamagedOrForeignFilesAreSetAsideAndAFreshJournalStarts)
{
    struct Case
    {
        const char* name;
        std::function<void(const QString&)> spoil;
    };
    const QList<Case> cases {
        {"garbage",
         [](const QString& p) {
             QFile f(p);
             f.open(QIODevice::WriteOnly);
             f.write(QByteArray(5000, '\xee'));
         }},
        {"truncated",
         [](const QString& p) {
             OrderJournal(p).replace(sample());
             QFile::resize(p, 1500);
         }},
        {"foreign database", [](const QString& p) { rawExec(p, "CREATE TABLE t(x); INSERT INTO t VALUES (1)"); }},
        {"wrong kind in a line",
         [](const QString& p) {
             OrderJournal(p).replace(sample());
             rawExec(p, "UPDATE order_line SET quantity = 'sok' WHERE pos = 1");
         }},
        {"quantity out of range",
         [](const QString& p) {
             OrderJournal(p).replace(sample());
             rawExec(p, "UPDATE order_line SET quantity = 1001 WHERE pos = 0");
         }},
        {"missing column",
         [](const QString& p) {
             OrderJournal(p).replace(sample());
             rawExec(p, "ALTER TABLE order_line DROP COLUMN fill");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const QString path = dir.file(QStringLiteral("journal.sqlite"));
        c.spoil(path);
        QFile original(path);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        original.close();

        OrderJournal journal(path);
        ASSERT_TRUE(journal.isAvailable());
        EXPECT_TRUE(journal.lines().isEmpty());
        ASSERT_FALSE(journal.setAsidePath().isEmpty());
        ASSERT_EQ(setAsideFiles(dir).size(), 1);
        QFile kept(journal.setAsidePath());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bytes) << "the damaged file is kept as it was";
        EXPECT_TRUE(journal.replace(sample()));
        EXPECT_EQ(OrderJournal(path).lines(), sample());
    }
}

TEST(OrderJournal, UnusableFolderLeavesItUnavailableWithoutTouchingAnything)
{
    TempDir dir;
    const QString blocker = dir.write(QStringLiteral("plain"), "not a folder");
    OrderJournal journal(blocker + QStringLiteral("/journal.sqlite"));
    EXPECT_FALSE(journal.isAvailable());
    EXPECT_TRUE(journal.lines().isEmpty());
    EXPECT_FALSE(journal.replace(sample()));
    EXPECT_FALSE(journal.errorText().isEmpty());
    EXPECT_TRUE(journal.setAsidePath().isEmpty());
    // An empty file is a new database, not a damaged one.
    const QString empty = dir.write(QStringLiteral("journal.sqlite"), QByteArray());
    OrderJournal fresh(empty);
    EXPECT_TRUE(fresh.isAvailable());
    EXPECT_TRUE(fresh.setAsidePath().isEmpty());
}

TEST(OrderJournal, WriterEndsWithTheLastPostedOrderOnDisk)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("journal.sqlite"));
    OrderJournal journal(path);
    std::atomic<int> written = 0;
    {
        JournalWriter writer(journal, [&](bool ok, const QString&) { written += ok ? 1 : 0; });
        writer.post([] { return sample(); });
        writer.wait();
        EXPECT_EQ(OrderJournal(path).lines(), sample());
        // Posted right before the program ends: not lost.
        writer.post([] { return sample().mid(2); });
    }
    EXPECT_EQ(OrderJournal(path).lines(), sample().mid(2));
    EXPECT_EQ(written, 2);
}
