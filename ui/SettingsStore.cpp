#include "ui/SettingsStore.h"

#include "platform/MessageBox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

namespace pelmar {

namespace {

QString& pathOverride()
{
    static QString path;
    return path;
}

// A prepared statement that finalizes itself.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (db)
            m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_stmt != nullptr && m_rc == SQLITE_OK; }
    int prepareCode() const { return m_rc; }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_stmt, i, v); }
    void bind(int i, const QString& s)
    {
        const QByteArray utf8 = s.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bindNull(int i) { sqlite3_bind_null(m_stmt, i); }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return ok() ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    qint64 integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    QString text(int col) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, col)) : QString();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

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

bool isDamageCode(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
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
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (openDatabase())
        return;
    if (!m_db)
        return;
    // The file is there but is no settings database we can read. Keep it
    // under a new name, so whatever is in it can still be rescued, and start
    // with a fresh one.
    closeDatabase();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = m_path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = m_path + QStringLiteral(".damaged-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(m_path, target))
        return; // cannot move it aside: leave it alone and run without a store
    for (const char* side : {"-journal", "-wal", "-shm"}) {
        const QString from = m_path + QLatin1String(side);
        if (QFileInfo::exists(from))
            QFile::rename(from, target + QLatin1String(side));
    }
    m_setAside = target;
    if (!openDatabase())
        closeDatabase();
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

// Returns true when the database is open and usable. On false, m_db is left
// open only when the file itself is damaged (the caller sets it aside);
// any other failure closes it.
bool SettingsStore::openDatabase()
{
    const QByteArray native = QFile::encodeName(m_path);
    if (sqlite3_open_v2(native.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        closeDatabase();
        return false;
    }
    sqlite3_busy_timeout(m_db, 3000);
    sqlite3_extended_result_codes(m_db, 1);

    bool damaged = false;
    {
        Statement check(m_db, "PRAGMA quick_check");
        if (!check.ok()) {
            damaged = isDamageCode(check.prepareCode());
        } else {
            const int rc = check.step();
            if (rc == SQLITE_ROW)
                damaged = check.text(0) != QLatin1String("ok");
            else
                damaged = isDamageCode(rc);
            if (rc != SQLITE_ROW && !damaged) {
                closeDatabase();
                return false;
            }
        }
    }
    if (damaged)
        return false;
    if (!prepareSchema()) {
        // A foreign or broken layout counts as damaged; a lock or a full
        // disk does not, and the file is left exactly as it is.
        const int rc = sqlite3_errcode(m_db);
        if (isDamageCode(rc) || (rc & 0xff) == SQLITE_ERROR)
            return false;
        closeDatabase();
        return false;
    }
    return true;
}

bool SettingsStore::prepareSchema()
{
    if (!exec(kSchema))
        return false;
    // A table of ours with other columns (or a foreign file that happens to
    // use our names) must not be read as settings.
    Statement keys(m_db, "SELECT id, path FROM settings_key LIMIT 0");
    Statement values(m_db, "SELECT id, key_id, name, kind, number, text FROM settings_value LIMIT 0");
    return keys.ok() && values.ok();
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
    Statement q(m_db, "SELECT id FROM settings_key WHERE path = ?1");
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
        Statement ins(m_db, "INSERT OR IGNORE INTO settings_key(path) VALUES (?1)");
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
    Statement q(m_db, "SELECT kind, number, text FROM settings_value WHERE key_id = ?1 AND name = ?2");
    q.bind(1, m_key);
    q.bind(2, name);
    if (q.step() != SQLITE_ROW)
        return std::nullopt;
    return Stored{Kind(q.integer(0)), q.integer(1), q.text(2)};
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
    Statement q(m_db, "SELECT name FROM settings_value WHERE key_id = ?1 ORDER BY id");
    q.bind(1, m_key);
    while (q.step() == SQLITE_ROW)
        names.append(q.text(0));
    return names;
}

bool SettingsStore::writeValue(const QString& name, Kind kind, qint64 number, const QString& text)
{
    if (m_key < 0 || !m_writable)
        return false;
    // An UPDATE keeps the row (and so the value's place in the listing);
    // only a value that is new gets a new place at the end.
    Statement upd(m_db, "UPDATE settings_value SET kind = ?3, number = ?4, text = ?5 WHERE key_id = ?1 AND name = ?2");
    upd.bind(1, m_key);
    upd.bind(2, name);
    upd.bind(3, qint64(kind));
    upd.bind(4, number);
    if (kind == Kind::String)
        upd.bind(5, text);
    else
        upd.bindNull(5);
    if (upd.step() != SQLITE_DONE)
        return false;
    if (sqlite3_changes(m_db) > 0)
        return true;
    Statement ins(m_db, "INSERT INTO settings_value(key_id, name, kind, number, text) VALUES (?1, ?2, ?3, ?4, ?5)");
    ins.bind(1, m_key);
    ins.bind(2, name);
    ins.bind(3, qint64(kind));
    ins.bind(4, number);
    if (kind == Kind::String)
        ins.bind(5, text);
    else
        ins.bindNull(5);
    return ins.step() == SQLITE_DONE;
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

void reportSetAside(QWidget* parent, const SettingsStore& store)
{
    if (store.setAsidePath().isEmpty())
        return;
    MessageBox::information(parent, QStringLiteral("A beállítások adatbázisa sérült volt, ezért a program az "
                                                   "alapértelmezett beállításokkal indul.\n\nA sérült fájlt "
                                                   "megőriztük ezen a néven:\n%1")
                                        .arg(QDir::toNativeSeparators(store.setAsidePath())));
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
    data = TUserData{};
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
