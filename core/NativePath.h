#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pelmar {

// A Linux file name is bytes. Most are UTF-8, but a card of an old camera or
// a zip made elsewhere holds names such as "f\xf5.jpg", a Latin-2 "ő" that is
// no UTF-8. Qt turns such a byte into U+FFFD, so the file can no longer be
// opened by its name, and its folder listings leave the file out. These two
// keep every byte instead: a byte that is not part of valid UTF-8 becomes
// the code point U+DC00 + byte (a lone low surrogate, which no valid text
// holds), and back. Valid UTF-8 is read and written as Qt does.
//
// Every path of a picture goes to the system through NativePath, never
// through QFile::encodeName.
QString PathFromNative(const QByteArray& bytes);
QByteArray NativePath(const QString& path);

// Whether the path holds bytes that are no UTF-8 (see above).
bool HasRawBytes(const QString& path);

// The path as the partner reads it: bytes that are no UTF-8 read as code
// page 1250, the program's own 8-bit code page (an old camera's "ő" is the
// same byte there), so the list, the messages and the lab's files show
// letters, and megrendeles.txt gets the very bytes of the name.
QString ReadableName(const QString& path);

// The names in a folder (not "." and ".."), every one of them, as
// PathFromNative reads them; folders and files apart (a link counts as what
// it points to; anything else, such as a pipe, counts as a file).
struct FolderEntries
{
    QStringList files;
    QStringList folders;
};
FolderEntries ListFolder(const QString& folder);

} // namespace pelmar
