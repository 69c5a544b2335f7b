#pragma once

#include "core/OrderModel.h"
#include "core/UserData.h"
#include "output/OrderNames.h"
#include "output/OrderText.h"
#include "tests/support/Printers.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>

namespace pelmar::test {

// An order line as the add run makes it.
OrderLine makeLine(const QString& path, const QString& size, qint32 price, bool fill, int quantity);

// Adds a line to the model; returns its row.
int addLine(OrderModel& model, const QString& path, const QString& size, qint32 price, bool fill, int quantity);

// Plans the model's order and gives every line its new name, as the order
// dialog does before a build.
OrderPlan planAndName(OrderModel& model);

// The message of the AppError that `run` throws; empty when it throws none.
QString appErrorOf(const std::function<void()>& run);

// The partner of the worked example: 123, Minta Fotó Bt., Kisváros,
// Fő utca 1., 9999.
TUserData examplePartner();
OrderFields exampleFields();

// The worked example's "megrendeles.txt", written out line by line here so
// the test compares against an independent text.
QByteArray exampleOrderText(bool withCd);

// Reads a whole file (empty when missing).
QByteArray readAll(const QString& path);

} // namespace pelmar::test
