#pragma once

// Stand-in for the shared code page 1250 helpers until they are available to
// this library; same names and meaning, in a namespace of their own.
#include <QByteArray>
#include <QString>

namespace pelmar::textcompat {

QByteArray EncodeCp1250(const QString& text);
qsizetype Cp1250Length(const QString& text);
QString PadText(const QString& text, int width, bool rightAligned = false);

} // namespace pelmar::textcompat
