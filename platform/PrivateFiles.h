#pragma once

#include <QString>

namespace pelmar {

// What the program keeps about the partner (settings, the order journal with
// the customers' picture paths, the lock and socket of the one program per
// user) is the user's alone: folders 0700, files 0600. An earlier version
// made them 0755 and 0644; those are tightened when they are met.

// Makes the folder and any missing parents, each new one 0700. The folder
// itself, when it was there already and is the user's, is tightened to 0700;
// a shared folder (one with the sticky bit, as /tmp) is nobody's to close and
// is left as it is. Returns whether the folder exists.
bool MakePrivateFolder(const QString& path);

// Before SQLite opens the database at path: creates it empty and 0600 when it
// is missing (SQLite makes its -wal, -shm and -journal files with the
// database's own mode, so they are 0600 too), and tightens to 0600 the
// database and those side files when they are the user's and open to others.
void PreparePrivateDatabase(const QString& path);

// Whether a lock or a socket may live in the folder: a folder and no link to
// one, the user's own, open to nobody else (0700 or tighter), and below
// folders that nobody else can write into (or only with the sticky bit, as
// /tmp), so no one can put another folder in its place. With tighten, a
// folder of the user's that is open to others is closed to 0700 first.
bool IsPrivateFolder(const QString& path, bool tighten);

// Whether the entry at path (not followed when a link) is of the kind wanted
// (a regular file or a socket, as S_IFREG or S_IFSOCK) and the user's own.
bool IsOwnEntry(const QString& path, unsigned kind);

} // namespace pelmar
