#include "bench/support/JpegWriter.h"

#include <QFile>

#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <vector>

#include <jpeglib.h>

namespace pelmar::bench {

namespace {

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// A small, fast generator; quality of randomness does not matter here.
struct XorShift
{
    unsigned state;
    unsigned next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

} // namespace

bool writeJpegFile(const QString& path, int width, int height, int quality, int noise, unsigned seed)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(QFile::encodeName(path).constData(), "wb"));
    if (!file) {
        std::perror(QFile::encodeName(path).constData());
        return false;
    }
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr); // errors while writing our own data end the tool
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file.get());
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);

    XorShift rng{seed * 2654435761u + 1};
    const int hue = int(seed % 3);
    std::vector<unsigned char> row(size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            const int gx = (x * 255) / (width > 1 ? width - 1 : 1);
            const int gy = (y * 255) / (height > 1 ? height - 1 : 1);
            const int tile = ((x / 64 + y / 64) % 2) * 60;
            int c[3] = {gx, gy, 90 + tile};
            if (noise > 0) {
                const int n = int(rng.next() % unsigned(2 * noise + 1)) - noise;
                for (int& v : c)
                    v += n;
            }
            for (int k = 0; k < 3; ++k) {
                const int v = c[(k + hue) % 3];
                row[size_t(x) * 3 + size_t(k)] = static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    if (std::fflush(file.get()) != 0 || std::ferror(file.get())) {
        std::perror(QFile::encodeName(path).constData());
        return false;
    }
    return true;
}

qint64 fileSize(const QString& path)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return qint64(st.st_size);
}

} // namespace pelmar::bench
