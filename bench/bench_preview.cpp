// bench_preview [FOLDER]
//
// The preview of 24-megapixel JPEGs in the real main window (offscreen), in
// one run:
//  - full decode: the file decoded at full size on this thread (baseline);
//  - cold: a line selected with nothing of it decoded ahead, until its
//    picture is painted in the small box;
//  - stepping: 20 lines stepped through with the Down key, one step every
//    300 ms (a person looking at each), timing how long the window's thread
//    is busy per step, and whether the picture was there at the first paint;
//  - the preview window opened and five lines stepped through in it;
//  - the longest time the window's thread was blocked in all of it (a 1 ms
//    timer that reports the longest gap between its ticks).
// Without arguments it makes its own pictures: 6000 x 4000, a smooth scene
// with a fine grain (about 7 MB, as a camera writes), under 24 names
// (hard links of three pictures). With FOLDER it uses the JPEGs there.
// The last line is the mean blocked time per step over the median full
// decode.
#include "bench/support/JpegWriter.h"
#include "bench/support/Measure.h"
#include "platform/JpegDecode.h"
#include "platform/PictureDecoder.h"
#include "ui/common/MessageBox.h"
#include "ui/main/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace pelmar;
using namespace pelmar::bench;

namespace {

// A key pressed and let go on the widget, as the user does it.
void keyClick(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmar megrendelés"));

    QTemporaryDir scratch;
    QStringList pictures;
    if (argc > 1) {
        QDir dir(QString::fromLocal8Bit(argv[1]));
        for (const QString& name : dir.entryList(
                 {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.JPG"), QStringLiteral("*.JPEG")},
                 QDir::Files, QDir::Name))
            pictures << dir.filePath(name);
        if (pictures.size() < 22) {
            std::fprintf(stderr, "bench_preview: %s holds %lld JPEGs; 22 are needed\n", argv[1],
                         qlonglong(pictures.size()));
            return 2;
        }
    } else {
        QStringList made;
        for (unsigned seed = 0; seed < 3; ++seed) {
            made << scratch.filePath(QStringLiteral("src%1.jpg").arg(seed));
            if (!bench::writeJpegFile(made.last(), 6000, 4000, 90, 12, 7 + seed)) {
                std::fprintf(stderr, "bench_preview: cannot make the pictures\n");
                return 1;
            }
        }
        for (int i = 0; i < 24; ++i) {
            pictures << scratch.filePath(QStringLiteral("kep%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
            if (!QFile::link(made[i % 3], pictures.last()) && !QFile::copy(made[i % 3], pictures.last())) {
                std::fprintf(stderr, "bench_preview: cannot place the pictures\n");
                return 1;
            }
        }
    }

    ScriptedMessages messages;
    MainForm form(nullptr, scratch.filePath(QStringLiteral("settings.sqlite")));
    form.setShowWelcome(false);
    form.setPictureChooser([&pictures] { return pictures; });
    form.show();
    QCoreApplication::processEvents();
    form.findChild<QAction*>(QStringLiteral("AddPic"))->trigger();
    const int lines = form.order().lineCount();
    if (lines < 22) {
        std::fprintf(stderr, "bench_preview: only %d pictures were added (%s)\n", lines,
                     qPrintable(messages.texts().join(QLatin1Char(' '))));
        return 1;
    }
    QItemSelectionModel* selection = form.selection();
    // Found before the preview window exists: it has a "PaintBox" too.
    auto* paintBox = form.findChild<TPaintBox*>(QStringLiteral("PaintBox"));
    auto* fileList = form.findChild<QTableView*>(QStringLiteral("FileList"));
    auto* previewButton = form.findChild<QToolButton*>(QStringLiteral("PreviewImgBtn"));
    PreviewPicture& picture = form.previewPicture();
    PictureDecoder& decoder = form.pictureDecoder();
    auto waitIdle = [&] { waitFor([&] { return decoder.idle(); }, 60000); };
    waitIdle();

    // Baseline: the full decode on this thread.
    std::vector<double> fullTimes;
    QSize fullSize;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        fullSize = jpeg::decode(form.order().line(round % lines).path(), 1).image.size();
        fullTimes.push_back(msSince(start));
    }
    const double full = median(fullTimes);

    BlockWatch watch;
    watch.start();

    // Cold: lines whose neighbours were never selected, so nothing of them
    // is decoded ahead.
    // Judged inside the paint: the picture's arrival and the paint it asks
    // for can both run within one pass of the event loop.
    bool paintedPicture = false;
    paintBox->onPaint = [&paintedPicture, &picture, draw = paintBox->onPaint](QPainter& painter) {
        draw(painter);
        if (!picture.isEmpty())
            paintedPicture = true;
    };
    std::vector<double> coldTimes;
    for (int row : {lines - 1, lines - 5, lines - 9, lines - 13}) {
        const auto start = Clock::now();
        selection->clearSelection();
        paintedPicture = false;
        selection->setCurrentIndex(form.order().index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        while (!paintedPicture && !picture.failed() && msSince(start) < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        coldTimes.push_back(msSince(start));
        waitIdle();
    }
    const double cold = median(coldTimes);

    // Stepping: from the first line down, one step every 300 ms.
    selection->setCurrentIndex(form.order().index(0, 0),
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    fileList->setFocus();
    runFor(300);
    std::vector<double> stepTimes;
    int shownAtOnce = 0;
    for (int step = 0; step < 20; ++step) {
        const auto start = Clock::now();
        keyClick(fileList, Qt::Key_Down);
        // The paint that the step asked for.
        QCoreApplication::processEvents();
        stepTimes.push_back(msSince(start));
        if (!picture.isEmpty())
            ++shownAtOnce;
        runFor(300);
    }
    const double stepMean = mean(stepTimes);
    const double stepMax = *std::max_element(stepTimes.begin(), stepTimes.end());

    // The preview window: opened on the current line, then five steps.
    std::vector<double> windowTimes;
    {
        const auto start = Clock::now();
        previewButton->click();
        QCoreApplication::processEvents();
        windowTimes.push_back(msSince(start));
        runFor(300);
    }
    for (int step = 0; step < 5; ++step) {
        const auto start = Clock::now();
        keyClick(fileList, Qt::Key_Up);
        QCoreApplication::processEvents();
        windowTimes.push_back(msSince(start));
        runFor(300);
    }
    watch.stop();
    waitIdle();

    std::fprintf(stderr, "pictures: %lld lines, first file %lld bytes, %dx%d; %d decode workers\n", qlonglong(lines),
                 bench::fileSize(form.order().line(0).path()), fullSize.width(), fullSize.height(),
                 decoder.threadCount());
    std::fprintf(stderr, "full decode (median): %.1f ms\n", full);
    std::fprintf(stderr, "cold select to painted picture (median of %zu): %.1f ms, ratio %.3f\n", coldTimes.size(),
                 cold, full > 0 ? cold / full : 0.0);
    std::fprintf(stderr,
                 "stepping: window thread busy per step mean %.2f ms, max %.2f ms; pictures there at the "
                 "first paint: %d of 20\n",
                 stepMean, stepMax, shownAtOnce);
    std::fprintf(stderr, "preview window: busy per step max %.2f ms\n",
                 *std::max_element(windowTimes.begin(), windowTimes.end()));
    std::fprintf(stderr, "longest blocked time of the window's thread: %.1f ms\n", watch.longest());
    std::printf("cold/fulldecode ratio: %.3f\n", full > 0 ? cold / full : 0.0);
    std::printf("longest blocked: %.1f ms\n", watch.longest());
    std::printf("previewstep/fulldecode ratio: %.3f\n", full > 0 ? stepMean / full : 0.0);
    return 0;
}
