#include "ui/delivery/LabKeychain.h"

#include <QPointer>
#include <qt6keychain/keychain.h>

namespace pelmar::LabKeychain {

namespace {

const QString kService = QStringLiteral("Pelmar megrendelés");

QString problemText(QKeychain::Error error, const QString& detail)
{
    switch (error) {
    case QKeychain::NoBackendAvailable:
    case QKeychain::AccessDeniedByUser:
    case QKeychain::AccessDenied:
        return QStringLiteral("A jelszót nem lehet a gép kulcstartójában tárolni (%1). "
                              "A program minden küldés előtt megkérdezi.")
            .arg(detail);
    default:
        return QStringLiteral("A kulcstartó hibát jelzett: %1").arg(detail);
    }
}

template <class Job> Job* makeJob(const LabConnection& connection)
{
    auto* job = new Job(kService);
    job->setAutoDelete(true);
    // Never the plain-text file that QtKeychain can fall back to.
    job->setInsecureFallback(false);
    job->setKey(entryKey(connection));
    return job;
}

} // namespace

QString entryKey(const LabConnection& connection)
{
    return QStringLiteral("%1@%2:%3").arg(connection.user, connection.host).arg(connection.port);
}

void read(const LabConnection& connection, QObject* context, ReadAnswer answer)
{
    auto* job = makeJob<QKeychain::ReadPasswordJob>(connection);
    QObject::connect(job, &QKeychain::Job::finished, context, [job, answer](QKeychain::Job*) {
        if (job->error() == QKeychain::NoError)
            answer(job->textData(), {});
        else if (job->error() == QKeychain::EntryNotFound)
            answer(std::nullopt, {});
        else
            answer(std::nullopt, problemText(job->error(), job->errorString()));
    });
    job->start();
}

void write(const LabConnection& connection, const QString& password, QObject* context, WriteAnswer answer)
{
    QKeychain::Job* job = nullptr;
    if (password.isEmpty()) {
        job = makeJob<QKeychain::DeletePasswordJob>(connection);
    } else {
        auto* writeJob = makeJob<QKeychain::WritePasswordJob>(connection);
        writeJob->setTextData(password);
        job = writeJob;
    }
    const bool forgetting = password.isEmpty();
    QObject::connect(job, &QKeychain::Job::finished, context, [job, answer, forgetting](QKeychain::Job*) {
        const bool ok = job->error() == QKeychain::NoError || (forgetting && job->error() == QKeychain::EntryNotFound);
        answer(ok, ok ? QString() : problemText(job->error(), job->errorString()));
    });
    job->start();
}

} // namespace pelmar::LabKeychain
