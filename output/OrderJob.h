#pragma once

#include "core/OrderModel.h"
#include "output/OrderText.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace pelmar {

// An order described as one JSON object, for building an order folder
// without any window (pelmar-build). Every field holds what the order
// assembly dialog's field of that name would hold.
struct OrderJob
{
    struct Picture
    {
        QString path;
        QString size;
        bool fill = true;
        int quantity = 1;
    };

    OrderFields fields;
    QString tasakNo = QStringLiteral("000000");
    QString baseFolder; // with its final "/"
    QDate date; // invalid: today
    bool cdIndex = false;
    QStringList prices; // PriceList entries in their text form
    QStringList settingValues; // "CD=<value>" when given
    QList<Picture> pictures;
};

// Reads the JSON text. Anything that is not a well-formed order (not JSON,
// wrong kinds, unknown or doubled keys, a control character in any text, a
// bad envelope number, date, CD price or quantity) throws AppError with a
// message naming the place.
OrderJob ParseOrderJob(const QByteArray& json);

// The largest order description read; a few kilobytes per hundred pictures,
// so anything near this is not one.
inline constexpr qint64 kMaxOrderJobBytes = 64 * 1024 * 1024;

// Reads and parses an order description file. A file that is not a regular
// file (a folder, a FIFO, a device), is larger than kMaxOrderJobBytes or
// cannot be read throws AppError, as does everything ParseOrderJob refuses.
OrderJob ReadOrderJobFile(const QString& path);

// The job as JSON text that ParseOrderJob reads back to the same job. The
// envelope number and the base folder are written only when asked for: a
// saved order gets them at build time.
QByteArray OrderJobJson(const OrderJob& job, bool withEnvelopeAndFolder = false);

// Builds the job's order folder exactly as the dialog builds it (a copy
// error goes on, no preview) and returns the order folder's path. Refused
// pictures (with their path) and copy errors (with their reason) are passed
// to `warn`, and counted in `leftOut`. A refused partner field, an empty
// order, an unknown size name, an order of which no picture could be copied
// or a failed write throws AppError.
QString RunOrderJob(const OrderJob& job, const std::function<void(const QString&)>& warn, int* leftOut = nullptr);

} // namespace pelmar
