#include "platform/OrderJournal.h"
#include "platform/PrivateFiles.h"
#include "platform/SqliteStatement.h"

#include "core/NativePath.h"
#include "core/PriceData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sqlite3.h>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace pelmar {

namespace {

// Marks the file as ours, so another program's database of the same name is
// never read as an order.
constexpr int kApplicationId = 0x504c4d4a;

bool isDamageCode(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// The lines kept for later; a journal of an earlier version gets the table at
// its first write.
const char* const kWaitingTable = "CREATE TABLE IF NOT EXISTS waiting_line (pos INTEGER PRIMARY KEY, path TEXT NOT"
                                  " NULL, entry TEXT NOT NULL, fill INTEGER NOT NULL, quantity INTEGER NOT NULL)";

// Why opening failed: the file is not a journal of ours (set it aside), or
// something passing or outside the file (leave it alone).
enum class OpenFailure { None, Damaged, Unavailable };

} // namespace

QString OrderJournal::pathBeside(const QString& settingsPath)
{
    return QFileInfo(settingsPath).absolutePath() + QStringLiteral("/order-journal.sqlite");
}

OrderJournal::OrderJournal(const QString& path)
    : m_path(path)
{
    MakePrivateFolder(QFileInfo(m_path).absolutePath());
    if (open())
        return;
    if (!m_db)
        return;
    // Damaged: keep it under a new name, as the settings store does, and
    // start an empty journal.
    close();
    m_setAside = setDamagedDatabaseAside(m_path);
    if (m_setAside.isEmpty())
        return;
    if (!open())
        close();
}

OrderJournal::~OrderJournal()
{
    close();
}

void OrderJournal::close()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void OrderJournal::remember()
{
    m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("nincs adatbázis");
}

bool OrderJournal::exec(const char* sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    remember();
    return false;
}

// True when open and every stored line is readable. On false m_db stays open
// only when the file is damaged (the constructor sets it aside).
bool OrderJournal::open()
{
    PreparePrivateDatabase(m_path);
    const QByteArray native = QFile::encodeName(m_path);
    if (sqlite3_open_v2(native.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        remember();
        close();
        return false;
    }
    sqlite3_busy_timeout(m_db, 2000);
    sqlite3_extended_result_codes(m_db, 1);

    auto fail = [this](int rc) {
        remember();
        if (!isDamageCode(rc))
            close();
        return false;
    };
    {
        SqliteStatement check(m_db, "PRAGMA quick_check");
        const int rc = check.step();
        if (rc != SQLITE_ROW)
            return fail(check.ok() ? rc : check.prepareCode());
        if (check.text(0) != QLatin1String("ok"))
            return fail(SQLITE_CORRUPT);
    }
    // Whether the file is ours, empty (new) or someone else's.
    auto owner = [this](int& appId, qint64& tables) {
        SqliteStatement id(m_db, "PRAGMA application_id");
        if (id.step() != SQLITE_ROW)
            return false;
        appId = int(id.integer(0));
        SqliteStatement count(m_db, "SELECT count(*) FROM sqlite_master");
        if (count.step() != SQLITE_ROW)
            return false;
        tables = count.integer(0);
        return true;
    };
    int appId = 0;
    qint64 tables = 0;
    if (!owner(appId, tables))
        return fail(sqlite3_errcode(m_db));
    if (appId != kApplicationId && (appId != 0 || tables != 0))
        return fail(SQLITE_NOTADB);
    // The write-ahead log costs one flush per command; a file system that
    // cannot keep one still works with the usual rollback journal.
    sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (!exec("PRAGMA synchronous=FULL"))
        return fail(sqlite3_errcode(m_db));
    if (appId == 0) {
        // Made under the write lock, so a second program starting at the same
        // moment never sees a half-made journal as a foreign one.
        if (!exec("BEGIN IMMEDIATE"))
            return fail(sqlite3_errcode(m_db));
        bool ok = owner(appId, tables);
        if (ok && appId == 0 && tables == 0) {
            const QByteArray mark = "PRAGMA application_id=" + QByteArray::number(kApplicationId) + ';';
            ok = exec("CREATE TABLE order_line (pos INTEGER PRIMARY KEY, path TEXT NOT NULL,"
                      " entry TEXT NOT NULL, fill INTEGER NOT NULL, quantity INTEGER NOT NULL)")
                && exec(kWaitingTable) && exec(mark.constData());
        } else if (ok && appId != kApplicationId) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            return fail(SQLITE_NOTADB);
        }
        if (!ok || !exec("COMMIT")) {
            const int rc = sqlite3_errcode(m_db);
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            return fail(rc);
        }
    }
    // Every line must read back as one; anything else is a damaged journal.
    // The table of lines kept for later is younger than the journal: an
    // earlier version's journal has none.
    for (const char* table : {"order_line", "waiting_line"}) {
        const QByteArray sql = QByteArray("SELECT path, entry, fill, quantity FROM ") + table + " ORDER BY pos";
        SqliteStatement read(m_db, sql.constData());
        if (table == std::string_view("waiting_line")) {
            SqliteStatement there(m_db, "SELECT count(*) FROM sqlite_master WHERE name = 'waiting_line'");
            if (there.step() == SQLITE_ROW && there.integer(0) == 0)
                break;
        }
        if (!read.ok())
            return fail(isDamageCode(read.prepareCode()) ? read.prepareCode() : SQLITE_CORRUPT);
        int rc;
        while ((rc = read.step()) == SQLITE_ROW) {
            if (read.type(0) != SQLITE_TEXT || read.type(1) != SQLITE_TEXT || read.type(2) != SQLITE_INTEGER
                || read.type(3) != SQLITE_INTEGER)
                return fail(SQLITE_CORRUPT);
            const qint64 fill = read.integer(2);
            const qint64 quantity = read.integer(3);
            if ((fill != 0 && fill != 1) || quantity < 0 || quantity > 1000 || read.bytes(0).isEmpty())
                return fail(SQLITE_CORRUPT);
        }
        if (rc != SQLITE_DONE)
            return fail(rc);
    }
    return true;
}

QList<JournalLine> OrderJournal::read(const char* sql)
{
    QList<JournalLine> out;
    if (!m_db)
        return out;
    SqliteStatement read(m_db, sql);
    while (read.step() == SQLITE_ROW) {
        JournalLine line;
        line.path = PathFromNative(read.bytes(0));
        line.entry = read.text(1);
        line.fill = read.integer(2) != 0;
        line.quantity = int(read.integer(3));
        out.append(line);
    }
    return out;
}

QList<JournalLine> OrderJournal::lines()
{
    return read("SELECT path, entry, fill, quantity FROM order_line ORDER BY pos");
}

QList<JournalLine> OrderJournal::waiting()
{
    return read("SELECT path, entry, fill, quantity FROM waiting_line ORDER BY pos");
}

bool OrderJournal::discard()
{
    close();
    bool gone = true;
    for (const char* side : {"", "-wal", "-shm", "-journal"}) {
        const QByteArray file = QFile::encodeName(m_path) + side;
        if (::unlink(file.constData()) != 0 && errno != ENOENT) {
            m_error = QString::fromStdString(std::generic_category().message(errno));
            gone = false;
        }
    }
    return gone;
}

bool OrderJournal::replace(const QList<JournalLine>& lines, const QList<JournalLine>& waiting)
{
    if (!m_db) {
        m_error = QStringLiteral("a napló nem nyitható meg");
        return false;
    }
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    bool ok = exec(kWaitingTable) && exec("DELETE FROM order_line") && exec("DELETE FROM waiting_line");
    for (const auto& [table, list] : {std::pair {"order_line", &lines}, std::pair {"waiting_line", &waiting}}) {
        if (!ok || list->isEmpty())
            continue;
        const QByteArray sql
            = QByteArray("INSERT INTO ") + table + " (pos, path, entry, fill, quantity) VALUES (?, ?, ?, ?, ?)";
        SqliteStatement insert(m_db, sql.constData());
        ok = insert.ok();
        for (qsizetype i = 0; ok && i < list->size(); ++i) {
            const JournalLine& l = (*list)[i];
            ok = insert.bind(1, i) && insert.bindBytes(2, NativePath(l.path)) && insert.bind(3, l.entry)
                && insert.bind(4, l.fill ? 1 : 0) && insert.bind(5, l.quantity) && insert.step() == SQLITE_DONE;
            insert.reset();
        }
        if (!ok)
            remember();
    }
    if (ok && exec("COMMIT"))
        return true;
    const QString error = m_error;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_error = error;
    return false;
}

JournalLine JournalLineOf(const OrderLine& line, const QStringList& priceList, const QStringList& sizes)
{
    // A converted picture is restored from its original (converted again
    // when the converted file is gone).
    JournalLine out {line.originalPath(), QString(), line.fill() != QLatin1String("fit"), line.quantityText().toInt()};
    const int found = FindSizeIndex(sizes, line.size());
    if (found >= 0) {
        out.entry = priceList[found];
    } else {
        TPriceData gone;
        gone.Size = line.size();
        gone.Price = line.Data;
        out.entry = ComposePriceData(gone);
    }
    return out;
}

JournalWriter::JournalWriter(OrderJournal& journal, Done done)
    : m_journal(journal)
    , m_done(std::move(done))
    , m_thread([this] { run(); })
{
}

JournalWriter::~JournalWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void JournalWriter::post(Lines lines)
{
    {
        const std::lock_guard lock(m_mutex);
        m_pending = std::move(lines);
    }
    m_changed.notify_all();
}

void JournalWriter::wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_pending && !m_busy; });
}

void JournalWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || m_pending; });
        if (!m_pending)
            return;
        const Lines make = std::exchange(m_pending, nullptr);
        m_busy = true;
        lock.unlock();
        const JournalContent content = make();
        const bool written = m_journal.replace(content.order, content.waiting);
        m_done(written, written ? QString() : m_journal.errorText());
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace pelmar
