// pelmar-build [--tasak NNNNNN] [--folder DIR] ORDER.json
//
// Builds an order folder without any window, exactly as the order assembly
// dialog builds it, from an order described in one JSON object (see the
// README and examples/order.json). Prints the order folder's path on standard
// output; refused pictures and copy errors go to standard error. Exit status
// 0 on success, 1 when the order cannot be built (bad description, refused
// partner field, empty order, unknown size, no picture copied, failed write),
// 2 for wrong usage, 3 when the folder was built but a picture was left out.
#include "core/AppError.h"
#include "core/Texts.h"
#include "output/OrderJob.h"
#include "output/OrderNames.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>

namespace {

// False when the line did not get out whole.
bool printLine(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size())
        && std::fputc('\n', stream) != EOF;
    return std::fflush(stream) == 0 && written;
}

} // namespace

int main(int argc, char** argv)
{
    // The printouts need fonts and a paint device, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(pelmar::kProgramName);

    // pelmar-build [--tasak NNNNNN] [--folder DIR] ORDER.json: the options
    // override the description's envelope number and base folder (a saved
    // order carries neither).
    const QStringList args = QGuiApplication::arguments();
    QString orderFile, tasak, folder;
    bool usage = false;
    for (int i = 1; i < args.size() && !usage; ++i) {
        const QString& a = args[i];
        if ((a == QLatin1String("--tasak") || a == QLatin1String("--folder")) && i + 1 < args.size())
            (a == QLatin1String("--tasak") ? tasak : folder) = args[++i];
        else if (a.startsWith(QLatin1Char('-')) || !orderFile.isEmpty())
            usage = true;
        else
            orderFile = a;
    }
    const bool tasakOk = tasak.isEmpty() || (tasak.size() == 6 && std::all_of(tasak.begin(), tasak.end(), [](QChar c) {
                                                 return c.isDigit() && c.unicode() < 128;
                                             }));
    if (usage || orderFile.isEmpty() || !tasakOk || (args.contains(QStringLiteral("--folder")) && folder.isEmpty())) {
        if (!tasakOk)
            printLine(stderr, QStringLiteral("A tasakszám pontosan hat számjegy legyen: \"%1\"").arg(tasak));
        printLine(stderr, QStringLiteral("Használat: pelmar-build [--tasak NNNNNN] [--folder MAPPA] MEGRENDELES.json"));
        return 2;
    }
    QFile file(orderFile);
    if (!file.open(QIODevice::ReadOnly)) {
        printLine(stderr, QStringLiteral("%1: %2").arg(orderFile, file.errorString()));
        return 1;
    }
    // An order description is a few kilobytes; a huge file is not one. At
    // most one byte over the limit is read, whatever size() says: a device
    // or a pipe tells 0 and may never end.
    const QByteArray json = file.read(pelmar::kMaxOrderJobBytes + 1);
    if (json.size() > pelmar::kMaxOrderJobBytes) {
        printLine(stderr, QStringLiteral("%1: a fájl túl nagy egy megrendelésleíráshoz").arg(orderFile));
        return 1;
    }
    if (file.error() != QFileDevice::NoError) {
        printLine(stderr, QStringLiteral("%1: %2").arg(orderFile, file.errorString()));
        return 1;
    }

    try {
        pelmar::OrderJob job = pelmar::ParseOrderJob(json);
        if (!tasak.isEmpty())
            job.tasakNo = tasak;
        if (!folder.isEmpty())
            job.baseFolder = pelmar::WithSeparator(QFileInfo(folder).absoluteFilePath());
        int leftOut = 0;
        const QString built = pelmar::RunOrderJob(
            job, [](const QString& message) { printLine(stderr, message); }, &leftOut);
        // The path is the result a script reads: not getting it out (a full
        // disk under a redirection) is a failure, not a success.
        if (!printLine(stdout, built)) {
            printLine(stderr,
                      QStringLiteral("A megrendelés mappája elkészült, de az útvonala nem írható ki: %1").arg(built));
            return 1;
        }
        // A folder that lacks a picture of the description is built, but a
        // script must be able to tell.
        return leftOut > 0 ? 3 : 0;
    } catch (const std::exception& e) {
        printLine(stderr, pelmar::failureText(e));
        return 1;
    }
}
