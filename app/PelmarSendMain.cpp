// pelmar-send --server sftp://USER@HOST:PORT/REMOTE/FOLDER
//             (--identity KEYFILE | --password-stdin) [--host-key SHA256:...]
//             [--stall SECONDS] [--tries N] ORDERFOLDER...
//
// Sends each order folder to the lab as the program's sends window does
// (the same queue, the same rules), without any window. Progress goes to
// standard error. Exit status 0 only when the lab has every order whole, 1
// when an order could not be delivered (its reason on standard error;
// nothing of it is visible at the lab outside .incoming), 2 for wrong usage.
#include "core/Texts.h"
#include "delivery/LabConnection.h"
#include "delivery/SendQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTextStream>

#include <cstdio>

namespace {

bool printLine(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr) == size_t(bytes.size());
    return std::fflush(stderr) == 0 && written;
}

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / 1e6, 'f', 1);
}

QString duration(int seconds)
{
    if (seconds < 0)
        return QStringLiteral("?");
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

const char* kUsage = "Használat: pelmar-send --server sftp://FELHASZNÁLÓ@GÉP:PORT/MAPPA "
                     "(--identity KULCSFÁJL | --password-stdin) [--host-key SHA256:UJJLENYOMAT] "
                     "[--stall MÁSODPERC] [--tries N] MEGRENDELÉSMAPPA...";

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(pelmar::kProgramName);
    const QStringList args = QCoreApplication::arguments();

    QString server, identity, hostKey;
    bool passwordStdin = false;
    int stall = 60;
    int tries = 10;
    QStringList folders;
    QString problem;
    for (int i = 1; i < args.size() && problem.isEmpty(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& into) {
            if (i + 1 >= args.size())
                problem = QStringLiteral("Hiányzik a(z) %1 értéke.").arg(a);
            else
                into = args[++i];
        };
        auto number = [&](int& into, int min) {
            QString text;
            value(text);
            bool ok = false;
            const int n = text.toInt(&ok);
            if (problem.isEmpty() && (!ok || n < min))
                problem
                    = QStringLiteral("A(z) %1 értéke legalább %2 egész szám legyen: \"%3\"").arg(a).arg(min).arg(text);
            else
                into = n;
        };
        if (a == QLatin1String("--server"))
            value(server);
        else if (a == QLatin1String("--identity"))
            value(identity);
        else if (a == QLatin1String("--host-key"))
            value(hostKey);
        else if (a == QLatin1String("--password-stdin"))
            passwordStdin = true;
        else if (a == QLatin1String("--stall"))
            number(stall, 1);
        else if (a == QLatin1String("--tries"))
            number(tries, 1);
        else if (a == QLatin1String("--"))
            folders += args.mid(i + 1), i = int(args.size());
        else if (a.startsWith(QLatin1Char('-')))
            problem = QStringLiteral("Ismeretlen kapcsoló: %1").arg(a);
        else
            folders.append(a);
    }
    std::optional<pelmar::LabConnection> connection;
    if (problem.isEmpty() && server.isEmpty())
        problem = QStringLiteral("Hiányzik a --server.");
    if (problem.isEmpty())
        connection = pelmar::parseSftpUrl(server, &problem);
    if (problem.isEmpty() && identity.isEmpty() == !passwordStdin)
        problem = QStringLiteral("Pontosan az egyik kell: --identity vagy --password-stdin.");
    if (problem.isEmpty() && !hostKey.isEmpty()) {
        auto normal = pelmar::normalizeHostKeyFingerprint(hostKey);
        if (!normal)
            problem = QStringLiteral("A --host-key nem SHA256 ujjlenyomat: \"%1\"").arg(hostKey);
        else
            connection->hostKey = *normal;
    }
    if (problem.isEmpty() && folders.isEmpty())
        problem = QStringLiteral("Nincs megadva megrendelésmappa.");
    if (!problem.isEmpty()) {
        printLine(problem);
        printLine(QString::fromUtf8(kUsage));
        return 2;
    }
    connection->keyFile = identity;
    connection->usePassword = passwordStdin;
    QString password;
    if (passwordStdin) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            printLine(QStringLiteral("A jelszó nem olvasható a szabványos bemenetről."));
            return 2;
        }
        password = QString::fromUtf8(in.readLine(4096)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    }

    // A queue of this run alone, in memory: what reached the lab before a
    // kill is found there by the next run and not sent again.
    pelmar::SendQueue queue(QString {});
    queue.setConnection(*connection);
    queue.setPassword(password);
    pelmar::SendPolicy policy;
    policy.stallSeconds = stall;
    policy.maxTries = tries;
    queue.setPolicy(policy);
    queue.setRunning(false);

    int answered = 0;
    int refused = 0;
    QHash<qint64, qint64> lastShown; // order -> ms of its last progress line
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&queue, &pelmar::SendQueue::enqueued, [&](const QString& folder, qint64 id, const QString& why) {
        if (id == 0) {
            printLine(QStringLiteral("%1: %2").arg(folder, why));
            ++refused;
        }
        if (++answered == folders.size()) {
            if (refused > 0)
                QCoreApplication::exit(1);
            else
                queue.setRunning(true);
        }
    });
    QObject::connect(&queue, &pelmar::SendQueue::hostKeyUnknown, [&](const QString& host, const QString& seen) {
        printLine(QStringLiteral(
                      "A(z) %1 szerver kulcsának ujjlenyomata: %2. Ellenőrizze a laborral, és adja meg: --host-key %2")
                      .arg(host, seen));
    });
    QObject::connect(&queue, &pelmar::SendQueue::itemChanged, [&](const pelmar::SendItem& it) {
        const qint64 now = clock.elapsed();
        if (it.state == pelmar::SendState::Sending) {
            if (now - lastShown.value(it.id, -10000) < 1000)
                return;
            lastShown.insert(it.id, now);
            printLine(QStringLiteral("%1: %2 / %3 MB, %4 MB/s, hátra %5, %6. próbálkozás")
                          .arg(it.name, megabytes(it.bytesSent), megabytes(it.bytesTotal),
                               QString::number(it.bytesPerSecond / 1e6, 'f', 2), duration(it.secondsLeft))
                          .arg(it.tries));
        } else if (it.state == pelmar::SendState::Waiting) {
            printLine(QStringLiteral("%1: %2 Újra %3 másodperc múlva.")
                          .arg(it.name, it.lastError)
                          .arg(std::max<qint64>(0, QDateTime::currentDateTimeUtc().secsTo(it.nextTryAt))));
        } else if (it.state == pelmar::SendState::Delivered) {
            printLine(QStringLiteral("%1: megérkezett a laborba (%2 MB).").arg(it.name, megabytes(it.bytesTotal)));
        } else if (it.state == pelmar::SendState::Failed) {
            printLine(QStringLiteral("%1: nem küldhető el. %2").arg(it.name, it.lastError));
        }
    });
    QObject::connect(&queue, &pelmar::SendQueue::idle, [&] {
        if (answered < folders.size())
            return;
        bool all = !queue.orders().isEmpty();
        for (const pelmar::SendItem& it : queue.orders())
            all = all && it.state == pelmar::SendState::Delivered;
        QCoreApplication::exit(all ? 0 : 1);
    });
    for (const QString& folder : folders)
        queue.enqueue(folder);
    return QCoreApplication::exec();
}
