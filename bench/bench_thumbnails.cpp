// bench_thumbnails [COUNT]
//
// The picture list with thumbnails switched on, in the real main window
// (offscreen): 10,000 lines (COUNT), scrolled from top to bottom two pages
// per 16 ms frame, then left at the bottom until its rows have their
// thumbnails. Reports the longest time the window's thread was blocked (the
// longest gap between the ticks of a 1 ms timer), and the thumbnails made
// per second against the bare loop that makes them one by one on one thread
// by a 1/8-scale decode. The pictures: 4000 x 3000 with a fine grain, half
// of them with an EXIF thumbnail as cameras write it, hard-linked under
// COUNT names (every name is a picture of its own to the program).
#include "bench/support/JpegWriter.h"
#include "bench/support/Measure.h"
#include "platform/JpegDecode.h"
#include "platform/PictureDecoder.h"
#include "ui/common/MessageBox.h"
#include "ui/main/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <libexif/exif-data.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace pelmar;
using namespace pelmar::bench;

namespace {

// The file with an EXIF block holding a 160 x 120 thumbnail of it, put
// right after its start marker, as a camera writes it.
bool addExifThumbnail(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray jpeg = f.readAll();
    f.close();
    const QImage small = jpeg::decode(path, 8).image.scaled(160, 120);
    QByteArray thumb;
    QBuffer buffer(&thumb);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "JPEG", 80);
    ExifData* data = exif_data_new();
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    data->data = static_cast<unsigned char*>(std::malloc(size_t(thumb.size())));
    std::memcpy(data->data, thumb.constData(), size_t(thumb.size()));
    data->size = unsigned(thumb.size());
    unsigned char* block = nullptr;
    unsigned int length = 0;
    exif_data_save_data(data, &block, &length);
    exif_data_unref(data);
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((length + 2) >> 8)).append(char((length + 2) & 0xFF));
    segment.append(reinterpret_cast<const char*>(block), qsizetype(length));
    std::free(block);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray out = jpeg.left(2) + segment + jpeg.mid(2);
    return f.write(out) == out.size() && f.flush();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmar megrendelés"));
    const int count = argc > 1 ? std::max(100, std::atoi(argv[1])) : 10000;

    QTemporaryDir scratch;
    QStringList sources;
    for (unsigned seed = 0; seed < 8; ++seed) {
        sources << scratch.filePath(QStringLiteral("src%1.jpg").arg(seed));
        if (!bench::writeJpegFile(sources.last(), 4000, 3000, 90, 12, 11 + seed)
            || (seed % 2 == 0 && !addExifThumbnail(sources.last()))) {
            std::fprintf(stderr, "bench_thumbnails: cannot make the pictures\n");
            return 1;
        }
    }
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        paths << scratch.filePath(QStringLiteral("kep%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
        if (!QFile::link(sources[i % sources.size()], paths.last())) {
            std::fprintf(stderr, "bench_thumbnails: cannot link the pictures\n");
            return 1;
        }
    }

    // The bare loop: one thread, a 1/8 decode and the scaling per picture.
    const int bareCount = 48;
    const auto bareStart = Clock::now();
    for (int i = 0; i < bareCount; ++i) {
        const QImage image = jpeg::decode(paths[i], 8).image;
        if (image.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation).isNull())
            return 1;
    }
    const double barePerSecond = bareCount * 1000.0 / msSince(bareStart);

    ScriptedMessages messages;
    MainForm form(nullptr, scratch.filePath(QStringLiteral("settings.sqlite")));
    form.setShowWelcome(false);
    form.show();
    QCoreApplication::processEvents();
    const TPriceData entry = form.currentPrice();
    auto fillStart = Clock::now();
    form.order().beginBatch();
    for (const QString& p : paths)
        form.order().AddOrderLine(p, QStringLiteral("3000x4000"), 0, QString(), true, entry, QStringLiteral("1"), 1);
    form.order().endBatch();
    QCoreApplication::processEvents();
    const double fillMs = msSince(fillStart);

    PictureDecoder& decoder = form.pictureDecoder();
    BlockWatch watch;
    watch.start();
    const auto switchStart = Clock::now();
    form.findChild<QAction*>(QStringLiteral("miThumbnails"))->trigger();
    QCoreApplication::processEvents();
    const double switchMs = msSince(switchStart);

    QScrollBar* bar = form.findChild<QTableView*>(QStringLiteral("FileList"))->verticalScrollBar();
    const int made0 = decoder.thumbnailsMade();
    const auto scrollStart = Clock::now();
    int frames = 0;
    while (bar->value() < bar->maximum()) {
        const auto frame = Clock::now();
        bar->setValue(std::min(bar->maximum(), bar->value() + 2 * bar->pageStep()));
        ++frames;
        while (msSince(frame) < 16)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 2);
    }
    const double scrollMs = msSince(scrollStart);
    const int madeScrolling = decoder.thumbnailsMade() - made0;
    waitFor([&] { return decoder.idle(); }, 120000);
    const double settleMs = msSince(scrollStart) - scrollMs;
    watch.stop();
    const double perSecond = madeScrolling * 1000.0 / scrollMs;

    std::fprintf(stderr, "%d lines (filled in %.0f ms), %d frames of scrolling in %.0f ms, %d decode workers\n", count,
                 fillMs, frames, scrollMs, decoder.threadCount());
    std::fprintf(stderr, "switching thumbnails on: %.1f ms\n", switchMs);
    std::fprintf(stderr, "thumbnails made while scrolling: %d (%.0f per second); the bare 1/8 loop: %.0f per second\n",
                 madeScrolling, perSecond, barePerSecond);
    std::fprintf(stderr, "the rows at the bottom had their thumbnails %.0f ms after the scrolling stopped\n", settleMs);
    std::fprintf(stderr, "longest blocked time of the window's thread: %.1f ms\n", watch.longest());
    std::printf("longest blocked: %.1f ms\n", watch.longest());
    std::printf("thumbnails/bare8 ratio: %.3f\n", barePerSecond > 0 ? perSecond / barePerSecond : 0.0);
    return 0;
}
