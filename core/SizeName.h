#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace pelmar {

// A size name becomes part of a folder name in the order folder
// ("<size>-<fill>-<quantity>", such as 9x13-fill-2), on the partner's disk
// and on the lab's CD; the rules of what it may be live here, for the price
// editor and the build alike.

// The longest name a folder may have, in bytes of its UTF-8 form.
inline constexpr int kMaxFolderNameBytes = 255;

// The group folder of a size, fill mode and quantity text.
QString GroupFolderName(const QString& size, const QString& fill, const QString& quantity);

// What keeps a size name from being part of a folder's name: the empty name,
// any of \ / : * ? " < > | or a control character (Windows, where the lab
// reads the disc, refuses them), and a name whose longest folder
// ("<size>-fill-" and the largest quantity) is longer than kMaxFolderNameBytes.
// A size is never a folder name alone: "A4." and "10x15 " end up inside
// "A4.-fill-1" and "10x15 -fit-2", whose ends are the quantity's digits, so a
// final dot or blank, and "." or "..", are good size names.
enum class SizeNameFault { None, Empty, Character, Length };
SizeNameFault CheckSizeName(const QString& size);

// The same in words that finish the sentence "... nem lehet mappa neve: ";
// empty when the name can be a folder's name.
QString SizeNameProblem(const QString& size);

// Whether a folder's name is one the build gives a group folder: a size name
// that passes CheckSizeName, "-", "fill" or "fit", "-" and a quantity of
// 0..kMaxQuantity.
bool IsGroupFolderName(const QString& name);

// Whether two size names name the same size: letter case is ignored, as the
// size box's lookup ignores it.
bool SameSizeName(const QString& a, const QString& b);

// The size look-up by name (FindSizeIndex) for many names in one list: built
// once in linear time, each look-up then costs the length of the name, not of
// the list. A price list read from a file may hold tens of thousands of sizes.
class SizeIndex
{
public:
    explicit SizeIndex(const QStringList& sizes);
    // The same answer as FindSizeIndex(sizes, name).
    int find(const QString& name) const;
    // The index of the first size before `index` that is the same size, or -1.
    int firstBefore(int index) const;

private:
    QHash<QString, int> m_first;
    QList<int> m_firstOf;
};

} // namespace pelmar
