#pragma once

#include <QString>

namespace pelmar::bench {

// Writes a baseline JPEG of width x height pixels straight to path, one row
// at a time, so even a 100-megapixel picture needs only a row of memory.
// noise (0..255) adds a pseudo-random grain: smooth pictures compress to a
// few kilobytes, grainy ones to realistic sizes. seed varies the picture.
// Returns false (with a message on stderr) when the file cannot be written.
bool writeJpegFile(const QString& path, int width, int height, int quality, int noise, unsigned seed);

// Size of a file in bytes, -1 when it cannot be read.
qint64 fileSize(const QString& path);

} // namespace pelmar::bench
