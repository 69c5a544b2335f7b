#include "platform/SettingsStore.h"
#include "platform/PrivateFiles.h"
#include "platform/SqliteStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar {

namespace {

QString& pathOverride()
{
    static QString path;
    return path;
}

// "\Software\\Dravik\" and "Software\Dravik" both mean "\Software\Dravik".
QStringList keyParts(const QString& path)
{
    QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (QString& p : parts)
        p = p.trimmed();
    parts.removeAll(QString());
    return parts;
}

QString joinKey(const QStringList& parts)
{
    return QLatin1Char('\\') + parts.join(QLatin1Char('\\'));
}

const char* const kSchema = "CREATE TABLE IF NOT EXISTS settings_key ("
                            " id INTEGER PRIMARY KEY,"
                            " path TEXT NOT NULL UNIQUE COLLATE NOCASE);"
                            "CREATE TABLE IF NOT EXISTS settings_value ("
                            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                            " key_id INTEGER NOT NULL REFERENCES settings_key(id),"
                            " name TEXT NOT NULL COLLATE NOCASE,"
                            " kind INTEGER NOT NULL,"
                            " number INTEGER,"
                            " text TEXT,"
                            " UNIQUE(key_id, name));";

} // namespace

QString SettingsStore::defaultDatabasePath()
{
    if (!pathOverride().isEmpty())
        return pathOverride();
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/settings.sqlite");
}

void SettingsStore::setDatabasePathOverride(const QString& path)
{
    pathOverride() = path;
}

SettingsStore::SettingsStore(const QString& databasePath)
    : m_path(databasePath.isEmpty() ? defaultDatabasePath() : databasePath)
{
    MakePrivateFolder(QFileInfo(m_path).absolutePath());
    // A folder, a pipe or a device in the file's place is nothing of ours
    // and nothing SQLite should open: leave it be.
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        m_state = State::NotAFile;
        return;
    }
    const Opened opened = openDatabase();
    if (opened == Opened::Ok)
        return;
    closeDatabase();
    if (opened == Opened::Leave)
        return;
    // The file is there but is no settings database we can read. Keep it
    // under a new name, so whatever is in it can still be rescued, and start
    // with a fresh one.
    m_setAside = setDamagedDatabaseAside(m_path);
    if (m_setAside.isEmpty()) {
        // Cannot move it aside: leave it alone and run without a store.
        m_state = State::Unreadable;
        return;
    }
    const State why = m_state;
    if (openDatabase() != Opened::Ok) {
        closeDatabase();
        return; // m_state says why the fresh one failed
    }
    if (m_state == State::Ready)
        m_state = why;
}

SettingsStore::~SettingsStore()
{
    if (m_inTransaction)
        rollback();
    closeDatabase();
}

void SettingsStore::closeDatabase()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_key = -1;
    m_writable = false;
    m_inTransaction = false;
}

SettingsStore::Opened SettingsStore::failure(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        m_state = State::Locked;
        return Opened::Leave;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        m_state = State::Damaged;
        return Opened::SetAside;
    default:
        m_state = State::Unreadable;
        return Opened::Leave;
    }
}

// Opens the file and checks that it is a settings database of ours, reading
// only: nothing is written to a file before it is known to be ours. Ok: open
// and usable (m_state may say ReadOnly). SetAside: damaged or another
// program's (m_state says which); the caller moves it away. Leave: to be left
// exactly as it is (m_state says why).
SettingsStore::Opened SettingsStore::openDatabase()
{
    m_state = State::Ready;
    const bool existed = QFileInfo::exists(m_path);
    PreparePrivateDatabase(m_path);
    const QByteArray native = QFile::encodeName(m_path);
    if (sqlite3_open_v2(native.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        m_state = existed ? State::Unreadable : State::Unavailable;
        return Opened::Leave;
    }
    // Another copy of the program saving right now holds the lock for a
    // moment; wait for it rather than take the store for locked.
    sqlite3_busy_timeout(m_db, 3000);
    sqlite3_extended_result_codes(m_db, 1);
    {
        SqliteStatement check(m_db, "PRAGMA quick_check");
        if (!check.ok())
            return failure(check.prepareCode());
        const int rc = check.step();
        if (rc != SQLITE_ROW)
            return failure(rc);
        if (check.text(0) != QLatin1String("ok"))
            return failure(SQLITE_CORRUPT);
    }
    return checkLayout();
}

SettingsStore::Opened SettingsStore::checkLayout()
{
    int objects = 0;
    {
        SqliteStatement q(m_db, "SELECT count(*) FROM sqlite_master");
        if (!q.ok())
            return failure(q.prepareCode());
        const int rc = q.step();
        if (rc != SQLITE_ROW)
            return failure(rc);
        objects = int(q.integer(0));
    }
    const bool readOnly = sqlite3_db_readonly(m_db, "main") == 1
        || ::access(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(), W_OK) != 0;
    if (objects == 0) {
        // New or empty: ours to lay out.
        if (readOnly) {
            m_state = State::ReadOnly;
            return Opened::Ok;
        }
        if (!exec(kSchema)) {
            const int rc = sqlite3_extended_errcode(m_db);
            if ((rc & 0xff) == SQLITE_READONLY) {
                m_state = State::ReadOnly;
                return Opened::Ok;
            }
            return failure(rc);
        }
        return Opened::Ok;
    }
    // Our two tables with our columns; anything else (another program's
    // database, or our names with other columns) is not read as settings
    // and not written to.
    SqliteStatement keys(m_db, "SELECT id, path FROM settings_key LIMIT 0");
    SqliteStatement values(m_db, "SELECT id, key_id, name, kind, number, text FROM settings_value LIMIT 0");
    if (!keys.ok() || !values.ok()) {
        const int rc = !keys.ok() ? keys.prepareCode() : values.prepareCode();
        if ((rc & 0xff) != SQLITE_ERROR)
            return failure(rc);
        m_state = State::Foreign;
        return Opened::SetAside;
    }
    if (readOnly)
        m_state = State::ReadOnly;
    return Opened::Ok;
}

bool SettingsStore::exec(const char* sql)
{
    if (!m_db)
        return false;
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    return rc == SQLITE_OK;
}

std::optional<qint64> SettingsStore::findKey(const QString& path) const
{
    SqliteStatement q(m_db, "SELECT id FROM settings_key WHERE path = ?1");
    q.bind(1, path);
    if (q.step() == SQLITE_ROW)
        return q.integer(0);
    return std::nullopt;
}

bool SettingsStore::openKey(const QString& path, bool create)
{
    closeKey();
    if (!m_db)
        return false;
    const QStringList parts = keyParts(path);
    if (parts.isEmpty())
        return false;
    const QString full = joinKey(parts);
    if (!create) {
        const auto id = findKey(full);
        if (!id)
            return false;
        m_key = *id;
        m_writable = false;
        return true;
    }
    // Create the key and every missing parent, all or nothing.
    const bool ownTransaction = !m_inTransaction;
    if (ownTransaction && !exec("BEGIN IMMEDIATE"))
        return false;
    bool ok = true;
    for (int i = 1; i <= parts.size() && ok; ++i) {
        SqliteStatement ins(m_db, "INSERT OR IGNORE INTO settings_key(path) VALUES (?1)");
        ins.bind(1, joinKey(parts.mid(0, i)));
        ok = ins.step() == SQLITE_DONE;
    }
    const auto id = ok ? findKey(full) : std::nullopt;
    if (ownTransaction) {
        if (!id || !exec("COMMIT")) {
            exec("ROLLBACK");
            return false;
        }
    }
    if (!id)
        return false;
    m_key = *id;
    m_writable = true;
    return true;
}

void SettingsStore::closeKey()
{
    m_key = -1;
    m_writable = false;
}

std::optional<SettingsStore::Stored> SettingsStore::readValue(const QString& name) const
{
    if (m_key < 0)
        return std::nullopt;
    SqliteStatement q(m_db, "SELECT kind, number, text FROM settings_value WHERE key_id = ?1 AND name = ?2");
    q.bind(1, m_key);
    q.bind(2, name);
    if (q.step() != SQLITE_ROW)
        return std::nullopt;
    return Stored {Kind(q.integer(0)), q.integer(1), q.text(2)};
}

bool SettingsStore::valueExists(const QString& name) const
{
    return readValue(name).has_value();
}

std::optional<qint32> SettingsStore::readInteger(const QString& name) const
{
    const auto v = readValue(name);
    if (!v || v->kind != Kind::Integer)
        return std::nullopt;
    return qint32(v->number);
}

std::optional<QString> SettingsStore::readString(const QString& name) const
{
    const auto v = readValue(name);
    if (!v || v->kind != Kind::String)
        return std::nullopt;
    return v->text;
}

std::optional<bool> SettingsStore::readBool(const QString& name) const
{
    const auto v = readValue(name);
    if (!v || v->kind != Kind::Boolean)
        return std::nullopt;
    return v->number != 0;
}

QStringList SettingsStore::valueNames() const
{
    QStringList names;
    if (m_key < 0)
        return names;
    SqliteStatement q(m_db, "SELECT name FROM settings_value WHERE key_id = ?1 ORDER BY id");
    q.bind(1, m_key);
    while (q.step() == SQLITE_ROW)
        names.append(q.text(0));
    return names;
}

bool SettingsStore::writeValue(const QString& name, Kind kind, qint64 number, const QString& text)
{
    if (m_key < 0 || !m_writable)
        return false;
    // Both statements number their parameters alike.
    auto run = [&](const char* sql) {
        SqliteStatement q(m_db, sql);
        q.bind(1, m_key);
        q.bind(2, name);
        q.bind(3, qint64(kind));
        q.bind(4, number);
        if (kind == Kind::String)
            q.bind(5, text);
        else
            q.bindNull(5);
        return q.step() == SQLITE_DONE;
    };
    // An UPDATE keeps the row (and so the value's place in the listing);
    // only a value that is new gets a new place at the end.
    if (!run("UPDATE settings_value SET kind = ?3, number = ?4, text = ?5 WHERE key_id = ?1 AND name = ?2"))
        return false;
    if (sqlite3_changes(m_db) > 0)
        return true;
    return run("INSERT INTO settings_value(key_id, name, kind, number, text) VALUES (?1, ?2, ?3, ?4, ?5)");
}

bool SettingsStore::writeInteger(const QString& name, qint32 value)
{
    return writeValue(name, Kind::Integer, value, {});
}

bool SettingsStore::writeString(const QString& name, const QString& value)
{
    return writeValue(name, Kind::String, 0, value);
}

bool SettingsStore::writeBool(const QString& name, bool value)
{
    return writeValue(name, Kind::Boolean, value ? 1 : 0, {});
}

bool SettingsStore::removeAllValues()
{
    if (m_key < 0 || !m_writable)
        return false;
    SqliteStatement del(m_db, "DELETE FROM settings_value WHERE key_id = ?1");
    del.bind(1, m_key);
    return del.step() == SQLITE_DONE;
}

bool SettingsStore::removeValue(const QString& name)
{
    if (m_key < 0 || !m_writable)
        return false;
    SqliteStatement del(m_db, "DELETE FROM settings_value WHERE key_id = ?1 AND name = ?2");
    del.bind(1, m_key);
    del.bind(2, name);
    return del.step() == SQLITE_DONE;
}

bool SettingsStore::beginTransaction()
{
    if (!m_db || m_inTransaction)
        return false;
    m_inTransaction = exec("BEGIN IMMEDIATE");
    return m_inTransaction;
}

bool SettingsStore::commit()
{
    if (!m_inTransaction)
        return false;
    m_inTransaction = false;
    if (exec("COMMIT"))
        return true;
    exec("ROLLBACK");
    return false;
}

void SettingsStore::rollback()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    exec("ROLLBACK");
}

QString settingsStateMessage(const SettingsStore& store)
{
    const QString where = QDir::toNativeSeparators(store.databasePath());
    switch (store.state()) {
    case SettingsStore::State::Ready:
        return {};
    case SettingsStore::State::Damaged:
        return QStringLiteral("A beállítások adatbázisa sérült volt, ezért a program az alapértelmezett beállításokkal "
                              "indul.\n\nA sérült fájlt megőriztük ezen a néven:\n%1")
            .arg(QDir::toNativeSeparators(store.setAsidePath()));
    case SettingsStore::State::Foreign:
        return QStringLiteral("A beállítások helyén egy másik program adatbázisa volt, ezért a program az "
                              "alapértelmezett beállításokkal indul.\n\nA fájlt változatlanul megőriztük ezen a "
                              "néven:\n%1")
            .arg(QDir::toNativeSeparators(store.setAsidePath()));
    case SettingsStore::State::Locked:
        return QStringLiteral(
                   "A beállítások adatbázisát egy másik program zárolja, ezért most nem olvasható. A program "
                   "az alapértelmezett beállításokkal indul, és a mostani változtatásokat nem menti el, hogy "
                   "a meglévő beállítások megmaradjanak.\n\nAz adatbázis helye:\n%1")
            .arg(where);
    case SettingsStore::State::NotAFile:
        return QStringLiteral("A beállítások adatbázisa helyén egy mappa vagy más, nem közönséges fájl van, ezért a "
                              "program az alapértelmezett beállításokkal indul, és a változtatásokat nem menti el.\n\n"
                              "A hely:\n%1")
            .arg(where);
    case SettingsStore::State::Unreadable:
        return QStringLiteral(
                   "A beállítások adatbázisa nem olvasható, ezért a program az alapértelmezett beállításokkal "
                   "indul, és a mostani változtatásokat nem menti el, hogy a meglévő beállítások "
                   "megmaradjanak.\n\nAz adatbázis helye:\n%1")
            .arg(where);
    case SettingsStore::State::ReadOnly:
        return QStringLiteral("A beállítások adatbázisa csak olvasható, ezért a beállítások mostani változtatásai nem "
                              "maradnak meg.\n\nAz adatbázis helye:\n%1")
            .arg(where);
    case SettingsStore::State::Unavailable:
        return QStringLiteral("A beállítások adatbázisa nem hozható létre, ezért a beállítások mostani változtatásai "
                              "nem maradnak meg.\n\nAz adatbázis helye:\n%1")
            .arg(where);
    }
    return {};
}

bool readPartnerData(const SettingsStore& store, TUserData& data)
{
    const auto id = store.readInteger(QStringLiteral("UserID"));
    if (!id)
        return false;
    auto text = [&](const char* name) { return store.readString(QLatin1String(name)).value_or(QString()); };
    data.UserID = *id;
    data.UserName = text("UserName");
    data.UserIrsz = text("UserIrsz");
    data.UserHelys = text("UserHelys");
    data.UserCim = text("UserCim");
    data.UserTelefon = text("UserTelefon");
    return true;
}

void loadPartnerData(TUserData& data, const QString& databasePath)
{
    data = TUserData {};
    SettingsStore store(databasePath);
    if (store.openKey(kSettingsRootKey, false))
        readPartnerData(store, data);
}

bool savePartnerData(const TUserData& data, const QString& databasePath)
{
    SettingsStore store(databasePath);
    if (!store.beginTransaction())
        return false;
    if (!store.openKey(kSettingsRootKey, true)) {
        store.rollback();
        return false;
    }
    const bool ok = store.writeInteger(QStringLiteral("UserID"), data.UserID)
        && store.writeString(QStringLiteral("UserName"), data.UserName)
        && store.writeString(QStringLiteral("UserIrsz"), data.UserIrsz)
        && store.writeString(QStringLiteral("UserHelys"), data.UserHelys)
        && store.writeString(QStringLiteral("UserCim"), data.UserCim)
        && store.writeString(QStringLiteral("UserTelefon"), data.UserTelefon);
    if (!ok) {
        store.rollback();
        return false;
    }
    return store.commit();
}

} // namespace pelmar
