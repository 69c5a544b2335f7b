#include "tests/output/OrderJobFixtures.h"

#include "tests/output/OrderFixtures.h"
#include "tests/support/JpegFixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

namespace pelmar::test {

QJsonObject exampleJson(const TempDir& dir)
{
    QJsonObject partner {{"UserID", "123"},
                         {"UserNev", "Minta Fotó Bt."},
                         {"UserHelys", "Kisváros"},
                         {"UserCim", "Fő utca 1."},
                         {"UserIrsz", "9999"}};
    QJsonObject customer {{"VevoNev", ""}, {"VevoHelys", ""}, {"VevoCim", ""}, {"VevoIrsz", ""}};
    QJsonArray pictures {
        QJsonObject {{"path", dir.file("kepek/IMG_0001.JPG")}, {"size", "9x13"}, {"fill", "fill"}, {"quantity", 2}},
        QJsonObject {{"path", dir.file("kepek/nyaralas.jpg")}, {"size", "10x15"}, {"fill", "fit"}, {"quantity", 1}}};
    return QJsonObject {{"partner", partner},
                        {"Megj", ""},
                        {"customer", customer},
                        {"TasakNo", "000123"},
                        {"BaseFolder", dir.file("Rendelesek")},
                        {"date", "2004-03-15"},
                        {"CDIndex", true},
                        {"prices", QJsonArray {"9x13|120|1200x1800|800x1200", "10x15|150|1500x2100|1000x1500"}},
                        {"CD", 500},
                        {"pictures", pictures}};
}

// A picture of w x h pixels that passes the 51200-byte rule.
void writePicture(const TempDir& dir, const QString& name, int w, int h)
{
    QByteArray jpeg = makeJpeg(w, h);
    if (jpeg.size() < 60000)
        jpeg = makeJpeg(w, h, 60000);
    dir.write(name, jpeg);
}

void writePictures(const TempDir& dir)
{
    writePicture(dir, "kepek/IMG_0001.JPG", 1800, 1200);
    writePicture(dir, "kepek/nyaralas.jpg", 1500, 2100);
}

QByteArray json(const QJsonObject& o)
{
    return QJsonDocument(o).toJson();
}

ToolRun runTool(const QStringList& args, const QString& stdoutFile)
{
    QProcess p;
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    // The tool is built into the same folder as the tests.
    QString bin = qEnvironmentVariable("PELMAR_BIN_DIR");
    if (bin.isEmpty())
        bin = QCoreApplication::applicationDirPath();
    p.start(bin + "/pelmar-build", args);
    ToolRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// Every file under folder with its contents; the .qrp finish time (header
// bytes 16..23) is blanked, as it differs between any two builds.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QByteArray bytes = readAll(path);
        if (path.endsWith(".qrp") && bytes.size() >= 24)
            bytes.replace(16, 8, QByteArray(8, '\0'));
        out.insert(QDir(folder).relativeFilePath(path), bytes);
    }
    return out;
}

} // namespace pelmar::test
