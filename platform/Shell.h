#pragma once

#include <QString>
#include <functional>

namespace pelmar::Shell {

// Opens a URL or a file with the desktop's default handler. The result is
// ignored and nothing is reported on failure.
void openDocument(const QString& target);

// Tests replace the desktop with an observer; pass an empty function to
// restore it.
void setOpenHandler(std::function<void(const QString&)> handler);

} // namespace pelmar::Shell
