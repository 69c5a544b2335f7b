#include "platform/OrderJournal.h"
#include "platform/SettingsStore.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pelmar;
using pelmar::test::SmallDisk;
using pelmar::test::TempDir;

namespace {

QString dbIn(const TempDir& dir)
{
    return dir.file(QStringLiteral("settings.sqlite"));
}

mode_t modeOf(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

TEST(SettingsStore, KeysOpenForReadingOnlyWhenTheyExistAndCreateTheirParents)
{
    TempDir dir;
    SettingsStore store(dbIn(dir));
    ASSERT_TRUE(store.isAvailable());
    EXPECT_FALSE(store.openKey(kSettingsRootKey, false));
    EXPECT_FALSE(store.hasOpenKey());
    ASSERT_TRUE(store.openKey(kSettingsPricesKey, true));
    // The parents came into being with it.
    EXPECT_TRUE(store.openKey(QStringLiteral("\\Software\\Dravik"), false));
    EXPECT_TRUE(store.openKey(kSettingsRootKey, false));
    // Letter case and doubled separators do not make another key.
    EXPECT_TRUE(store.openKey(QStringLiteral("\\software\\DRAVIK\\\\pelmarclient\\prices\\"), false));
    // A key opened for reading only refuses writes.
    EXPECT_FALSE(store.writeInteger(QStringLiteral("x"), 1));
    EXPECT_FALSE(store.openKey(QString(), true));
}

TEST(SettingsStore, KindsAreKeptApartAndOverwritingKeepsTheListingOrder)
{
    TempDir dir;
    {
        SettingsStore store(dbIn(dir));
        ASSERT_TRUE(store.openKey(kSettingsRootKey, true));
        EXPECT_TRUE(store.writeInteger(QStringLiteral("UserID"), -42));
        EXPECT_TRUE(store.writeString(QStringLiteral("UserName"), QStringLiteral("Ősz Ödön | \"x\"\n")));
        EXPECT_TRUE(store.writeBool(QStringLiteral("WelcomeScreen"), false));
        EXPECT_TRUE(store.writeString(QStringLiteral("Empty"), QString()));
        // Overwrite with another kind: same place in the listing.
        EXPECT_TRUE(store.writeString(QStringLiteral("userid"), QStringLiteral("12a")));
        // Twelve names: "10" and "11" must not come before "2".
        ASSERT_TRUE(store.openKey(kSettingsPricesKey, true));
        for (int i = 0; i < 12; ++i)
            ASSERT_TRUE(store.writeString(QString::number(i), QStringLiteral("s%1|1|a|b").arg(i)));
    }
    SettingsStore store(dbIn(dir));
    // A sound store is read where it is: nothing set aside, nothing beside it.
    EXPECT_EQ(store.state(), SettingsStore::State::Ready);
    EXPECT_TRUE(store.setAsidePath().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("settings.sqlite")}));
    ASSERT_TRUE(store.openKey(kSettingsPricesKey, false));
    QStringList numbers;
    for (int i = 0; i < 12; ++i)
        numbers.append(QString::number(i));
    EXPECT_EQ(store.valueNames(), numbers);
    ASSERT_TRUE(store.openKey(kSettingsRootKey, false));
    EXPECT_EQ(store.valueNames(),
              QStringList({QStringLiteral("UserID"), QStringLiteral("UserName"), QStringLiteral("WelcomeScreen"),
                           QStringLiteral("Empty")}));
    EXPECT_FALSE(store.readInteger(QStringLiteral("UserID")).has_value());
    EXPECT_EQ(store.readString(QStringLiteral("UserID")).value_or(QString()), QStringLiteral("12a"));
    EXPECT_EQ(*store.readString(QStringLiteral("UserName")), QStringLiteral("Ősz Ödön | \"x\"\n"));
    EXPECT_FALSE(store.readInteger(QStringLiteral("WelcomeScreen")).has_value());
    EXPECT_FALSE(store.readString(QStringLiteral("WelcomeScreen")).has_value());
    EXPECT_EQ(store.readBool(QStringLiteral("WelcomeScreen")), std::optional<bool>(false));
    EXPECT_FALSE(store.readBool(QStringLiteral("UserName")).has_value());
    EXPECT_TRUE(store.valueExists(QStringLiteral("Empty")));
    EXPECT_EQ(store.readString(QStringLiteral("Empty")), std::optional<QString>(QString()));
    EXPECT_FALSE(store.valueExists(QStringLiteral("Missing")));
}

// The settings and the journal of the order (customers' picture paths) are
// the user's alone; what an earlier version made 0755 and 0644 is closed.
TEST(SettingsStore, StoreAndJournalAreTheUsersAloneAndOldOpenOnesAreClosed)
{
    TempDir dir;
    const QString folder = dir.file(QStringLiteral("Dravik/Pelmar megrendelés"));
    const QString settings = folder + QStringLiteral("/settings.sqlite");
    const QString journal = OrderJournal::pathBeside(settings);
    for (const char* when : {"new", "earlier version's"}) {
        SettingsStore store(settings);
        ASSERT_TRUE(store.openKey(kSettingsRootKey, true) && store.writeInteger(QStringLiteral("UserID"), 7));
        OrderJournal lines(journal);
        ASSERT_TRUE(lines.replace({{QStringLiteral("/a.jpg"), QStringLiteral("9x13|85||"), true, 1}}));
        for (const QString& file : {settings, journal, journal + "-wal", journal + "-shm"})
            EXPECT_EQ(modeOf(file), 0600u) << when << file.toStdString();
        EXPECT_EQ(modeOf(folder), 0700u) << when;
        EXPECT_EQ(modeOf(dir.file(QStringLiteral("Dravik"))), 0700u) << when;
        // SQLite makes -wal and -shm with the database's mode.
        for (const QString& file : {settings, journal, journal + "-wal", journal + "-shm", folder})
            ::chmod(QFile::encodeName(file).constData(), file == folder ? 0755 : 0644);
    }
}

TEST(SettingsStore, RolledBackTransactionLeavesTheOldValues)
{
    TempDir dir;
    {
        SettingsStore store(dbIn(dir));
        ASSERT_TRUE(store.openKey(kSettingsValuesKey, true));
        ASSERT_TRUE(store.writeInteger(QStringLiteral("CD"), 1500));
    }
    {
        SettingsStore store(dbIn(dir));
        ASSERT_TRUE(store.beginTransaction());
        ASSERT_TRUE(store.openKey(kSettingsValuesKey, true));
        ASSERT_TRUE(store.writeInteger(QStringLiteral("CD"), 9));
        ASSERT_TRUE(store.openKey(QStringLiteral("\\Software\\Other"), true));
        // Destroyed without commit: as if the program had crashed mid-save.
    }
    SettingsStore store(dbIn(dir));
    EXPECT_FALSE(store.openKey(QStringLiteral("\\Software\\Other"), false));
    ASSERT_TRUE(store.openKey(kSettingsValuesKey, false));
    EXPECT_EQ(store.readInteger(QStringLiteral("CD")), std::optional<qint32>(1500));
}

TEST(SettingsStore, DamagedOrForeignDatabaseIsKeptAsideUntouchedAndDefaultsStart)
{
    struct Case
    {
        QByteArray bytes;
        SettingsStore::State state;
    };
    QList<Case> cases = {
        {QByteArray("this is no database at all, just text\n").repeated(200), SettingsStore::State::Damaged},
        {QByteArray(4096, '\xff'), SettingsStore::State::Damaged},
        {QByteArray("SQLite format 3\0", 16) + QByteArray(100, '\x01'), SettingsStore::State::Damaged},
    };
    // Sound databases of another program, one even using our table names:
    // read as they are, never written to.
    for (const char* sql : {"CREATE TABLE photos(id INTEGER PRIMARY KEY, name TEXT);"
                            "INSERT INTO photos(name) VALUES ('a.jpg'), ('b.jpg');",
                            "CREATE TABLE settings_key(id INTEGER PRIMARY KEY, owner TEXT);"
                            "INSERT INTO settings_key(owner) VALUES ('x');"}) {
        TempDir scratch;
        const QByteArray path = QFile::encodeName(dbIn(scratch));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        QFile f(QString::fromUtf8(path));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        cases.append({f.readAll(), SettingsStore::State::Foreign});
    }
    // A real store of several pages with garbage over the pages after the
    // first: the header still says SQLite.
    {
        TempDir scratch;
        {
            SettingsStore store(dbIn(scratch));
            ASSERT_TRUE(store.openKey(kSettingsPricesKey, true));
            for (int i = 0; i < 400; ++i)
                ASSERT_TRUE(store.writeString(QString::number(i), QString(200, QLatin1Char('x'))));
        }
        QFile f(dbIn(scratch));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QByteArray bytes = f.readAll();
        ASSERT_GT(bytes.size(), 8192);
        bytes.replace(4096, bytes.size() - 4096, QByteArray(bytes.size() - 4096, '\x5a'));
        cases.append({bytes, SettingsStore::State::Damaged});
    }
    for (const Case& c : cases) {
        TempDir dir;
        const QString path = dir.write(QStringLiteral("settings.sqlite"), c.bytes);
        SettingsStore store(path);
        ASSERT_TRUE(store.isAvailable());
        EXPECT_EQ(store.state(), c.state);
        EXPECT_TRUE(SettingsStore::keepsChanges(store.state()));
        ASSERT_FALSE(store.setAsidePath().isEmpty());
        QFile kept(store.setAsidePath());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), c.bytes) << "the file set aside must be kept unchanged";
        EXPECT_FALSE(store.openKey(kSettingsRootKey, false));
        EXPECT_TRUE(store.openKey(kSettingsRootKey, true));
        EXPECT_TRUE(store.writeBool(QStringLiteral("ShowPreview"), true));
    }
}

TEST(SettingsStore, LockedStoreOrAFolderInItsPlaceIsLeftExactlyAsItIs)
{
    TempDir dir;
    const QString path = dbIn(dir);
    {
        SettingsStore store(path);
        ASSERT_TRUE(store.openKey(kSettingsPricesKey, true));
        ASSERT_TRUE(store.writeString(QStringLiteral("0"), QStringLiteral("9x13|85|a|b")));
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    // Another program holds the database for writing past our patience.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        SettingsStore store(path);
        EXPECT_EQ(store.state(), SettingsStore::State::Locked);
        EXPECT_FALSE(store.isAvailable());
        EXPECT_FALSE(SettingsStore::keepsChanges(store.state()));
        EXPECT_FALSE(store.openKey(kSettingsPricesKey, true));
        EXPECT_TRUE(store.setAsidePath().isEmpty());
        const QString text = settingsStateMessage(store);
        EXPECT_TRUE(text.contains(QStringLiteral("zárolja"))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QDir::toNativeSeparators(path)));
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("settings.sqlite")}));

    // A folder where the file belongs.
    const QString folder = dir.file(QStringLiteral("folder.sqlite"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/inside")));
    SettingsStore store(folder);
    EXPECT_EQ(store.state(), SettingsStore::State::NotAFile);
    EXPECT_FALSE(store.isAvailable());
    EXPECT_FALSE(SettingsStore::keepsChanges(store.state()));
    EXPECT_TRUE(settingsStateMessage(store).endsWith(QDir::toNativeSeparators(folder)));
    EXPECT_EQ(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({QStringLiteral("inside")}));
}

TEST(SettingsStore, ReadOnlyStoreIsReadAndSaysChangesAreNotKept)
{
    TempDir dir;
    SmallDisk disk(dir.file(QStringLiteral("ro")), 1024);
    if (!disk.available())
        GTEST_SKIP() << "cannot mount a file system here";
    const QString path = disk.path() + QStringLiteral("/settings.sqlite");
    {
        SettingsStore store(path);
        ASSERT_TRUE(store.openKey(kSettingsValuesKey, true));
        ASSERT_TRUE(store.writeInteger(QStringLiteral("CD"), 1500));
    }
    ASSERT_TRUE(disk.makeReadOnly());
    SettingsStore store(path);
    EXPECT_EQ(store.state(), SettingsStore::State::ReadOnly);
    EXPECT_FALSE(SettingsStore::keepsChanges(store.state()));
    ASSERT_TRUE(store.openKey(kSettingsValuesKey, false));
    EXPECT_EQ(store.readInteger(QStringLiteral("CD")), std::optional<qint32>(1500));
    EXPECT_TRUE(settingsStateMessage(store).contains(QStringLiteral("csak olvasható")));
    // An empty read-only place: nothing to read, nothing can be kept.
    SettingsStore none(disk.path() + QStringLiteral("/other.sqlite"));
    EXPECT_FALSE(SettingsStore::keepsChanges(none.state()));
    EXPECT_FALSE(settingsStateMessage(none).isEmpty());
}

TEST(SettingsStore, UnwritableFolderLeavesTheStoreUnavailableWithoutCrashing)
{
    SettingsStore store(QStringLiteral("/proc/no-such-folder/settings.sqlite"));
    EXPECT_FALSE(store.isAvailable());
    EXPECT_EQ(store.state(), SettingsStore::State::Unavailable);
    EXPECT_FALSE(settingsStateMessage(store).isEmpty());
    EXPECT_FALSE(store.openKey(kSettingsRootKey, true));
    EXPECT_TRUE(store.valueNames().isEmpty());
    EXPECT_FALSE(store.beginTransaction());
}

TEST(PartnerDataStore, RoundTripAndTheUserIdGate)
{
    TempDir dir;
    const QString path = dbIn(dir);
    TUserData in;
    in.UserID = 123;
    in.UserName = QStringLiteral("  Fotó Bt.");
    in.UserIrsz = QStringLiteral("1111");
    in.UserHelys = QStringLiteral("Győr");
    in.UserCim = QStringLiteral("Fő u. 1.");
    ASSERT_TRUE(savePartnerData(in, path));
    TUserData out;
    out.UserTelefon = QStringLiteral("stale");
    loadPartnerData(out, path);
    EXPECT_EQ(out, in);

    // Texts without a shop number are not read at all.
    TempDir other;
    {
        SettingsStore store(dbIn(other));
        ASSERT_TRUE(store.openKey(kSettingsRootKey, true));
        ASSERT_TRUE(store.writeString(QStringLiteral("UserName"), QStringLiteral("Név")));
        ASSERT_TRUE(store.writeString(QStringLiteral("UserID"), QStringLiteral("55")));
    }
    TUserData none;
    loadPartnerData(none, dbIn(other));
    EXPECT_EQ(none, TUserData {});
}
