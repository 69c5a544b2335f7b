#include "delivery/SendQueue.h"

#include "delivery/OrderSend.h"
#include "platform/SettingsStore.h"
#include "platform/SqliteStatement.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPointer>
#include <QRandomGenerator>

#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace pelmar {

QString sendStateText(SendState state)
{
    switch (state) {
    case SendState::Queued:
        return QStringLiteral("Várakozik");
    case SendState::Sending:
        return QStringLiteral("Küldés");
    case SendState::Waiting:
        return QStringLiteral("Újrapróbálás előtt");
    case SendState::Paused:
        return QStringLiteral("Szüneteltetve");
    case SendState::Delivered:
        return QStringLiteral("Megérkezett");
    case SendState::Failed:
        return QStringLiteral("Sikertelen");
    case SendState::Cancelled:
        return QStringLiteral("Megszakítva");
    }
    return {};
}

bool isFinished(SendState state)
{
    return state == SendState::Delivered || state == SendState::Failed || state == SendState::Cancelled;
}

QString SendQueue::pathBeside(const QString& settingsPath)
{
    return QFileInfo(settingsPath).absolutePath() + QStringLiteral("/send-queue.sqlite");
}

QString SendQueue::defaultPath()
{
    return pathBeside(SettingsStore::defaultDatabasePath());
}

namespace {

constexpr int kApplicationId = 0x504c4d53; // "PLMS"

qint64 msOf(const QDateTime& t)
{
    return t.isValid() ? t.toMSecsSinceEpoch() : 0;
}

QDateTime timeOf(qint64 ms)
{
    return ms > 0 ? QDateTime::fromMSecsSinceEpoch(ms) : QDateTime();
}

// The queue's database: the orders and the files of each as queued. Used on
// the worker thread only.
class QueueStore
{
public:
    explicit QueueStore(const QString& path)
    {
        if (path.isEmpty()) {
            openAt(":memory:");
            return;
        }
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo::exists(folder)) {
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        // Made 0600 before SQLite opens it; its journal gets the same mode.
        const QByteArray native = QFile::encodeName(path);
        const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            ::fchmod(fd, 0600);
            ::close(fd);
        }
        if (openAt(native))
            return;
        close();
        const QString aside = setDamagedDatabaseAside(path);
        m_problem = aside.isEmpty()
            ? QStringLiteral("A küldések listája nem nyitható meg (%1); most csak a memóriában van.").arg(path)
            : QStringLiteral("A küldések listája sérült volt; félretéve: %1").arg(aside);
        const int again = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (again >= 0)
            ::close(again);
        if (aside.isEmpty() || !openAt(native)) {
            close();
            openAt(":memory:");
        }
    }
    ~QueueStore() { close(); }

    const QString& problem() const { return m_problem; }
    sqlite3* db() const { return m_db; }

    bool exec(const char* sql) { return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    QList<SendItem> load(QMap<qint64, QList<SnapshotFile>>& files)
    {
        QList<SendItem> items;
        SqliteStatement q(
            m_db,
            "SELECT id, folder, name, state, bytes_total, bytes_sent, tries, last_error, last_problem, queued_at,"
            " finished_at, next_try_at, cleanup_pending FROM orders ORDER BY id");
        while (q.step() == SQLITE_ROW) {
            SendItem it;
            it.id = q.integer(0);
            it.folder = q.text(1);
            it.name = q.text(2);
            const qint64 state = q.integer(3);
            it.state = state >= 0 && state <= int(SendState::Cancelled) ? SendState(state) : SendState::Failed;
            it.bytesTotal = q.integer(4);
            it.bytesSent = q.integer(5);
            it.tries = int(q.integer(6));
            it.lastError = q.text(7);
            it.lastProblem = SftpProblem(q.integer(8));
            it.queuedAt = timeOf(q.integer(9));
            it.finishedAt = timeOf(q.integer(10));
            it.nextTryAt = timeOf(q.integer(11));
            it.cleanupPending = q.integer(12) != 0;
            items.append(it);
        }
        SqliteStatement f(m_db, "SELECT order_id, path, size, mtime FROM files ORDER BY order_id, path");
        while (f.step() == SQLITE_ROW)
            files[f.integer(0)].append({f.text(1), f.integer(2), f.integer(3)});
        return items;
    }

    // A new order and its files, in one transaction; its id, 0 on failure.
    qint64 insert(SendItem& item, const QList<SnapshotFile>& snapshot)
    {
        if (!exec("BEGIN IMMEDIATE"))
            return 0;
        SqliteStatement ins(m_db,
                            "INSERT INTO orders (folder, name, state, bytes_total, queued_at) VALUES (?, ?, ?, ?, ?)");
        bool ok = ins.bind(1, item.folder) && ins.bind(2, item.name) && ins.bind(3, qint64(item.state))
            && ins.bind(4, item.bytesTotal) && ins.bind(5, msOf(item.queuedAt)) && ins.step() == SQLITE_DONE;
        const qint64 id = ok ? sqlite3_last_insert_rowid(m_db) : 0;
        SqliteStatement file(m_db, "INSERT INTO files (order_id, path, size, mtime) VALUES (?, ?, ?, ?)");
        for (const SnapshotFile& f : snapshot) {
            if (!ok)
                break;
            file.reset();
            ok = file.bind(1, id) && file.bind(2, f.relativePath) && file.bind(3, f.size) && file.bind(4, f.modifiedMs)
                && file.step() == SQLITE_DONE;
        }
        if (!ok || !exec("COMMIT")) {
            exec("ROLLBACK");
            return 0;
        }
        item.id = id;
        return id;
    }

    bool update(const SendItem& it)
    {
        SqliteStatement up(
            m_db,
            "UPDATE orders SET state = ?, bytes_sent = ?, tries = ?, last_error = ?, last_problem = ?, finished_at = ?,"
            " next_try_at = ?, cleanup_pending = ? WHERE id = ?");
        return up.bind(1, qint64(it.state)) && up.bind(2, it.bytesSent) && up.bind(3, qint64(it.tries))
            && up.bind(4, it.lastError) && up.bind(5, qint64(it.lastProblem)) && up.bind(6, msOf(it.finishedAt))
            && up.bind(7, msOf(it.nextTryAt)) && up.bind(8, qint64(it.cleanupPending ? 1 : 0)) && up.bind(9, it.id)
            && up.step() == SQLITE_DONE;
    }

    bool remove(qint64 id)
    {
        if (!exec("BEGIN IMMEDIATE"))
            return false;
        SqliteStatement files(m_db, "DELETE FROM files WHERE order_id = ?");
        SqliteStatement order(m_db, "DELETE FROM orders WHERE id = ?");
        const bool ok
            = files.bind(1, id) && files.step() == SQLITE_DONE && order.bind(1, id) && order.step() == SQLITE_DONE;
        if (!ok || !exec("COMMIT")) {
            exec("ROLLBACK");
            return false;
        }
        return true;
    }

private:
    bool openAt(const QByteArray& name)
    {
        if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            return false;
        sqlite3_busy_timeout(m_db, 2000);
        {
            SqliteStatement check(m_db, "PRAGMA quick_check");
            if (check.step() != SQLITE_ROW || check.text(0) != QLatin1String("ok"))
                return false;
        }
        qint64 appId = 0;
        qint64 tables = 0;
        {
            SqliteStatement id(m_db, "PRAGMA application_id");
            SqliteStatement count(m_db, "SELECT count(*) FROM sqlite_master");
            if (id.step() != SQLITE_ROW || count.step() != SQLITE_ROW)
                return false;
            appId = id.integer(0);
            tables = count.integer(0);
        }
        if (tables > 0 && appId != kApplicationId)
            return false; // another program's database: set aside, never changed
        // Every change is on the disk before the next step of a send.
        return exec("PRAGMA synchronous = FULL")
            && exec("PRAGMA application_id = 1347177811;"
                    "CREATE TABLE IF NOT EXISTS orders (id INTEGER PRIMARY KEY AUTOINCREMENT, folder TEXT NOT NULL,"
                    " name TEXT NOT NULL, state INTEGER NOT NULL, bytes_total INTEGER NOT NULL DEFAULT 0,"
                    " bytes_sent INTEGER NOT NULL DEFAULT 0, tries INTEGER NOT NULL DEFAULT 0, last_error TEXT,"
                    " last_problem INTEGER NOT NULL DEFAULT 0, queued_at INTEGER, finished_at INTEGER,"
                    " next_try_at INTEGER, cleanup_pending INTEGER NOT NULL DEFAULT 0);"
                    "CREATE TABLE IF NOT EXISTS files (order_id INTEGER NOT NULL, path TEXT NOT NULL,"
                    " size INTEGER NOT NULL, mtime INTEGER NOT NULL, PRIMARY KEY (order_id, path));");
    }
    void close()
    {
        if (m_db)
            sqlite3_close_v2(m_db);
        m_db = nullptr;
    }

    sqlite3* m_db = nullptr;
    QString m_problem;
};

static_assert(kApplicationId == 1347177811);

} // namespace

class SendQueue::Worker
{
public:
    Worker(SendQueue* owner, const QString& path)
        : m_owner(owner)
        , m_path(path)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~Worker()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
            if (m_active)
                m_active->stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    // Runs fn on the worker thread, in order.
    void post(std::function<void()> fn)
    {
        {
            std::lock_guard lock(m_mutex);
            m_commands.push_back(std::move(fn));
        }
        m_wake.notify_all();
    }

    // Stops the send in hand at once when it is this order's; the command
    // that follows then says what becomes of it.
    void stopActive(qint64 id, SendState then)
    {
        std::lock_guard lock(m_mutex);
        if (m_active && m_activeId == id) {
            m_stopAs = then;
            m_active->stop = true;
        }
    }

    std::mutex m_mutex;
    LabConnection m_connection; // guarded by m_mutex
    QString m_password;
    SendPolicy m_policy;
    bool m_running = true;

private:
    struct Row
    {
        SendItem item;
        OrderSnapshot snapshot;
    };

    void run();
    void runCommands();
    void publish(const SendItem& item);
    void save(Row& row); // one transaction: the row's new state
    Row* next(qint64& waitMs);
    void send(Row& row);
    void enqueue(const QString& folder);
    void cleanUp(SftpSession& session);
    void checkIdle();

    SendQueue* m_owner;
    QString m_path;
    std::thread m_thread;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_commands;
    bool m_quit = false;
    SendControl* m_active = nullptr;
    qint64 m_activeId = 0;
    SendState m_stopAs = SendState::Queued;
    bool m_wasIdle = false;

    // worker thread only
    std::unique_ptr<QueueStore> m_store;
    QMap<qint64, Row> m_rows;

    friend class SendQueue;
};

void SendQueue::Worker::publish(const SendItem& item)
{
    QMetaObject::invokeMethod(
        m_owner, [owner = m_owner, item] { owner->apply(item); }, Qt::QueuedConnection);
}

void SendQueue::Worker::save(Row& row)
{
    if (!m_store->update(row.item) && row.item.lastError.isEmpty())
        row.item.lastError
            = QStringLiteral("A küldések listája nem írható; a program következő indításakor ez a lépés hiányozhat.");
    publish(row.item);
}

void SendQueue::Worker::run()
{
    m_store = std::make_unique<QueueStore>(m_path);
    QMap<qint64, QList<SnapshotFile>> files;
    const QList<SendItem> items = m_store->load(files);
    for (SendItem item : items) {
        Row row;
        // A send the program was in when it ended goes on where it stopped.
        if (item.state == SendState::Sending) {
            item.state = SendState::Queued;
            m_store->update(item);
        }
        row.item = item;
        row.snapshot.folder = item.folder;
        row.snapshot.files = files.value(item.id);
        m_rows.insert(item.id, row);
    }
    const QString problem = m_store->problem();
    QMetaObject::invokeMethod(
        m_owner,
        [owner = m_owner, items = m_rows.values(), problem] {
            for (const Row& r : items)
                owner->apply(r.item);
            owner->m_loaded = true;
            emit owner->loaded(problem);
        },
        Qt::QueuedConnection);

    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        lock.unlock();
        runCommands();
        qint64 waitMs = -1;
        Row* row = next(waitMs);
        lock.lock();
        if (m_quit)
            break;
        if (row && m_running && m_commands.empty()) {
            lock.unlock();
            send(*row);
            lock.lock();
            continue;
        }
        if (!m_commands.empty())
            continue;
        lock.unlock();
        checkIdle();
        lock.lock();
        if (!m_commands.empty() || m_quit)
            continue;
        if (waitMs < 0)
            m_wake.wait(lock);
        else
            m_wake.wait_for(lock, std::chrono::milliseconds(waitMs));
    }
}

void SendQueue::Worker::runCommands()
{
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(m_mutex);
            if (m_commands.empty())
                return;
            fn = std::move(m_commands.front());
            m_commands.pop_front();
        }
        fn();
    }
}

void SendQueue::Worker::checkIdle()
{
    bool idle = true;
    for (const Row& r : m_rows) {
        if (r.item.state == SendState::Queued || r.item.state == SendState::Sending
            || r.item.state == SendState::Waiting)
            idle = false;
    }
    if (idle && !m_wasIdle)
        QMetaObject::invokeMethod(
            m_owner, [owner = m_owner] { emit owner->idle(); }, Qt::QueuedConnection);
    m_wasIdle = idle;
}

SendQueue::Worker::Row* SendQueue::Worker::next(qint64& waitMs)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Row* waiting = nullptr;
    for (Row& r : m_rows) {
        if (r.item.state == SendState::Queued)
            return &r;
        if (r.item.state == SendState::Waiting) {
            const qint64 left = now.msecsTo(r.item.nextTryAt);
            if (left <= 0)
                return &r;
            if (waitMs < 0 || left < waitMs) {
                waitMs = left;
                waiting = &r;
            }
        }
    }
    Q_UNUSED(waiting);
    return nullptr;
}

void SendQueue::Worker::enqueue(const QString& folder)
{
    auto answer = [this, folder](qint64 id, const QString& problem) {
        QMetaObject::invokeMethod(
            m_owner, [owner = m_owner, folder, id, problem] { emit owner->enqueued(folder, id, problem); },
            Qt::QueuedConnection);
    };
    QString problem;
    auto snapshot = takeOrderSnapshot(folder, &problem);
    if (!snapshot)
        return answer(0, problem);
    for (const Row& r : m_rows) {
        if (isFinished(r.item.state))
            continue;
        if (r.item.folder == snapshot->folder)
            return answer(0, QStringLiteral("Ez a megrendelés már a küldendők között van."));
        if (r.item.name == snapshot->name())
            return answer(
                0, QStringLiteral("Egy azonos nevű megrendelés már a küldendők között van: %1").arg(r.item.folder));
    }
    Row row;
    row.snapshot = *snapshot;
    row.item.folder = snapshot->folder;
    row.item.name = snapshot->name();
    row.item.bytesTotal = snapshot->totalBytes();
    row.item.queuedAt = QDateTime::currentDateTimeUtc();
    if (!m_store->insert(row.item, snapshot->files))
        return answer(
            0,
            QStringLiteral("A küldések listája nem írható: %1").arg(QString::fromUtf8(sqlite3_errmsg(m_store->db()))));
    m_rows.insert(row.item.id, row);
    m_wasIdle = false;
    publish(row.item);
    answer(row.item.id, {});
}

void SendQueue::Worker::cleanUp(SftpSession& session)
{
    for (Row& r : m_rows) {
        if (!r.item.cleanupPending || r.item.id == m_activeId)
            continue;
        if (!removePartialOrder(session, r.item.name))
            return;
        r.item.cleanupPending = false;
        save(r);
    }
}

void SendQueue::Worker::send(Row& row)
{
    LabConnection connection;
    QString password;
    SendPolicy policy;
    SendControl control;
    {
        std::lock_guard lock(m_mutex);
        connection = m_connection;
        password = m_password;
        policy = m_policy;
        m_active = &control;
        m_activeId = row.item.id;
        m_stopAs = SendState::Queued;
    }
    const qint64 id = row.item.id;
    row.item.state = SendState::Sending;
    row.item.tries += 1;
    row.item.nextTryAt = {};
    row.item.currentFile.clear();
    save(row);

    // The recent rate: bytes over the last few seconds.
    QElapsedTimer clock;
    clock.start();
    struct Sample
    {
        qint64 ms;
        qint64 bytes;
    };
    std::deque<Sample> samples;
    qint64 lastPublished = -1000;
    control.progress = [&](const SendCounters& c) {
        Row* r = m_rows.contains(id) ? &m_rows[id] : nullptr;
        if (!r)
            return;
        const qint64 now = clock.elapsed();
        samples.push_back({now, c.bytesSent});
        while (samples.size() > 2 && now - samples.front().ms > 5000)
            samples.pop_front();
        r->item.bytesSent = c.bytesSent;
        r->item.currentFile = c.currentFile;
        const qint64 span = samples.back().ms - samples.front().ms;
        const qint64 moved = samples.back().bytes - samples.front().bytes;
        if (span >= 500 && moved >= 0) {
            r->item.bytesPerSecond = double(moved) * 1000.0 / double(span);
            r->item.secondsLeft = r->item.bytesPerSecond > 0
                ? int(double(c.bytesTotal - c.bytesSent) / r->item.bytesPerSecond + 0.5)
                : -1;
        }
        if (now - lastPublished >= 100) {
            lastPublished = now;
            publish(r->item);
            // Orders queued meanwhile are taken in while the send goes on.
            runCommands();
        }
    };

    SftpSession session(connection, password);
    session.setStallSeconds(policy.stallSeconds);
    session.setConnectTimeoutSeconds(std::clamp(policy.stallSeconds, 1, 30));
    SendOutcome out = sendOrder(session, row.snapshot, control);
    // A connection that worked also takes away what cancelled sends left.
    if (out.delivered || !isTransient(out.error.problem))
        cleanUp(session);

    SendState stopAs;
    bool quitting;
    {
        std::lock_guard lock(m_mutex);
        m_active = nullptr;
        m_activeId = 0;
        stopAs = m_stopAs;
        quitting = m_quit;
    }
    if (!m_rows.contains(id))
        return;
    Row& r = m_rows[id];
    r.item.bytesPerSecond = 0;
    r.item.secondsLeft = -1;
    if (out.delivered) {
        r.item.state = SendState::Delivered;
        r.item.bytesSent = r.item.bytesTotal;
        r.item.currentFile.clear();
        r.item.lastError.clear();
        r.item.lastProblem = SftpProblem::None;
        r.item.finishedAt = QDateTime::currentDateTimeUtc();
        save(r);
        return;
    }
    if (control.stop && (out.error.problem == SftpProblem::Cancelled || stopAs != SendState::Queued || quitting)) {
        if (quitting && stopAs == SendState::Queued) {
            r.item.state = SendState::Queued; // goes on at the next start
            save(r);
            return;
        }
        if (stopAs == SendState::Cancelled) {
            SftpSession cleaner(connection, password);
            cleaner.setStallSeconds(std::min(policy.stallSeconds, 10));
            cleaner.setConnectTimeoutSeconds(10);
            r.item.cleanupPending = !removePartialOrder(cleaner, r.item.name);
            r.item.state = SendState::Cancelled;
            r.item.finishedAt = QDateTime::currentDateTimeUtc();
        } else {
            r.item.state = stopAs == SendState::Paused ? SendState::Paused : SendState::Queued;
        }
        save(r);
        return;
    }
    r.item.lastError = out.error.message;
    r.item.lastProblem = out.error.problem;
    if (out.error.problem == SftpProblem::HostKeyUnknown) {
        const QString host = connection.host;
        const QString seen = session.seenHostKey();
        QMetaObject::invokeMethod(
            m_owner, [owner = m_owner, host, seen] { emit owner->hostKeyUnknown(host, seen); }, Qt::QueuedConnection);
    }
    const bool again = isTransient(out.error.problem) && (policy.maxTries <= 0 || r.item.tries < policy.maxTries);
    if (again) {
        r.item.state = SendState::Waiting;
        r.item.nextTryAt = QDateTime::currentDateTimeUtc().addSecs(policy.pauseBeforeTry(r.item.tries + 1));
    } else {
        r.item.state = SendState::Failed;
        r.item.finishedAt = QDateTime::currentDateTimeUtc();
    }
    save(r);
}

SendQueue::SendQueue(const QString& databasePath, QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<pelmar::SendItem>();
    m_worker = std::make_unique<Worker>(this, databasePath);
}

SendQueue::~SendQueue()
{
    m_worker.reset();
}

const SendItem* SendQueue::order(qint64 id) const
{
    for (const SendItem& it : m_items) {
        if (it.id == id)
            return &it;
    }
    return nullptr;
}

void SendQueue::apply(const SendItem& item)
{
    bool found = false;
    for (SendItem& it : m_items) {
        if (it.id == item.id) {
            it = item;
            found = true;
            break;
        }
    }
    if (!found)
        m_items.append(item);
    emit itemChanged(item);
}

void SendQueue::applyRemoved(qint64 id)
{
    m_items.removeIf([id](const SendItem& it) { return it.id == id; });
    emit itemRemoved(id);
}

void SendQueue::setConnection(const LabConnection& connection)
{
    std::lock_guard lock(m_worker->m_mutex);
    m_worker->m_connection = connection;
}

LabConnection SendQueue::connection() const
{
    std::lock_guard lock(m_worker->m_mutex);
    return m_worker->m_connection;
}

void SendQueue::setPassword(const QString& password)
{
    std::lock_guard lock(m_worker->m_mutex);
    m_worker->m_password = password;
}

void SendQueue::setPolicy(const SendPolicy& policy)
{
    std::lock_guard lock(m_worker->m_mutex);
    m_worker->m_policy = policy;
}

void SendQueue::setRunning(bool running)
{
    {
        std::lock_guard lock(m_worker->m_mutex);
        m_worker->m_running = running;
    }
    m_worker->post([] {});
}

void SendQueue::enqueue(const QString& folder)
{
    Worker* w = m_worker.get();
    w->post([w, folder] { w->enqueue(folder); });
}

void SendQueue::pause(qint64 id)
{
    Worker* w = m_worker.get();
    w->stopActive(id, SendState::Paused);
    w->post([w, id] {
        if (!w->m_rows.contains(id) || id == w->m_activeId)
            return;
        auto& r = w->m_rows[id];
        if (r.item.state == SendState::Queued || r.item.state == SendState::Waiting) {
            r.item.state = SendState::Paused;
            r.item.nextTryAt = {};
            w->save(r);
        }
    });
}

void SendQueue::resume(qint64 id)
{
    Worker* w = m_worker.get();
    w->post([w, id] {
        if (!w->m_rows.contains(id))
            return;
        auto& r = w->m_rows[id];
        if (r.item.state == SendState::Paused || r.item.state == SendState::Waiting) {
            r.item.state = SendState::Queued;
            r.item.nextTryAt = {};
            w->m_wasIdle = false;
            w->save(r);
        }
    });
}

void SendQueue::cancel(qint64 id)
{
    Worker* w = m_worker.get();
    w->stopActive(id, SendState::Cancelled);
    w->post([w, id] {
        if (!w->m_rows.contains(id) || id == w->m_activeId)
            return;
        auto& r = w->m_rows[id];
        if (isFinished(r.item.state))
            return;
        // What earlier tries left at the lab goes at the next connection.
        r.item.state = SendState::Cancelled;
        r.item.cleanupPending = r.item.tries > 0;
        r.item.finishedAt = QDateTime::currentDateTimeUtc();
        r.item.nextTryAt = {};
        w->save(r);
    });
}

void SendQueue::retry(qint64 id)
{
    Worker* w = m_worker.get();
    w->post([w, id] {
        if (!w->m_rows.contains(id))
            return;
        auto& r = w->m_rows[id];
        if (r.item.state == SendState::Sending || r.item.state == SendState::Queued)
            return;
        r.item.state = SendState::Queued;
        r.item.tries = 0;
        r.item.nextTryAt = {};
        r.item.finishedAt = {};
        r.item.lastError.clear();
        r.item.lastProblem = SftpProblem::None;
        r.item.cleanupPending = false;
        w->m_wasIdle = false;
        w->save(r);
    });
}

void SendQueue::remove(qint64 id)
{
    Worker* w = m_worker.get();
    w->post([w, id] {
        if (!w->m_rows.contains(id) || !isFinished(w->m_rows[id].item.state) || w->m_rows[id].item.cleanupPending)
            return;
        if (!w->m_store->remove(id))
            return;
        w->m_rows.remove(id);
        QMetaObject::invokeMethod(
            w->m_owner, [owner = w->m_owner, id] { owner->applyRemoved(id); }, Qt::QueuedConnection);
    });
}

// --- The connection test. ---

ConnectionTestResult ConnectionTester::run(const LabConnection& connection, const QString& password)
{
    ConnectionTestResult result;
    SftpSession session(connection, password);
    session.setStallSeconds(20);
    session.setConnectTimeoutSeconds(15);
    auto fail = [&](const SftpError& error) {
        result.problem = error.problem;
        result.message = error.message;
        result.seenHostKey = session.seenHostKey();
        return result;
    };
    if (!session.connect())
        return fail(session.lastError());
    result.seenHostKey = session.seenHostKey();
    if (!session.list(connection.remoteFolder)) {
        if (session.lastError())
            return fail(session.lastError());
        return fail(
            {SftpProblem::RemoteFolderMissing,
             sftpProblemMessage(SftpProblem::RemoteFolderMissing, QStringLiteral("(%1)").arg(connection.remoteFolder)),
             {}});
    }
    const RemoteOrderPaths paths(connection.remoteFolder, QStringLiteral("x"));
    const QString probe = paths.incoming
        + QStringLiteral("/.pelmar-test-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    if (!session.put(QByteArrayLiteral("Pelmar\n"), probe)) {
        SftpError e = session.lastError();
        if (e.problem == SftpProblem::RemoteFolderMissing || e.problem == SftpProblem::Other)
            e = {SftpProblem::RemoteNotWritable,
                 sftpProblemMessage(SftpProblem::RemoteNotWritable, QStringLiteral("(%1)").arg(e.detail)), e.detail};
        return fail(e);
    }
    if (!session.remove(probe))
        return fail(session.lastError());
    result.ok = true;
    result.message = QStringLiteral("A kapcsolat rendben van: a labor szervere elérhető, a kulcsa egyezik, "
                                    "a bolt beléphet, és a labor mappájába lehet írni.");
    return result;
}

namespace {
struct TesterLink
{
    std::mutex mutex;
    ConnectionTester* target = nullptr;
};
} // namespace

ConnectionTester::ConnectionTester(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<pelmar::ConnectionTestResult>();
}

ConnectionTester::~ConnectionTester()
{
    if (m_link) {
        auto* link = static_cast<TesterLink*>(m_link.get());
        std::lock_guard lock(link->mutex);
        link->target = nullptr;
    }
}

void ConnectionTester::start(const LabConnection& connection, const QString& password)
{
    if (m_link) {
        auto* old = static_cast<TesterLink*>(m_link.get());
        std::lock_guard lock(old->mutex);
        old->target = nullptr; // its answer is dropped
    }
    auto link = std::make_shared<TesterLink>();
    link->target = this;
    m_link = link;
    m_running = true;
    std::thread([link, connection, password] {
        const ConnectionTestResult result = run(connection, password);
        std::lock_guard lock(link->mutex);
        if (!link->target)
            return;
        ConnectionTester* target = link->target;
        QMetaObject::invokeMethod(
            target,
            [target, result, link] {
                if (target->m_link != link)
                    return; // a later test is running
                target->m_running = false;
                emit target->finished(result);
            },
            Qt::QueuedConnection);
    }).detach();
}

} // namespace pelmar
