#include "delivery/DiscWriter.h"

#include "delivery/DiscCapacity.h"
#include "delivery/OrderFolder.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QStorageInfo>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace pelmar {

namespace {

constexpr int kVolumeIdMax = 32;
constexpr int kPollMs = 200;
constexpr int kKillGraceMs = 5000;

QProcessEnvironment xorrisoEnvironment()
{
    // xorriso's messages are English only; a fixed locale keeps them the same
    // words our parsing looks for. File names are passed as UTF-8 explicitly.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    return env;
}

bool isProblemLine(const QString& line)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*\S+\s*:\s*(FAILURE|SORRY|FATAL|ABORT|MISHAP)\s*:)"));
    return re.match(line).hasMatch();
}

// "libburn : FAILURE : File object '/dev/sr0' not found" -> the words after
// the severity.
QString problemText(const QString& line)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*\S+\s*:\s*[A-Z]+\s*:\s*(.*)$)"));
    const auto m = re.match(line);
    return m.hasMatch() ? m.captured(1).trimmed() : line.trimmed();
}

QString cleanPath(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// True when path lies inside folder (or is the folder itself), judged on the
// resolved paths so links and ".." cannot hide it.
bool isInside(const QString& path, const QString& folder)
{
    QString f = QFileInfo(folder).canonicalFilePath();
    if (f.isEmpty())
        f = cleanPath(folder);
    const QFileInfo info(path);
    QString parent = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (parent.isEmpty())
        parent = cleanPath(info.absolutePath());
    const QString p = parent + QLatin1Char('/') + info.fileName();
    return p == f || p.startsWith(f + QLatin1Char('/')) || parent == f;
}

} // namespace

QString DiscDrive::label() const
{
    const QString name = (vendor.trimmed() + QLatin1Char(' ') + model.trimmed()).trimmed();
    return name.isEmpty() ? device : device + QStringLiteral(" — ") + name;
}

DiscWriter::DiscWriter(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<pelmar::DiscResult>();
    qRegisterMetaType<pelmar::DiscWriter::Phase>();
    m_verifyPoll.setInterval(kPollMs);
    connect(&m_verifyPoll, &QTimer::timeout, this, &DiscWriter::pollVerifyProgress);
}

DiscWriter::~DiscWriter()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(kKillGraceMs);
        removeTemporaryImage();
    }
}

QStringList DiscWriter::commonArguments() const
{
    // -no_rc: no start-up files of this computer change what we ask for.
    // Any SORRY (a file left out, a name that could not be converted) fails
    // the run: a disc that silently lacks a picture is worse than no disc.
    return {QStringLiteral("-no_rc"), QStringLiteral("-abort_on"), QStringLiteral("FAILURE"),
            QStringLiteral("-return_with"), QStringLiteral("SORRY"), QStringLiteral("32"),
            QStringLiteral("-report_about"), QStringLiteral("UPDATE"), QStringLiteral("-local_charset"),
            QStringLiteral("UTF-8"), QStringLiteral("-pacifier"), QStringLiteral("interval=0.25"),
            // The temporary files of a build killed in the middle are no part of
            // the order: neither written nor compared.
            QStringLiteral("-not_leaf"), QStringLiteral(".pelmar-*.part")};
}

QString DiscWriter::workingImagePath() const
{
    return m_job.imagePath + QStringLiteral(".part");
}

DiscResult DiscWriter::failure(const QString& heading, const QString& reason) const
{
    DiscResult r;
    r.outcome = DiscResult::Outcome::Failed;
    r.reason = reason.trimmed();
    r.message = heading;
    if (!r.reason.isEmpty())
        r.message += QStringLiteral("\n\nA hiba oka: ") + r.reason;
    return r;
}

bool DiscWriter::start(const DiscJob& job)
{
    if (isRunning())
        return false;
    m_job = job;
    m_cancelRequested = false;
    m_finishing = false;
    m_problems.clear();
    m_stdout.clear();
    m_lineBuffer.clear();
    m_lastPercent = -2;

    const QFileInfo source(job.sourceFolder);
    if (!source.isDir()) {
        finish(failure(QStringLiteral("A megrendelés mappája nem található:\n\n") + job.sourceFolder, QString()));
        return false;
    }
    m_job.sourceFolder = cleanPath(job.sourceFolder);
    // Only a complete order goes onto a disc: what a failed build left, or a
    // folder holding links, FIFOs or stray files, is refused before xorriso
    // reads anything of it.
    const OrderFolderCheck order = checkOrderFolder(m_job.sourceFolder);
    if (!order.complete()) {
        DiscResult r = failure(QString(), order.problem);
        r.message = incompleteFolderMessage(m_job.sourceFolder, order.problem);
        finish(r);
        return false;
    }
    QList<DiscCapacity::File> files;
    for (const OrderFolderFile& f : order.files)
        files.append({f.relativePath, f.size});
    const DiscCapacity::Estimate size = DiscCapacity::estimate(files);
    if (m_job.volumeId.isEmpty())
        m_job.volumeId = volumeIdFor(m_job.sourceFolder);
    else
        m_job.volumeId = m_job.volumeId.left(kVolumeIdMax);

    if (job.target == DiscJob::Target::ImageFile) {
        if (job.imagePath.trimmed().isEmpty()) {
            finish(failure(QStringLiteral("Nincs megadva a lemezkép fájl neve."), QString()));
            return false;
        }
        m_job.imagePath = cleanPath(job.imagePath);
        // The image must not change the folder it is made of, nor end up
        // inside its own contents.
        if (isInside(m_job.imagePath, m_job.sourceFolder)) {
            finish(
                failure(QStringLiteral("A lemezkép fájl nem kerülhet a megrendelés mappájába:\n\n") + m_job.imagePath,
                        QString()));
            return false;
        }
        const QFileInfo target(m_job.imagePath);
        if (target.isDir()) {
            finish(failure(QStringLiteral("A lemezkép helyén egy mappa áll:\n\n") + m_job.imagePath, QString()));
            return false;
        }
        const QString dir = target.absolutePath();
        if (!QFileInfo(dir).isDir()) {
            finish(failure(QStringLiteral("A lemezkép fájl nem hozható létre:\n\n") + m_job.imagePath,
                           QStringLiteral("a mappa nem létezik: ") + dir));
            return false;
        }
        const QStorageInfo storage(dir);
        if (storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < size.imageBytes()) {
            finish(failure(
                QStringLiteral("Nincs elég szabad hely a lemezkép számára."),
                QStringLiteral("a lemezkép mérete %1, a szabad hely %2")
                    .arg(DiscCapacity::sizeText(size.imageBytes()), DiscCapacity::sizeText(storage.bytesAvailable()))));
            return false;
        }
        // A leftover of an earlier, interrupted run would look to xorriso
        // like a disc that is already written.
        QFile::remove(workingImagePath());
        m_expectedReadBytes = 2 * size.fileBytes; // the folder and the image
    } else {
        if (job.device.trimmed().isEmpty()) {
            finish(failure(QStringLiteral("Nincs kiválasztva meghajtó."), QString()));
            return false;
        }
        // Reads from the drive go past the read counter of the process; only
        // the folder's side is counted.
        m_expectedReadBytes = size.fileBytes;
    }
    startWrite();
    return true;
}

void DiscWriter::startWrite()
{
    setPhase(Phase::Writing);
    emit progressChanged(0);
    QStringList args = commonArguments();
    const bool toDrive = m_job.target == DiscJob::Target::Drive;
    args << QStringLiteral("-outdev") << (toDrive ? m_job.device : QStringLiteral("stdio:") + workingImagePath());
    args << QStringLiteral("-volid") << m_job.volumeId << QStringLiteral("-joliet") << QStringLiteral("on")
         << QStringLiteral("-rockridge") << QStringLiteral("on");
    args << QStringLiteral("-map") << m_job.sourceFolder << QStringLiteral("/");
    if (toDrive)
        args << QStringLiteral("-close") << QStringLiteral("on"); // the lab reads a finished disc
    args << QStringLiteral("-commit") << QStringLiteral("-end");

    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setProcessEnvironment(xorrisoEnvironment());
    connect(m_process, &QProcess::readyRead, this, &DiscWriter::onReadyRead);
    connect(m_process, &QProcess::finished, this, &DiscWriter::onProcessFinished);
    connect(m_process, &QProcess::errorOccurred, this, &DiscWriter::onProcessError);
    m_process->start(m_program, args);
}

void DiscWriter::startVerify()
{
    setPhase(Phase::Verifying);
    if (m_cancelRequested) {
        // cancelled from a phase signal handler before the reading started
        removeTemporaryImage();
        DiscResult r;
        r.outcome = DiscResult::Outcome::Cancelled;
        r.message = QStringLiteral("A művelet megszakítva.");
        finish(r);
        return;
    }
    emit progressChanged(0);
    m_stdout.clear();
    m_problems.clear();
    m_lineBuffer.clear();
    QStringList args = commonArguments();
    const bool toDrive = m_job.target == DiscJob::Target::Drive;
    args << QStringLiteral("-indev") << (toDrive ? m_job.device : QStringLiteral("stdio:") + workingImagePath());
    args << QStringLiteral("-compare_r") << m_job.sourceFolder << QStringLiteral("/") << QStringLiteral("-end");

    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setProcessEnvironment(xorrisoEnvironment());
    connect(m_process, &QProcess::readyRead, this, &DiscWriter::onReadyRead);
    connect(m_process, &QProcess::finished, this, &DiscWriter::onProcessFinished);
    connect(m_process, &QProcess::errorOccurred, this, &DiscWriter::onProcessError);
    m_process->start(m_program, args);
    m_verifyPoll.start();
}

void DiscWriter::cancel()
{
    if (!isRunning())
        return;
    m_cancelRequested = true;
    if (m_process && m_process->state() != QProcess::NotRunning) {
        // xorriso ends a write cleanly on SIGTERM; if it does not, kill it.
        m_process->terminate();
        QPointer<QProcess> p = m_process;
        QTimer::singleShot(kKillGraceMs, this, [p] {
            if (p && p->state() != QProcess::NotRunning)
                p->kill();
        });
    }
}

DiscResult DiscWriter::run(const DiscJob& job)
{
    DiscResult result;
    bool done = false;
    QEventLoop loop;
    auto c = connect(this, &DiscWriter::finished, &loop, [&](const DiscResult& r) {
        result = r;
        done = true;
        loop.quit();
    });
    if (start(job) && !done)
        loop.exec();
    disconnect(c);
    return result;
}

void DiscWriter::onReadyRead()
{
    if (!m_process)
        return;
    m_lineBuffer += m_process->readAll();
    for (;;) {
        qsizetype end = -1;
        for (qsizetype i = 0; i < m_lineBuffer.size(); ++i) {
            if (m_lineBuffer[i] == '\n' || m_lineBuffer[i] == '\r') {
                end = i;
                break;
            }
        }
        if (end < 0)
            break;
        const QString line = QString::fromUtf8(m_lineBuffer.left(end));
        m_lineBuffer.remove(0, end + 1);
        handleLine(line);
    }
    // A line without end that grows without bound is not xorriso talking.
    if (m_lineBuffer.size() > 64 * 1024) {
        handleLine(QString::fromUtf8(m_lineBuffer));
        m_lineBuffer.clear();
    }
}

void DiscWriter::handleLine(const QString& line)
{
    if (line.trimmed().isEmpty())
        return;
    if (isProblemLine(line))
        m_problems.append(line.trimmed());
    if (m_phase == Phase::Verifying) {
        if (m_stdout.size() < 4 * 1024 * 1024)
            m_stdout += line + QLatin1Char('\n');
        return;
    }
    if (const auto p = parseWriteProgress(line)) {
        const int percent = std::clamp(int(*p), 0, 100);
        if (percent != m_lastPercent) {
            m_lastPercent = percent;
            emit progressChanged(percent);
        }
    }
}

void DiscWriter::pollVerifyProgress()
{
    if (!m_process || m_phase != Phase::Verifying || m_expectedReadBytes <= 0)
        return;
    // xorriso tells nothing while it compares; the bytes the process has read
    // so far are a fair measure of how far it got.
    QFile io(QStringLiteral("/proc/%1/io").arg(m_process->processId()));
    if (!io.open(QIODevice::ReadOnly)) {
        emit progressChanged(-1);
        return;
    }
    const QList<QByteArray> lines = io.readAll().split('\n');
    for (const QByteArray& l : lines) {
        if (l.startsWith("rchar:")) {
            bool ok = false;
            const qint64 read = l.mid(6).trimmed().toLongLong(&ok);
            if (ok) {
                const int percent = int(std::min<qint64>(99, read * 100 / m_expectedReadBytes));
                if (percent != m_lastPercent) {
                    m_lastPercent = percent;
                    emit progressChanged(percent);
                }
            }
            return;
        }
    }
}

void DiscWriter::onProcessError(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart || !m_process)
        return;
    const QString reason = m_process->errorString();
    m_process->deleteLater();
    m_process = nullptr;
    m_verifyPoll.stop();
    removeTemporaryImage();
    finish(failure(
        QStringLiteral("A lemezíró program (%1) nem indítható el. Telepítse a xorriso csomagot.").arg(m_program),
        reason));
}

void DiscWriter::onProcessFinished(int exitCode, QProcess::ExitStatus status)
{
    if (!m_process)
        return;
    onReadyRead();
    if (!m_lineBuffer.isEmpty()) {
        handleLine(QString::fromUtf8(m_lineBuffer));
        m_lineBuffer.clear();
    }
    m_process->deleteLater();
    m_process = nullptr;
    m_verifyPoll.stop();
    const bool toDrive = m_job.target == DiscJob::Target::Drive;

    if (m_cancelRequested) {
        removeTemporaryImage();
        DiscResult r;
        r.outcome = DiscResult::Outcome::Cancelled;
        r.message = toDrive ? QStringLiteral("A lemez írása megszakítva. A lemez valószínűleg nem használható.")
                            : QStringLiteral("A lemezkép készítése megszakítva.");
        finish(r);
        return;
    }

    QStringList reasons;
    for (const QString& p : std::as_const(m_problems))
        if (reasons.size() < 3)
            reasons.append(problemText(p));
    if (reasons.isEmpty() && (status != QProcess::NormalExit || exitCode != 0))
        reasons.append(status != QProcess::NormalExit
                           ? QStringLiteral("a xorriso program váratlanul leállt")
                           : QStringLiteral("a xorriso program %1 kóddal állt le").arg(exitCode));

    if (m_phase == Phase::Writing) {
        if (status != QProcess::NormalExit || exitCode != 0 || !m_problems.isEmpty()) {
            removeTemporaryImage();
            finish(failure(failureHeading(m_problems, toDrive), reasons.join(QLatin1Char('\n'))));
            return;
        }
        if (!toDrive && !QFileInfo(workingImagePath()).isFile()) {
            finish(failure(QStringLiteral("Hiba történt a lemezkép írása közben."),
                           QStringLiteral("a xorriso nem hozta létre a fájlt")));
            return;
        }
        startVerify();
        return;
    }

    // Verifying.
    const QString verifyHeading = QStringLiteral("Az ellenőrzés nem sikerült: ");
    const QStringList mismatches = compareMismatches(m_stdout);
    if (!mismatches.isEmpty()) {
        removeTemporaryImage();
        QStringList shown = mismatches.mid(0, 5);
        if (mismatches.size() > 5)
            shown.append(QStringLiteral("... és még %1 eltérés").arg(mismatches.size() - 5));
        finish(failure(verifyHeading
                           + (toDrive ? QStringLiteral("a lemez tartalma eltér a megrendelés mappájától.")
                                      : QStringLiteral("a lemezkép tartalma eltér a megrendelés mappájától.")),
                       shown.join(QLatin1Char('\n'))));
        return;
    }
    const bool judged = m_stdout.contains(QLatin1String("Both file objects match"))
        || m_stdout.contains(QLatin1String("Differences detected"));
    if (status != QProcess::NormalExit || exitCode != 0 || !m_problems.isEmpty() || !judged) {
        removeTemporaryImage();
        if (reasons.isEmpty())
            reasons.append(QStringLiteral("a xorriso nem adott eredményt az összehasonlításról"));
        finish(failure(verifyHeading
                           + (toDrive ? QStringLiteral("a lemez nem olvasható vissza.")
                                      : QStringLiteral("a lemezkép nem olvasható vissza.")),
                       reasons.join(QLatin1Char('\n'))));
        return;
    }

    DiscResult ok;
    ok.outcome = DiscResult::Outcome::Success;
    if (toDrive) {
        ok.message = QStringLiteral("A lemez elkészült, és az ellenőrzés hibátlan volt.");
    } else {
        // rename(2) replaces an older image of the same name in one step.
        std::error_code ec;
        std::filesystem::rename(QFile::encodeName(workingImagePath()).toStdString(),
                                QFile::encodeName(m_job.imagePath).toStdString(), ec);
        if (ec) {
            removeTemporaryImage();
            finish(failure(QStringLiteral("A lemezkép fájl nem menthető ezen a néven:\n\n") + m_job.imagePath,
                           QString::fromLocal8Bit(ec.message())));
            return;
        }
        ok.message = QStringLiteral("A lemezkép elkészült, és az ellenőrzés hibátlan volt:\n\n") + m_job.imagePath;
    }
    finish(ok);
}

void DiscWriter::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    m_lastPercent = -2;
    emit phaseChanged(phase);
}

void DiscWriter::finish(DiscResult result)
{
    setPhase(Phase::Idle);
    emit finished(result);
}

void DiscWriter::removeTemporaryImage()
{
    if (m_job.target == DiscJob::Target::ImageFile && !m_job.imagePath.isEmpty())
        QFile::remove(workingImagePath());
}

QList<DiscDrive> DiscWriter::listDrives(const QString& program, QString* problem)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setProcessEnvironment(xorrisoEnvironment());
    p.start(program, {QStringLiteral("-no_rc"), QStringLiteral("-devices")});
    if (!p.waitForStarted(10000)) {
        if (problem)
            *problem = QStringLiteral("A lemezíró program (%1) nem indítható el: %2").arg(program, p.errorString());
        return {};
    }
    // Scanning the bus may take a while with a slow drive.
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(kKillGraceMs);
        if (problem)
            *problem = QStringLiteral("A meghajtók keresése túl sokáig tartott.");
        return {};
    }
    if (problem)
        problem->clear();
    return parseDevices(p.readAll());
}

QList<DiscDrive> DiscWriter::parseDevices(const QByteArray& output)
{
    // 0  -dev '/dev/sr0' rwrw-- :  'HL-DT-ST' 'DVDRAM GH24NSD1'
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*\d+\s+-dev\s+'([^']+)'\s+(\S+)\s*:\s*'([^']*)'\s*'([^']*)')"));
    QList<DiscDrive> drives;
    const QList<QByteArray> lines = output.split('\n');
    for (const QByteArray& raw : lines) {
        if (raw.size() > 4096)
            continue;
        const auto m = re.match(QString::fromUtf8(raw));
        if (!m.hasMatch())
            continue;
        DiscDrive d;
        d.device = m.captured(1);
        d.accessible = m.captured(2).startsWith(QLatin1String("rw"));
        d.vendor = m.captured(3).trimmed();
        d.model = m.captured(4).trimmed();
        drives.append(d);
    }
    return drives;
}

std::optional<double> DiscWriter::parseWriteProgress(const QString& line)
{
    static const QRegularExpression re(QStringLiteral(R"(UPDATE\s*:\s*Writing:\s+\d+s\s+(\d{1,3}(?:\.\d+)?)%)"));
    const auto m = re.match(line);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = m.captured(1).toDouble(&ok);
    if (!ok || v < 0 || v > 100)
        return std::nullopt;
    return v;
}

QString DiscWriter::volumeIdFor(const QString& folder)
{
    QString name = QDir::cleanPath(folder);
    name = name.section(QLatin1Char('/'), -1);
    const QString decomposed = name.normalized(QString::NormalizationForm_D);
    QString id;
    for (QChar c : decomposed) {
        if (c.isMark())
            continue;
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_')
            || c == QLatin1Char('.'))
            id += c;
        else
            id += QLatin1Char('_');
    }
    id = id.left(kVolumeIdMax);
    if (id.isEmpty() || id == QLatin1String("."))
        id = QStringLiteral("PELMAR");
    return id;
}

QString DiscWriter::incompleteFolderMessage(const QString& folder, const QString& problem)
{
    return QStringLiteral("A mappa nem írható lemezre, mert nem teljes megrendelés-mappa:\n\n")
        + QDir::toNativeSeparators(folder) + QStringLiteral("\n\nA hiba oka: ") + problem;
}

QString DiscWriter::failureHeading(const QStringList& problemLines, bool toDrive)
{
    const QString all = problemLines.join(QLatin1Char('\n')).toLower();
    auto has = [&all](const char* s) { return all.contains(QLatin1String(s)); };
    if (has("exceeds free space") || has("no space left"))
        return toDrive ? QStringLiteral("A lemezen nincs elég hely a megrendeléshez. Tegyen be nagyobb lemezt.")
                       : QStringLiteral("Nincs elég szabad hely a lemezkép számára.");
    if (toDrive
        && (has("no media") || has("not present") || has("no writeable media") || has("no suitable media")
            || has("no disc")))
        return QStringLiteral("Nincs írható lemez a meghajtóban.");
    if (toDrive && (has("closed media") || has("not blank") || has("closed or not recordable")))
        return QStringLiteral("A lemez nem üres vagy már le van zárva. Tegyen be egy üres lemezt.");
    if (toDrive && (has("unsuitable media") || has("not properly formatted") || has("unsuitable drive and medi")))
        return QStringLiteral("Ez a lemez ebben a meghajtóban nem írható. Tegyen be egy üres CD-R vagy DVD-R lemezt.");
    if (has("access to file is not allowed") || has("grafting failed") || has("cannot open file") || has("cannot read")
        || has("permission denied"))
        return QStringLiteral("A megrendelés mappájának egy fájlja nem olvasható.");
    if (has("cannot acquire drive"))
        return toDrive ? QStringLiteral("A meghajtó nem érhető el.")
                       : QStringLiteral("A lemezkép fájl nem hozható létre.");
    return toDrive ? QStringLiteral("Hiba történt a lemez írása közben.")
                   : QStringLiteral("Hiba történt a lemezkép írása közben.");
}

QStringList DiscWriter::compareMismatches(const QString& output)
{
    // - '/path' (DISK) : content  :  differs by at least 2 bytes. First at 6
    // ? '/extra'  (ISO) : cannot find this file in ISO image
    static const QRegularExpression re(QStringLiteral(R"(^\S\s+'(.*)'\s+\((DISK|ISO)\)\s*:\s*(\S+)(.*)$)"));
    static const QStringList ignored = {
        QStringLiteral("st_mtime"), QStringLiteral("st_ctime"), QStringLiteral("st_atime"), QStringLiteral("st_uid"),
        QStringLiteral("st_gid"),   QStringLiteral("st_mode"),  QStringLiteral("ACL"),      QStringLiteral("xattr"),
    };
    QStringList mismatches;
    const QStringList lines = output.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const auto m = re.match(line);
        if (!m.hasMatch())
            continue;
        if (ignored.contains(m.captured(3)))
            continue;
        mismatches.append(line.trimmed());
    }
    return mismatches;
}

} // namespace pelmar
