// What the send reads from outside: the server address, a fingerprint, a
// server's folder listing, checksum lines, a key file; and the connection
// settings in the settings store.

#include "delivery/LabConnection.h"
#include "delivery/OrderSend.h"
#include "delivery/SftpSession.h"
#include "delivery/SshKeyPair.h"
#include "platform/SettingsStore.h"
#include "tests/support/TempDir.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

TEST(SendParsing, serverAddress)
{
    auto c = parseSftpUrl(QStringLiteral("sftp://bolt%20egy@labor.example.hu:2222/srv/rendel%C3%A9sek/"));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->user, QStringLiteral("bolt egy"));
    EXPECT_EQ(c->host, QStringLiteral("labor.example.hu"));
    EXPECT_EQ(c->port, 2222);
    EXPECT_EQ(c->remoteFolder, QStringLiteral("/srv/rendelések"));
    EXPECT_EQ(parseSftpUrl(c->url())->remoteFolder, c->remoteFolder);
    EXPECT_EQ(parseSftpUrl(QStringLiteral("sftp://u@h/~/in"))->remoteFolder, QStringLiteral("~/in"));
    EXPECT_EQ(parseSftpUrl(QStringLiteral("sftp://u@h/x"))->port, 22);

    for (const char* bad :
         {"", "garbage", "ftp://u@h/x", "sftp://h/x", "sftp://u@/x", "sftp://u@h", "sftp://u@h/", "sftp://u@h:0/x",
          "sftp://u@h:99999/x", "sftp://u@h:-1/x", "sftp://u@h/a%0Ab", "sftp://u@h/a%00b", "sftp://u@h:22:33/x"}) {
        QString problem;
        EXPECT_FALSE(parseSftpUrl(QString::fromUtf8(bad), &problem)) << bad;
        EXPECT_FALSE(problem.isEmpty()) << bad;
    }
    EXPECT_FALSE(parseSftpUrl(QStringLiteral("sftp://u@h/") + QString(100000, QLatin1Char('a'))));

    // Typed short enough, but six times as long percent-encoded: what the
    // program hands on must read again, or it is refused here.
    const QString folder(400, QChar(0x151));
    const auto accented = parseSftpUrl(QStringLiteral("sftp://u@h/") + folder);
    ASSERT_TRUE(accented);
    EXPECT_EQ(parseSftpUrl(accented->url())->remoteFolder, QLatin1Char('/') + folder);
    QString problem;
    EXPECT_FALSE(parseSftpUrl(QStringLiteral("sftp://u@h/") + QString(1000, QChar(0x151)), &problem));
    EXPECT_FALSE(problem.isEmpty());
}

TEST(SendParsing, fingerprint)
{
    const QString good = hostKeyFingerprint(QByteArray("any key blob"));
    ASSERT_TRUE(good.startsWith(QLatin1String("SHA256:")));
    EXPECT_EQ(good.size(), 7 + 43);
    EXPECT_EQ(normalizeHostKeyFingerprint(good), good);
    EXPECT_EQ(normalizeHostKeyFingerprint(QStringLiteral("  ") + good.mid(7) + QStringLiteral("=\n")), good);
    EXPECT_EQ(normalizeHostKeyFingerprint(QStringLiteral("sha256:") + good.mid(7)), good);
    for (const QString& bad :
         {QString(), QStringLiteral("SHA256:"), good.left(40), good + QLatin1Char('A'),
          QStringLiteral("MD5:") + good.mid(7), good.left(20) + QLatin1Char('!') + good.mid(21),
          good.left(20) + QStringLiteral("é") + good.mid(21), QStringLiteral("SHA256:") + QString(43, QLatin1Char('B')),
          QString(5000, QLatin1Char('A'))})
        EXPECT_FALSE(normalizeHostKeyFingerprint(bad)) << bad.toStdString();
}

TEST(SendParsing, listingOfAServerTakesOddNamesAndSkipsWhatIsNoEntry)
{
    const QByteArray listing = "drwxr-xr-x    3 shop     shop         4096 Dec  9 21:02 .\n"
                               "drwxr-xr-x    3 shop     shop         4096 Dec  9 21:02 ..\n"
                               "-rw-r--r--    1 shop     shop      4000000 Dec  9 20:57 kep 001.JPG\r\n"
                               "-rw-r--r--    1 1001     1001            0 Jan  1  2024  szóköz elöl\n"
                               "drwx------    2 shop     shop         4096 Dec  9 21:02 9x13-fill-2\n"
                               "lrwxrwxrwx    1 shop     shop            4 Dec  9 21:02 link\n"
                               "-rw-r--r--    1 shop     shop   99999999999999999999 Dec  9 20:57 huge\n"
                               "-rw-r--r--    1 shop     shop         -5 Dec  9 20:57 negative\n"
                               "-rw-r--r--    1 shop     shop         12 Dec  9 20:57\n"
                               "total 12\n"
                               "\n"
                               "-rw-r--r--    1 shop     shop          12 Dec  9";
    const QList<SftpEntry> entries = parseListing(listing);
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0].name, QStringLiteral("kep 001.JPG"));
    EXPECT_EQ(entries[0].size, 4000000);
    EXPECT_TRUE(entries[0].isRegular);
    EXPECT_EQ(entries[1].name, QStringLiteral(" szóköz elöl"));
    EXPECT_TRUE(entries[2].isDirectory);
    EXPECT_FALSE(entries[3].isRegular || entries[3].isDirectory);
    EXPECT_TRUE(parseListing(QByteArray(100000, ' ')).isEmpty());
    EXPECT_TRUE(parseListing(QByteArray("\0\0\0\n\xff\xfe", 6)).isEmpty());
}

TEST(SendParsing, checksumLines)
{
    const QByteArray hex(64, 'a');
    auto line = parseChecksumLine(hex + "  Minta_1/9x13-fill-2/kep 1.JPG\n");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->path, QStringLiteral("Minta_1/9x13-fill-2/kep 1.JPG"));
    EXPECT_TRUE(parseChecksumLine(hex + " *bin"));
    for (const QByteArray& bad : {QByteArray(), hex, hex + "  ", hex.left(63) + "  x", QByteArray(64, 'A') + "  x",
                                  hex + "\tx", hex + "x  y", hex + "  a\nb", QByteArray(64, 'g') + "  x"})
        EXPECT_FALSE(parseChecksumLine(bad)) << bad.toStdString();
}

TEST(SendParsing, keyPairIsOpenSshsOwnAndNeverReplaced)
{
    TempDir dir;
    const QString key = dir.file(QStringLiteral("config/labor_ed25519"));
    const KeyPairResult made = makeKeyPair(key, QStringLiteral("bolt-123"));
    ASSERT_TRUE(made.ok) << made.error.toStdString();
    EXPECT_TRUE(made.publicKey.startsWith(QLatin1String("ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAI")));
    EXPECT_TRUE(made.publicKey.endsWith(QLatin1String(" bolt-123")));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(key).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(dir.file(QStringLiteral("config"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // OpenSSH reads it and finds the same public key.
    QProcess keygen;
    keygen.start(QStringLiteral("ssh-keygen"), {QStringLiteral("-y"), QStringLiteral("-f"), key});
    if (keygen.waitForFinished(10000) && keygen.exitCode() == 0) {
        EXPECT_TRUE(made.publicKey.startsWith(QString::fromLatin1(keygen.readAllStandardOutput().trimmed())));
    }
    EXPECT_TRUE(made.publicKey.startsWith(publicKeyOf(key).publicKey));
    QFile pub(key + QStringLiteral(".pub"));
    ASSERT_TRUE(pub.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(pub.readAll()).trimmed(), made.publicKey);

    const KeyPairResult again = makeKeyPair(key, QStringLiteral("x"));
    EXPECT_FALSE(again.ok);
    EXPECT_FALSE(again.error.isEmpty());
    EXPECT_EQ(publicKeyOf(key).publicKey, made.publicKey.section(QLatin1Char(' '), 0, 1));

    // Key files that are no OpenSSH private key.
    QFile original(key);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray text = original.readAll();
    for (const QByteArray& bad : {QByteArray(), QByteArray("garbage"), text.left(text.size() / 3),
                                  text.left(40) + QByteArray(500, '*') + text.mid(540), QByteArray(200000, 'A')}) {
        dir.write(QStringLiteral("bad"), bad);
        const KeyPairResult read = publicKeyOf(dir.file(QStringLiteral("bad")));
        EXPECT_FALSE(read.ok) << bad.left(60).toStdString();
        EXPECT_FALSE(read.error.isEmpty());
    }
    EXPECT_FALSE(publicKeyOf(dir.file(QStringLiteral("missing"))).ok);
}

TEST(SendParsing, connectionSettingsLiveUnderAKeyOfTheirOwn)
{
    TempDir dir;
    const QString db = dir.file(QStringLiteral("settings.sqlite"));
    LabConnection c = *parseSftpUrl(QStringLiteral("sftp://bolt@labor.hu:2200/in"));
    c.keyFile = QStringLiteral("/home/x/.config/k");
    c.hostKey = hostKeyFingerprint("k");
    ASSERT_TRUE(saveLabConnection(c, db));
    EXPECT_EQ(loadLabConnection(db), c);
    SettingsStore store(db);
    EXPECT_FALSE(store.openKey(kSettingsRootKey, false) && store.valueExists(QStringLiteral("Server")));
    ASSERT_TRUE(store.openKey(kSettingsLabConnectionKey, true));
    ASSERT_TRUE(store.writeString(QStringLiteral("HostKey"), QStringLiteral("nem ujjlenyomat")));
    EXPECT_TRUE(loadLabConnection(db).hostKey.isEmpty()); // never trusted as given
    EXPECT_EQ(loadLabConnection(dir.file(QStringLiteral("none.sqlite"))), LabConnection {});
}

TEST(SendParsing, pausesGrowUpToTheirLimit)
{
    SendPolicy p;
    p.firstPauseSeconds = 5;
    p.maxPauseSeconds = 60;
    EXPECT_EQ(p.pauseBeforeTry(2), 5);
    EXPECT_EQ(p.pauseBeforeTry(3), 10);
    EXPECT_EQ(p.pauseBeforeTry(5), 40);
    EXPECT_EQ(p.pauseBeforeTry(6), 60);
    EXPECT_EQ(p.pauseBeforeTry(1000000), 60);
}

} // namespace
