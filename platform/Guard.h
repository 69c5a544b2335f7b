#pragma once

#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace pelmar {

// The user-visible text of any failure.
QString failureText(const std::exception& e);

// Runs one command; a failure ends it and is shown in the general error box.
// Returns false when the command failed. No exception leaves this function,
// so none can cross Qt's event loop.
bool runGuarded(QWidget* parent, const std::function<void()>& command);

} // namespace pelmar
