// bench_startup
//
// Start-up to the shown main window: the program's own start (application
// title, Qt's Hungarian translation, main window with a price list of 50
// entries loaded from the settings store, hidden preview window, shown and
// exposed), measured from process start to the window on screen, against a
// process that shows an empty main window the same way. Each is started as a
// child process several times; the last line is the ratio of the medians.
#include "app/Application.h"
#include "bench/support/Measure.h"
#include "platform/SettingsStore.h"
#include "ui/main/MainForm.h"
#include "ui/preview/PreviewForm.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace pelmar;
using namespace pelmar::bench;

namespace {

constexpr int kRuns = 11;

void waitExposed(QWidget& w)
{
    QElapsedTimer t;
    t.start();
    while (!(w.windowHandle() && w.windowHandle()->isExposed()) && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    // One round more so the first paint is done.
    QCoreApplication::processEvents();
}

int child(int argc, char** argv, bool empty, const QString& settings)
{
    Application app(argc, argv);
    setUpApplication(app);
    if (empty) {
        QMainWindow window;
        window.resize(800, 540);
        window.show();
        waitExposed(window);
    } else {
        MainForm form(nullptr, settings);
        form.setShowWelcome(false);
        auto* preview = new TPreviewForm(&form, form.showCrop());
        form.setPreviewForm(preview);
        preview->hide();
        form.show();
        waitExposed(form);
        const int sizes = form.findChild<QComboBox*>(QStringLiteral("CBSize"))->count();
        if (sizes != 50)
            std::fprintf(stderr, "bench_startup: %d sizes loaded\n", sizes);
    }
    std::printf("shown\n");
    std::fflush(stdout);
    return 0;
}

double runChild(const QString& program, const QStringList& args)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    while (!p.canReadLine() && p.state() == QProcess::Running)
        p.waitForReadyRead(50);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    p.waitForFinished(10000);
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return child(argc, argv, std::strcmp(argv[2], "empty") == 0,
                     argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());

    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString settings = scratch.filePath(QStringLiteral("settings.sqlite"));
    {
        SettingsStore store(settings);
        store.openKey(kSettingsRootKey, true);
        store.writeBool(QStringLiteral("WelcomeScreen"), false);
        store.openKey(kSettingsPricesKey, true);
        for (int i = 0; i < 50; ++i)
            store.writeString(QString::number(i),
                              QStringLiteral("%1x%2|%3|%4x%5|%6x%7")
                                  .arg(9 + i)
                                  .arg(13 + i)
                                  .arg(80 + 10 * i)
                                  .arg(1000 + 20 * i)
                                  .arg(1500 + 30 * i)
                                  .arg(800 + 20 * i)
                                  .arg(1200 + 30 * i));
        store.openKey(kSettingsValuesKey, true);
        store.writeInteger(QStringLiteral("CD"), 1500);
    }
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> program, empty;
    for (int i = 0; i < kRuns; ++i) {
        program.push_back(runChild(self, {QStringLiteral("--child"), QStringLiteral("program"), settings}));
        empty.push_back(runChild(self, {QStringLiteral("--child"), QStringLiteral("empty")}));
    }
    const double p = median(program);
    const double e = median(empty);
    std::fprintf(stderr,
                 "runs: %d, median start-up to the shown main window (50 prices): %.1f ms, empty window: %.1f ms\n",
                 kRuns, p, e);
    std::printf("startup/emptywindow ratio: %.2f\n", e > 0 ? p / e : 0.0);
    return 0;
}
