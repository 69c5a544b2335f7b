#pragma once

#include <QByteArray>
#include <QString>

namespace pelmar {

// A file written under a temporary name in its target's folder and renamed
// over the target only when every byte is written, so the target's name
// never carries a half-written file: after a failure, a full disk or a kill
// the target keeps its old content or does not appear.
//
// The temporary name is ".pelmar-<random>.part": fixed and short, so a target
// name near the length limit still leaves room for it, and hidden from plain
// listings. A process killed with SIGKILL leaves such a file behind;
// IsTemporaryFileName recognises it so that the next run can remove it and
// nothing that reads a finished folder ever takes it.
class AtomicFile
{
public:
    explicit AtomicFile(const QString& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool valid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // The errno of a failed creation.
    int error() const { return m_error; }

    // Writes all of the bytes; 0 or an errno value.
    int writeAll(const char* data, qsizetype size);
    // Optionally forces the data to disk, closes the file (checking the
    // close: NFS and some full disks report late) and renames it over the
    // target; 0 or an errno value. After a failure the temporary is removed.
    int commit(bool sync);

private:
    QString m_target;
    QByteArray m_path;
    int m_fd = -1;
    int m_error = 0;
    bool m_committed = false;
};

// Writes bytes to `target` through an AtomicFile, forced to disk before the
// rename. On failure `error` (when given) holds "<path>: <reason>".
bool WriteFileAtomic(const QString& target, const QByteArray& bytes, QString* error = nullptr);

// Whether a file name is one of AtomicFile's temporary names.
bool IsTemporaryFileName(const QString& fileName);

// Removes the temporary files that an interrupted run left directly in
// `folder` (not below it). A missing folder has none. Returns how many were
// removed.
int RemoveTemporaryFiles(const QString& folder);

// The system's text for an errno value.
QString ErrnoText(int err);

} // namespace pelmar
