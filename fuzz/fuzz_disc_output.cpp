// Arbitrary bytes as what xorriso prints: the drive list, the pacifier lines
// while writing, the problem lines of a failure and the comparison report.
#include "delivery/DiscWriter.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);

    for (const pelmar::DiscDrive& d : pelmar::DiscWriter::parseDevices(bytes)) {
        if (d.device.isEmpty() || d.device.contains(QLatin1Char('\'')) || !d.label().startsWith(d.device))
            std::abort();
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (const auto p = pelmar::DiscWriter::parseWriteProgress(line); p && (*p < 0 || *p > 100))
            std::abort();
    }
    if (pelmar::DiscWriter::failureHeading(lines, true).isEmpty()
        || pelmar::DiscWriter::failureHeading(lines, false).isEmpty())
        std::abort();
    if (pelmar::DiscWriter::compareMismatches(text).size() > lines.size())
        std::abort();

    // The volume id: 1 to 32 characters of A-Z a-z 0-9 - _ . whatever the
    // folder's name holds.
    const QString id = pelmar::DiscWriter::volumeIdFor(text);
    if (id.isEmpty() || id.size() > 32)
        std::abort();
    for (const QChar c : id) {
        const bool ok = (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char('.');
        if (!ok)
            std::abort();
    }
    return 0;
}
