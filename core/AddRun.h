#pragma once

#include "core/OrderModel.h"
#include "core/PriceData.h"

#include <QHash>
#include <QString>

namespace pelmar {

// The add run's rules, one file at a time, for every way pictures enter an
// order (the open-picture dialog, drag and drop, the windowless build), in
// this order: the duplicate search, the 51,200-byte size rule, the picture
// check against the entry's minimum; an accepted file becomes a line. The
// callers differ only in what they do with a refusal.
//
// The run indexes the order's lines once, so each duplicate search costs
// the same however long the order is. While a run is in use, the order
// gains lines only through it.
class AddRun
{
public:
    explicit AddRun(OrderModel& order);

    struct Result
    {
        int row = -1; // the new line's row; -1 when refused
        int duplicate = -1; // the row of the line this file duplicates
        QString refusal; // the message for the user; empty when added
        bool added() const { return row >= 0; }
    };

    // Applies the rules to the file at path. A file that cannot be measured
    // throws AppError with the runtime's text, as the size rule's measure
    // does.
    // source: the original of a converted picture (kept with the line).
    Result add(const QString& path, const TPriceData& entry, bool fill, int quantity, const QString& source = {});

    // The message of a refused duplicate: the caption of the line it repeats.
    static QString duplicateMessage(const QString& caption);

private:
    OrderModel& m_order;
    QHash<QString, int> m_rows; // duplicate key -> first row with it
};

// The duplicate search's key: two lines are the same picture when their file
// names are equal with letter case ignored (per character, as a
// case-insensitive comparison does) and their size and fill mode are equal.
QString DuplicateKey(const QString& fileName, const QString& size, bool fill);

} // namespace pelmar
