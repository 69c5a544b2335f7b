// pelmarorder started from the desktop: files on the command line, one
// program per user with the hand-over of a second start's files, and the
// start without any display. The real program runs as a child process on the
// offscreen platform (on Wayland when CTest runs this under
// tools/wayland-run), with its own settings and runtime folders; what it
// added is read from its order journal.
#include "app/SingleInstance.h"
#include "platform/SettingsStore.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pelmar;
using pelmar::test::TempDir;

namespace {

class Desktop
{
public:
    TempDir dir;

    Desktop()
    {
        QDir().mkpath(dir.file(QStringLiteral("run")));
        QFile::setPermissions(dir.file(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        SettingsStore store(configDir() + QStringLiteral("/settings.sqlite"));
        EXPECT_TRUE(store.openKey(kSettingsRootKey, true));
        EXPECT_TRUE(store.writeBool(QStringLiteral("WelcomeScreen"), false));
        EXPECT_TRUE(store.openKey(kSettingsPricesKey, true));
        EXPECT_TRUE(store.writeString(QStringLiteral("0"), QStringLiteral("9x13|85|300x450|100x150")));
    }

    static bool onWayland() { return QGuiApplication::platformName() == u"wayland"; }

    QString configDir() const { return dir.file(QStringLiteral("config/Dravik/Pelmar megrendelés")); }

    QProcessEnvironment environment(bool display = true) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.file(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.file(QStringLiteral("run")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.file(QStringLiteral(".cache")));
        env.remove(QStringLiteral("DISPLAY"));
        if (!display || !onWayland())
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        else // the compositor's socket is in the test's runtime folder
            env.insert(QStringLiteral("WAYLAND_DISPLAY"),
                       QDir(qEnvironmentVariable("XDG_RUNTIME_DIR"))
                           .absoluteFilePath(qEnvironmentVariable("WAYLAND_DISPLAY")));
        if (display)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                       onWayland() ? QStringLiteral("wayland") : QStringLiteral("offscreen"));
        else
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return env;
    }

    std::unique_ptr<QProcess> start(const QStringList& args, QProcessEnvironment env = {}) const
    {
        if (env.isEmpty())
            env = environment();
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir.path());
        p->start(qEnvironmentVariable("PELMAR_BIN_DIR") + QStringLiteral("/pelmarorder"), args);
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }

    // The paths in the running program's journal, read without taking part.
    QStringList journal() const
    {
        QStringList out;
        const QByteArray path = QFile::encodeName(configDir() + QStringLiteral("/order-journal.sqlite"));
        if (!QFile::exists(QString::fromLocal8Bit(path)))
            return out;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(db, 1000);
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT path FROM order_line ORDER BY pos", -1, &st, nullptr) == SQLITE_OK)
                while (sqlite3_step(st) == SQLITE_ROW)
                    out.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return out;
    }

    QStringList waitForJournal(int count) const
    {
        QElapsedTimer clock;
        clock.start();
        QStringList lines = journal();
        while (lines.size() < count && clock.elapsed() < 60000) {
            QThread::msleep(100);
            lines = journal();
        }
        return lines;
    }

    QString picture(const QString& name) const { return test::writeJpeg(dir.file(name), 600, 400, 52000); }
};

mode_t modeOf(const QString& path)
{
    struct stat st
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool chown(const QString& path, uid_t uid)
{
    return ::lchown(QFile::encodeName(path).constData(), uid, uid) == 0;
}

} // namespace

TEST(SingleInstance, HandOverMessagesAreReadOnlyWhenWholeAndWellFormed)
{
    const QStringList paths {QStringLiteral("/a b/ké?p*[1].jpg"), QStringLiteral("/x\n\x01y.jpg")};
    const QString token = QStringLiteral("kwin-4:7b2f_Ab");
    const QByteArray message = SingleInstance::encode(paths, token);
    QStringList got;
    QString gotToken;
    bool bad = false;
    ASSERT_TRUE(SingleInstance::decode(message, got, gotToken, bad));
    EXPECT_EQ(got, paths);
    EXPECT_EQ(gotToken, token);
    ASSERT_TRUE(SingleInstance::decode(SingleInstance::encode({}), got, gotToken, bad));
    EXPECT_TRUE(got.isEmpty() && gotToken.isEmpty());
    // Every cut of it waits for more; nothing is read too early.
    for (int cut = 0; cut < message.size(); ++cut) {
        EXPECT_FALSE(SingleInstance::decode(message.left(cut), got, gotToken, bad));
        EXPECT_FALSE(bad) << cut;
    }
    const auto framed = [](const QByteArray& body) {
        QByteArray out(4, '\0');
        out[0] = char(body.size() >> 24), out[1] = char(body.size() >> 16), out[2] = char(body.size() >> 8),
        out[3] = char(body.size());
        return out + body;
    };
    // Wrong kinds, an empty or long token or one with spaces or control
    // characters (it goes into the environment and to the compositor), keys
    // missing or unknown, the array of files alone.
    for (const QByteArray& wrong :
         {QByteArray::fromHex("7fffffff") + "{}", framed("{\"files\": [1, 2]}"), framed("{\"files\": [\"\"]}"),
          framed("{\"files\": \"/a.jpg\"}"), framed("[\"/a.jpg\"]"), framed("{\"token\": \"t\"}"),
          framed("{\"files\": [], \"token\": 7}"), framed("{\"files\": [], \"token\": \"\"}"),
          framed("{\"files\": [], \"token\": \"a b\"}"), framed("{\"files\": [], \"token\": \"a\\u0000b\"}"),
          framed("{\"files\": [], \"token\": \"" + QByteArray(257, 'x') + "\"}"), framed("{\"files\": [], \"pid\": 1}"),
          framed("not json"), message + "extra", framed(QByteArray(3, '\0'))}) {
        EXPECT_FALSE(SingleInstance::decode(wrong, got, gotToken, bad));
        EXPECT_TRUE(bad) << wrong.left(40).toHex().toStdString();
    }
}

TEST(SingleInstance, CommandLineFilesHandOverAndAStaleLock)
{
    Desktop desk;
    const QString a = desk.picture(QStringLiteral("a.jpg"));
    const QString b = desk.picture(QStringLiteral("mappa/al/b [2].JPG"));
    const QString c = desk.picture(QStringLiteral("c.jpg"));
    qputenv("WAYLAND_DEBUG", "1");
    auto first = desk.start({a, desk.dir.file(QStringLiteral("mappa"))});
    qunsetenv("WAYLAND_DEBUG");
    EXPECT_EQ(desk.waitForJournal(2), QStringList({a, b}));

    // A second start, with a path relative to its own folder and its
    // launcher's activation token, hands them over and ends.
    qputenv("XDG_ACTIVATION_TOKEN", "pelmar-test:42");
    auto second = desk.start({QStringLiteral("c.jpg")});
    qunsetenv("XDG_ACTIVATION_TOKEN");
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    EXPECT_EQ(desk.waitForJournal(3), QStringList({a, b, c}));
    EXPECT_EQ(first->state(), QProcess::Running);
    if (Desktop::onWayland()) {
        // The first one's requests (WAYLAND_DEBUG): its window is named for
        // the desktop entry. (Weston 10 offers no xdg-activation, so the
        // token's use cannot be seen here.)
        QTest::qWait(500);
        EXPECT_TRUE(first->readAllStandardError().contains("set_app_id(\"pelmarorder\")"));
    }

    // The first one dies without a word: the next start takes over its lock
    // and socket instead of handing files to no one.
    first->kill();
    first->waitForFinished(10000);
    auto third = desk.start({});
    EXPECT_FALSE(third->waitForFinished(3000)) << third->readAllStandardError().toStdString();
    // It asks whether to restore (the question waits, offscreen); a fourth
    // start still reaches it.
    auto fourth = desk.start({});
    ASSERT_TRUE(fourth->waitForFinished(20000));
    EXPECT_EQ(fourth->exitCode(), 0) << fourth->readAllStandardError().toStdString();
    third->kill();
    third->waitForFinished(10000);
}

TEST(SingleInstance, WithoutADisplayOneLineAndStatusOne)
{
    Desktop desk;
    auto p = desk.start({}, desk.environment(false));
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), 1);
    const QString err = QString::fromLocal8Bit(p->readAllStandardError());
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("grafikus"))) << err.toStdString();
    EXPECT_TRUE(p->readAllStandardOutput().isEmpty());
}

// Another local user must not be able to take the program over: the lock and
// socket go only into a folder that is the partner's alone, and a lock or
// socket someone else made is never trusted.
TEST(SingleInstance, LockAndSocketOnlyWhereNoOtherUserCanReachThem)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "playing another user (files of uid 65534) needs root";
    Desktop desk;
    // A runtime folder others may write into, and a shared temporary folder
    // where the stranger was first: neither is used. The program's own
    // folder, as an earlier version left it open, is closed.
    const QString shared = desk.dir.file(QStringLiteral("shared"));
    const QString own = desk.dir.file(QStringLiteral(".cache/Dravik/Pelmar megrendelés/run"));
    for (const auto& [folder, mode] : {std::pair {shared, 01777}, {shared + "/run", 0777}, {own, 0755}})
        ASSERT_TRUE(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder).constData(), mode_t(mode)) == 0);
    ASSERT_TRUE(QDir().mkpath(shared + "/runtime-root") && chown(shared + "/runtime-root", 65534));
    QProcessEnvironment env = desk.environment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), shared + "/run");
    env.insert(QStringLiteral("TMPDIR"), shared);
    const QString a = desk.picture(QStringLiteral("a.jpg"));
    auto first = desk.start({a}, env);
    EXPECT_EQ(desk.waitForJournal(1), QStringList({a}));
    EXPECT_EQ(QDir(shared).entryList(QDir::Files | QDir::System), QStringList());
    EXPECT_EQ(modeOf(own), 0700u);
    const QStringList locks = QDir(own).entryList({QStringLiteral("*.lock")});
    ASSERT_EQ(locks.size(), 1);
    first->kill();
    first->waitForFinished(10000);

    // A stranger's lock (held) and listening socket in the runtime folder:
    // not answered; the start shows its window.
    const QString name = QDir(desk.dir.file(QStringLiteral("run"))).filePath(locks[0]);
    QLocalServer listener;
    ASSERT_TRUE(listener.listen(name.chopped(5)) && chown(name.chopped(5), 65534));
    const int held = ::open(QFile::encodeName(name).constData(), O_RDWR | O_CREAT, 0644);
    ASSERT_TRUE(held >= 0 && ::fchown(held, 65534, 65534) == 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
    auto third = desk.start({});
    EXPECT_FALSE(third->waitForFinished(3000)) << third->readAllStandardError().toStdString();
    EXPECT_FALSE(listener.waitForNewConnection(0));
    EXPECT_EQ(modeOf(name), 0600u);
    ::close(held);
    third->kill();
    third->waitForFinished(10000);
}
