#pragma once

#include <QByteArray>
#include <QString>

namespace pelmar {

// Files that the lab's software reads are written in code page 1250 (Central
// European). The text is taken in its composed form (a letter and a
// combining accent become the one accented letter), then every character
// becomes one byte; a character that has no code in 1250 (a check mark, an
// emoji, a lone surrogate) becomes "?".
QByteArray EncodeCp1250(const QString& text);

// The other way round, for reading such files back; the five bytes that 1250
// leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) come out as U+FFFD.
QString DecodeCp1250(const QByteArray& bytes);

// Number of bytes the text takes in code page 1250 (one per code point of
// its composed form).
qsizetype Cp1250Length(const QString& text);

// A column of a fixed-width text file: the text itself when it already takes
// width bytes or more (never cut), otherwise padded with spaces to width
// bytes, the spaces before it when rightAligned, after it otherwise. Widths
// count the bytes of the encoded text, so "Összesen" is 8 wide.
QString PadText(const QString& text, int width, bool rightAligned = false);

// A blank is a character whose code is at most that of the space: the
// space, line ends and the other control characters (the "trimmed of
// blanks" of every field check). A no-break space is no blank.
inline bool IsBlankChar(QChar c)
{
    return c.unicode() <= 0x20;
}

// The text without blanks at either end.
QString TrimBlanks(const QString& text);

// Whether nothing but blanks is left: the "not filled in" of the field checks.
bool IsBlank(const QString& text);

// Appends text as QString's case-insensitive comparison sees it: each code
// point folded on its own (a lone surrogate kept as it is). Two texts that
// compare equal so append the same, which makes it a key for a hash.
void AppendCaseFolded(QString& key, const QString& text);

} // namespace pelmar
