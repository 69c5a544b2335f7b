#include "delivery/DiscCapacity.h"
#include "core/Texts.h"

#include "platform/AtomicFile.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace pelmar::DiscCapacity {

namespace {

// System area (16), primary and Joliet volume descriptors, terminator.
constexpr qint64 kDescriptorSectors = 19;
// xorriso writes a fresh image to overwritable media (DVD+RW, image files) at
// block 32, and pads the end by 300 KiB aligned up to 32 blocks.
constexpr qint64 kStartOffsetSectors = 32;
constexpr qint64 kPaddingSectors = 150 + 32;

// Record sizes. An ISO 9660 record is 33 bytes plus its identifier, padded to
// even length; Rock Ridge adds PX (44), TF (26) and NM (5 + the name's UTF-8
// bytes). A record may hold at most 255 bytes; the rest of a long name goes to
// a continuation area.
constexpr qint64 kIsoRecordBase = 33;
constexpr qint64 kIsoNameMax = 33; // 31 characters and ";1"
constexpr qint64 kRockRidgeFixed = 44 + 26 + 5;
constexpr qint64 kRecordMax = 254;
// "." of the root also carries SP and the ER entry that names Rock Ridge.
constexpr qint64 kRootExtra = 7 + 237;
// Joliet: 33 bytes plus the name in UCS-2 (at most 64 characters) and ";1".
constexpr qint64 kJolietNameMax = 64;

qint64 even(qint64 n)
{
    return n + (n & 1);
}

struct Entry
{
    qint64 isoRecord = 0;
    qint64 continuation = 0;
    qint64 jolietRecord = 0;
};

Entry entryFor(const QString& name, bool isDir)
{
    Entry e;
    const qint64 isoName = std::min<qint64>(name.size() + (isDir ? 0 : 2), kIsoNameMax);
    qint64 iso = even(kIsoRecordBase + isoName) + kRockRidgeFixed + name.toUtf8().size();
    if (iso > kRecordMax) {
        // The continuation entry (28 bytes) stays in the record.
        e.continuation = iso - kRecordMax + 28;
        iso = kRecordMax;
    }
    e.isoRecord = even(iso);
    const qint64 joliet = std::min<qint64>(name.size(), kJolietNameMax) * 2 + (isDir ? 0 : 4);
    e.jolietRecord = even(kIsoRecordBase + joliet);
    return e;
}

// Sectors taken by a directory's records, none of which may cross a sector.
qint64 packRecords(const QList<qint64>& records)
{
    qint64 sectors = 1;
    qint64 used = 0;
    for (qint64 r : records) {
        if (used + r > kSectorSize) {
            ++sectors;
            used = 0;
        }
        used += r;
    }
    return sectors;
}

struct Dir
{
    QList<qint64> iso;
    QList<qint64> joliet;
    qint64 continuation = 0;
};

} // namespace

qint64 sectorsForBytes(qint64 bytes)
{
    if (bytes <= 0)
        return 0;
    return (bytes + kSectorSize - 1) / kSectorSize;
}

Fit fitFor(qint64 sectors)
{
    if (sectors <= kCdSectors)
        return Fit::Cd;
    if (sectors <= kDvdSectors)
        return Fit::Dvd;
    return Fit::TooBig;
}

Estimate estimate(const QList<File>& files)
{
    // Folders by path ("" is the root); each starts with its "." and "..".
    QHash<QString, Dir> dirs;
    auto dirFor = [&dirs](const QString& path) -> Dir& {
        auto it = dirs.find(path);
        if (it == dirs.end()) {
            Dir d;
            const qint64 dot = 34 + 44 + 26 + (path.isEmpty() ? kRootExtra : 0);
            d.iso = {std::min(dot, kRecordMax), 34 + 44 + 26};
            d.continuation = std::max<qint64>(0, dot - kRecordMax);
            d.joliet = {34, 34};
            it = dirs.insert(path, d);
        }
        return *it;
    };
    auto addEntry = [](Dir& d, const Entry& e) {
        d.iso.append(e.isoRecord);
        d.joliet.append(e.jolietRecord);
        d.continuation += e.continuation;
    };

    Estimate result;
    qint64 dataSectors = 0;
    dirFor(QString());
    for (const File& f : files) {
        result.fileBytes += std::max<qint64>(0, f.size);
        dataSectors += sectorsForBytes(f.size);
        const QStringList parts = f.relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (parts.isEmpty())
            continue;
        QString parent;
        for (int i = 0; i + 1 < parts.size(); ++i) {
            const QString path = parent.isEmpty() ? parts[i] : parent + QLatin1Char('/') + parts[i];
            if (!dirs.contains(path)) {
                addEntry(dirFor(parent), entryFor(parts[i], true));
                dirFor(path);
            }
            parent = path;
        }
        addEntry(dirFor(parent), entryFor(parts.last(), false));
    }

    qint64 treeSectors = 0;
    qint64 isoPathTable = 0;
    qint64 jolietPathTable = 0;
    for (auto it = dirs.cbegin(); it != dirs.cend(); ++it) {
        treeSectors += packRecords(it->iso) + packRecords(it->joliet) + sectorsForBytes(it->continuation);
        const QString name = it.key().section(QLatin1Char('/'), -1);
        isoPathTable += even(8 + std::max<qint64>(1, std::min<qint64>(name.size(), 31)));
        jolietPathTable += even(8 + std::max<qint64>(1, std::min<qint64>(name.size(), kJolietNameMax) * 2));
    }
    // An L and an M table for each of the two trees.
    const qint64 pathTables = 2 * (sectorsForBytes(isoPathTable) + sectorsForBytes(jolietPathTable));

    result.sectors
        = kStartOffsetSectors + kDescriptorSectors + pathTables + treeSectors + dataSectors + kPaddingSectors;
    result.fit = fitFor(result.sectors);
    return result;
}

QList<File> orderOwnFiles(int pictureCount, qint64 nameCharacters)
{
    const qint64 n = std::max(0, pictureCount);
    const qint64 names = std::max<qint64>(0, nameCharacters);
    // Measured on built orders: megrendeles.txt is about 600 bytes of
    // headings and 50 bytes a picture besides its names; the order printout
    // about 5 KiB a page set and 1 KiB a picture, its names in UTF-16; the
    // summary about 6 KiB with a row a size. The allowance stays just above
    // that: the order dialog and the disc dialog, which measures the built
    // folder, should name the same size, and this one must never be lower.
    return {
        {kOrderTextFileName, 2048 + 64 * n + names},
        {kOrderPrintoutFileName, 16384 + 1000 * n + 2 * names},
        {kSummaryPrintoutFileName, 16384 + 128 * n},
    };
}

QList<File> orderFiles(const QStringList& targets, const QStringList& sources)
{
    QList<File> files;
    for (int i = 0; i < targets.size(); ++i) {
        qint64 size = 0;
        if (i < sources.size()) {
            const QFileInfo info(sources[i]);
            if (info.isFile())
                size = info.size();
        }
        QString path = targets[i];
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        files.append({path, size});
    }
    qint64 nameCharacters = 0;
    for (const QString& source : sources)
        nameCharacters += QFileInfo(source).fileName().size();
    files.append(orderOwnFiles(int(targets.size()), nameCharacters));
    return files;
}

QList<File> folderFiles(const QString& folder)
{
    QList<File> files;
    QString root = QFileInfo(folder).absoluteFilePath();
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        // A killed build's temporary file never goes onto the disc.
        if (IsTemporaryFileName(info.fileName()))
            continue;
        QString path = info.absoluteFilePath();
        if (path.startsWith(root))
            path = path.mid(root.size());
        files.append({path, info.size()});
    }
    return files;
}

QString sizeText(qint64 bytes)
{
    const QLocale hu(QLocale::Hungarian, QLocale::Hungary);
    constexpr qint64 kMiB = 1024 * 1024;
    const qint64 mb = (std::max<qint64>(0, bytes) + kMiB - 1) / kMiB;
    if (mb < 1000)
        return QStringLiteral("%1 MB").arg(mb);
    // Discs are sold by decimal gigabytes ("4,7 GB"), so the big sizes are
    // shown the same way the partner reads them on the box.
    return QStringLiteral("%1 GB").arg(hu.toString(double(bytes) / 1e9, 'f', 1));
}

QString capacityText(const Estimate& e)
{
    const QString size = sizeText(e.imageBytes());
    switch (e.fit) {
    case Fit::Cd:
        return QStringLiteral("A megrendelés mérete: %1 — elfér egy CD-n.").arg(size);
    case Fit::Dvd:
        return QStringLiteral("A megrendelés mérete: %1 — nem fér el egy CD-n, DVD lemez kell hozzá.").arg(size);
    case Fit::TooBig:
        break;
    }
    return QStringLiteral("A megrendelés mérete: %1 — egy DVD lemezre sem fér el.").arg(size);
}

QString capacityQuestion(const Estimate& e)
{
    const QString size = sizeText(e.imageBytes());
    switch (e.fit) {
    case Fit::Cd:
        return QString();
    case Fit::Dvd:
        return QStringLiteral("A megrendelés mérete (%1) nagyobb, mint ami egy CD lemezre elfér (700 MB).\n"
                              "A megrendelést DVD lemezre kell írnia.\n\nFolytatja?")
            .arg(size);
    case Fit::TooBig:
        break;
    }
    return QStringLiteral("A megrendelés mérete (%1) nagyobb, mint ami egy DVD lemezre elfér (4,7 GB).\n"
                          "A megrendelést csak több lemezre szétosztva tudja eljuttatni hozzánk.\n\nFolytatja?")
        .arg(size);
}

} // namespace pelmar::DiscCapacity
