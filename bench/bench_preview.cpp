// bench_preview [PICTURE]
//
// Selecting the one line of a 24-megapixel JPEG in the real main window and
// drawing it into the small preview box, against decoding the same file at
// full size in the same run. Without arguments it makes its own 6000 x 4000
// picture: a smooth scene with a fine grain, about the size a 24-megapixel
// camera writes (7 MB). The last line is the median time of select-and-draw over the
// median time of the full decode.
#include "bench/support/JpegWriter.h"
#include "platform/JpegDecode.h"
#include "ui/MainForm.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace pelmar;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 7;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
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
    QString picture;
    if (argc > 1) {
        picture = QString::fromLocal8Bit(argv[1]);
    } else {
        picture = scratch.filePath(QStringLiteral("big.jpg"));
        if (!bench::writeJpegFile(picture, 6000, 4000, 90, 12, 7)) {
            std::fprintf(stderr, "bench_preview: cannot make the picture\n");
            return 1;
        }
    }

    ScriptedMessages messages;
    MainForm form(nullptr, scratch.filePath(QStringLiteral("settings.sqlite")));
    form.setShowWelcome(false);
    form.setPictureChooser([&picture] { return QStringList { picture }; });
    form.show();
    QCoreApplication::processEvents();
    form.findChild<QAction*>(QStringLiteral("AddPic"))->trigger();
    if (form.order().lineCount() != 1) {
        std::fprintf(stderr, "bench_preview: the picture was not added (%s)\n",
            qPrintable(messages.texts().join(QLatin1Char(' '))));
        return 1;
    }
    QItemSelectionModel* selection = form.selection();
    QWidget* paintBox = form.findChild<QWidget*>(QStringLiteral("PaintBox"));
    const QModelIndex line = form.order().index(0, 0);

    std::vector<double> previewTimes, decodeTimes;
    QSize decoded;
    for (int round = 0; round < kRounds; ++round) {
        selection->clearSelection();
        QCoreApplication::processEvents();
        auto start = Clock::now();
        selection->select(line, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        paintBox->repaint();
        previewTimes.push_back(msSince(start));

        start = Clock::now();
        const jpeg::Decoded full = jpeg::decode(picture, 1);
        decodeTimes.push_back(msSince(start));
        decoded = full.image.size();
    }
    const double preview = median(previewTimes);
    const double full = median(decodeTimes);
    std::fprintf(stderr, "file: %lld bytes\n", bench::fileSize(picture));
    std::fprintf(stderr,
        "picture: %dx%d, preview scale 1/%d, median select+draw: %.1f ms, median full decode: %.1f ms\n",
        decoded.width(), decoded.height(), form.previewPicture().denominator(), preview, full);
    std::printf("preview/fulldecode ratio: %.3f\n", full > 0 ? preview / full : 0.0);
    return 0;
}
