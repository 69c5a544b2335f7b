#pragma once

#include <QSet>
#include <QString>

namespace pelmar::convert {

// The kinds converted to JPEG before the add run (by extension, case
// ignored): HEIC, HEIF, AVIF, WebP, PNG.
bool NeedsConversion(const QString& fileName);

// The folder of converted pictures: each source has a folder of its own,
// named by a hash of its full path, size and modification time, holding
// "<name without extension>.jpg". So two pictures of one name from two
// folders never meet, a picture changed since is converted again, and the
// file's own name is what the order line shows. Folders 0700, files 0600.
class ConvertCache
{
public:
    explicit ConvertCache(QString folder);
    // The program's own: "converted" in the user's cache folder.
    static QString defaultFolder();
    const QString& folder() const { return m_folder; }

    // Where the JPEG of source goes; empty when source cannot be measured.
    QString targetFor(const QString& source) const;
    // Makes the target's folders (0700); false with a reason otherwise.
    bool prepare(const QString& target, QString* error) const;
    // A fresh temporary name beside target for the helper to write.
    static QString partFor(const QString& target);
    // Puts a finished part in the target's place.
    static bool commit(const QString& part, const QString& target, QString* error);
    bool holds(const QString& path) const;

    // Where a source goes: converted before and unchanged (target alone),
    // to be converted (target and a fresh part for the helper), or not at
    // all (problem, in Hungarian: the file or the cache folder unusable).
    struct Plan
    {
        QString target;
        QString part;
        QString problem;
    };
    Plan plan(const QString& source) const;
    // Puts a finished part in the target's place; empty when done, else why
    // not, in Hungarian.
    static QString commitProblem(const QString& part, const QString& target);

    // Removes every converted picture but those in keep (and parts left by
    // an interrupted conversion).
    void prune(const QSet<QString>& keep) const;

private:
    QString m_folder;
};

} // namespace pelmar::convert
