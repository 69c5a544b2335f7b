#include "tests/support/HelpSources.h"

#include <QDir>
#include <QFile>

namespace pelmar::test {

namespace {

QString sourceDir()
{
    return qEnvironmentVariable("PELMAR_SOURCE_DIR") + QStringLiteral("/help");
}

} // namespace

QString builtHelpFile()
{
    return qEnvironmentVariable("PELMAR_BIN_DIR") + QStringLiteral("/pelmarorder.chm");
}

QByteArray readHelpSource(const QString& name)
{
    QFile f(sourceDir() + QLatin1Char('/') + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList helpSourceTopics()
{
    return QDir(sourceDir()).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

} // namespace pelmar::test
