// The send of an order folder to a real OpenSSH server on 127.0.0.1, and
// the faults a line and a lab's server can have.

#include "delivery/OrderSend.h"
#include "delivery/SendQueue.h"
#include "delivery/SftpSession.h"
#include "tests/delivery/test_DiscSupport.h"
#include "tests/support/LocalSshServer.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

// Every file under a folder with its bytes' hash, by relative path.
QMap<QString, QByteArray> contentsOf(const QString& folder)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir root(folder);
    while (it.hasNext()) {
        it.next();
        const QString rel = root.relativeFilePath(it.filePath());
        if (it.fileInfo().isDir()) {
            out.insert(rel + QLatin1Char('/'), {});
            continue;
        }
        QFile f(it.filePath());
        f.open(QIODevice::ReadOnly);
        out.insert(rel, QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex());
    }
    return out;
}

// The names directly in a folder.
QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

class SftpSend : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server = std::make_unique<LocalSshServer>(dir.file(QStringLiteral("server")));
        if (!server->available())
            GTEST_SKIP() << "no local OpenSSH server: " << server->skipReason().toStdString();
        QString problem;
        auto parsed = parseSftpUrl(server->url(), &problem);
        ASSERT_TRUE(parsed) << problem.toStdString();
        connection = *parsed;
        connection.keyFile = server->clientKey();
        connection.hostKey = server->hostKeyFingerprint();
        order = dir.file(QStringLiteral("local/Minta_20261209_1"));
        disc::makeOrderFolder(order);
    }

    OrderSnapshot snapshot()
    {
        QString problem;
        auto s = takeOrderSnapshot(order, &problem);
        EXPECT_TRUE(s) << problem.toStdString();
        return s.value_or(OrderSnapshot {});
    }

    QString lab(const QString& name = {}) const
    {
        return server->labFolder() + (name.isEmpty() ? QString() : QLatin1Char('/') + name);
    }

    TempDir dir;
    std::unique_ptr<LocalSshServer> server;
    LabConnection connection;
    QString order;
};

TEST_F(SftpSend, deliversTheOrderByteForByteWithItsChecksumsAndRefusesToOverwriteIt)
{
    SftpSession session(connection);
    SendControl control;
    qint64 last = -1;
    control.progress = [&](const SendCounters& c) {
        EXPECT_GE(c.bytesSent, last);
        last = c.bytesSent;
    };
    const OrderSnapshot s = snapshot();
    const SendOutcome out = sendOrder(session, s, control);
    ASSERT_TRUE(out.delivered) << out.error.message.toStdString();
    EXPECT_FALSE(out.wasThereAlready);
    EXPECT_EQ(last, s.totalBytes());
    EXPECT_EQ(contentsOf(lab(s.name())), contentsOf(order));
    EXPECT_EQ(namesIn(lab()),
              (QStringList {QStringLiteral(".incoming"), s.name(), s.name() + QStringLiteral(".sha256")}));
    EXPECT_TRUE(namesIn(lab(QStringLiteral(".incoming"))).isEmpty());

    // sha256sum itself agrees, run where the lab would run it.
    QProcess check;
    check.setWorkingDirectory(lab());
    check.start(QStringLiteral("sha256sum"),
                {QStringLiteral("--strict"), QStringLiteral("-c"), s.name() + QStringLiteral(".sha256")});
    ASSERT_TRUE(check.waitForFinished(10000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();

    // The same order again is taken as delivered (the rename's answer of an
    // earlier try lost); a different order of that name is refused.
    SendOutcome again = sendOrder(session, s, control);
    EXPECT_TRUE(again.delivered && again.wasThereAlready);
    disc::put(order + QStringLiteral("/9x13-fill-2/kep00003.jpg"), disc::noise(5000, 9));
    const SendOutcome other = sendOrder(session, snapshot(), control);
    EXPECT_FALSE(other.delivered);
    EXPECT_EQ(other.error.problem, SftpProblem::AlreadyThere) << other.error.message.toStdString();
    EXPECT_NE(contentsOf(lab(s.name())), contentsOf(order));
}

// A picture large enough to stop the server in the middle of it.
void addBigPicture(const QString& order, int megabytes)
{
    const QByteArray block = disc::noise(1024 * 1024, 7);
    QByteArray bytes;
    for (int i = 0; i < megabytes; ++i)
        bytes += block + char(i);
    disc::put(order + QStringLiteral("/9x13-fill-2/kep00007.JPG"), bytes);
}

TEST_F(SftpSend, resumesWhereTheKilledServerStoppedWithoutSendingAWholePictureTwice)
{
    addBigPicture(order, 12);
    const OrderSnapshot s = snapshot();
    SftpSession session(connection);
    SendControl control;
    bool killed = false;
    qint64 atKill = 0;
    control.progress = [&](const SendCounters& c) {
        if (!killed && c.currentFile.endsWith(QLatin1String("kep00007.JPG")) && c.bytesSent > 5 * 1024 * 1024) {
            killed = true;
            atKill = c.bytesSent;
            server->kill();
        }
    };
    const SendOutcome first = sendOrder(session, s, control);
    ASSERT_TRUE(killed);
    EXPECT_FALSE(first.delivered);
    EXPECT_TRUE(isTransient(first.error.problem)) << first.error.message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(lab(s.name())));

    ASSERT_TRUE(server->start());
    qint64 firstReport = -1;
    control.progress = [&](const SendCounters& c) {
        if (firstReport < 0)
            firstReport = c.bytesSent;
    };
    const SendOutcome second = sendOrder(session, s, control);
    ASSERT_TRUE(second.delivered) << second.error.message.toStdString();
    // The second try starts from what the lab had, not from nothing.
    EXPECT_GT(firstReport, 3 * 1024 * 1024);
    // (What the server wrote may run ahead of what it had acknowledged.)
    EXPECT_GE(firstReport, atKill - 3 * 1024 * 1024);
    EXPECT_LT(firstReport, s.totalBytes());
    EXPECT_EQ(contentsOf(lab(s.name())), contentsOf(order));
}

TEST_F(SftpSend, noticesAStoppedServerWithinTheStallTimeAndDeliversOnceItGoesOn)
{
    addBigPicture(order, 12);
    const OrderSnapshot s = snapshot();
    SftpSession session(connection);
    session.setStallSeconds(2);
    SendControl control;
    QElapsedTimer sinceStop;
    control.progress = [&](const SendCounters& c) {
        if (!sinceStop.isValid() && c.bytesSent > 4 * 1024 * 1024) {
            server->pause();
            sinceStop.start();
        }
    };
    const SendOutcome stalled = sendOrder(session, s, control);
    ASSERT_TRUE(sinceStop.isValid());
    EXPECT_EQ(stalled.error.problem, SftpProblem::Stalled) << stalled.error.message.toStdString();
    EXPECT_LT(sinceStop.elapsed(), 2000 + 2500);
    server->resume();
    control.progress = nullptr;
    const SendOutcome after = sendOrder(session, s, control);
    ASSERT_TRUE(after.delivered) << after.error.message.toStdString();
    EXPECT_EQ(contentsOf(lab(s.name())), contentsOf(order));
}

TEST_F(SftpSend, aFullDiskAtTheLabRenamesNothingAndTheOrderArrivesOnceThereIsRoom)
{
    SmallDisk disk(lab(), 6 * 1024);
    if (!disk.available())
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    const OrderSnapshot s = snapshot(); // about 3.2 MB
    disc::put(lab(QStringLiteral("filler")), QByteArray(4 * 1024 * 1024, 'x'));
    SftpSession session(connection);
    SendControl control;
    const SendOutcome full = sendOrder(session, s, control);
    EXPECT_FALSE(full.delivered);
    EXPECT_EQ(full.error.problem, SftpProblem::DiskFull) << full.error.message.toStdString();
    EXPECT_TRUE(isTransient(full.error.problem));
    EXPECT_EQ(namesIn(lab()), (QStringList {QStringLiteral(".incoming"), QStringLiteral("filler")}));

    QFile::remove(lab(QStringLiteral("filler")));
    const SendOutcome roomy = sendOrder(session, s, control);
    ASSERT_TRUE(roomy.delivered) << roomy.error.message.toStdString();
    EXPECT_EQ(contentsOf(lab(s.name())), contentsOf(order));
}

TEST_F(SftpSend, anOrderChangedAfterQueueingIsRefusedAndNothingOfItIsRenamed)
{
    const OrderSnapshot s = snapshot();
    SftpSession session(connection);
    SendControl control;
    // Deleted while the send is on: the check before the rename finds it.
    bool deleted = false;
    control.progress = [&](const SendCounters& c) {
        if (!deleted && c.currentFile == QLatin1String("megrendeles.qrp")) {
            deleted = QFile::remove(order + QStringLiteral("/9x13-fill-2/kep00003.jpg"));
        }
    };
    const SendOutcome out = sendOrder(session, s, control);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(out.error.problem, SftpProblem::OrderChanged);
    EXPECT_TRUE(out.error.message.contains(QLatin1String("kep00003.jpg"))) << out.error.message.toStdString();
    EXPECT_EQ(namesIn(lab()), QStringList {QStringLiteral(".incoming")});
    // And before anything is sent, a grown file.
    disc::put(order + QStringLiteral("/9x13-fill-2/kep00003.jpg"), disc::noise(10, 2));
    EXPECT_EQ(sendOrder(session, s, control).error.problem, SftpProblem::OrderChanged);
}

// What the connection test says for each thing that can be wrong, and that
// none of them leaves anything at the lab.
TEST_F(SftpSend, theConnectionTestNamesWhatFailedAndASendSendsNothingThen)
{
    struct Case
    {
        const char* what;
        std::function<void(LabConnection&)> change;
        SftpProblem expected;
    };
    const QString wrongKey = QStringLiteral("SHA256:") + QString(43, QLatin1Char('A'));
    const Case cases[] = {
        {"right", [](LabConnection&) {}, SftpProblem::None},
        {"pinned key of the other kind", [&](LabConnection& c) { c.hostKey = server->ecdsaFingerprint(); },
         SftpProblem::None},
        {"changed host key", [&](LabConnection& c) { c.hostKey = *normalizeHostKeyFingerprint(wrongKey); },
         SftpProblem::HostKeyChanged},
        {"no pinned key", [](LabConnection& c) { c.hostKey.clear(); }, SftpProblem::HostKeyUnknown},
        {"key the lab does not know", [&](LabConnection& c) { c.keyFile = server->strangerKey(); },
         SftpProblem::PermissionDenied},
        {"key file missing", [&](LabConnection& c) { c.keyFile = dir.file(QStringLiteral("nope")); },
         SftpProblem::KeyFile},
        {"nothing listening", [](LabConnection& c) { c.port = LocalSshServer::freePort(); }, SftpProblem::Refused},
        {"folder missing", [](LabConnection& c) { c.remoteFolder += QStringLiteral("/nincs"); },
         SftpProblem::RemoteFolderMissing},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        LabConnection c = connection;
        k.change(c);
        const ConnectionTestResult test = ConnectionTester::run(c);
        EXPECT_EQ(test.ok, k.expected == SftpProblem::None) << test.message.toStdString();
        EXPECT_EQ(test.problem, k.expected) << test.message.toStdString();
        EXPECT_FALSE(test.message.isEmpty());
        if (k.expected == SftpProblem::HostKeyUnknown || k.expected == SftpProblem::HostKeyChanged) {
            EXPECT_EQ(test.seenHostKey, server->hostKeyFingerprint());
        }
        if (k.expected == SftpProblem::None) {
            EXPECT_EQ(test.seenHostKey, c.hostKey);
            continue;
        }
        SftpSession session(c);
        SendControl control;
        const SendOutcome out = sendOrder(session, snapshot(), control);
        EXPECT_EQ(out.error.problem, k.expected) << out.error.message.toStdString();
        EXPECT_EQ(namesIn(lab()), QStringList {QStringLiteral(".incoming")});
    }
    // A folder the account may not write to.
    QDir().mkpath(lab(QStringLiteral("ro")));
    QFile::setPermissions(lab(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
    if (::geteuid() != 0) {
        LabConnection c = connection;
        c.remoteFolder = lab(QStringLiteral("ro"));
        EXPECT_EQ(ConnectionTester::run(c).problem, SftpProblem::RemoteNotWritable);
    }
}

} // namespace
