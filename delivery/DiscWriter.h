#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <optional>

namespace pelmar {

// An optical drive as xorriso lists it.
struct DiscDrive
{
    QString device; // "/dev/sr0"
    QString vendor;
    QString model;
    bool accessible = true; // xorriso may open it for reading and writing

    // "/dev/sr0 — HL-DT-ST DVDRAM GH24NSD1"
    QString label() const;
};

// One writing job: an order folder onto a disc in a drive, or into an image
// file.
struct DiscJob
{
    enum class Target { Drive, ImageFile };

    QString sourceFolder;
    Target target = Target::ImageFile;
    QString device; // for Target::Drive
    QString imagePath; // for Target::ImageFile; the final name
    QString volumeId; // empty: made from the folder's name
};

struct DiscResult
{
    enum class Outcome { Success, Cancelled, Failed };

    Outcome outcome = Outcome::Failed;
    // What the partner is told, in Hungarian; for a failure it ends with the
    // underlying reason.
    QString message;
    // The reason alone (xorriso's own words, or the system's), for a failure.
    QString reason;

    bool ok() const { return outcome == Outcome::Success; }
};

// Writes an order folder as an ISO 9660 disc with Rock Ridge and Joliet names
// through xorriso, run as a child process, and verifies what it wrote by
// reading it back.
//
// Verification: a second xorriso run loads the written image (from the image
// file, or from the disc in the drive) and compares it with the order folder
// through "-compare_r": every file and folder in both directions, names as
// written (accents included), sizes and every byte of content. Differences in
// time stamps, owners and permissions are not counted against the disc.
//
// An image file is written under a temporary name beside the final one and
// renamed only once it has been verified; a failure or a cancel removes it, so
// the final name never holds a partial or unverified image. The order folder
// is only ever read.
class DiscWriter : public QObject
{
    Q_OBJECT

public:
    enum class Phase { Idle, Writing, Verifying };

    explicit DiscWriter(QObject* parent = nullptr);
    ~DiscWriter() override;

    // The xorriso program to run ("xorriso" from the PATH unless set).
    void setProgram(const QString& program) { m_program = program; }
    QString program() const { return m_program; }

    // Starts the job; progress and the end are reported by signals. Returns
    // false (and emits finished) when the job is refused before anything runs.
    bool start(const DiscJob& job);
    // Stops a running job: xorriso is ended and a partial image removed.
    void cancel();
    bool isRunning() const { return m_phase != Phase::Idle; }
    Phase phase() const { return m_phase; }

    // Runs a job to its end in a local event loop.
    DiscResult run(const DiscJob& job);

    // The optical drives on this computer (xorriso -devices); problem gets the
    // reason when the listing itself failed.
    static QList<DiscDrive> listDrives(const QString& program = QStringLiteral("xorriso"), QString* problem = nullptr);

    // --- The parsing, public so it can be tested without a drive. ---

    // The drives in the output of "xorriso -devices".
    static QList<DiscDrive> parseDevices(const QByteArray& output);
    // The percentage of a pacifier line ("xorriso : UPDATE : Writing: ... 35.1% ..."), if it has one.
    static std::optional<double> parseWriteProgress(const QString& line);
    // The volume id for a folder: its name, accents taken off, characters an
    // ISO 9660 volume id cannot hold replaced by "_", cut to 32 characters.
    static QString volumeIdFor(const QString& folder);
    // What the partner is told when a folder is no complete order (problem
    // as checkOrderFolder words it).
    static QString incompleteFolderMessage(const QString& folder, const QString& problem);
    // The Hungarian heading for a failure, judged from xorriso's messages.
    static QString failureHeading(const QStringList& problemLines, bool toDrive);
    // From "-compare_r" output: the lines that show a real difference (name,
    // size or content); empty when the image matches.
    static QStringList compareMismatches(const QString& output);

signals:
    void phaseChanged(pelmar::DiscWriter::Phase phase);
    // Progress of the current phase, 0 to 100; -1 while it cannot be told.
    void progressChanged(int percent);
    void finished(const pelmar::DiscResult& result);

private:
    void startWrite();
    void startVerify();
    void onReadyRead();
    void onProcessFinished(int exitCode, QProcess::ExitStatus status);
    void onProcessError(QProcess::ProcessError error);
    void pollVerifyProgress();
    void handleLine(const QString& line);
    void setPhase(Phase phase);
    void finish(DiscResult result);
    void removeTemporaryImage();
    QString workingImagePath() const;
    QStringList commonArguments() const;
    DiscResult failure(const QString& heading, const QString& reason) const;

    QString m_program = QStringLiteral("xorriso");
    DiscJob m_job;
    Phase m_phase = Phase::Idle;
    QProcess* m_process = nullptr;
    QTimer m_verifyPoll;
    QByteArray m_lineBuffer;
    QString m_stdout;
    QStringList m_problems; // FAILURE / SORRY / FATAL lines
    bool m_cancelRequested = false;
    bool m_finishing = false;
    qint64 m_expectedReadBytes = 0;
    int m_lastPercent = -2;
};

} // namespace pelmar

Q_DECLARE_METATYPE(pelmar::DiscResult)
