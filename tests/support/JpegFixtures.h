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

} // namespace pelmar::test
