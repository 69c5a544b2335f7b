#pragma once

#include <QFlags>
#include <QObject>
#include <QString>
#include <QStringList>

#include "platform/AtomicFile.h"

namespace pelmar {

enum TFileOp { foCopy, foDelete, foMove, foRename };

enum TFileOpFlag : unsigned {
    fofAllowUndo = 1u << 0,
    fofConfirmMouse = 1u << 1,
    fofFilesOnly = 1u << 2,
    fofMultiDestFiles = 1u << 3,
    fofNoConfirmation = 1u << 4,
    fofNoConfirmMkDir = 1u << 5,
    fofRenameOnCollision = 1u << 6,
    fofSilent = 1u << 7,
    fofSimpleProgress = 1u << 8,
};
Q_DECLARE_FLAGS(TFileOpFlags, TFileOpFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFileOpFlags)

// Splits a name list the way the file operation reads it: every ";" ends a
// name, empty names are dropped.
QStringList SplitFileNames(const QString& names);

// Copies one file to exactly `target`: written under a temporary name in the
// target's folder and renamed over the target only when complete, so the
// target's name never carries a half-written file. Only a regular file is
// copied (a FIFO or device is refused without waiting on it); the copy keeps
// the source's modification time. The target's folder must exist. On
// failure the temporary file is removed and `error` (when given) says why. Used by the file operation and by every
// writer of the order folder that must not leave a truncated file behind.
bool CopyFileAtomic(const QString& source, const QString& target, QString* error = nullptr);

// Writing bytes the same way: WriteFileAtomic of platform/AtomicFile.h.

// What a file operation asks of the person at the screen and shows them. The
// window layer answers with message boxes and a progress window; this module
// opens no window of its own.
class FileOpPrompt
{
public:
    virtual ~FileOpPrompt() = default;
    // A yes/no question ("... Lecseréli?"); true only for Yes.
    virtual bool confirm(const QString& question) = 0;
    // A run of `count` files begins; `title` is the progress title.
    virtual void progressStarted(const QString& title, int count) = 0;
    // Before file `index`; `name` is empty under fofSimpleProgress. False
    // when the user cancelled the run.
    virtual bool progressStep(int index, const QString& name) = 0;
    // The run ended (also after a failure or a cancel).
    virtual void progressEnded() = 0;
};

// A file operation component (copy, move, rename, delete) in the manner of the
// desktop shell's, over POSIX calls. It shows no message of its own; failures
// come back as the result of Execute and Aborted. Without fofNoConfirmation it
// asks before replacing a file, without fofNoConfirmMkDir before creating a
// folder, and without fofSilent it reports progress, all through the prompt.
// Without a prompt nothing is shown and every question is answered No, so a
// windowless run never replaces or creates anything it was not allowed to.
class TFileOperation : public QObject
{
    Q_OBJECT
public:
    explicit TFileOperation(QObject* owner = nullptr);

    TFileOp Operation() const { return m_operation; }
    void setOperation(TFileOp op) { m_operation = op; }

    // Names separated by ";"; a name cannot hold ";" in this form.
    QString FilesFrom() const { return m_from.join(QLatin1Char(';')); }
    void setFilesFrom(const QString& names) { m_from = SplitFileNames(names); }
    QString FilesTo() const { return m_to.join(QLatin1Char(';')); }
    void setFilesTo(const QString& names) { m_to = SplitFileNames(names); }

    // The same lists given name by name, so a path that contains ";" (a legal
    // file name here) stays one name.
    const QStringList& sourceNames() const { return m_from; }
    void setSourceNames(const QStringList& names) { m_from = names; }
    const QStringList& targetNames() const { return m_to; }
    void setTargetNames(const QStringList& names) { m_to = names; }

    // With literal names every source name is exactly one file: "*", "?"
    // and "[" are ordinary characters of a name, never a pattern. The order
    // folder build copies this way, as a picture may be called "a?.jpg".
    bool literalNames() const { return m_literal; }
    void setLiteralNames(bool literal) { m_literal = literal; }

    TFileOpFlags Flags() const { return m_flags; }
    void setFlags(TFileOpFlags flags) { m_flags = flags; }

    // Not owned; may be null.
    void setPrompt(FileOpPrompt* prompt) { m_prompt = prompt; }

    QString ProgressTitle() const { return m_progressTitle; }
    void setProgressTitle(const QString& title) { m_progressTitle = title; }

    // Assigning true runs the operation at once; it always reads false.
    bool Active() const { return false; }
    void setActive(bool active);

    // Runs the operation once; true when every part of it succeeded.
    bool Execute();
    // True when some part of the last run was aborted (by the user, or by a
    // failure that stopped the run).
    bool Aborted() const { return m_aborted; }

    // What went wrong in the last run (empty after success); for diagnostics.
    QString LastError() const { return m_lastError; }

private:
    struct Pair
    {
        QString from;
        QString to;
    };
    bool confirm(const QString& question) const;
    QStringList expandSources(bool& ok);
    bool makeFolderFor(const QString& target);
    bool prepareTarget(QString& target);
    bool copyOne(const QString& from, QString to);
    bool moveOne(const QString& from, QString to);
    bool deleteOne(const QString& path);
    void fail(const QString& why);

    TFileOp m_operation = foCopy;
    QStringList m_from;
    QStringList m_to;
    TFileOpFlags m_flags;
    bool m_literal = false;
    QString m_progressTitle;
    FileOpPrompt* m_prompt = nullptr;
    bool m_aborted = false;
    QString m_lastError;
};

} // namespace pelmar
