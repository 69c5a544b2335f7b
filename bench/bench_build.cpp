// bench_build [COUNT KILOBYTES]
//
// Builds an order folder through the windowless order build (the copies, the
// order text and both printouts, and the one flush to disk at the end) and,
// in the same run, copies the same files with cp into the same layout
// followed by sync, so both put the same data on disk. Each order is also
// timed without any flush on either side. Without arguments it
// runs an order of 5,000 pictures of 60 KB and then one of 500 pictures of
// 4 MB; with arguments one order of that shape. Each side runs twice,
// alternating, into fresh folders; the best time counts. The last line is
// "build/cp ratio: R" for the last order (the 4 MB one by default).
#include "core/OrderModel.h"
#include "output/FileOp.h"
#include "output/OrderBuilder.h"
#include "output/OrderNames.h"
#include "output/ReportPrintouts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unistd.h>

using namespace pelmar;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Quiet answers: nothing is cancelled, no copy fails.
struct QuietHost : BuildHost
{
    void partnerRefused(PartnerField, const QString&) override { }
    void outputFolderChanged(const QString&) override { }
    void copyingStarted(int) override { }
    void beforePicture(int) override { }
    bool cancelRequested() override { return false; }
    bool confirmStop() override { return false; }
    bool continueAfterCopyError(const QString&, const QString& reason) override
    {
        std::fprintf(stderr, "copy failed: %s\n", qPrintable(reason));
        return true;
    }
    void copyingEnded() override { }
};

// The order's pictures under src/<group>/, ten groups by size and quantity,
// and the order lines that point at them.
BuildInput makeOrder(const QString& src, int count, qint64 bytes)
{
    const QStringList sizes = {"9x13", "10x15", "13x18", "15x21", "20x30"};
    OrderModel order;
    QByteArray block(1 << 20, '\0');
    for (int i = 0; i < count; ++i) {
        const int group = i % 10;
        const TPriceData entry {sizes[group % 5], 100 + group, "1200x1800", "800x1200"};
        const int quantity = group < 5 ? 1 : 2;
        const QString folder = src + QStringLiteral("/%1-fill-%2").arg(entry.Size).arg(quantity);
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0'));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return {};
        for (qint64 done = 0; done < bytes; done += block.size()) {
            block[0] = char(i);
            block[1] = char(done >> 20);
            f.write(block.constData(), std::min<qint64>(block.size(), bytes - done));
        }
        order.AddOrderLine(path, "1800x1200", 0, QString(), true, entry, QString::number(quantity), quantity);
    }
    const OrderPlan plan = PlanOrder(order.lines());
    for (int i = 0; i < plan.newNames.size(); ++i)
        order.setNewName(i, plan.newNames[i]);
    BuildInput in;
    in.lines = order.lines();
    in.fields = {"123", "Minta Fotó Bt.", "Kisváros", "Fő utca 1.", "9999", "", "", "", "", ""};
    in.totalText = QString::number(plan.picturesTotal) + " Ft";
    in.printData = false;
    in.sizes = plan.sizes;
    in.targets = plan.targets;
    return in;
}

double runBuild(BuildInput in, const QString& out, bool sync)
{
    QuietHost host;
    ReportPrintouts printouts;
    TFileOperation fo;
    fo.setFlags(fofNoConfirmation | fofNoConfirmMkDir | fofSilent);
    OrderBuilder builder(host, &printouts, fo);
    builder.setPreviewAllowed(false);
    builder.setSyncAtEnd(sync);
    in.outputFolder = out;
    const auto start = Clock::now();
    const BuildResult result = builder.run(in);
    const double t = seconds(start);
    return result == BuildResult::Done && builder.skipped().isEmpty() ? t : -1;
}

double runCp(const QString& src, const QString& out, bool sync)
{
    const auto start = Clock::now();
    const int rc = QProcess::execute("cp", {"-r", src, out});
    if (sync)
        ::sync();
    const double t = seconds(start);
    return rc == 0 ? t : -1;
}

// Returns the ratio, or a negative number on failure.
double benchOrder(const QString& work, int count, qint64 kilobytes)
{
    const QString src = work + QStringLiteral("/src-%1").arg(count);
    const BuildInput order = makeOrder(src, count, kilobytes * 1024);
    if (order.lines.size() != count) {
        std::fprintf(stderr, "cannot make the pictures\n");
        return -1;
    }
    // [0]: without any flush to disk (both leave the data in the page cache);
    // [1]: the build as it is, with its flush, against cp followed by sync.
    double bestBuild[2] = {1e100, 1e100}, bestCp[2] = {1e100, 1e100};
    for (int round = 0; round < 2; ++round) {
        for (int mode = 0; mode < 2; ++mode) {
            const QString cpOut = work + QStringLiteral("/cp-%1-%2").arg(count).arg(round);
            ::sync();
            const double cp = runCp(src, cpOut, mode == 1);
            QDir(cpOut).removeRecursively();
            const QString buildOut = work + QStringLiteral("/build-%1-%2/").arg(count).arg(round);
            ::sync();
            const double build = runBuild(order, buildOut, mode == 1);
            QDir(buildOut).removeRecursively();
            if (cp < 0 || build < 0) {
                std::fprintf(stderr, "a run failed\n");
                return -1;
            }
            std::fprintf(stderr, "%d x %lld KB, round %d, %s: build %.3f s, cp %.3f s\n", count,
                         static_cast<long long>(kilobytes), round + 1, mode ? "flushed" : "cached", build, cp);
            bestBuild[mode] = std::min(bestBuild[mode], build);
            bestCp[mode] = std::min(bestCp[mode], cp);
        }
    }
    QDir(src).removeRecursively();
    std::printf("order of %d pictures of %lld KB, cached: build %.3f s, cp %.3f s, ratio %.3f\n", count,
                static_cast<long long>(kilobytes), bestBuild[0], bestCp[0], bestBuild[0] / bestCp[0]);
    std::printf("order of %d pictures of %lld KB, flushed: build %.3f s, cp+sync %.3f s, ratio %.3f\n", count,
                static_cast<long long>(kilobytes), bestBuild[1], bestCp[1], bestBuild[1] / bestCp[1]);
    return bestBuild[1] / bestCp[1];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    double ratio = 0;
    if (argc > 2) {
        ratio = benchOrder(work.path(), std::max(1, std::atoi(argv[1])), std::max(1, std::atoi(argv[2])));
    } else {
        if (benchOrder(work.path(), 5000, 60) < 0)
            return 1;
        ratio = benchOrder(work.path(), 500, 4096);
    }
    if (ratio < 0)
        return 1;
    std::printf("build/cp ratio: %.3f\n", ratio);
    return 0;
}
