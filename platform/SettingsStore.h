#pragma once

#include "core/UserData.h"

#include <QString>
#include <QStringList>
#include <optional>

struct sqlite3;

namespace pelmar {

// The per-user settings: a hierarchical store of keys holding named values of
// three kinds (integer, string, boolean), kept in one SQLite database.
//
// Keys are addressed by absolute path ("\Software\Dravik\PelmarClient");
// letter case is ignored in key paths and value names, as the partner's
// older installations expect. A value has exactly one kind; reading it as
// another kind finds nothing. Value names are listed in the order in which
// the values were first created, so a price list of twelve entries comes
// back as "0".."11". One key is open at a time; opening another replaces it.
class SettingsStore
{
public:
    // The database the program uses: settings.sqlite in the user's
    // configuration folder, unless a test redirected it.
    static QString defaultDatabasePath();
    // Tests point every store opened afterwards at their own file; an empty
    // path restores the default.
    static void setDatabasePathOverride(const QString& path);

    // How the database came out of opening it. Whatever went wrong, nothing
    // the partner had is destroyed: a file we cannot read is never written.
    enum class State {
        Ready, // read (or made empty) and writable
        Damaged, // a damaged file was renamed aside; a fresh store started
        Foreign, // another program's database was renamed aside untouched; a fresh store started
        Locked, // another program holds it locked: not read, and never written by this store
        NotAFile, // a folder or the like in its place: not read, never written
        Unreadable, // there, but cannot be opened or read: never written
        ReadOnly, // read, but what changes cannot be written back
        Unavailable, // cannot be made at all (no folder): nothing to read, nothing kept
    };

    // Opens (creating when missing) the database. A damaged file, or one of
    // another program, is renamed aside (see setAsidePath()) and a fresh,
    // empty one is started. A locked file, a folder in its place or one that
    // cannot be read is left exactly as it is, and the store stays closed.
    explicit SettingsStore(const QString& databasePath = defaultDatabasePath());
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // False when the database could not be opened at all (no folder, no
    // permission); every operation then fails quietly.
    bool isAvailable() const { return m_db != nullptr; }
    State state() const { return m_state; }
    // Whether settings may be saved into this database later in the run:
    // only when what it held was read (or it held nothing), so a save can
    // never replace settings that were not loaded.
    static bool keepsChanges(State state)
    {
        return state == State::Ready || state == State::Damaged || state == State::Foreign;
    }
    const QString& databasePath() const { return m_path; }
    // Where a damaged database was moved when this store opened it; empty
    // when nothing was moved.
    const QString& setAsidePath() const { return m_setAside; }

    // Opens a key. Without create, fails when the key does not exist and the
    // key is open for reading only. With create, the key and any missing
    // parents are made and the key is open for reading and writing.
    bool openKey(const QString& path, bool create);
    void closeKey();
    bool hasOpenKey() const { return m_key >= 0; }

    // Whether a value of this name exists in the open key (of any kind).
    bool valueExists(const QString& name) const;
    // The value, or nothing when it is missing or of another kind.
    std::optional<qint32> readInteger(const QString& name) const;
    std::optional<QString> readString(const QString& name) const;
    std::optional<bool> readBool(const QString& name) const;
    // Names of the open key's values, in the order they were first created.
    QStringList valueNames() const;

    // Creates or overwrites a value of the open key (which must be open for
    // writing). Overwriting keeps the value's place in the listing.
    bool writeInteger(const QString& name, qint32 value);
    bool writeString(const QString& name, const QString& value);
    bool writeBool(const QString& name, bool value);
    // Removes every value of the open key (which must be open for writing).
    bool removeAllValues();
    // Removes one value of the open key; a value that is not there is no
    // failure.
    bool removeValue(const QString& name);

    // A save is one transaction: everything written between begin and
    // commit lands together or not at all.
    bool beginTransaction();
    bool commit();
    void rollback();

    // Value kinds as stored.
    enum class Kind { Integer = 1, String = 2, Boolean = 3 };

private:
    enum class Opened { Ok, SetAside, Leave };
    Opened openDatabase();
    Opened checkLayout();
    Opened failure(int sqliteCode);
    void closeDatabase();
    bool exec(const char* sql);
    std::optional<qint64> findKey(const QString& path) const;
    bool writeValue(const QString& name, Kind kind, qint64 number, const QString& text);
    struct Stored
    {
        Kind kind;
        qint64 number;
        QString text;
    };
    std::optional<Stored> readValue(const QString& name) const;

    QString m_path;
    QString m_setAside;
    State m_state = State::Ready;
    sqlite3* m_db = nullptr;
    qint64 m_key = -1;
    bool m_writable = false;
    bool m_inTransaction = false;
};

// Key paths of the layout.
inline const QString kSettingsRootKey = QStringLiteral("\\Software\\Dravik\\PelmarClient");
inline const QString kSettingsPricesKey = QStringLiteral("\\Software\\Dravik\\PelmarClient\\Prices");
inline const QString kSettingsValuesKey = QStringLiteral("\\Software\\Dravik\\PelmarClient\\Values");

// What the partner is told, once at start-up, when the store did not open
// cleanly; empty when there is nothing to tell. The window layer shows it
// (reportSetAside).
QString settingsStateMessage(const SettingsStore& store);

// Reads the partner data from the open main key as the start-up load does:
// only when UserID exists (as an integer) are the six fields read; a missing
// text reads as empty. Returns whether UserID was found.
bool readPartnerData(const SettingsStore& store, TUserData& data);

// Loads PartnerData from the store at databasePath (the default database
// when empty); a missing key leaves it at 0 and five empty texts.
void loadPartnerData(TUserData& data, const QString& databasePath = {});

// Writes the six partner values into the main key (created when missing), in
// one transaction. Returns false when the key could not be opened or created;
// nothing is written then.
bool savePartnerData(const TUserData& data, const QString& databasePath = {});

} // namespace pelmar
