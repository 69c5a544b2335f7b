#pragma once

#include <QList>
#include <QString>

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

    // The lines as last stored, in order.
    QList<JournalLine> lines();
    // Replaces every line in one transaction; on failure the previous lines
    // stay whole. Returns whether the new lines are on disk.
    bool replace(const QList<JournalLine>& lines);
    bool clear() { return replace({}); }

private:
    bool open();
    void close();
    bool exec(const char* sql);
    void remember();

    QString m_path;
    QString m_setAside;
    QString m_error;
    sqlite3* m_db = nullptr;
};

} // namespace pelmar
