#pragma once

#include "platform/Http.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>

namespace pelmar {

// The main window's status line as the version check sees it.
struct StatusLine
{
    std::function<QString()> text;
    std::function<void(const QString&)> setText;
};

namespace VersionCheck {

inline const QString kSearchingText = QStringLiteral("Új program verzió keresése folyamatban...");
inline const QString kUpToDateText = QStringLiteral("Jelenleg nem érhető el újabb verzió a programból.");

// "Új verzió érhető el..." with the lab's site address.
QString newVersionText();

// The reply body without the bytes of code 0..32 at either end.
QByteArray trimmed(const QByteArray& body);

// True when the trimmed body is this program's version, byte for byte.
bool isCurrent(const QByteArray& body);

// Shows the check's one result text; the window layer gives an information box.
using Inform = std::function<void(const QString& text)>;

// The whole check: status text, fetch, comparison, the result handed to
// `inform`, the status text restored. A failed fetch restores the status text
// and is thrown on (AppError with the client's message) for the general error
// box.
void run(const StatusLine& status, const Inform& inform, const QUrl& url,
         const Http::Options& options = Http::Options());

// The same against the lab's version file, or against the target a test set.
void run(const StatusLine& status, const Inform& inform);

// Tests point the check at their own server; an empty URL restores the lab's.
void setTarget(const QUrl& url, const Http::Options& options = Http::Options());

} // namespace VersionCheck
} // namespace pelmar
