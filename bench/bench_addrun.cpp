// bench_addrun [FOLDER | COUNT] [ROUNDS]
//
// An add run of every JPEG in FOLDER through the real main window (offscreen),
// against the bare check loop over the same files (size rule and picture
// check, nothing else) in the same run. With a number instead of a folder
// (5000 without arguments) it makes that many pictures of its own (a handful
// of distinct JPEGs under many hard-linked names, so the disk holds only a
// few). A second add run then offers the same files again in the other fill
// mode: every name meets a line of its own name, the duplicate search's
// hardest case. The last line is the median time of the first add run over
// the median time of the check loop; the line before it that of the second.
#include "bench/support/JpegWriter.h"
#include "bench/support/Measure.h"
#include "core/PictureCheck.h"
#include "core/Texts.h"
#include "platform/SettingsStore.h"
#include "ui/common/MessageBox.h"
#include "ui/main/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace pelmar;
using namespace pelmar::bench;

namespace {

constexpr int kDefaultRounds = 3;
constexpr int kDefaultPictures = 5000;

QStringList makeOwnPictures(const QString& folder, int count)
{
    QStringList originals;
    for (int i = 0; i < 8; ++i) {
        const QString path = folder + QStringLiteral("/orig%1.jpg").arg(i);
        // Grain makes them realistic in size (well over the 50 KB rule).
        if (!bench::writeJpegFile(path, 1200 + 40 * i, 800 + 30 * i, 90, 60, unsigned(i + 1)))
            return {};
        originals.append(path);
    }
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString name = folder + QStringLiteral("/IMG_%1.JPG").arg(i, 6, 10, QLatin1Char('0'));
        const QByteArray from = QFile::encodeName(originals[i % originals.size()]);
        if (::link(from.constData(), QFile::encodeName(name).constData()) != 0)
            return {};
        files.append(name);
    }
    return files;
}

// Counts the paint events of the picture list.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(kProgramName);

    QTemporaryDir scratch;
    QStringList files;
    bool numeric = false;
    const int count = argc > 1 ? QByteArray(argv[1]).toInt(&numeric) : kDefaultPictures;
    const int rounds = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : kDefaultRounds;
    if (argc > 1 && !numeric) {
        QDir dir(QString::fromLocal8Bit(argv[1]));
        for (const QString& n : dir.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}, QDir::Files,
                                              QDir::Name | QDir::IgnoreCase))
            files.append(dir.filePath(n));
    } else {
        QDir().mkpath(scratch.filePath(QStringLiteral("pictures")));
        files = makeOwnPictures(scratch.filePath(QStringLiteral("pictures")), count);
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "bench_addrun: no pictures\n");
        return 1;
    }
    const TPriceData entry = ParsePriceData(QStringLiteral("9x13|85|1000x1500|800x1200"));
    const QString settings = scratch.filePath(QStringLiteral("settings.sqlite"));
    {
        SettingsStore store(settings);
        store.openKey(kSettingsPricesKey, true);
        store.writeString(QStringLiteral("0"), ComposePriceData(entry));
    }

    ScriptedMessages messages; // a refused file would otherwise wait for OK
    std::vector<double> checkTimes, runTimes, againTimes;
    int lines = 0, paints = 0, boxes = 0;
    for (int round = 0; round < rounds; ++round) {
        // The bare loop: what every add run must do for each file.
        auto start = Clock::now();
        int accepted = 0;
        for (const QString& path : files) {
            if (GetFileSize(path) < kMinPictureBytes)
                continue;
            if (CheckPicture(path, entry).status != StatusRefused)
                ++accepted;
        }
        checkTimes.push_back(msSince(start));

        MainForm form(nullptr, settings);
        form.setShowWelcome(false);
        form.setPictureChooser([&files] { return files; });
        form.show();
        QCoreApplication::processEvents();
        PaintCounter counter;
        QAbstractItemView* list = form.findChild<QAbstractItemView*>(QStringLiteral("FileList"));
        list->viewport()->installEventFilter(&counter);
        messages.clear();
        start = Clock::now();
        form.findChild<QAction*>(QStringLiteral("AddPic"))->trigger();
        // The one redraw of the list, and the one journal write of the run.
        QCoreApplication::processEvents();
        runTimes.push_back(msSince(start));
        lines = form.order().lineCount();
        paints = counter.paints;
        boxes = int(messages.shown().size());
        if (lines != accepted)
            std::fprintf(stderr, "bench_addrun: %d lines for %d accepted files\n", lines, accepted);
        list->viewport()->removeEventFilter(&counter);

        // The same files again, "fit": none is a duplicate, but each name is.
        form.findChild<QRadioButton*>(QStringLiteral("RBFit"))->setChecked(true);
        start = Clock::now();
        form.findChild<QAction*>(QStringLiteral("AddPic"))->trigger();
        QCoreApplication::processEvents();
        againTimes.push_back(msSince(start));
        if (form.order().lineCount() != 2 * accepted)
            std::fprintf(stderr, "bench_addrun: %d lines after the second run\n", form.order().lineCount());
        // A normal end, so the next round starts with nothing to restore.
        form.close();
    }
    const double check = median(checkTimes);
    const double run = median(runTimes);
    const double again = median(againTimes);
    std::fprintf(stderr, "files: %lld, lines: %d, message boxes: %d, list paints in the last run: %d\n",
                 qlonglong(files.size()), lines, boxes, paints);
    std::fprintf(stderr, "median check loop: %.1f ms, median add run: %.1f ms, median second run: %.1f ms\n", check,
                 run, again);
    std::printf("second run/check ratio: %.2f\n", check > 0 ? again / check : 0.0);
    std::printf("addrun/check ratio: %.2f\n", check > 0 ? run / check : 0.0);
    return 0;
}
