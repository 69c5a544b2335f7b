#pragma once

#include "convert/Picture.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QProcess;
class QTimer;

namespace pelmar::convert {

// What one helper process may take besides the picture's own limits.
struct ProcessLimits
{
    qint64 addressSpace = 4LL << 30; // RLIMIT_AS
    int cpuSeconds = 60; // RLIMIT_CPU
    int wallSeconds = 90; // then it is killed
    qint64 outputBytes = 1LL << 30; // RLIMIT_FSIZE
};

// Runs the conversions, each in a pelmar-convert process of its own under
// limits, at most `parallel` at once; this thread never waits for one. A
// helper that crashes, hangs, runs out of memory or CPU time, or answers
// nonsense ends with a refusal for its picture, and the queue goes on.
class ConvertQueue : public QObject
{
    Q_OBJECT
public:
    ConvertQueue(QString helper, int parallel, QObject* parent = nullptr);
    ~ConvertQueue() override;

    // The helper beside the program (or in <prefix>/libexec/pelmarorder).
    static QString defaultHelper();

    void setLimits(const PictureLimits& picture, const ProcessLimits& process);
    void setHelper(const QString& helper) { m_helper = helper; }
    // Converts source into output (a new file); done(id, ...) follows.
    void add(int id, const QString& source, const QString& output);
    // Stops every conversion: the running helpers are killed, the waiting
    // ones dropped; no done() follows for them.
    void cancel();
    int unfinished() const { return int(m_waiting.size() + m_running.size()); }

signals:
    // ok: output holds the JPEG; else message says why (Hungarian).
    void done(int id, bool ok, const QString& message);

private:
    struct Job
    {
        int id = 0;
        QString source;
        QString output;
        QProcess* process = nullptr;
        QTimer* timer = nullptr;
        QByteArray answer;
        bool timedOut = false;
    };
    void startWaiting();
    void finish(Job* job, bool ok, const QString& message);
    void helperEnded(Job* job);

    QString m_helper;
    int m_parallel;
    PictureLimits m_picture;
    ProcessLimits m_process;
    QList<Job*> m_waiting;
    QList<Job*> m_running;
};

} // namespace pelmar::convert
