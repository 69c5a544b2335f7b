#pragma once

#include "core/OrderModel.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace pelmar {

// The extension of a path's file name: from its last "." on, dot included,
// letter case kept; empty when the file name has no dot.
QString ExtensionOf(const QString& path);

// "kep" and the sequence number with at least five digits (kep00001,
// kep100000).
QString NewPictureName(int sequence);

// Whether a file's name is one the build gives a copied picture: a new name
// followed by the extension of a file the picture check accepts (".jpg",
// ".jpeg" in any letter case, or one that begins with ".tif").
bool IsOrderPictureName(const QString& fileName);

// One row of the size summary: one per distinct size name (case ignored), in
// order of first occurrence, priced with the first line's unit price.
struct SizeRow
{
    QString caption;
    qint64 quantity = 0;
    qint32 unitPrice = 0;

    qint64 amount() const { return quantity * qint64(unitPrice); }
    QString quantityText() const; // "3 db"
    QString unitPriceText() const; // "120 Ft"
    QString grossText() const; // "360 Ft"
    // The summary printout's row: caption|quantity|unit price|gross price.
    QString summaryItem() const;
};

// What the order assembly dialog derives from the order lines when it opens.
struct OrderPlan
{
    QList<SizeRow> sizes;
    // Per order line, in list order: size-fill-quantity "/" new name + ext.
    QStringList targets;
    // Per order line: the new name without extension.
    QStringList newNames;
    qint64 picturesTotal = 0;
};

// The dialog's creation steps without the dialog. Quantities are read with
// the strict integer conversion (a broken quantity text throws AppError).
OrderPlan PlanOrder(const QList<OrderLine>& lines);

// The part of a target before its "/": the line's group folder.
QString GroupFolderOf(const QString& target);

// The order folder: base + "Pelmar-" + YYYYMMDD + "-" + trimmed envelope
// number + "/". The base is expected to end in "/".
QString OrderFolderPath(const QString& baseFolder, const QDate& date, const QString& envelope);

// Appends "/" when the text does not already end in one.
QString WithSeparator(const QString& folder);

// The user's personal documents folder with a final "/", or the home folder
// when there is none.
QString DocumentsFolder();

// Today's local date; the one clock of the order output, which tests set.
QDate OrderToday();
// A fixed date for tests; an invalid date returns to the real clock.
void setOrderTodayForTests(const QDate& date);

} // namespace pelmar
