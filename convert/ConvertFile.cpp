#include "convert/ConvertFile.h"

#include "convert/ColourToSrgb.h"
#include "convert/PictureDecode.h"
#include "convert/Upright.h"
#include "core/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

namespace pelmar::convert {

namespace {

std::string systemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error) + ".";
}

[[noreturn]] void jpegFail(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX] = {};
    cinfo->err->format_message(cinfo, text);
    throw ConvertError(std::string("A JPEG-kép nem írható: ") + text + ".");
}

// A destination that writes through to the file, checking every write.
struct FdDestination
{
    jpeg_destination_mgr pub {};
    int fd = -1;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(1 << 16);

    static void init(j_compress_ptr c)
    {
        auto* self = reinterpret_cast<FdDestination*>(c->dest);
        self->pub.next_output_byte = self->buffer.data();
        self->pub.free_in_buffer = self->buffer.size();
    }
    void put(const JOCTET* p, std::size_t n)
    {
        while (n > 0) {
            const ssize_t w = ::write(fd, p, n);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                throw ConvertError(systemError("A JPEG-kép nem írható", w < 0 ? errno : ENOSPC));
            p += w;
            n -= std::size_t(w);
        }
    }
    static boolean empty(j_compress_ptr c)
    {
        auto* self = reinterpret_cast<FdDestination*>(c->dest);
        self->put(self->buffer.data(), self->buffer.size());
        init(c);
        return TRUE;
    }
    static void term(j_compress_ptr c)
    {
        auto* self = reinterpret_cast<FdDestination*>(c->dest);
        self->put(self->buffer.data(), self->buffer.size() - self->pub.free_in_buffer);
    }
};

std::vector<std::uint8_t> readSource(const std::string& path, const PictureLimits& limits)
{
    // Not blocking on a named pipe put in a picture's place.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid())
        throw ConvertError(systemError("A fájl nem nyitható meg", errno));
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0)
        throw ConvertError(systemError("A fájl nem olvasható", errno));
    if (!S_ISREG(st.st_mode))
        throw ConvertError("Nem közönséges fájl.");
    if (st.st_size > limits.maxFileBytes)
        throw ConvertError("A fájl túl nagy (" + std::to_string(st.st_size >> 20) + " MB; legfeljebb "
                           + std::to_string(limits.maxFileBytes >> 20) + " MB).");
    std::vector<std::uint8_t> data(std::size_t(st.st_size));
    std::size_t have = 0;
    while (have < data.size()) {
        const ssize_t r = ::read(fd.get(), data.data() + have, data.size() - have);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            throw ConvertError(systemError("A fájl nem olvasható", errno));
        if (r == 0)
            break; // shrank while read: what is there is decoded
        have += std::size_t(r);
    }
    data.resize(have);
    return data;
}

} // namespace

void writeJpeg(int fd, int width, int height, const std::function<void(int, std::uint8_t*)>& row,
               const std::vector<std::uint8_t>& exifApp1)
{
    jpeg_compress_struct c {};
    jpeg_error_mgr err {};
    c.err = jpeg_std_error(&err);
    err.error_exit = jpegFail;
    jpeg_create_compress(&c);
    struct Guard
    {
        jpeg_compress_struct* c;
        ~Guard() { jpeg_destroy_compress(c); }
    } guard {&c};
    FdDestination dest;
    dest.fd = fd;
    dest.pub.init_destination = FdDestination::init;
    dest.pub.empty_output_buffer = FdDestination::empty;
    dest.pub.term_destination = FdDestination::term;
    c.dest = &dest.pub;
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    for (int i = 0; i < c.num_components; ++i)
        c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    // An EXIF file starts with its APP1, not with JFIF's APP0.
    c.write_JFIF_header = exifApp1.empty() ? TRUE : FALSE;
    jpeg_start_compress(&c, TRUE);
    if (!exifApp1.empty())
        jpeg_write_marker(&c, JPEG_APP0 + 1, exifApp1.data(), unsigned(exifApp1.size()));
    const std::vector<std::uint8_t>& icc = srgbProfile();
    jpeg_write_icc_profile(&c, icc.data(), unsigned(icc.size()));
    std::vector<std::uint8_t> line(std::size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        row(y, line.data());
        JSAMPROW p = line.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
}

Converted convertFile(const std::string& source, const std::string& output, const PictureLimits& limits)
{
    Picture pic = decodePicture(readSource(source, limits), limits);
    if (pic.exifTurns)
        turnUpright(pic, exifOrientation(pic.exif));
    const SrgbTransform colours(pic);
    const std::vector<std::uint8_t> exif = exifForJpeg(pic.exif, pic.width, pic.height);

    UniqueFd fd(::open(output.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.valid())
        throw ConvertError(systemError("Az átalakított kép nem írható", errno));
    try {
        std::vector<std::uint8_t> flat(std::size_t(pic.width) * 3 * pic.sampleBytes());
        writeJpeg(
            fd.get(), pic.width, pic.height,
            [&](int y, std::uint8_t* out) {
                const std::uint8_t* in = pic.row(y);
                if (pic.channels == 4) {
                    ontoWhite(in, flat.data(), pic.width, pic.sixteen);
                    in = flat.data();
                }
                colours.row(in, out, pic.width);
            },
            exif);
        if (::fdatasync(fd.get()) != 0)
            throw ConvertError(systemError("Az átalakított kép nem írható", errno));
        const int closing = ::close(fd.release());
        if (closing != 0)
            throw ConvertError(systemError("Az átalakított kép nem írható", errno));
    } catch (...) {
        ::unlink(output.c_str());
        throw;
    }
    return {pic.width, pic.height};
}

} // namespace pelmar::convert
