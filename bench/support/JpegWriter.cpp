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
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr jerr {};
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

    XorShift rng {seed * 2654435761u + 1};
    const int hue = int(seed % 3);
    // Row invariants computed once: this writes gigapixels for the benchmarks.
    std::vector<int> columnShade(static_cast<size_t>(width));
    std::vector<int> columnTile(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        columnShade[size_t(x)] = (x * 255) / (width > 1 ? width - 1 : 1);
        columnTile[size_t(x)] = (x / 64) & 1;
    }
    std::vector<int> grain(1024, 0);
    if (noise > 0)
        for (int& g : grain)
            g = int(rng.next() % unsigned(2 * noise + 1)) - noise;
    const int order[3] = {hue, (hue + 1) % 3, (hue + 2) % 3};
    auto clamp = [](int v) { return static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    std::vector<unsigned char> row(size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        const int gy = (y * 255) / (height > 1 ? height - 1 : 1);
        const int tileY = (y / 64) & 1;
        unsigned char* out = row.data();
        for (int x = 0; x < width; ++x, out += 3) {
            const int n = noise > 0 ? grain[rng.next() & 1023] : 0;
            const int c[3] = {columnShade[size_t(x)] + n, gy + n, 90 + ((columnTile[size_t(x)] ^ tileY) * 60) + n};
            out[0] = clamp(c[order[0]]);
            out[1] = clamp(c[order[1]]);
            out[2] = clamp(c[order[2]]);
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
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return qint64(st.st_size);
}

} // namespace pelmar::bench
