#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace pelmar {

// How much room an order takes on a disc, worked out before anything is
// written: the partner should learn at the order dialog, not at the burner,
// that an order needs a DVD.
//
// The estimate is of the image xorriso writes for us (ISO 9660 with Rock
// Ridge and Joliet, 2048-byte sectors): every file rounded up to whole
// sectors, the volume descriptors and path tables, both directory trees with
// their records packed sector by sector (a record never spans two sectors),
// and xorriso's tail padding. It errs on the large side, so "fits" is never a
// promise the burner breaks.
namespace DiscCapacity {

constexpr qint64 kSectorSize = 2048;
// A 700 MB (80 minute) CD-R.
constexpr qint64 kCdSectors = 360000;
// A single-layer 4.7 GB DVD±R: 4,700,372,992 bytes.
constexpr qint64 kDvdSectors = 2295104;

enum class Fit { Cd, Dvd, TooBig };

// One file of the disc, by its path inside the order folder ("/" between
// folders, for example "9x13-fill-2/kep00001.JPG").
struct File
{
    QString relativePath;
    qint64 size = 0;
};

struct Estimate
{
    qint64 fileBytes = 0; // the files' own bytes
    qint64 sectors = 0; // the whole image on the disc
    Fit fit = Fit::Cd;

    qint64 imageBytes() const { return sectors * kSectorSize; }
};

// Sectors taken by the contents of one file of the given length.
qint64 sectorsForBytes(qint64 bytes);

// The fit of an image of so many sectors: up to and including the limit.
Fit fitFor(qint64 sectors);

// The estimate for a set of files; folders are taken from the paths.
Estimate estimate(const QList<File>& files);

// The files an order folder will hold once the build has run: every picture
// under its target path (target i is copied from source i; a source that
// cannot be measured counts 0 bytes, since the build will leave it out), plus
// an allowance for "megrendeles.txt" and the two saved printouts, whose size
// is only known after the build.
QList<File> orderFiles(const QStringList& targets, const QStringList& sources);

// The allowance files alone, for an order of so many pictures whose file
// names (without folders) have so many characters together.
QList<File> orderOwnFiles(int pictureCount, qint64 nameCharacters = 0);

// Every regular file under an existing folder (the folder itself not
// included in the paths), except the temporary files of an interrupted
// write. Links are not followed.
QList<File> folderFiles(const QString& folder);

// A size as the partner reads it: "612 MB" (rounded up), from 1000 MB on
// "1,2 GB".
QString sizeText(qint64 bytes);

// The line beside the total: "A megrendelés mérete: 612 MB — elfér egy CD-n."
QString capacityText(const Estimate& e);

// The question asked before building an order that does not fit a CD; empty
// when it fits.
QString capacityQuestion(const Estimate& e);

} // namespace DiscCapacity
} // namespace pelmar
