#pragma once

#include "core/AppError.h"

#include <functional>

class QWidget;

namespace pelmar {

// Runs one command; a failure ends it and is shown in the general error box.
// Returns false when the command failed. No exception leaves this function,
// so none can cross Qt's event loop.
bool runGuarded(QWidget* parent, const std::function<void()>& command);

} // namespace pelmar
