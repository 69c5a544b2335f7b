// pelmar-build [--tasak NNNNNN] [--folder DIR] ORDER.json
//
// Builds an order folder without any window, exactly as the order assembly
// dialog builds it, from an order described in one JSON object (see the
// README and examples/order.json). Prints the order folder's path on standard
// output; refused pictures and copy errors go to standard error. Exit status
// 0 on success, 1 when the order cannot be built (bad description, refused
// partner field, empty order, unknown size, no picture copied, failed write),
// 2 for wrong usage, 3 when the folder was built but a picture was left out.
// Phone pictures (a saved order keeps their originals) are converted to JPEG
// first, by the same helper processes and into the same folder as in the
// window.
#include "convert/ConvertCache.h"
#include "convert/ConvertQueue.h"
#include "core/AppError.h"
#include "core/Texts.h"
#include "output/OrderJob.h"
#include "output/OrderNames.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QThread>

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

// Each picture that needs it becomes its converted JPEG; one that cannot be
// converted keeps its original, which the build then refuses as the window's
// add run does, after the reason is said here.
void convertPhonePictures(pelmar::OrderJob& job)
{
    using namespace pelmar::convert;
    const ConvertCache cache(ConvertCache::defaultFolder());
    ConvertQueue queue(ConvertQueue::defaultHelper(), std::max(1, QThread::idealThreadCount()));
    QHash<int, QString> targets;
    QHash<int, QString> parts;
    // A picture in the order twice (two sizes) is converted once.
    QHash<QString, QList<int>> users;
    auto refused = [](const QString& source, const QString& why) {
        printLine(stderr,
                  QStringLiteral("A következő képet nem sikerült JPEG formátumba alakítani: %1: %2")
                      .arg(QDir::toNativeSeparators(source), why));
    };
    // Connected before the first picture goes in, and counted against a
    // total known only at the end, so an answer that comes at once is not lost.
    QEventLoop loop;
    qsizetype answered = 0;
    qsizetype expected = -1;
    QObject::connect(&queue, &ConvertQueue::done, [&](int id, bool ok, const QString& message) {
        const QString target = targets.value(id);
        const QString problem = ok ? ConvertCache::commitProblem(parts.value(id), target) : message;
        if (problem.isEmpty()) {
            for (const int user : users.value(target))
                job.pictures[user].path = target;
        } else {
            refused(job.pictures[id].path, problem);
        }
        if (++answered == expected)
            loop.quit();
    });
    for (int i = 0; i < job.pictures.size(); ++i) {
        const QString source = job.pictures[i].path;
        if (!NeedsConversion(QFileInfo(source).fileName()))
            continue;
        const ConvertCache::Plan plan = cache.plan(source);
        if (!plan.problem.isEmpty()) {
            refused(source, plan.problem);
        } else if (plan.part.isEmpty()) {
            job.pictures[i].path = plan.target; // converted before, unchanged since
        } else if (users.contains(plan.target)) {
            users[plan.target].append(i);
        } else {
            users[plan.target].append(i);
            targets.insert(i, plan.target);
            parts.insert(i, plan.part);
            queue.add(i, source, plan.part);
        }
    }
    expected = targets.size();
    if (answered < expected)
        loop.exec();
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
        convertPhonePictures(job);
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
