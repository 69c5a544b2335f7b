#pragma once

#include "delivery/LabConnection.h"

#include <QString>
#include <functional>
#include <optional>

class QObject;

namespace pelmar::LabKeychain {

// The lab password lives in the desktop's Secret Service and nowhere else:
// not in the settings store, not in a file. Each call returns at once; the
// answer comes later on the thread that asked, and never after `context`
// is gone.

// The password kept for this connection's account. Nothing when none is
// kept or when the desktop has no keyring (the caller then asks the
// partner); `problem` says which, in Hungarian, when it is worth telling.
using ReadAnswer = std::function<void(std::optional<QString> password, const QString& problem)>;
void read(const LabConnection& connection, QObject* context, ReadAnswer answer);

// Keeps (or, with an empty password, forgets) the password of the account.
// ok false with the Hungarian reason when the desktop cannot keep it.
using WriteAnswer = std::function<void(bool ok, const QString& problem)>;
void write(const LabConnection& connection, const QString& password, QObject* context, WriteAnswer answer);

// The entry's name in the keyring: one per account and server.
QString entryKey(const LabConnection& connection);

} // namespace pelmar::LabKeychain
