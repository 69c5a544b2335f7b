#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace pelmar::exif {

// What the EXIF block of a JPEG says about showing the picture: how the
// camera held it and the small picture it stored beside the big one.
struct PictureInfo
{
    // 1..8 as the EXIF orientation tag numbers them; 1 (as stored) when the
    // file has no EXIF block, a broken one, or a value outside 1..8.
    int orientation = 1;
    // The EXIF thumbnail (a JPEG of its own), empty when there is none.
    QByteArray thumbnail;
};

// Reads the EXIF block of the JPEG at path with libexif. Only the head of
// the file is read, so a huge or endless file costs no more than a small
// one. Never fails: a missing or unreadable file gives the defaults.
PictureInfo readPictureInfo(const QString& path);

// The same from the bytes of a file's head (the tests and fuzzing feed
// bytes).
PictureInfo pictureInfoFromBytes(const QByteArray& head);

// The orientations that turn the picture by a quarter: width and height
// swap when it is shown upright.
bool swapsSides(int orientation);

// The size of the picture as shown upright.
QSize uprightSize(QSize stored, int orientation);

// The picture as it was taken: stored pixels turned and mirrored as the
// orientation says. Values outside 2..8 return the picture unchanged.
QImage toUpright(const QImage& stored, int orientation);

} // namespace pelmar::exif
