#pragma once

class QApplication;

namespace pelmar {

// Application title, Qt's Hungarian translation of its own dialogs,
// Hungarian dates and amounts whatever the system's language, the program's
// icon on every window and room for the accents above every label; a line on
// standard error naming each picture of the program that cannot be drawn
// (Qt's SVG plugins missing). Called
// once before any window is made: by the program, and by the tests that look
// at the windows as the user sees them.
void setUpApplication(QApplication& app);

// What the window system needs before the QApplication is made (Qt picks
// its input method then): on a Wayland compositor without a seat (headless,
// a kiosk with no keyboard yet) the compose input method instead of the
// text-input protocol, whose Qt 6.4 client crashes there the first time a
// line edit draws its cursor. A QT_IM_MODULE of the user's is kept.
void prepareWindowSystem();

} // namespace pelmar
