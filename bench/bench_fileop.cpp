// bench_fileop [COUNT [MEGABYTES [ROUNDS]]]
//
// Copies COUNT files of MEGABYTES each (500 x 4 MB without arguments) one by
// one through TFileOperation, with the order build's settings, into a fresh
// folder in the order folder's layout (group folders of 50, new names), and,
// in the same run, copies the same files into the same layout with cp. Each
// side runs ROUNDS times (3 by default), alternating, each into a fresh
// folder after a sync; the best time of each side counts. The last line is
// "fileop/cp ratio: R".
#include "output/FileOp.h"

#include <QCoreApplication>
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
constexpr int kGroup = 50;

QString groupOf(int i)
{
    return QStringLiteral("9x13-fill-%1").arg(i / kGroup + 1);
}

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

bool makeSources(const QString& folder, int count, qint64 bytes)
{
    QByteArray block(1 << 20, '\0');
    for (int i = 0; i < count; ++i) {
        const QString dir = folder + QLatin1Char('/') + groupOf(i);
        QDir().mkpath(dir);
        QFile f(dir + QStringLiteral("/IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly))
            return false;
        for (qint64 done = 0; done < bytes; done += block.size()) {
            for (qsizetype k = 0; k < block.size(); k += 4096)
                block[k] = char(i + done + k);
            if (f.write(block.constData(), std::min<qint64>(block.size(), bytes - done)) < 0)
                return false;
        }
    }
    return true;
}

double runFileOp(const QString& sources, const QString& out, int count)
{
    TFileOperation fo;
    fo.setOperation(foCopy);
    fo.setFlags(fofNoConfirmation | fofNoConfirmMkDir | fofSilent);
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        fo.setSourceNames(
            {sources + QLatin1Char('/') + groupOf(i) + QStringLiteral("/IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0'))});
        fo.setTargetNames(
            {out + QLatin1Char('/') + groupOf(i) + QStringLiteral("/kep%1.JPG").arg(i + 1, 5, 10, QLatin1Char('0'))});
        if (!fo.Execute() || fo.Aborted()) {
            std::fprintf(stderr, "copy failed: %s\n", qPrintable(fo.LastError()));
            return -1;
        }
    }
    return seconds(start);
}

double runCp(const QString& sources, const QString& out)
{
    const auto start = Clock::now();
    const int rc = QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), sources, out});
    const double t = seconds(start);
    return rc == 0 ? t : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const qint64 bytes = (argc > 2 ? std::max(1, std::atoi(argv[2])) : 4) * qint64(1024 * 1024);
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;

    QTemporaryDir work;
    if (!work.isValid() || !makeSources(work.filePath(QStringLiteral("src")), count, bytes)) {
        std::fprintf(stderr, "cannot make the source files\n");
        return 1;
    }
    const QString sources = work.filePath(QStringLiteral("src"));
    double bestOp = 1e100, bestCp = 1e100;
    for (int r = 0; r < rounds; ++r) {
        const QString cpOut = work.filePath(QStringLiteral("cp%1").arg(r));
        ::sync();
        const double cp = runCp(sources, cpOut);
        QDir(cpOut).removeRecursively();
        const QString opOut = work.filePath(QStringLiteral("op%1").arg(r));
        ::sync();
        const double op = runFileOp(sources, opOut, count);
        QDir(opOut).removeRecursively();
        if (cp < 0 || op < 0) {
            std::fprintf(stderr, "a copy failed\n");
            return 1;
        }
        std::fprintf(stderr, "round %d: fileop %.3f s, cp %.3f s\n", r + 1, op, cp);
        bestOp = std::min(bestOp, op);
        bestCp = std::min(bestCp, cp);
    }
    std::printf("files: %d x %lld bytes\n", count, static_cast<long long>(bytes));
    std::printf("fileop: %.3f s\ncp: %.3f s\n", bestOp, bestCp);
    std::printf("fileop/cp ratio: %.3f\n", bestOp / bestCp);
    return 0;
}
