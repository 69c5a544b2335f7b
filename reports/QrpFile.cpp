#include "reports/QrpFile.h"

#include "core/AppError.h"
#include "platform/AtomicFile.h"
#include "reports/EmfWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <cstring>
#include <limits>

namespace pelmar::reports {

namespace {

template <typename T> void put(QByteArray& out, qsizetype at, T value)
{
    qToLittleEndian(value, out.data() + at);
}

template <typename T> void append(QByteArray& out, T value)
{
    const qsizetype at = out.size();
    out.resize(at + qsizetype(sizeof(T)));
    put(out, at, value);
}

} // namespace

double dayCount(const QDateTime& localTime)
{
    static const QDate epoch(1899, 12, 30);
    const qint64 days = epoch.daysTo(localTime.date());
    return double(days) + double(localTime.time().msecsSinceStartOfDay()) / 86400000.0;
}

QByteArray composePreparedReport(const PreparedReport& report)
{
    QByteArray out(QrpHeaderSize, '\0');
    put<quint16>(out, 0, QrpFormatVersion);
    put<quint16>(out, 2, QrpEngineVersion);
    put<quint32>(out, 8, quint32(report.pageCount()));
    double finished = dayCount(report.finishedAt.isValid() ? report.finishedAt : QDateTime::currentDateTime());
    quint64 bits;
    static_assert(sizeof bits == sizeof finished);
    std::memcpy(&bits, &finished, sizeof bits);
    put<quint64>(out, 16, bits);
    // Byte 25, the compression flag, stays 0: pages are stored plain.

    for (const PreparedPage& page : report.pages) {
        const QByteArray emf = pageToEmf(page);
        const qint64 start = out.size();
        const qint64 next = start + 8 + emf.size() + 4;
        // Offsets are 32-bit in this format; a report that large cannot be
        // stored in it, so it is refused rather than written with wrapped
        // offsets.
        if (next > qint64(std::numeric_limits<quint32>::max()))
            throw AppError(QStringLiteral("A nyomtatvány túl nagy a mentéshez"));
        append<quint32>(out, quint32(page.number));
        append<quint32>(out, quint32(next));
        out.append(emf);
        append<quint32>(out, quint32(start));
    }
    return out;
}

void savePreparedReport(const PreparedReport& report, const QString& path)
{
    if (!report.finished)
        return;
    const QByteArray bytes = composePreparedReport(report);
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.dir().exists())
        throw AppError(QStringLiteral("A nyomtatvány nem menthető, a mappa nem létezik: %1").arg(shown));
    // Every write, the flush to disk and the close are checked before the
    // rename: a full disk leaves the old file (or none), never a short one.
    QString error;
    if (!WriteFileAtomic(path, bytes, &error))
        throw AppError(QStringLiteral("A nyomtatvány nem menthető ide: %1\n%2")
                           .arg(shown, error.section(QStringLiteral(": "), -1)));
}

} // namespace pelmar::reports
