#pragma once

#include "core/OrderModel.h"
#include "output/OrderNames.h"
#include "output/OrderText.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace pelmar {

class TFileOperation;

// Everything the build reads: the order lines, the texts of the dialog's
// fields and its options.
struct BuildInput
{
    QList<OrderLine> lines;
    OrderFields fields;
    QString outputFolder; // OutputFolder's text
    QString totalText; // the shown total, LSumMegr's caption
    bool printData = true;
    bool printSumData = false;
    bool cdIndex = false;
    QStringList settingValues;
    QList<SizeRow> sizes; // the size summary
    QStringList targets; // TargetList
};

// The partner fields the build checks, in the order it checks them.
enum class PartnerField { UserID, UserNev, UserHelys, UserCim, UserIrsz };

// The labels the build sets on a printout, by label name.
struct PrintoutLabels
{
    QHash<QString, QString> captions;
    QHash<QString, bool> enabled;
};

// The printouts of the build: saved as prepared-report files, and previewed
// when asked. The report module supplies the real one.
class PrintoutSink
{
public:
    virtual ~PrintoutSink() = default;
    // Prepare and save; a failure throws (AppError with the file error).
    virtual void saveOrder(const QString& path, const QList<OrderLine>& lines, const PrintoutLabels& labels) = 0;
    virtual void saveSummary(const QString& path, const QStringList& rows, const PrintoutLabels& labels,
                             const QString& totalQuantity)
        = 0;
    virtual void previewOrder(const QList<OrderLine>& lines, const PrintoutLabels& labels) = 0;
    virtual void previewSummary(const QStringList& rows, const PrintoutLabels& labels, const QString& totalQuantity)
        = 0;
};

// What the build asks of whoever runs it: the dialog answers with message
// boxes and its progress bar, the command-line tool on its own terms.
class BuildHost
{
public:
    virtual ~BuildHost() = default;
    // A partner field was refused: show the message, focus the field.
    virtual void partnerRefused(PartnerField field, const QString& message) = 0;
    // The folder text got its final separator (written back to the field).
    virtual void outputFolderChanged(const QString& folder) = 0;
    // The copying phase: progress display shown with the range 0..count-1.
    virtual void copyingStarted(int count) = 0;
    // Before picture i: move the progress bar and let waiting events run.
    virtual void beforePicture(int index) = 0;
    // Whether "Mégse" was pressed (CancelRequest).
    virtual bool cancelRequested() = 0;
    // "Biztosan megszakítja a műveletet?": true stops the build.
    virtual bool confirmStop() = 0;
    // The copy-error question: true goes on without the picture. `reason`
    // is the file operation's own account ("<path>: No space left on
    // device"); the dialog's question does not show it.
    virtual bool continueAfterCopyError(const QString& source, const QString& reason) = 0;
    // The progress display is hidden again (always, once copying started).
    virtual void copyingEnded() = 0;
};

// The outcome of a build that did not fail with an error.
enum class BuildResult {
    Refused, // a partner field was refused; nothing written
    Stopped, // stopped by the user (confirmed cancel or No after a copy error)
    Done, // the order folder is complete
};

// Why the build stopped, so the dialog can decide how it closes.
enum class StopReason { None, Cancelled, CopyError };

// The order folder build (the "Megrendelés" button) without any window.
// File errors of the writing phase, a build in which no picture could be
// copied and a failed final flush are thrown as AppError.
class OrderBuilder
{
public:
    OrderBuilder(BuildHost& host, PrintoutSink* printouts, TFileOperation& copier);

    // When false no preview is shown whatever the options say.
    void setPreviewAllowed(bool allowed) { m_previewAllowed = allowed; }
    // When false the final flush to disk is skipped (benchmarks of the copy).
    void setSyncAtEnd(bool sync) { m_sync = sync; }

    BuildResult run(BuildInput& input);

    StopReason stopReason() const { return m_stop; }
    // Sources whose copy failed and were left out, in order.
    const QStringList& skipped() const { return m_skipped; }
    // The order folder, with its final separator, of the last run.
    const QString& orderFolder() const { return m_folder; }

    // The labels of both printouts for this input (the label table).
    static PrintoutLabels labelsFor(const BuildInput& input);
    // The first problem that would put a copy outside its place, naming the
    // line, or empty. Checked before the first copy.
    static QString targetProblem(const BuildInput& input);
    // The final information message with the lab's name and address.
    static QString finalMessage(const QString& orderFolder);

private:
    BuildHost& m_host;
    PrintoutSink* m_printouts;
    TFileOperation& m_copier;
    bool m_previewAllowed = true;
    bool m_sync = true;
    StopReason m_stop = StopReason::None;
    QStringList m_skipped;
    QString m_folder;
};

} // namespace pelmar
