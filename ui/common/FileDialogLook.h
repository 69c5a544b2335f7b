#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace pelmar {

// Qt's own file dialog as every file dialog of the program shows it: the
// places list beside the files as wide as its longest name ("Számítógép",
// which Qt's narrow default cuts), and the files' dates and kinds in
// Hungarian whatever the system's language is (Qt's list writes them in the
// system's). Call it once the dialog has its size, before it is shown.
void finishFileDialog(QFileDialog* dialog);

// Asks for the name of a file to write, in such a dialog: opens at
// `proposed` (a file's path, a folder's path ending in '/', or empty for the
// current folder) with the one name filter given, adds `defaultSuffix` to a
// name typed without any, asks before replacing a file. Empty when cancelled.
QString chooseFileToSave(QWidget* parent, const QString& caption, const QString& proposed, const QString& filter,
                         const QString& defaultSuffix = {});

} // namespace pelmar
