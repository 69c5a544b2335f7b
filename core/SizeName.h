#pragma once

#include <QString>

namespace pelmar {

// A size name becomes part of a folder name in the order folder
// ("<size>-<fill>-<quantity>", such as 9x13-fill-2), on the partner's disk
// and on the lab's CD; the rules of what it may be live here, for the price
// editor and the build alike.

// The longest name a folder may have, in bytes of its UTF-8 form.
inline constexpr int kMaxFolderNameBytes = 255;

// The group folder of a size, fill mode and quantity text.
QString GroupFolderName(const QString& size, const QString& fill, const QString& quantity);

// What keeps a size name from being a folder's name: the empty name, any of
// \ / : * ? " < > | or a control character, "." and "..", a final dot or
// blank (Windows drops them), and a name whose longest folder
// ("<size>-fill-" and the largest quantity) is longer than kMaxFolderNameBytes.
enum class SizeNameFault { None, Empty, Character, Dots, Ending, Length };
SizeNameFault CheckSizeName(const QString& size);

// The same in words that finish the sentence "... nem lehet mappa neve: ";
// empty when the name can be a folder's name.
QString SizeNameProblem(const QString& size);

// Whether two size names name the same size: letter case is ignored, as the
// size box's lookup ignores it.
bool SameSizeName(const QString& a, const QString& b);

} // namespace pelmar
