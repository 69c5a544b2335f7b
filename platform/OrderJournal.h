#pragma once

#include "core/OrderModel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

struct sqlite3;

namespace pelmar {

// One line of the order as the journal keeps it: enough to add the picture
// again through the add run's rules.
struct JournalLine
{
    QString path;
    QString entry; // the price entry in its text form, "Size|Price|OptRes|MinRes"
    bool fill = true;
    int quantity = 1;

    bool operator==(const JournalLine&) const = default;
};

// What the journal holds: the order in progress, and the lines kept for later
// (pictures of an earlier order that could not be reached when it was
// restored, or an order the partner chose not to restore yet). The next
// start offers both; the kept lines outlive a normal close.
struct JournalContent
{
    JournalContent(QList<JournalLine> order = {}, QList<JournalLine> waiting = {})
        : order(std::move(order))
        , waiting(std::move(waiting))
    {
    }
    QList<JournalLine> order;
    QList<JournalLine> waiting;
};

// The order line as the journal keeps it. Its entry is today's of its size
// (sizes: SizeNames(priceList)); a size that left the price list gets an
// entry that keeps the line's own price.
JournalLine JournalLineOf(const OrderLine& line, const QStringList& priceList, const QStringList& sizes);

// The order in progress, kept on disk after every command so that a crash,
// a power cut or a logout does not lose it. An SQLite database beside the
// settings store; each replace() is one transaction, so the file always
// holds the order as it was after some whole command. Empty after a normal
// end of the program.
class OrderJournal
{
public:
    // The journal that belongs to the settings database at settingsPath.
    static QString pathBeside(const QString& settingsPath);

    // Opens (creating when missing) the journal. A file that is not a
    // readable journal is renamed aside (see setAsidePath()) and a fresh one
    // is started; a file that cannot be opened at all (no folder, no
    // permission, locked) leaves the journal unavailable.
    explicit OrderJournal(const QString& path);
    ~OrderJournal();
    OrderJournal(const OrderJournal&) = delete;
    OrderJournal& operator=(const OrderJournal&) = delete;

    bool isAvailable() const { return m_db != nullptr; }
    const QString& path() const { return m_path; }
    const QString& setAsidePath() const { return m_setAside; }
    // The last failure's text (SQLite's words), for the message that says the
    // order is not being kept.
    const QString& errorText() const { return m_error; }

    // The order's lines as last stored, in order.
    QList<JournalLine> lines();
    // The lines kept for later, in order.
    QList<JournalLine> waiting();
    // Replaces every line, both kinds, in one transaction; on failure the
    // previous lines stay whole. Returns whether the new lines are on disk.
    bool replace(const QList<JournalLine>& lines, const QList<JournalLine>& waiting = {});
    bool clear() { return replace({}); }
    // Closes the journal and removes its files, for a normal end on a disk
    // too full to write even an empty journal. True when none is left.
    bool discard();

private:
    bool open();
    void close();
    bool exec(const char* sql);
    void remember();
    QList<JournalLine> read(const char* sql);

    QString m_path;
    QString m_setAside;
    QString m_error;
    sqlite3* m_db = nullptr;
};

// Writes the journal on a thread of its own, so that no command of the
// window waits for the disk. Only the newest order matters: a write that has
// not started yet is replaced by a later one. While a writer exists, the
// journal is written only through it.
class JournalWriter
{
public:
    // Runs on the writer's thread after each write: whether the lines are on
    // disk, and the journal's error text when not.
    using Done = std::function<void(bool written, const QString& error)>;
    // Makes the lines to write; runs on the writer's thread, so the caller
    // hands over a copy of the order and not the conversion's work.
    using Lines = std::function<JournalContent()>;

    JournalWriter(OrderJournal& journal, Done done);
    // Finishes the write in hand and the one waiting, then ends the thread.
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    void post(Lines lines);
    // Returns once every posted write has ended.
    void wait();

private:
    void run();

    OrderJournal& m_journal;
    Done m_done;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Lines m_pending;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace pelmar
