#pragma once

#include "reports/PreparedReport.h"

#include <QByteArray>

namespace pelmar::reports {

// One page as a complete Enhanced Metafile, built with libUEMF: a header
// framing the A4 sheet (logical unit a hundredth of a millimetre), then the
// page's items in order (band fills as filled rectangles, lines, rectangle
// outlines, texts as EXTTEXTOUTW in fonts created by face name and size), and
// EOF. Throws AppError when a record cannot be made (out of memory).
QByteArray pageToEmf(const PreparedPage& page);

} // namespace pelmar::reports
