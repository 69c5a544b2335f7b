#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace pelmar {

// "Fénykép hozzádása a megrendeléshez": the open-picture dialog with its
// three filters (JPEG, TIFF, every accepted picture, the last chosen at
// first) and a preview pane beside the file list. Returns the chosen files,
// an empty list when the dialog was cancelled.
//
// With PictureKinds::Phone it is the dialog of "Telefonos képek
// hozzáadása...": HEIC/HEIF, AVIF, WebP and PNG besides JPEG and TIFF, every
// kind at first.
enum class PictureKinds { Accepted, Phone };
// It opens in pictureStartFolder(lastFolder).
QStringList ChoosePictures(QWidget* parent, PictureKinds kinds = PictureKinds::Accepted,
                           const QString& lastFolder = {});

// The folder the dialog opens in: the one pictures were chosen from last
// while it still exists, else the user's pictures folder, else home.
QString pictureStartFolder(const QString& lastFolder);

} // namespace pelmar
