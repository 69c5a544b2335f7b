// bench_picture_check [FOLDER AxB]
//
// Runs the picture check with the minimum resolution AxB on every file of
// FOLDER and, in the same run, a baseline that opens each file, reads its
// first 4 KiB and closes it. Without arguments it makes its own pictures in a
// temporary folder and uses 1000x1500. Prints one line per file in file-name
// order (name, status code, resolution text, info text with line feeds shown
// as "\n", separated by tabs); the last line is the median time of the check
// over the median time of the baseline. Timings and peak memory go to stderr.
#include "bench/support/JpegWriter.h"
#include "core/PictureCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace pelmar;

namespace {

constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

// What every picture program does at least: open, read the first block, close.
void readBaseline(const QByteArray& nativePath)
{
    char buffer[4096];
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + mid, v.end());
    double m = v[mid];
    if (v.size() % 2 == 0)
        m = (m + *std::max_element(v.begin(), v.begin() + mid)) / 2;
    return m;
}

// A small mixed folder: pictures of several sizes in both orientations, some
// below the minimum, plus a TIFF name and a broken file.
bool makeOwnPictures(const QString& folder)
{
    struct Picture
    {
        int w, h;
    };
    const Picture sizes[] = {{3000, 2000}, {2000, 3000}, {1500, 1000}, {1000, 1500}, {1200, 1800}, {1800, 1200},
                             {2400, 1600}, {1024, 768},  {800, 600},   {2592, 1944}, {1944, 2592}, {3264, 2448}};
    int n = 0;
    for (int round = 0; round < 3; ++round)
        for (const Picture& p : sizes) {
            const QString name
                = QStringLiteral("%1/pic%2_%3x%4.jpg").arg(folder).arg(++n, 3, 10, QLatin1Char('0')).arg(p.w).arg(p.h);
            if (!bench::writeJpegFile(name, p.w, p.h, 60, 12, unsigned(n)))
                return false;
        }
    QFile tiff(folder + QStringLiteral("/scan.tif"));
    QFile broken(folder + QStringLiteral("/broken.jpg"));
    return tiff.open(QIODevice::WriteOnly) && tiff.write(QByteArray(60000, 'T')) == 60000
        && broken.open(QIODevice::WriteOnly) && broken.write(QByteArray(60000, 'x')) == 60000;
}

QString shown(QString text)
{
    return text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

} // namespace

int main(int argc, char** argv)
{
    QString folder;
    QString minRes;
    QTemporaryDir own;
    if (argc == 1) {
        if (!own.isValid() || !makeOwnPictures(own.path())) {
            std::fprintf(stderr, "bench_picture_check: cannot make the pictures\n");
            return 1;
        }
        folder = own.path();
        minRes = QStringLiteral("1000x1500");
    } else if (argc == 3) {
        folder = QFile::decodeName(argv[1]);
        minRes = QString::fromLocal8Bit(argv[2]);
    } else {
        std::fprintf(stderr, "usage: bench_picture_check [FOLDER AxB]\n");
        return 2;
    }

    const QDir dir(folder);
    if (!dir.exists()) {
        std::fprintf(stderr, "bench_picture_check: no folder %s\n", qPrintable(folder));
        return 1;
    }
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    std::sort(names.begin(), names.end());
    if (names.isEmpty()) {
        std::fprintf(stderr, "bench_picture_check: no files in %s\n", qPrintable(folder));
        return 1;
    }

    const TPriceData entry {QStringLiteral("bench"), 100, QString(), minRes};
    std::vector<QString> paths;
    std::vector<QByteArray> natives;
    for (const QString& name : names) {
        paths.push_back(dir.filePath(name));
        natives.push_back(QFile::encodeName(paths.back()));
    }
    std::vector<CheckResult> results(paths.size());
    std::vector<double> checkTimes;
    std::vector<double> baseTimes;
    checkTimes.reserve(paths.size() * kRounds);
    baseTimes.reserve(paths.size() * kRounds);

    auto timeCheck = [&](size_t i, bool keep) {
        const auto t0 = Clock::now();
        CheckResult r = CheckPicture(paths[i], entry);
        const auto t1 = Clock::now();
        checkTimes.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        if (keep)
            results[i] = std::move(r);
    };
    auto timeBaseline = [&](size_t i) {
        const auto t0 = Clock::now();
        readBaseline(natives[i]);
        const auto t1 = Clock::now();
        baseTimes.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    };
    // Alternate which of the two goes first, so neither always finds the
    // file's pages warmed by the other.
    for (int round = 0; round < kRounds; ++round)
        for (size_t i = 0; i < paths.size(); ++i) {
            if ((i + size_t(round)) % 2) {
                timeBaseline(i);
                timeCheck(i, round == 0);
            } else {
                timeCheck(i, round == 0);
                timeBaseline(i);
            }
        }

    for (size_t i = 0; i < paths.size(); ++i)
        std::printf("%s\t%d\t%s\t%s\n", qPrintable(names[int(i)]), results[i].status, qPrintable(results[i].resolution),
                    qPrintable(shown(results[i].info)));

    const double check = median(checkTimes);
    const double base = median(baseTimes);
    std::fflush(stdout);
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr,
                 "files: %zu, rounds: %d, median check: %.1f us, median baseline: %.1f us, peak memory: %ld KiB\n",
                 paths.size(), kRounds, check, base, usage.ru_maxrss);
    std::fflush(stderr);
    std::printf("check/read-baseline ratio: %.2f\n", base > 0 ? check / base : 0.0);
    return 0;
}
