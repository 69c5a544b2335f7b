#include "convert/ConvertQueue.h"

#include "convert/HelperFrame.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace pelmar::convert {

namespace {

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer reserves terabytes of address space at start; a helper
// built with it cannot run under an address-space limit (the pixel and file
// limits still hold).
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif

QString signalReason(int sig)
{
    switch (sig) {
    case SIGXCPU:
        return QStringLiteral("túl sok processzoridőt használt");
    case SIGXFSZ:
        return QStringLiteral("túl nagy fájlt írt volna");
    case SIGKILL:
        return QStringLiteral("a rendszer leállította (valószínűleg elfogyott a memória)");
    case SIGSEGV:
    case SIGBUS:
    case SIGILL:
    case SIGFPE:
    case SIGABRT:
        return QStringLiteral("összeomlott (%1)").arg(QString::fromLocal8Bit(strsignal(sig)));
    default:
        return QStringLiteral("leállt (%1)").arg(QString::fromLocal8Bit(strsignal(sig)));
    }
}

} // namespace

ConvertQueue::ConvertQueue(QString helper, int parallel, QObject* parent)
    : QObject(parent)
    , m_helper(std::move(helper))
    , m_parallel(std::max(1, parallel))
{
}

ConvertQueue::~ConvertQueue()
{
    cancel();
}

QString ConvertQueue::defaultHelper()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + QStringLiteral("/pelmar-convert");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QFileInfo(dir + QStringLiteral("/../libexec/pelmarorder/pelmar-convert")).absoluteFilePath();
}

void ConvertQueue::setLimits(const PictureLimits& picture, const ProcessLimits& process)
{
    m_picture = picture;
    m_process = process;
}

void ConvertQueue::add(int id, const QString& source, const QString& output)
{
    auto* job = new Job;
    job->id = id;
    job->source = source;
    job->output = output;
    m_waiting.append(job);
    startWaiting();
}

void ConvertQueue::cancel()
{
    qDeleteAll(std::exchange(m_waiting, {}));
    for (Job* job : std::exchange(m_running, {})) {
        job->process->disconnect(this);
        job->process->kill();
        job->process->waitForFinished(1000);
        QFile::remove(job->output);
        delete job->process;
        delete job->timer;
        delete job;
    }
}

void ConvertQueue::startWaiting()
{
    while (!m_waiting.isEmpty() && m_running.size() < m_parallel) {
        Job* job = m_waiting.takeFirst();
        m_running.append(job);
        job->process = new QProcess;
        job->timer = new QTimer;
        job->timer->setSingleShot(true);
        const ProcessLimits limits = m_process;
        // Set between fork and exec, so the limits hold before the helper
        // runs a single instruction of its own.
        job->process->setChildProcessModifier([limits] {
            auto set = [](int resource, rlim_t value) {
                const rlimit r {value, value};
                ::setrlimit(resource, &r);
            };
            if (kLimitAddressSpace)
                set(RLIMIT_AS, rlim_t(limits.addressSpace));
            set(RLIMIT_CPU, rlim_t(limits.cpuSeconds));
            set(RLIMIT_FSIZE, rlim_t(limits.outputBytes));
            set(RLIMIT_CORE, 0);
        });
        job->process->setProcessChannelMode(QProcess::SeparateChannels);
        job->process->setStandardErrorFile(QProcess::nullDevice());
        connect(job->process, &QProcess::readyReadStandardOutput, this, [job] {
            job->answer.append(job->process->readAllStandardOutput());
            // A helper that talks on and on is not listened to further.
            if (job->answer.size() > kMaxFrameBytes + 8)
                job->process->kill();
        });
        connect(job->process, &QProcess::finished, this, [this, job] { helperEnded(job); });
        connect(job->process, &QProcess::errorOccurred, this, [this, job](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                finish(job, false,
                       QStringLiteral("Az átalakító program nem indítható el (%1): %2")
                           .arg(m_helper, job->process->errorString()));
        });
        connect(job->timer, &QTimer::timeout, this, [job] {
            job->timedOut = true;
            job->process->kill();
        });
        Fields request;
        request.insert(ReqSource, QFile::encodeName(job->source));
        request.insert(ReqOutput, QFile::encodeName(job->output));
        request.insert(ReqMaxFileBytes, QByteArray::number(m_picture.maxFileBytes));
        request.insert(ReqMaxSide, QByteArray::number(m_picture.maxSide));
        request.insert(ReqMaxPixels, QByteArray::number(qint64(m_picture.maxPixels)));
        job->timer->start(m_process.wallSeconds * 1000);
        job->process->start(m_helper, {});
        // Small enough for the pipe: written without waiting.
        job->process->write(encodeFrame(request));
        job->process->closeWriteChannel();
    }
}

void ConvertQueue::helperEnded(Job* job)
{
    job->answer.append(job->process->readAllStandardOutput());
    if (job->timedOut) {
        finish(job, false,
               QStringLiteral("Az átalakítás %1 másodperc alatt sem fejeződött be.").arg(m_process.wallSeconds));
        return;
    }
    if (job->process->exitStatus() == QProcess::CrashExit) {
        finish(job, false, QStringLiteral("Az átalakító program %1.").arg(signalReason(job->process->exitCode())));
        return;
    }
    try {
        const auto frame = decodeFrame(job->answer);
        if (!frame)
            throw std::runtime_error("no answer");
        const Fields& f = frame->fields;
        if (f.value(AnsOk) != "0" && f.value(AnsOk) != "1")
            throw std::runtime_error("no verdict");
        if (f.value(AnsOk) == "1") {
            if (!QFileInfo(job->output).isFile())
                throw std::runtime_error("no file");
            finish(job, true, {});
        } else {
            const QString message = QString::fromUtf8(f.value(AnsMessage));
            finish(job, false, message.isEmpty() ? QStringLiteral("Ismeretlen hiba.") : message);
        }
    } catch (const std::exception&) {
        finish(job, false,
               QStringLiteral("Az átalakító program érthetetlen választ adott (kilépési kód: %1).")
                   .arg(job->process->exitCode()));
    }
}

void ConvertQueue::finish(Job* job, bool ok, const QString& message)
{
    if (!m_running.removeOne(job))
        return; // already answered (a start failure also ends the process)
    job->timer->stop();
    job->process->disconnect(this);
    if (job->process->state() != QProcess::NotRunning) {
        job->process->kill();
        job->process->waitForFinished(1000);
    }
    if (!ok)
        QFile::remove(job->output);
    job->process->deleteLater();
    job->timer->deleteLater();
    const int id = job->id;
    delete job;
    startWaiting();
    emit done(id, ok, message);
}

} // namespace pelmar::convert
