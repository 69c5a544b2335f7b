// bench_iso [FOLDER]
//
// Makes a disc image of an order folder the way the program does (DiscWriter:
// xorriso as a child process with Rock Ridge and Joliet, progress parsing,
// temporary name, read-back verification, rename) and, in the same run, the
// way a partner would by hand: "xorriso -as mkisofs -R -J -V <id> -o <image>
// <folder>". Without arguments it makes a 600 MB order folder of its own in a
// temporary folder (pictures of about 3 MB in four group folders, the text
// file and two printouts). Rounds alternate between the two so the page
// cache treats them alike; medians are compared.
//
// Prints the medians, the program's writing and verification separately, the
// ratio with verification, and as its last line the ratio of the image making
// alone (the same work the hand run does): "iso/xorriso ratio: R".
#include "delivery/DiscWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace pelmar;

namespace {

constexpr int kRounds = 7;

// CPU seconds (user and system) of this process and of its reaped children.
double cpuSeconds(int who)
{
    rusage u {};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double cpuAll()
{
    return cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN);
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t mid = v.size() / 2;
    return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

bool writeNoise(const QString& path, qint64 size, quint32 seed)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // Pictures do not compress; neither does this.
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (qint64 left = size; left > 0;) {
        gen.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
        const qint64 n = std::min<qint64>(left, chunk.size());
        if (f.write(chunk.constData(), n) != n)
            return false;
        left -= n;
    }
    return true;
}

bool makeOrderFolder(const QString& folder)
{
    const char* groups[] = {"9x13-fill-1", "10x15-fill-2", "13x18-fit-1", "20x30-fill-1"};
    constexpr qint64 kTarget = 600LL * 1024 * 1024;
    qint64 total = 0;
    for (int i = 1; total < kTarget; ++i) {
        const qint64 size = 2500000 + (i * 7919) % 1000000;
        const QString name = QStringLiteral("%1/%2/kep%3.JPG")
                                 .arg(folder, QLatin1String(groups[i % 4]))
                                 .arg(i, 5, 10, QLatin1Char('0'));
        if (!writeNoise(name, size, quint32(i)))
            return false;
        total += size;
    }
    return writeNoise(folder + QStringLiteral("/megrendeles.txt"), 40000, 1)
        && writeNoise(folder + QStringLiteral("/megrendeles.qrp"), 400000, 2)
        && writeNoise(folder + QStringLiteral("/megrendeles_osszegezve.qrp"), 60000, 3);
}

qint64 folderBytes(const QString& folder, int* files)
{
    qint64 bytes = 0;
    *files = 0;
    QDir dir(folder);
    const auto entries = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries) {
        if (e.isDir()) {
            int n = 0;
            bytes += folderBytes(e.absoluteFilePath(), &n);
            *files += n;
        } else {
            bytes += e.size();
            ++*files;
        }
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // In memory when the system offers it: the disk's write-back would swamp
    // what is being compared, and it hits both sides at random.
    const QString shm = QStringLiteral("/dev/shm");
    QTemporaryDir scratch(QFileInfo(shm).isDir() && QFileInfo(shm).isWritable()
                              ? shm + QStringLiteral("/bench_iso-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/bench_iso-XXXXXX"));
    if (!scratch.isValid()) {
        std::fprintf(stderr, "bench_iso: no temporary folder\n");
        return 1;
    }
    QString folder;
    if (argc > 1) {
        folder = QString::fromLocal8Bit(argv[1]);
    } else {
        folder = scratch.filePath(QStringLiteral("Pelmar-20040315-000123"));
        std::fprintf(stderr, "bench_iso: making a 600 MB order folder...\n");
        if (!makeOrderFolder(folder)) {
            std::fprintf(stderr, "bench_iso: cannot write the order folder\n");
            return 1;
        }
    }
    int files = 0;
    const qint64 bytes = folderBytes(folder, &files);
    std::printf("order folder: %d files, %.1f MB\n", files, double(bytes) / (1024 * 1024));

    const QString volid = DiscWriter::volumeIdFor(folder);
    const QString handImage = scratch.filePath(QStringLiteral("hand.iso"));
    const QString ourImage = scratch.filePath(QStringLiteral("program.iso"));
    std::vector<double> hand, total, writing, verifying, handCpu, writingCpu;
    qint64 imageBytes = 0;

    auto byHand = [&]() -> bool {
        QFile::remove(handImage);
        QElapsedTimer t;
        const double cpu0 = cpuAll();
        t.start();
        const int rc = QProcess::execute(QStringLiteral("xorriso"),
                                         {QStringLiteral("-as"), QStringLiteral("mkisofs"), QStringLiteral("-quiet"),
                                          QStringLiteral("-R"), QStringLiteral("-J"), QStringLiteral("-V"), volid,
                                          QStringLiteral("-o"), handImage, folder});
        hand.push_back(t.nsecsElapsed() / 1e9);
        handCpu.push_back(cpuAll() - cpu0);
        if (rc != 0) {
            std::fprintf(stderr, "bench_iso: xorriso -as mkisofs failed (%d)\n", rc);
            return false;
        }
        QFile::remove(handImage);
        return true;
    };
    auto byProgram = [&]() -> bool {
        QFile::remove(ourImage);
        DiscWriter writer;
        QElapsedTimer phase;
        double writeSeconds = 0;
        const double cpu0 = cpuAll();
        QObject::connect(&writer, &DiscWriter::phaseChanged, [&](DiscWriter::Phase p) {
            if (p == DiscWriter::Phase::Verifying) {
                writeSeconds = phase.nsecsElapsed() / 1e9;
                // The writing xorriso has been reaped by now.
                writingCpu.push_back(cpuAll() - cpu0);
            }
        });
        DiscJob job;
        job.sourceFolder = folder;
        job.imagePath = ourImage;
        phase.start();
        const DiscResult r = writer.run(job);
        const double all = phase.nsecsElapsed() / 1e9;
        if (!r.ok()) {
            std::fprintf(stderr, "bench_iso: %s\n", qPrintable(r.message));
            return false;
        }
        total.push_back(all);
        writing.push_back(writeSeconds);
        verifying.push_back(all - writeSeconds);
        imageBytes = QFileInfo(ourImage).size();
        QFile::remove(ourImage);
        return true;
    };

    for (int round = 0; round < kRounds; ++round) {
        // Every other round the other one goes first.
        const bool ok = round % 2 ? byProgram() && byHand() : byHand() && byProgram();
        if (!ok)
            return 1;
        std::fprintf(stderr, "round %d: by hand %.3f s, program %.3f s (writing %.3f s)\n", round + 1, hand.back(),
                     total.back(), writing.back());
    }

    const double h = median(hand);
    std::printf("image size (program): %lld bytes\n", imageBytes);
    std::printf("xorriso -as mkisofs by hand: %.3f s\n", h);
    std::printf("program, writing the image: %.3f s\n", median(writing));
    std::printf("program, verifying it by reading back: %.3f s\n", median(verifying));
    std::printf("CPU time: by hand %.3f s, program writing %.3f s, ratio %.2f\n", median(handCpu), median(writingCpu),
                median(writingCpu) / median(handCpu));
    std::printf("iso+verify/xorriso ratio: %.2f\n", median(total) / h);
    std::printf("iso/xorriso ratio: %.2f\n", median(writing) / h);
    return 0;
}
