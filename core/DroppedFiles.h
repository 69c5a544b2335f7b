#pragma once

#include <QStringList>

namespace pelmar {

// True for the extensions the open-picture dialog accepts (.jpg, .jpeg, .tif,
// .tiff, letter case ignored).
bool HasPictureExtension(const QString& fileName);

// True for the phone and web kinds that are converted to JPEG before the
// add run (.heic, .heif, .hif, .avif, .webp, .png, letter case ignored).
bool HasPhonePictureExtension(const QString& fileName);

// The files of a drop, in the order the add run takes them: each dropped
// item in turn; a file as it is (whatever its extension: the add run's own
// checks judge it), a folder searched recursively for picture files, its own
// files in name order before its subfolders in name order (the phone kinds
// among the picture files). A folder reached
// twice (through a link) is searched once.
QStringList CollectDroppedFiles(const QStringList& droppedPaths);

} // namespace pelmar
