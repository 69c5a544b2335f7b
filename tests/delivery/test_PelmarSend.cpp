// pelmar-send, the windowless send, run as a program against a real OpenSSH
// server: its exit statuses and a kill -9 in the middle of a send.

#include "tests/delivery/test_DiscSupport.h"
#include "tests/support/LocalSshServer.h"
#include "tests/support/TempDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

using namespace pelmar::test;

namespace {

QString tool()
{
    return qEnvironmentVariable("PELMAR_BIN_DIR") + QStringLiteral("/pelmar-send");
}

QByteArray hashOfTree(const QString& folder)
{
    QCryptographicHash all(QCryptographicHash::Sha256);
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    for (const QString& f : files) {
        QFile file(f);
        file.open(QIODevice::ReadOnly);
        all.addData(QDir(folder).relativeFilePath(f).toUtf8() + '\0' + file.readAll());
    }
    return all.result().toHex();
}

struct Outcome
{
    int status = -1;
    QString errors;
};

Outcome runSend(const QStringList& args, int timeoutMs = 60000)
{
    QProcess p;
    p.start(tool(), args);
    Outcome r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.errors = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

TEST(PelmarSend, deliversAfterAKillInTheMiddleAndSaysWhyItCannot)
{
    if (!QFileInfo(tool()).isExecutable())
        GTEST_SKIP() << "pelmar-send is not built";
    TempDir dir;
    LocalSshServer server(dir.file(QStringLiteral("server")));
    if (!server.available())
        GTEST_SKIP() << "no local OpenSSH server: " << server.skipReason().toStdString();
    const QString order = dir.file(QStringLiteral("Kuldes_1"));
    disc::makeOrderFolder(order);
    disc::put(order + QStringLiteral("/9x13-fill-2/kep00008.JPG"), QByteArray(30 * 1024 * 1024, 'p'));
    const QStringList args {QStringLiteral("--server"),
                            server.url(),
                            QStringLiteral("--identity"),
                            server.clientKey(),
                            QStringLiteral("--host-key"),
                            server.hostKeyFingerprint(),
                            order};

    // Wrong usage: 2, and nothing happens at the lab.
    EXPECT_EQ(runSend({}).status, 2);
    EXPECT_EQ(runSend({QStringLiteral("--server"), QStringLiteral("ftp://x/y"), order}).status, 2);
    EXPECT_EQ(
        runSend(QStringList(args).replaceInStrings(server.hostKeyFingerprint(), QStringLiteral("SHA256:kurta"))).status,
        2);
    EXPECT_EQ(runSend(args.mid(0, 6)).status, 2); // no order folder
    EXPECT_EQ(runSend(QStringList(args) << QStringLiteral("--tries") << QStringLiteral("0")).status, 2);

    // A changed host key: 1, said on standard error, nothing at the lab.
    QStringList wrongKey = args;
    wrongKey[5] = QStringLiteral("SHA256:") + QString(43, QLatin1Char('A'));
    const Outcome refused = runSend(wrongKey);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.errors.contains(QStringLiteral("megváltozott"))) << refused.errors.toStdString();
    EXPECT_TRUE(QDir(server.labFolder()).isEmpty());

    // Killed when part of the big picture is there.
    QProcess first;
    first.start(tool(), args);
    ASSERT_TRUE(first.waitForStarted());
    const QString part = server.labFolder() + QStringLiteral("/.incoming/Kuldes_1.part/9x13-fill-2/kep00008.JPG");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(part).size() > 2 * 1024 * 1024; }, 30000));
    first.kill(); // SIGKILL
    first.waitForFinished();
    EXPECT_FALSE(QFileInfo::exists(server.labFolder() + QStringLiteral("/Kuldes_1")));
    const qint64 before = QFileInfo(part).size();
    EXPECT_LT(before, 30 * 1024 * 1024);

    const Outcome second = runSend(args);
    EXPECT_EQ(second.status, 0) << second.errors.toStdString();
    EXPECT_EQ(hashOfTree(server.labFolder() + QStringLiteral("/Kuldes_1")), hashOfTree(order));
    EXPECT_TRUE(QFileInfo::exists(server.labFolder() + QStringLiteral("/Kuldes_1.sha256")));
    EXPECT_TRUE(second.errors.contains(QStringLiteral("megérkezett"))) << second.errors.toStdString();

    // Sent again: the lab has it; a second order of that name it refuses.
    EXPECT_EQ(runSend(args).status, 0);
    disc::put(order + QStringLiteral("/9x13-fill-2/kep00003.jpg"), disc::noise(100, 3));
    const Outcome taken = runSend(args);
    EXPECT_EQ(taken.status, 1);
    EXPECT_TRUE(taken.errors.contains(QStringLiteral("már van a laborban"))) << taken.errors.toStdString();
}

} // namespace
