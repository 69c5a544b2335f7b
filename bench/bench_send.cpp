// bench_send [COUNT [MB [ROUNDS]]]
//
// Sends an order folder of its own (COUNT pictures of MB megabytes, default
// 500 of 4, the text file and two printouts) to a local OpenSSH server the
// way the program does (sendOrder: .part folder, resume check, size check,
// rename, checksum file), and the same folder with OpenSSH's own
// "sftp -b" (put -r), alternately, ROUNDS times each (default 3). Medians
// are compared.
//
// Twice: on bare loopback, and on a link of 20 Mbit/s with 40 ms delay
// (netem on a veth pair into a network namespace the benchmark makes, the
// server inside it). Where namespaces or netem are not allowed, that half
// says so and is skipped. The last line is the loopback ratio, or the
// link's when it ran: "send/sftp ratio: R".
#include "delivery/OrderSend.h"
#include "delivery/SftpSession.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace pelmar;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

bool run(const QString& program, const QStringList& args, QString* output = nullptr, int ms = 600000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok = p.waitForFinished(ms) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll()).trimmed();
    return ok;
}

bool write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// The server of one half: sshd on address:port, inside a namespace when
// `netns` is set.
struct Server
{
    QString folder;
    QString address;
    QString netns;
    int port = 0;
    QProcess process;

    bool start()
    {
        const QString config = folder + QStringLiteral("/sshd_config");
        const QByteArray text = "Port " + QByteArray::number(port) + "\nListenAddress " + address.toUtf8()
            + "\nHostKey " + QFile::encodeName(folder) + "/host\nAuthorizedKeysFile " + QFile::encodeName(folder)
            + "/client.pub\nPidFile none\nStrictModes no\nUsePAM no\nPasswordAuthentication no\n"
              "PermitRootLogin prohibit-password\nSubsystem sftp internal-sftp\nLogLevel ERROR\n";
        if (!write(config, text))
            return false;
        QDir().mkpath(QStringLiteral("/run/sshd"));
        QStringList args {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), config};
        if (netns.isEmpty()) {
            process.start(QStringLiteral("/usr/sbin/sshd"), args);
        } else {
            process.start(
                QStringLiteral("ip"),
                QStringList {QStringLiteral("netns"), QStringLiteral("exec"), netns, QStringLiteral("/usr/sbin/sshd")}
                    + args);
        }
        if (!process.waitForStarted())
            return false;
        for (int i = 0; i < 100; ++i) {
            QProcess probe;
            QThread::msleep(50);
            if (process.state() != QProcess::Running)
                return false;
            probe.start(QStringLiteral("bash"),
                        {QStringLiteral("-c"), QStringLiteral("exec 3<>/dev/tcp/%1/%2").arg(address).arg(port)});
            if (probe.waitForFinished(2000) && probe.exitCode() == 0)
                return true;
        }
        return false;
    }
    ~Server()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
};

QString fingerprintOf(const QString& pubFile)
{
    QFile f(pubFile);
    f.open(QIODevice::ReadOnly);
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? hostKeyFingerprint(QByteArray::fromBase64(parts[1])) : QString();
}

// One half: ROUNDS of each, alternately; the ratio of the medians, or a
// negative number when it could not run.
double measure(const char* title, Server& server, const QString& order, const QString& lab, const QString& user,
               int rounds)
{
    if (!server.start()) {
        std::printf("%s: the server did not start\n", title);
        return -1;
    }
    LabConnection c;
    c.host = server.address;
    c.port = server.port;
    c.user = user;
    c.keyFile = server.folder + QStringLiteral("/client");
    c.hostKey = fingerprintOf(server.folder + QStringLiteral("/host.pub"));
    std::vector<double> ours, theirs;
    const QString name = QFileInfo(order).fileName();
    for (int round = 0; round < rounds; ++round) {
        const QString mine = lab + QStringLiteral("/send%1").arg(round);
        const QString other = lab + QStringLiteral("/sftp%1").arg(round);
        QDir().mkpath(mine);
        QDir().mkpath(other);
        c.remoteFolder = mine;
        {
            SftpSession session(c);
            SendControl control;
            QElapsedTimer t;
            t.start();
            const SendOutcome out = sendOrder(session, *takeOrderSnapshot(order, nullptr), control);
            ours.push_back(t.elapsed() / 1000.0);
            if (!out.delivered) {
                std::printf("%s: the send failed: %s\n", title, qPrintable(out.error.message));
                return -1;
            }
        }
        {
            const QString batch = server.folder + QStringLiteral("/batch");
            write(batch,
                  "put -r \"" + QFile::encodeName(order) + "\" \"" + QFile::encodeName(other + QLatin1Char('/') + name)
                      + "\"\n");
            QElapsedTimer t;
            t.start();
            QString output;
            const bool ok = run(QStringLiteral("sftp"),
                                {QStringLiteral("-q"), QStringLiteral("-b"), batch, QStringLiteral("-i"), c.keyFile,
                                 QStringLiteral("-o"), QStringLiteral("StrictHostKeyChecking=no"), QStringLiteral("-o"),
                                 QStringLiteral("UserKnownHostsFile=/dev/null"), QStringLiteral("-P"),
                                 QString::number(c.port), QStringLiteral("%1@%2").arg(user, c.host)},
                                &output);
            theirs.push_back(t.elapsed() / 1000.0);
            if (!ok) {
                std::printf("%s: sftp failed: %s\n", title, qPrintable(output));
                return -1;
            }
        }
        std::printf("%s round %d: send %.2f s, sftp %.2f s\n", title, round + 1, ours.back(), theirs.back());
        std::fflush(stdout);
        QDir(mine).removeRecursively();
        QDir(other).removeRecursively();
    }
    const double ratio = median(ours) / median(theirs);
    std::printf("%s: send median %.2f s, sftp median %.2f s, ratio %.3f\n", title, median(ours), median(theirs), ratio);
    return ratio;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int count = args.size() > 1 ? std::max(1, args[1].toInt()) : 500;
    const int megabytes = args.size() > 2 ? std::max(1, args[2].toInt()) : 4;
    const int rounds = args.size() > 3 ? std::max(1, args[3].toInt()) : 3;
    QTemporaryDir temp;
    const QString root = temp.path();
    const QString keys = root + QStringLiteral("/keys");
    QDir().mkpath(keys);
    if (!run(QStringLiteral("ssh-keygen"),
             {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"), QStringLiteral("-N"), QString(),
              QStringLiteral("-f"), keys + QStringLiteral("/host")})
        || !run(QStringLiteral("ssh-keygen"),
                {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"), QStringLiteral("-N"), QString(),
                 QStringLiteral("-f"), keys + QStringLiteral("/client")})) {
        std::printf("ssh-keygen failed\n");
        return 1;
    }
    QString user;
    run(QStringLiteral("id"), {QStringLiteral("-un")}, &user);

    // The order folder: pictures of noise (nothing compresses), in the
    // build's names.
    const QString order = root + QStringLiteral("/order/Bench_20261209_1");
    QByteArray block(megabytes * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator gen(7);
    gen.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
    for (int i = 1; i <= count; ++i) {
        block[0] = char(i);
        block[1] = char(i >> 8);
        if (!write(order + QStringLiteral("/9x13-fill-1/kep%1.JPG").arg(i, 5, 10, QLatin1Char('0')), block)) {
            std::printf("cannot write the order folder\n");
            return 1;
        }
    }
    write(order + QStringLiteral("/megrendeles.qrp"), block.left(40000));
    write(order + QStringLiteral("/megrendeles_osszegezve.qrp"), block.left(9000));
    write(order + QStringLiteral("/megrendeles.txt"), QByteArray("Megrendel\xe9s\r\n"));
    std::printf("order folder: %d pictures of %d MB\n", count, megabytes);

    double last = -1;
    {
        Server loop;
        loop.folder = keys;
        loop.address = QStringLiteral("127.0.0.1");
        loop.port = 20000 + int(QCoreApplication::applicationPid() % 20000);
        const QString lab = root + QStringLiteral("/lab");
        last = measure("loopback", loop, order, lab, user, rounds);
    }

    // The slow link: a namespace with the server, a veth pair, netem on the
    // way out of this side.
    const QString ns = QStringLiteral("pelmar-bench-%1").arg(QCoreApplication::applicationPid());
    const QString host = QStringLiteral("pbh%1").arg(QCoreApplication::applicationPid() % 100000);
    const QString peer = QStringLiteral("pbp%1").arg(QCoreApplication::applicationPid() % 100000);
    QString why;
    const bool netns = run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), ns}, &why);
    bool link = netns
        && run(QStringLiteral("ip"),
               {QStringLiteral("link"), QStringLiteral("add"), host, QStringLiteral("type"), QStringLiteral("veth"),
                QStringLiteral("peer"), QStringLiteral("name"), peer},
               &why)
        && run(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), peer, QStringLiteral("netns"), ns},
               &why)
        && run(QStringLiteral("ip"),
               {QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.231.0.1/30"), QStringLiteral("dev"),
                host},
               &why)
        && run(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), host, QStringLiteral("up")}, &why)
        && run(QStringLiteral("ip"),
               {QStringLiteral("-n"), ns, QStringLiteral("addr"), QStringLiteral("add"),
                QStringLiteral("10.231.0.2/30"), QStringLiteral("dev"), peer},
               &why)
        && run(QStringLiteral("ip"),
               {QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("set"), peer, QStringLiteral("up")},
               &why)
        && run(QStringLiteral("ip"),
               {QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                QStringLiteral("up")},
               &why)
        && run(QStringLiteral("tc"),
               {QStringLiteral("qdisc"), QStringLiteral("add"), QStringLiteral("dev"), host, QStringLiteral("root"),
                QStringLiteral("netem"), QStringLiteral("rate"), QStringLiteral("20mbit"), QStringLiteral("delay"),
                QStringLiteral("40ms"), QStringLiteral("limit"), QStringLiteral("10000")},
               &why);
    if (link) {
        Server slow;
        slow.folder = keys;
        slow.address = QStringLiteral("10.231.0.2");
        slow.netns = ns;
        slow.port = 2222;
        const double ratio = measure("20 Mbit/s, 40 ms", slow, order, root + QStringLiteral("/lab"), user, rounds);
        if (ratio > 0)
            last = ratio;
    } else {
        std::printf("20 Mbit/s, 40 ms: skipped, no network namespace with netem here (%s)\n", qPrintable(why));
    }
    run(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("del"), host});
    if (netns)
        run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), ns});

    if (last < 0)
        return 1;
    std::printf("send/sftp ratio: %.3f\n", last);
    return 0;
}
