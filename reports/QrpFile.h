#pragma once

// The prepared-report file (.qrp), little-endian:
//
//   header, 128 bytes: format version 3 (2 bytes), engine version 309 (2),
//   zero (4), page count (4), zero (4), local finish time as a double of days
//   since 1899-12-30 with the time of day as the fraction (8), zero (1),
//   compression flag 0 (1), zero (102);
//   then per page: page number from 1 (4), file offset of the next record
//   (4; the file length after the last page), the page's complete metafile,
//   file offset of this record's first byte (4).

#include "reports/PreparedReport.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace pelmar::reports {

inline constexpr int QrpHeaderSize = 128;
inline constexpr quint16 QrpFormatVersion = 3;
inline constexpr quint16 QrpEngineVersion = 309;

// Days since 1899-12-30 00:00 with the time of day as the fraction.
double dayCount(const QDateTime& localTime);

// The whole file in memory. The store must be finished.
QByteArray composePreparedReport(const PreparedReport& report);

// Writes the file under a temporary name beside `path` and renames it into
// place, so a failure never leaves a partial file under the final name. An
// unfinished store writes nothing and returns quietly. A file that cannot be
// written throws AppError naming the path and the reason.
void savePreparedReport(const PreparedReport& report, const QString& path);

} // namespace pelmar::reports
