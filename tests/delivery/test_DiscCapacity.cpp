#include "delivery/DiscCapacity.h"
#include "delivery/DiscWriter.h"
#include "tests/delivery/test_DiscSupport.h"
#include "tests/support/TempDir.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;
using namespace pelmar::test::disc;
namespace DC = pelmar::DiscCapacity;

namespace {

QList<DC::File> someOrder()
{
    QList<DC::File> files;
    for (int i = 1; i <= 40; ++i)
        files.append({QStringLiteral("%1-fill-1/kep%2.JPG")
                          .arg(i % 3 ? QStringLiteral("9x13") : QStringLiteral("10x15"))
                          .arg(i, 5, 10, QLatin1Char('0')),
                      1234567 + i});
    files.append(DC::orderOwnFiles(40));
    return files;
}

// Gives the last file the length that makes the whole image exactly so many
// sectors. The length of a file does not change the directories, so the rest
// of the image is what an empty last file leaves.
QList<DC::File> orderOfSectors(qint64 sectors)
{
    QList<DC::File> files = someOrder();
    files.last().size = 0;
    const qint64 rest = DC::estimate(files).sectors;
    files.last().size = (sectors - rest) * DC::kSectorSize;
    return files;
}

} // namespace

// An order exactly at the limit of a CD fits; one byte more starts one more
// sector and needs a DVD. The same at the limit of a DVD.
TEST(DiscCapacityLimits, ExactlyAtTheLimitAndOneSectorOver)
{
    struct Limit
    {
        qint64 sectors;
        DC::Fit at, over;
        QString atText, overText, overQuestion;
    };
    const QString cdText = QStringLiteral("— elfér egy CD-n.");
    const QString dvdText = QStringLiteral("— nem fér el egy CD-n, DVD lemez kell hozzá.");
    const Limit limits[] = {
        {DC::kCdSectors, DC::Fit::Cd, DC::Fit::Dvd, cdText, dvdText, QStringLiteral("DVD lemezre kell írnia")},
        {DC::kDvdSectors, DC::Fit::Dvd, DC::Fit::TooBig, dvdText, QStringLiteral("— egy DVD lemezre sem fér el."),
         QStringLiteral("4,7 GB")},
    };
    for (const Limit& l : limits) {
        QList<DC::File> files = orderOfSectors(l.sectors);
        DC::Estimate e = DC::estimate(files);
        EXPECT_EQ(e.sectors, l.sectors);
        EXPECT_EQ(e.fit, l.at);
        EXPECT_TRUE(DC::capacityText(e).endsWith(l.atText)) << DC::capacityText(e).toStdString();
        EXPECT_EQ(DC::capacityQuestion(e).isEmpty(), l.at == DC::Fit::Cd);

        files.last().size += 1;
        e = DC::estimate(files);
        EXPECT_EQ(e.sectors, l.sectors + 1);
        EXPECT_EQ(e.fit, l.over);
        EXPECT_TRUE(DC::capacityText(e).endsWith(l.overText)) << DC::capacityText(e).toStdString();
        const QString question = DC::capacityQuestion(e);
        EXPECT_TRUE(question.contains(l.overQuestion)) << question.toStdString();
        EXPECT_TRUE(question.endsWith(QStringLiteral("\n\nFolytatja?")));
    }
}

TEST(DiscCapacityLimits, FilesCountInWholeSectors)
{
    // A thousand files of one byte take a thousand sectors, not one.
    QList<DC::File> small;
    QList<DC::File> empty;
    for (int i = 0; i < 1000; ++i) {
        small.append({QStringLiteral("9x13-fill-1/kep%1.JPG").arg(i), 1});
        empty.append({QStringLiteral("9x13-fill-1/kep%1.JPG").arg(i), 0});
    }
    EXPECT_EQ(DC::estimate(small).sectors - DC::estimate(empty).sectors, 1000);
    EXPECT_EQ(DC::estimate(small).fileBytes, 1000);
    // Negative sizes (a broken measurement) count as nothing.
    EXPECT_EQ(DC::estimate({{QStringLiteral("a"), -5}}).fileBytes, 0);
    EXPECT_EQ(DC::estimate({{QStringLiteral("a"), -5}}).sectors, DC::estimate({{QStringLiteral("a"), 0}}).sectors);
}

// The estimate against the image xorriso really writes: never below it (so a
// "fits" holds at the burner), and not far above it.
TEST(DiscCapacityEstimate, NeverBelowTheRealImage)
{
    struct Shape
    {
        int groups;
        int perGroup;
        int nameLength;
        qint64 size;
    };
    const QList<Shape> shapes = {
        {1, 1, 8, 100},
        {3, 60, 8, 3000},
        {2, 150, 40, 0}, // empty files, long names
        {30, 4, 120, 5000}, // names longer than a record holds
    };
    for (const Shape& s : shapes) {
        TempDir tmp;
        const QString folder = tmp.file(QStringLiteral("Pelmar-20240101-000001"));
        int n = 0;
        // Long names are the group folders' (a size name may be long); the
        // pictures are named as the build names them.
        for (int g = 0; g < s.groups; ++g)
            for (int i = 0; i < s.perGroup; ++i) {
                const QString group = QStringLiteral("ő%1-").arg(g).leftJustified(s.nameLength, QChar(u'é'));
                ++n;
                put(folder + QStringLiteral("/%1-fill-1/kep%2.JPG").arg(group).arg(n, 5, 10, QLatin1Char('0')),
                    noise(s.size + n, n));
            }
        for (const char* own : {"megrendeles.txt", "megrendeles.qrp", "megrendeles_osszegezve.qrp"})
            put(folder + QLatin1Char('/') + QLatin1String(own), "x");
        const DC::Estimate e = DC::estimate(DC::folderFiles(folder));
        DiscWriter writer;
        const QString image = tmp.file(QStringLiteral("o.iso"));
        DiscJob job;
        job.sourceFolder = folder;
        job.imagePath = image;
        const DiscResult r = writer.run(job);
        ASSERT_TRUE(r.ok()) << r.message.toStdString();
        const qint64 real = QFileInfo(image).size() / DC::kSectorSize;
        EXPECT_GE(e.sectors, real) << "shape " << s.groups << "x" << s.perGroup;
        EXPECT_LE(e.sectors, real + real / 50 + 100) << "shape " << s.groups << "x" << s.perGroup;
    }
}

TEST(DiscCapacityOrder, OrderFilesFromTargetsAndSources)
{
    TempDir tmp;
    const QString a = tmp.write(QStringLiteral("IMG_0001.JPG"), noise(5000, 1));
    const QString b = tmp.write(QStringLiteral("képek/IMG 0002.jpg"), noise(7000, 2));
    const QList<DC::File> files
        = DC::orderFiles({QStringLiteral("9x13-fill-2\\kep00001.JPG"), QStringLiteral("10x15-fit-1\\kep00002.jpg"),
                          QStringLiteral("10x15-fit-1\\kep00003.JPG"), QStringLiteral("10x15-fit-1\\kep00004.JPG")},
                         {a, b, tmp.file(QStringLiteral("nincs meg.JPG")), tmp.path()});
    ASSERT_EQ(files.size(), 4 + 3);
    EXPECT_EQ(files[0].relativePath, QStringLiteral("9x13-fill-2/kep00001.JPG"));
    EXPECT_EQ(files[0].size, 5000);
    EXPECT_EQ(files[1].size, 7000);
    // A missing source, and a folder where a picture should be, count nothing:
    // the build leaves them out.
    EXPECT_EQ(files[2].size, 0);
    EXPECT_EQ(files[3].size, 0);
    QStringList own;
    for (int i = 4; i < files.size(); ++i) {
        own.append(files[i].relativePath);
        EXPECT_GT(files[i].size, 0);
    }
    EXPECT_EQ(own,
              (QStringList {QStringLiteral("megrendeles.txt"), QStringLiteral("megrendeles.qrp"),
                            QStringLiteral("megrendeles_osszegezve.qrp")}));
    // The printouts grow with the order.
    EXPECT_GT(DC::orderOwnFiles(1000)[1].size, DC::orderOwnFiles(1)[1].size);
    // More targets than sources: the extra ones count nothing.
    EXPECT_EQ(DC::orderFiles({QStringLiteral("a/b.JPG")}, {})[0].size, 0);
}

TEST(DiscCapacityOrder, FolderFilesListsNestedAndHiddenFilesButNoLinksNorLeftovers)
{
    TempDir tmp;
    const QString folder = tmp.file(QStringLiteral("rendelés"));
    put(folder + QStringLiteral("/a/b/c.JPG"), noise(10, 1));
    put(folder + QStringLiteral("/.rejtett"), noise(20, 2));
    put(folder + QStringLiteral("/ő.txt"), QByteArray());
    QFile::link(folder + QStringLiteral("/a/b/c.JPG"), folder + QStringLiteral("/link.JPG"));
    put(folder + QStringLiteral("/a/.pelmar-k3x9.part"), noise(30, 3)); // a killed build's leftover
    QMap<QString, qint64> got;
    for (const DC::File& f : DC::folderFiles(folder + QStringLiteral("/")))
        got.insert(f.relativePath, f.size);
    EXPECT_EQ(got,
              (QMap<QString, qint64> {
                  {QStringLiteral("a/b/c.JPG"), 10}, {QStringLiteral(".rejtett"), 20}, {QStringLiteral("ő.txt"), 0}}));
    EXPECT_TRUE(DC::folderFiles(tmp.file(QStringLiteral("nincs"))).isEmpty());
}

TEST(DiscCapacityTexts, SizesAsThePartnerReadsThem)
{
    constexpr qint64 MiB = 1024 * 1024;
    EXPECT_EQ(DC::sizeText(612 * MiB), QStringLiteral("612 MB"));
    EXPECT_EQ(DC::sizeText(612 * MiB + 1), QStringLiteral("613 MB")); // never less than it is
    EXPECT_EQ(DC::sizeText(1), QStringLiteral("1 MB"));
    EXPECT_EQ(DC::sizeText(0), QStringLiteral("0 MB"));
    EXPECT_EQ(DC::sizeText(999 * MiB), QStringLiteral("999 MB"));
    EXPECT_EQ(DC::sizeText(1200000000), QStringLiteral("1,2 GB"));
    EXPECT_EQ(DC::sizeText(DC::kDvdSectors * DC::kSectorSize), QStringLiteral("4,7 GB"));

    DC::Estimate e;
    e.sectors = 612 * MiB / DC::kSectorSize;
    e.fit = DC::fitFor(e.sectors);
    EXPECT_EQ(DC::capacityText(e), QStringLiteral("A megrendelés mérete: 612 MB — elfér egy CD-n."));
    // A full CD is a little over 703 MB as files are counted; it still fits.
    e.sectors = DC::kCdSectors;
    e.fit = DC::fitFor(e.sectors);
    EXPECT_EQ(DC::capacityText(e), QStringLiteral("A megrendelés mérete: 704 MB — elfér egy CD-n."));
}
