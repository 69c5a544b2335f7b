// Arbitrary bytes as the JSON order description of pelmar-build: either a
// refusal with a message, or an order whose fields hold what the order
// dialog's fields could hold.
#include "core/AppError.h"
#include "output/OrderJob.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    pelmar::OrderJob job;
    try {
        job = pelmar::ParseOrderJob(json);
    } catch (const pelmar::AppError& e) {
        if (e.message().isEmpty())
            std::abort();
        return 0;
    }
    if (job.tasakNo.size() != 6)
        std::abort();
    for (const QChar c : job.tasakNo) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            std::abort();
    }
    if (job.fields.UserIrsz.size() > 4 || job.fields.VevoIrsz.size() > 4)
        std::abort();
    if (!job.baseFolder.endsWith(QLatin1Char('/')))
        std::abort();
    for (const pelmar::OrderJob::Picture& p : job.pictures) {
        if (p.path.isEmpty() || p.quantity < 0 || p.quantity > 1000)
            std::abort();
    }
    return 0;
}
