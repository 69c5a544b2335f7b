#pragma once

#include <QString>

namespace pelmar {

// Names and messages that more than one part of the program shows or
// writes; each lives here once.

// The application's title: window captions, the general error box, the
// creator of the saved printouts.
inline const QString kProgramName = QStringLiteral("Pelmar megrendelés");

// The files of an order folder besides the pictures.
inline const QString kOrderTextFileName = QStringLiteral("megrendeles.txt");
inline const QString kOrderPrintoutFileName = QStringLiteral("megrendeles.qrp");
inline const QString kSummaryPrintoutFileName = QStringLiteral("megrendeles_osszegezve.qrp");

// An order without any picture cannot be printed or built.
inline const QString kEmptyOrderText = QStringLiteral("Még nem vett fel képeket a megrendelésbe!");

} // namespace pelmar
