// The queue of sends against a real OpenSSH server: what it keeps across a
// restart, what the partner can do to a send, and its retries.

#include "delivery/SendQueue.h"
#include "tests/delivery/test_DiscSupport.h"
#include "tests/support/LocalSshServer.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

class Queue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server = std::make_unique<LocalSshServer>(dir.file(QStringLiteral("server")));
        if (!server->available())
            GTEST_SKIP() << "no local OpenSSH server: " << server->skipReason().toStdString();
        connection = *parseSftpUrl(server->url());
        connection.keyFile = server->clientKey();
        connection.hostKey = server->hostKeyFingerprint();
        policy.firstPauseSeconds = 1;
        policy.stallSeconds = 5;
    }

    QString makeOrder(const QString& name, int extraMegabytes = 0)
    {
        const QString folder = dir.file(QStringLiteral("local/") + name);
        disc::makeOrderFolder(folder);
        if (extraMegabytes > 0)
            disc::put(folder + QStringLiteral("/9x13-fill-2/kep00009.JPG"),
                      QByteArray(extraMegabytes * 1024 * 1024, 'k'));
        return folder;
    }

    std::unique_ptr<SendQueue> makeQueue()
    {
        auto q = std::make_unique<SendQueue>(dbPath());
        q->setConnection(connection);
        q->setPolicy(policy);
        return q;
    }

    QString dbPath() const { return dir.file(QStringLiteral("config/send-queue.sqlite")); }

    // The id enqueue() answers (0 when refused; problem gets the reason).
    static qint64 enqueue(SendQueue& q, const QString& folder, QString* problem = nullptr)
    {
        QSignalSpy spy(&q, &SendQueue::enqueued);
        q.enqueue(folder);
        if (!spy.wait(10000))
            return -1;
        if (problem)
            *problem = spy.at(0).at(2).toString();
        return spy.at(0).at(1).toLongLong();
    }

    static bool waitFor(SendQueue& q, qint64 id, const std::function<bool(const SendItem&)>& what, int ms = 20000)
    {
        return QTest::qWaitFor(
            [&] {
                const SendItem* it = q.order(id);
                return it && what(*it);
            },
            ms);
    }
    static bool waitForState(SendQueue& q, qint64 id, SendState state, int ms = 20000)
    {
        return waitFor(
            q, id, [state](const SendItem& it) { return it.state == state; }, ms);
    }

    QStringList labNames(const QString& sub = {}) const
    {
        return QDir(server->labFolder() + sub)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    TempDir dir;
    std::unique_ptr<LocalSshServer> server;
    LabConnection connection;
    SendPolicy policy;
};

TEST_F(Queue, keepsItsOrdersAcrossARestartAndRefusesAFolderThatChangedMeanwhile)
{
    const QString first = makeOrder(QStringLiteral("Elso_1"));
    const QString second = makeOrder(QStringLiteral("Masodik_2"));
    qint64 firstId = 0, secondId = 0;
    {
        auto q = makeQueue();
        firstId = enqueue(*q, first);
        ASSERT_GT(firstId, 0);
        ASSERT_TRUE(waitForState(*q, firstId, SendState::Delivered));
        const SendItem done = *q->order(firstId);
        EXPECT_EQ(done.bytesSent, done.bytesTotal);
        EXPECT_EQ(done.tries, 1);
        EXPECT_TRUE(done.finishedAt.isValid());

        // Refused: an incomplete folder, the same folder twice while queued.
        QString problem;
        QDir().mkpath(dir.file(QStringLiteral("local/ures")));
        EXPECT_EQ(enqueue(*q, dir.file(QStringLiteral("local/ures")), &problem), 0);
        EXPECT_FALSE(problem.isEmpty());
        q->setRunning(false);
        secondId = enqueue(*q, second);
        ASSERT_GT(secondId, 0);
        EXPECT_EQ(enqueue(*q, second, &problem), 0);
        EXPECT_FALSE(problem.isEmpty());
    } // the program ends with the second order still queued
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(dbPath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    QFile::remove(second + QStringLiteral("/9x13-fill-2/kep00003.jpg"));
    auto q = makeQueue();
    QSignalSpy loaded(q.get(), &SendQueue::loaded);
    ASSERT_TRUE(loaded.wait(10000));
    EXPECT_TRUE(loaded.at(0).at(0).toString().isEmpty());
    ASSERT_EQ(q->orders().size(), 2);
    EXPECT_EQ(q->order(firstId)->state, SendState::Delivered);
    ASSERT_TRUE(waitForState(*q, secondId, SendState::Failed));
    EXPECT_EQ(q->order(secondId)->lastProblem, SftpProblem::OrderChanged);
    EXPECT_TRUE(q->order(secondId)->lastError.contains(QLatin1String("kep00003.jpg")));
    EXPECT_EQ(labNames(),
              (QStringList {QStringLiteral(".incoming"), QStringLiteral("Elso_1"), QStringLiteral("Elso_1.sha256")}));

    // Removing from the history is for finished orders, and it lasts.
    QSignalSpy removed(q.get(), &SendQueue::itemRemoved);
    q->remove(firstId);
    ASSERT_TRUE(removed.wait(5000));
    q.reset();
    q = makeQueue();
    QSignalSpy again(q.get(), &SendQueue::loaded);
    ASSERT_TRUE(again.wait(10000));
    ASSERT_EQ(q->orders().size(), 1);
    EXPECT_EQ(q->orders().at(0).id, secondId);
}

TEST_F(Queue, pauseKeepsWhatReachedTheLabAndCancelTakesItAway)
{
    // Slow enough to be caught in the middle: a short stall time is not
    // needed, the size is.
    const QString folder = makeOrder(QStringLiteral("Nagy_3"), 40);
    auto q = makeQueue();
    const qint64 id = enqueue(*q, folder);
    ASSERT_GT(id, 0);
    ASSERT_TRUE(waitFor(*q, id, [](const SendItem& it) { return it.state == SendState::Sending && it.bytesSent > 0; }));
    q->pause(id);
    ASSERT_TRUE(waitForState(*q, id, SendState::Paused));
    const qint64 kept = q->order(id)->bytesSent;
    EXPECT_LT(kept, q->order(id)->bytesTotal);
    EXPECT_EQ(labNames(QStringLiteral("/.incoming")), QStringList {QStringLiteral("Nagy_3.part")});

    q->resume(id);
    ASSERT_TRUE(waitFor(*q, id, [](const SendItem& it) { return it.state == SendState::Sending; }));
    q->cancel(id);
    ASSERT_TRUE(waitForState(*q, id, SendState::Cancelled));
    EXPECT_FALSE(q->order(id)->cleanupPending);
    EXPECT_TRUE(labNames(QStringLiteral("/.incoming")).isEmpty());
    EXPECT_EQ(labNames(), QStringList {QStringLiteral(".incoming")});

    // Sent again, it arrives whole.
    q->retry(id);
    ASSERT_TRUE(waitForState(*q, id, SendState::Delivered, 60000));
    EXPECT_EQ(q->order(id)->tries, 1);
}

TEST_F(Queue, triesAgainOnItsOwnUntilTheServerIsBackAndGivesUpOnAChangedHostKey)
{
    server->kill();
    auto q = makeQueue();
    const qint64 id = enqueue(*q, makeOrder(QStringLiteral("Ujra_4")));
    ASSERT_TRUE(waitFor(*q, id, [](const SendItem& it) { return it.state == SendState::Waiting && it.tries == 1; }));
    EXPECT_EQ(q->order(id)->lastProblem, SftpProblem::Refused);
    EXPECT_FALSE(q->order(id)->lastError.isEmpty());
    const QDateTime next = q->order(id)->nextTryAt;
    EXPECT_TRUE(next.isValid());
    ASSERT_TRUE(waitFor(*q, id, [](const SendItem& it) { return it.state == SendState::Waiting && it.tries == 2; }));
    // The pauses grow.
    EXPECT_GE(q->order(id)->nextTryAt, next.addSecs(1));
    ASSERT_TRUE(server->start());
    ASSERT_TRUE(waitForState(*q, id, SendState::Delivered, 30000));

    LabConnection changed = connection;
    changed.hostKey
        = normalizeHostKeyFingerprint(QStringLiteral("SHA256:B") + QString(42, QLatin1Char('A'))).value_or(QString());
    ASSERT_FALSE(changed.hostKey.isEmpty());
    q->setConnection(changed);
    const qint64 other = enqueue(*q, makeOrder(QStringLiteral("Kulcs_5")));
    ASSERT_TRUE(waitForState(*q, other, SendState::Failed));
    EXPECT_EQ(q->order(other)->lastProblem, SftpProblem::HostKeyChanged);
    EXPECT_EQ(q->order(other)->tries, 1);
    EXPECT_FALSE(labNames().contains(QStringLiteral("Kulcs_5")));
    EXPECT_FALSE(labNames(QStringLiteral("/.incoming")).contains(QStringLiteral("Kulcs_5.part")));

    // No key pinned: the window is asked, and a trusted key lets it go.
    LabConnection unpinned = connection;
    unpinned.hostKey.clear();
    q->setConnection(unpinned);
    QSignalSpy asked(q.get(), &SendQueue::hostKeyUnknown);
    q->retry(other);
    ASSERT_TRUE(asked.wait(10000));
    EXPECT_EQ(asked.at(0).at(1).toString(), server->hostKeyFingerprint());
    ASSERT_TRUE(waitForState(*q, other, SendState::Failed));
    unpinned.hostKey = asked.at(0).at(1).toString();
    q->setConnection(unpinned);
    q->retry(other);
    ASSERT_TRUE(waitForState(*q, other, SendState::Delivered));
}

} // namespace
