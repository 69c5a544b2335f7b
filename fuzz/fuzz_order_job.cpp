// Arbitrary bytes as the JSON order description of pelmar-build, as text and
// as a file: either a refusal with a message, or an order whose fields hold
// what the order dialog's fields could hold and that reads back the same
// once written out again.
#include "ScratchFile.h"
#include "core/AppError.h"
#include "output/OrderJob.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

bool same(const pelmar::OrderJob& a, const pelmar::OrderJob& b)
{
    const pelmar::OrderFields& f = a.fields;
    const pelmar::OrderFields& g = b.fields;
    if (f.UserID != g.UserID || f.UserNev != g.UserNev || f.UserHelys != g.UserHelys || f.UserCim != g.UserCim
        || f.UserIrsz != g.UserIrsz || f.Megj != g.Megj || f.VevoNev != g.VevoNev || f.VevoHelys != g.VevoHelys
        || f.VevoCim != g.VevoCim || f.VevoIrsz != g.VevoIrsz)
        return false;
    if (a.tasakNo != b.tasakNo || a.baseFolder != b.baseFolder || a.date != b.date || a.cdIndex != b.cdIndex
        || a.prices != b.prices || a.settingValues != b.settingValues || a.pictures.size() != b.pictures.size())
        return false;
    for (qsizetype i = 0; i < a.pictures.size(); ++i) {
        const pelmar::OrderJob::Picture& p = a.pictures[i];
        const pelmar::OrderJob::Picture& q = b.pictures[i];
        if (p.path != q.path || p.size != q.size || p.fill != q.fill || p.quantity != q.quantity)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ScratchFile::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    pelmar::OrderJob job;
    QString refusal;
    try {
        job = pelmar::ParseOrderJob(json);
    } catch (const pelmar::AppError& e) {
        refusal = e.message();
        if (refusal.isEmpty())
            std::abort();
    }

    // The file reader gives the same answer as the text reader.
    {
        const fuzz::ScratchFile file(data, size, ".json");
        try {
            const pelmar::OrderJob read = pelmar::ReadOrderJobFile(QString::fromStdString(file.path()));
            if (!refusal.isEmpty() || !same(read, job))
                std::abort();
        } catch (const pelmar::AppError& e) {
            if (refusal.isEmpty() || !e.message().endsWith(refusal))
                std::abort();
        }
    }
    if (!refusal.isEmpty())
        return 0;

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

    // Written out (as a saved order is) and read again: the same order.
    try {
        if (!same(pelmar::ParseOrderJob(pelmar::OrderJobJson(job, true)), job))
            std::abort();
    } catch (const pelmar::AppError&) {
        std::abort();
    }
    return 0;
}
