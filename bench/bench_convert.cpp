// bench_convert [COUNT]
//
// Converts 24 phone pictures of 12 megapixels (8 HEIC made here with
// libheif's HEVC encoder, 8 PNG, 8 WebP) to JPEG the program's way: each in
// a pelmar-convert helper process under its limits, as many at once as there
// are cores, with the window thread's event loop running and timed for its
// longest block. In the same run it converts the same files one at a time
// the way a shop would by hand: heif-convert (libheif-examples) for the HEIC
// files and ImageMagick's convert for PNG and WebP, both to JPEG of quality
// 95; and, for comparison, ImageMagick for all of them.
//
// Last line: "convert/heifconvert ratio: R" (the program's time over the
// hand conversion's).
#include "convert/ConvertQueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <vector>

#include <libheif/heif.h>
#include <png.h>
#include <webp/encode.h>

using namespace pelmar;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// Something like a photograph for the encoders: smooth shapes and grain.
std::vector<std::uint8_t> picture(unsigned seed)
{
    std::vector<std::uint8_t> rgb(std::size_t(kWidth) * kHeight * 3);
    std::uint32_t noise = seed * 2654435761u + 1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 28) - 8;
            std::uint8_t* p = rgb.data() + (std::size_t(y) * kWidth + x) * 3;
            const int r = (x * 255 / kWidth + int(seed) * 37) % 256, g = y * 255 / kHeight,
                      b = ((x / 200 + y / 150) % 2) ? 200 : 60;
            p[0] = std::uint8_t(std::clamp(r + grain, 0, 255));
            p[1] = std::uint8_t(std::clamp(g + grain, 0, 255));
            p[2] = std::uint8_t(std::clamp(b + grain, 0, 255));
        }
    return rgb;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

QByteArray heic(const std::vector<std::uint8_t>& rgb)
{
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 85);
    heif_image* image = nullptr;
    heif_image_create(kWidth, kHeight, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, kWidth, kHeight, 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(plane + std::size_t(y) * stride, rgb.data() + std::size_t(y) * kWidth * 3, kWidth * 3);
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(ctx, image, encoder, nullptr, &handle);
    QByteArray out;
    heif_writer writer {1, [](heif_context*, const void* data, size_t size, void* user) {
                            static_cast<QByteArray*>(user)->append(static_cast<const char*>(data), qsizetype(size));
                            return heif_error {heif_error_Ok, heif_suberror_Unspecified, ""};
                        }};
    heif_context_write(ctx, &writer, &out);
    heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(ctx);
    return out;
}

QByteArray png(const std::vector<std::uint8_t>& rgb)
{
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    QByteArray out;
    png_set_write_fn(
        p, &out,
        [](png_structp s, png_bytep data, size_t n) {
            static_cast<QByteArray*>(png_get_io_ptr(s))->append(reinterpret_cast<const char*>(data), qsizetype(n));
        },
        nullptr);
    png_set_IHDR(p, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(p, info);
    for (int y = 0; y < kHeight; ++y)
        png_write_row(p, rgb.data() + std::size_t(y) * kWidth * 3);
    png_write_end(p, info);
    png_destroy_write_struct(&p, &info);
    return out;
}

QByteArray webp(const std::vector<std::uint8_t>& rgb)
{
    std::uint8_t* bytes = nullptr;
    const std::size_t size = WebPEncodeRGB(rgb.data(), kWidth, kHeight, kWidth * 3, 85, &bytes);
    QByteArray out(reinterpret_cast<const char*>(bytes), qsizetype(size));
    WebPFree(bytes);
    return out;
}

bool run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(3, QString::fromLocal8Bit(argv[1]).toInt()) : 24;
    const QString heifConvert = QStandardPaths::findExecutable(QStringLiteral("heif-convert"));
    const QString magick = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (heifConvert.isEmpty() || magick.isEmpty()) {
        std::fprintf(stderr, "bench_convert: needs heif-convert (libheif-examples) and convert (imagemagick)\n");
        return 2;
    }
    QTemporaryDir dir;
    QStringList files;
    std::fprintf(stderr, "making %d pictures of %d x %d...\n", count, kWidth, kHeight);
    for (int i = 0; i < count; ++i) {
        const auto rgb = picture(unsigned(i));
        const int kind = i % 3;
        const QString path = dir.filePath(QStringLiteral("p%1.%2").arg(i).arg(kind == 0       ? "heic"
                                                                                  : kind == 1 ? "png"
                                                                                              : "webp"));
        if (!writeFile(path, kind == 0 ? heic(rgb) : kind == 1 ? png(rgb) : webp(rgb)))
            return 1;
        files.append(path);
    }
    QDir(dir.path()).mkdir(QStringLiteral("ours"));
    QDir(dir.path()).mkdir(QStringLiteral("hand"));
    QDir(dir.path()).mkdir(QStringLiteral("magick"));

    // The program's way, with an event loop whose longest block is measured.
    const int cores = std::max(1, QThread::idealThreadCount());
    convert::ConvertQueue queue(convert::ConvertQueue::defaultHelper(), cores);
    int done = 0, failed = 0;
    qint64 longest = 0;
    QElapsedTimer tick;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] { longest = std::max(longest, tick.restart()); });
    QEventLoop loop;
    QObject::connect(&queue, &convert::ConvertQueue::done, [&](int, bool ok, const QString& message) {
        if (!ok) {
            ++failed;
            std::fprintf(stderr, "refused: %s\n", qPrintable(message));
        }
        if (++done == count)
            loop.quit();
    });
    QElapsedTimer ours;
    ours.start();
    tick.start();
    probe.start();
    for (int i = 0; i < count; ++i)
        queue.add(i, files[i], dir.filePath(QStringLiteral("ours/%1.jpg").arg(i)));
    loop.exec();
    probe.stop();
    const double oursSeconds = ours.nsecsElapsed() / 1e9;

    QElapsedTimer hand;
    hand.start();
    for (int i = 0; i < count; ++i) {
        const QString out = dir.filePath(QStringLiteral("hand/%1.jpg").arg(i));
        const bool ok = files[i].endsWith(u".heic")
            ? run(heifConvert, {QStringLiteral("-q"), QStringLiteral("95"), files[i], out})
            : run(magick, {files[i], QStringLiteral("-quality"), QStringLiteral("95"), out});
        if (!ok)
            std::fprintf(stderr, "hand conversion failed: %s\n", qPrintable(files[i]));
    }
    const double handSeconds = hand.nsecsElapsed() / 1e9;

    QElapsedTimer magickTime;
    magickTime.start();
    for (int i = 0; i < count; ++i)
        run(magick,
            {files[i], QStringLiteral("-quality"), QStringLiteral("95"),
             dir.filePath(QStringLiteral("magick/%1.jpg").arg(i))});
    const double magickSeconds = magickTime.nsecsElapsed() / 1e9;

    std::printf("pictures: %d (%d x %d), helpers at once: %d, refused: %d\n", count, kWidth, kHeight, cores, failed);
    std::printf("pelmar-convert: %.2f s (longest blocked: %lld ms)\n", oursSeconds, static_cast<long long>(longest));
    std::printf("heif-convert (HEIC) + convert (PNG, WebP), one at a time: %.2f s\n", handSeconds);
    std::printf("ImageMagick convert, every file, one at a time: %.2f s\n", magickSeconds);
    std::printf("convert/heifconvert ratio: %.2f\n", oursSeconds / handSeconds);
    return failed == 0 ? 0 : 1;
}
