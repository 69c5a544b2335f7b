// The send of an order folder to a real OpenSSH server on 127.0.0.1, and
// the faults a line and a lab's server can have.

#include "delivery/OrderSend.h"
#include "delivery/SftpSession.h"
#include "tests/delivery/test_DiscSupport.h"
#include "tests/support/LocalSshServer.h"
#include "tests/support/TempDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <thread>

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
        return s.value_or(OrderSnapshot{});
    }

    QString lab(const QString& name = {}) const { return server->labFolder() + (name.isEmpty() ? QString() : QLatin1Char('/') + name); }

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
    EXPECT_EQ(namesIn(lab()), (QStringList{QStringLiteral(".incoming"), s.name(), s.name() + QStringLiteral(".sha256")}));
    EXPECT_TRUE(namesIn(lab(QStringLiteral(".incoming"))).isEmpty());

    // sha256sum itself agrees, run where the lab would run it.
    QProcess check;
    check.setWorkingDirectory(lab());
    check.start(QStringLiteral("sha256sum"), {QStringLiteral("--strict"), QStringLiteral("-c"), s.name() + QStringLiteral(".sha256")});
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

} // namespace
