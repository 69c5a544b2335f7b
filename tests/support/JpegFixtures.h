#pragma once

#include <QByteArray>
#include <QString>

namespace pelmar::test {

// A real baseline JPEG of width x height pixels (a smooth gradient), made with
// libjpeg. With exactBytes > 0 the file is padded after its end marker to
// exactly that many bytes (decoders ignore the tail); smaller than the
// encoded picture throws.
QByteArray makeJpeg(int width, int height, qint64 exactBytes = -1, int quality = 85);

// Writes makeJpeg(...) to path (folders created); returns path.
QString writeJpeg(const QString& path, int width, int height, qint64 exactBytes = -1, int quality = 85);

// The same JPEG with the frame header (SOF) claiming other dimensions: lets a
// test have a "huge" picture without encoding its pixels.
QByteArray withDeclaredSize(QByteArray jpeg, int width, int height);

// A JPEG start marker followed by a sparse run of zeros up to size bytes:
// gigabytes on paper, nothing on the disk. Empty when the file system takes
// no sparse files.
QString writeZerosAfterStart(const QString& path, qint64 size);

// Bytes this thread has read through read() and its kin so far (-1 when the
// system does not say), to show that a reader gave up early.
qint64 bytesReadByThisThread();

} // namespace pelmar::test
