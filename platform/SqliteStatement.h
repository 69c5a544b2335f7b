#pragma once

#include <QString>

#include <sqlite3.h>

namespace pelmar {

// What the settings store and the order journal share of SQLite.

// Moves a database file that cannot be read out of the way, so whatever is
// in it can still be rescued and a fresh one can take its place: renamed to
// "<path>.damaged-<date-time>" (with "-2", "-3"... when that exists), its
// -journal, -wal and -shm files beside it. The new name; empty when the file
// could not be moved.
QString setDamagedDatabaseAside(const QString& path);

// A prepared statement that finalizes itself.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3* db, const char* sql)
    {
        if (db)
            m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~SqliteStatement() { sqlite3_finalize(m_stmt); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool ok() const { return m_stmt != nullptr && m_rc == SQLITE_OK; }
    int prepareCode() const { return m_rc; }
    // SQLITE_ROW, SQLITE_DONE or an error code (the preparation's, when that
    // failed).
    int step() { return ok() ? sqlite3_step(m_stmt) : (m_rc == SQLITE_OK ? SQLITE_ERROR : m_rc); }
    void reset() { sqlite3_reset(m_stmt); }
    bool bind(int i, qint64 v) { return sqlite3_bind_int64(m_stmt, i, v) == SQLITE_OK; }
    bool bind(int i, const QString& s)
    {
        const QByteArray utf8 = s.toUtf8();
        return sqlite3_bind_text(m_stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    }
    // Bytes as they are, for a file name that may hold bytes that are no
    // UTF-8 (core/NativePath.h).
    bool bindBytes(int i, const QByteArray& bytes)
    {
        return sqlite3_bind_text(m_stmt, i, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    }
    bool bindNull(int i) { return sqlite3_bind_null(m_stmt, i) == SQLITE_OK; }
    int type(int col) const { return sqlite3_column_type(m_stmt, col); }
    qint64 integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    QString text(int col) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, col)) : QString();
    }
    QByteArray bytes(int col) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
        return p ? QByteArray(p, sqlite3_column_bytes(m_stmt, col)) : QByteArray();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

} // namespace pelmar
