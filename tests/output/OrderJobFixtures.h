#pragma once

#include "tests/support/TempDir.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

namespace pelmar::test {

// The worked example as an order description, its pictures under dir/kepek/
// and its order folder under dir/Rendelesek/.
QJsonObject exampleJson(const TempDir& dir);
// A picture of w x h pixels that passes the 51200-byte rule.
void writePicture(const TempDir& dir, const QString& name, int w, int h);
// The example's two pictures.
void writePictures(const TempDir& dir);
QByteArray json(const QJsonObject& o);

struct ToolRun
{
    int code = -1;
    QString out;
    QString err;
};

// Runs pelmar-build (built beside the tests) and waits up to a minute.
// Standard output goes to stdoutFile when one is given.
ToolRun runTool(const QStringList& args, const QString& stdoutFile = QString());

// Every file under folder with its contents; the .qrp finish time (header
// bytes 16..23) is blanked, as it differs between any two builds.
QMap<QString, QByteArray> snapshot(const QString& folder);

} // namespace pelmar::test
