#pragma once

#include <QStringList>

class QWidget;

namespace pelmar {

// "Fénykép hozzádása a megrendeléshez": the open-picture dialog with its
// three filters (JPEG, TIFF, every accepted picture, the last chosen at
// first) and a preview pane beside the file list. Returns the chosen files,
// an empty list when the dialog was cancelled.
QStringList ChoosePictures(QWidget* parent);

} // namespace pelmar
