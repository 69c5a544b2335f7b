#include "core/JpegFdSource.h"

#include <algorithm>
#include <cerrno>
#include <sys/types.h>
#include <unistd.h>

#include <jerror.h>

namespace pelmar {

namespace {

void sourceInit(j_decompress_ptr)
{
}

void sourceTerm(j_decompress_ptr)
{
}

boolean sourceFill(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<JpegFdSource*>(cinfo->src);
    // A full buffer keeps libjpeg-turbo on its fast Huffman path for all
    // but the last few kilobytes.
    const size_t want = size_t(std::min<qint64>(qint64(src->capacity), std::max<qint64>(src->budget, 0)));
    size_t got = 0;
    while (got < want) {
        const ssize_t n = ::read(src->fd, src->buffer + got, want - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && got == 0)
            ERREXIT(cinfo, JERR_FILE_READ);
        if (n <= 0)
            break;
        got += size_t(n);
    }
    src->budget -= qint64(got);
    if (got == 0) {
        // As libjpeg's own file source does: an empty file is an error, a
        // short one gets a fake end marker and the decoder decides.
        if (src->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = JOCTET(0xFF);
        src->buffer[1] = JOCTET(JPEG_EOI);
        got = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    src->startOfFile = false;
    return TRUE;
}

void sourceSkip(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<JpegFdSource*>(cinfo->src);
    if (count <= 0)
        return;
    if (size_t(count) <= src->pub.bytes_in_buffer) {
        src->pub.next_input_byte += count;
        src->pub.bytes_in_buffer -= size_t(count);
        return;
    }
    const off_t beyond = off_t(size_t(count) - src->pub.bytes_in_buffer);
    src->pub.bytes_in_buffer = 0;
    // Past the end of a regular file the seek succeeds and the next read
    // finds nothing, which ends the file as above.
    if (::lseek(src->fd, beyond, SEEK_CUR) < 0)
        ERREXIT(cinfo, JERR_FILE_READ);
}

} // namespace

void UseJpegFdSource(j_decompress_ptr cinfo, JpegFdSource& source, int fd, JOCTET* buffer, size_t capacity,
                     size_t alreadyRead, qint64 budget)
{
    source = JpegFdSource {};
    source.pub.init_source = sourceInit;
    source.pub.fill_input_buffer = sourceFill;
    source.pub.skip_input_data = sourceSkip;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = sourceTerm;
    source.pub.next_input_byte = buffer;
    source.pub.bytes_in_buffer = alreadyRead;
    source.fd = fd;
    source.buffer = buffer;
    source.capacity = capacity;
    source.budget = budget - qint64(alreadyRead);
    source.startOfFile = alreadyRead == 0;
    cinfo->src = &source.pub;
}

} // namespace pelmar
