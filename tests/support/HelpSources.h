#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pelmar::test {

// The help file the build compiled, and the topic sources it was compiled
// from; the tests compare the two and drive the window through them.
QString builtHelpFile();
QByteArray readHelpSource(const QString& name);
QStringList helpSourceTopics();

} // namespace pelmar::test
