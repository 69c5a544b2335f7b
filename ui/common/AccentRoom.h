#pragma once

class QFont;
class QHeaderView;
class QLabel;

namespace pelmar {

// Hungarian capitals carry marks above the font's ascent ("Ö", "Ő", "Ű"):
// a label exactly as tall as its text cuts them off at its top edge. These
// give such a label the missing pixels as extra room at its top.

// Pixels by which the accents of the capitals reach above the ascent of
// `font`; 0 when the font leaves room for them itself.
int accentOverhang(const QFont& font);

// Adds the overhang of the label's font to the top margin of a text label,
// once per label (a later call for the same label changes nothing).
// Labels that show a picture are left alone.
void makeRoomForAccents(QLabel* label);

// A list header draws its captions in a small regular face, where the
// font's default light hinting drops the dots of "Ö" ("Összeg") altogether;
// full hinting keeps them. The header's other font attributes still follow
// its window.
void keepAccentsInHeader(QHeaderView* header);

// Gives every label of every window, the dialogs' included, that room before
// it is first shown (an event filter on the application). Once per program.
void installAccentRoom();

} // namespace pelmar
