#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct chmFile;

namespace pelmar {

// A compiled HTML help file opened read-only with chmlib; closed with the
// object.
class ChmFile
{
public:
    explicit ChmFile(const QString& path);
    ~ChmFile();
    ChmFile(const ChmFile&) = delete;
    ChmFile& operator=(const ChmFile&) = delete;

    bool isOpen() const { return m_handle != nullptr; }
    // The contents of one object ("/index.html"), or nothing when the file
    // does not hold it or it cannot be read whole.
    std::optional<QByteArray> read(const QString& objectPath) const;
    bool contains(const QString& objectPath) const;
    // Paths of the ordinary files in the archive.
    QStringList files() const;

    // Objects larger than this are not read; no help topic comes near it.
    static constexpr qint64 kMaxObjectBytes = 8 * 1024 * 1024;

private:
    chmFile* m_handle = nullptr;
};

// One entry of a help file's table of contents.
struct HelpContentsEntry
{
    QString name;
    QString local; // topic file, may be empty for a heading
    int depth = 0;
};

// Reads the sitemap entries of a .hhc contents file. Anything it cannot make
// sense of is skipped.
QList<HelpContentsEntry> parseHelpContents(const QByteArray& hhc);

// Text of a help page: UTF-8 when it is valid UTF-8, else code page 1250.
QString decodeHelpText(const QByteArray& bytes);

} // namespace pelmar
