#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace pelmar {

// A libjpeg source reading through a file descriptor, shared by the header
// check and the preview decoder. Deliberately not a memory map: a file shrunk
// by another program while it is read must end the data early (libjpeg fills
// in the rest), not kill the program with SIGBUS. Metadata segments are skipped
// by seeking and do not count against `budget`; at most `budget` bytes are
// read, so a start marker followed by gigabytes of zeros ends like a short
// file instead of being read through.
struct JpegFdSource
{
    jpeg_source_mgr pub;
    int fd;
    JOCTET* buffer;
    size_t capacity;
    qint64 budget;
    bool startOfFile;
};

// Makes `cinfo` read `fd` through `buffer`, whose first `alreadyRead` bytes
// were read from `fd` by the caller. `source` must outlive the decode.
void UseJpegFdSource(j_decompress_ptr cinfo, JpegFdSource& source, int fd, JOCTET* buffer, size_t capacity,
                     size_t alreadyRead, qint64 budget);

} // namespace pelmar
