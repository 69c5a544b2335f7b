#include "delivery/OrderSend.h"

#include "delivery/OrderFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <future>
#include <sys/stat.h>

namespace pelmar {

namespace {

const QString kOrderText = QStringLiteral("megrendeles.txt");

bool statFile(const QString& path, qint64& size, qint64& modifiedMs)
{
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = st.st_size;
    modifiedMs = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return true;
}

QString joined(const QString& folder, const QString& relative)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + relative : folder + QLatin1Char('/') + relative;
}

SftpError errorOf(SftpProblem problem, const QString& detail = {})
{
    return {problem, sftpProblemMessage(problem, detail), detail};
}

} // namespace

QString OrderSnapshot::name() const
{
    return QFileInfo(QDir::cleanPath(folder)).fileName();
}

qint64 OrderSnapshot::totalBytes() const
{
    qint64 total = 0;
    for (const SnapshotFile& f : files)
        total += f.size;
    return total;
}

std::optional<OrderSnapshot> takeOrderSnapshot(const QString& folder, QString* problem)
{
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const OrderFolderCheck check = checkOrderFolder(absolute);
    if (!check.complete()) {
        if (problem)
            *problem = QStringLiteral("A mappa nem teljes megrendelés-mappa: %1").arg(check.problem);
        return std::nullopt;
    }
    OrderSnapshot snapshot;
    snapshot.folder = absolute;
    for (const OrderFolderFile& f : check.files) {
        SnapshotFile s {f.relativePath, 0, 0};
        if (!statFile(joined(absolute, f.relativePath), s.size, s.modifiedMs)) {
            if (problem)
                *problem = QStringLiteral("A megrendelés egy fájlja nem olvasható: %1").arg(f.relativePath);
            return std::nullopt;
        }
        snapshot.files.append(s);
    }
    return snapshot;
}

QString orderChangedReason(const OrderSnapshot& snapshot)
{
    for (const SnapshotFile& f : snapshot.files) {
        qint64 size = 0;
        qint64 modified = 0;
        if (!statFile(joined(snapshot.folder, f.relativePath), size, modified))
            return QStringLiteral("Hiányzik a megrendelés egy fájlja: %1").arg(f.relativePath);
        if (size != f.size || modified != f.modifiedMs)
            return QStringLiteral("Megváltozott a megrendelés egy fájlja: %1").arg(f.relativePath);
    }
    const OrderFolderCheck check = checkOrderFolder(snapshot.folder);
    if (!check.complete())
        return QStringLiteral("A mappa már nem teljes megrendelés-mappa: %1").arg(check.problem);
    if (check.files.size() != snapshot.files.size()) {
        QSet<QString> known;
        for (const SnapshotFile& f : snapshot.files)
            known.insert(f.relativePath);
        for (const OrderFolderFile& f : check.files) {
            if (!known.contains(f.relativePath))
                return QStringLiteral("Új fájl került a megrendelés mappájába: %1").arg(f.relativePath);
        }
    }
    return {};
}

QByteArray orderChecksums(const OrderSnapshot& snapshot, QString* problem, const std::atomic<bool>* stop)
{
    QByteArray out;
    const QByteArray prefix = snapshot.name().toUtf8() + '/';
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (const SnapshotFile& f : snapshot.files) {
        QFile file(joined(snapshot.folder, f.relativePath));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        bool ok = file.open(QIODevice::ReadOnly);
        while (ok) {
            if (stop && stop->load())
                return {};
            const qint64 n = file.read(chunk.data(), chunk.size());
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            hash.addData(QByteArrayView(chunk.constData(), n));
        }
        if (!ok) {
            if (problem)
                *problem = QStringLiteral("A megrendelés egy fájlja nem olvasható: %1").arg(f.relativePath);
            return {};
        }
        out += hash.result().toHex() + "  " + prefix + f.relativePath.toUtf8() + '\n';
    }
    return out;
}

namespace {

// The order's checksums, read on a thread of their own while the order
// uploads: reading every file a second time after the upload was a fifth of
// a send on a fast line. Stopped and waited for when the send ends early.
class ChecksumsAlongside
{
public:
    explicit ChecksumsAlongside(const OrderSnapshot& snapshot)
        : m_result(std::async(std::launch::async, [this, &snapshot] {
            Sums sums;
            sums.bytes = orderChecksums(snapshot, &sums.problem, &m_stop);
            return sums;
        }))
    {
    }
    ~ChecksumsAlongside()
    {
        m_stop = true;
        if (m_result.valid())
            m_result.wait();
    }
    QByteArray take(QString* problem)
    {
        Sums sums = m_result.get();
        *problem = sums.problem;
        return sums.bytes;
    }

private:
    struct Sums
    {
        QByteArray bytes;
        QString problem;
    };
    std::atomic<bool> m_stop {false};
    std::future<Sums> m_result;
};

} // namespace

std::optional<ChecksumLine> parseChecksumLine(const QByteArray& raw)
{
    QByteArray line = raw;
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.size() < 67 || line[64] != ' ' || (line[65] != ' ' && line[65] != '*'))
        return std::nullopt;
    const QByteArray hex = line.left(64);
    if (!std::all_of(hex.begin(), hex.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
        return std::nullopt;
    const QByteArray path = line.mid(66);
    if (path.contains('\n') || path.contains('\0'))
        return std::nullopt;
    return ChecksumLine {hex, QString::fromUtf8(path)};
}

RemoteOrderPaths::RemoteOrderPaths(const QString& remoteFolder, const QString& name)
{
    QString root = remoteFolder;
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    incoming = joined(root, QStringLiteral(".incoming"));
    part = joined(incoming, name + QStringLiteral(".part"));
    final = joined(root, name);
    checksums = joined(root, name + QStringLiteral(".sha256"));
    checksumsTemp = joined(incoming, name + QStringLiteral(".sha256.part"));
}

namespace {

// Every regular file under a remote folder, by path relative to it, with
// its size; folders listed in `folders`. False when a listing failed
// (session.lastError() says why); a missing folder lists as empty.
bool listTree(SftpSession& session, const QString& root, const QString& relative, QHash<QString, qint64>& files,
              QStringList& others, int depth = 0)
{
    const QString folder = relative.isEmpty() ? root : joined(root, relative);
    auto entries = session.list(folder);
    if (!entries)
        return !session.lastError();
    for (const SftpEntry& e : *entries) {
        if (e.name.contains(QLatin1Char('/')) || e.name.isEmpty())
            continue; // no name a real listing can hold
        const QString path = relative.isEmpty() ? e.name : relative + QLatin1Char('/') + e.name;
        if (e.isDirectory && depth < 8) {
            if (!listTree(session, root, path, files, others, depth + 1))
                return false;
        } else if (e.isRegular) {
            files.insert(path, e.size);
        } else {
            others.append(path);
        }
    }
    return true;
}

// Whether what is at `final` is this order: the same files, the same sizes,
// nothing else.
bool isThisOrder(const QHash<QString, qint64>& remote, const QStringList& others, const OrderSnapshot& snapshot)
{
    if (!others.isEmpty() || remote.size() != snapshot.files.size())
        return false;
    for (const SnapshotFile& f : snapshot.files) {
        auto it = remote.constFind(f.relativePath);
        if (it == remote.constEnd() || it.value() != f.size)
            return false;
    }
    return true;
}

bool writeChecksums(SftpSession& session, const OrderSnapshot& snapshot, const RemoteOrderPaths& paths,
                    SftpError& error, ChecksumsAlongside* alongside = nullptr)
{
    QString problem;
    const QByteArray sums = alongside ? alongside->take(&problem) : orderChecksums(snapshot, &problem);
    if (!problem.isEmpty()) {
        error = errorOf(SftpProblem::OrderChanged, problem);
        return false;
    }
    if (!session.put(sums, paths.checksumsTemp)) {
        error = session.lastError();
        return false;
    }
    // The order is ours, so a checksum file beside it is one an earlier
    // try wrote.
    const QString name = snapshot.name() + QStringLiteral(".sha256");
    auto existing = session.stat(paths.checksums);
    if (session.lastError()) {
        error = session.lastError();
        return false;
    }
    if (existing && !session.remove(paths.checksums)) {
        error = session.lastError();
        return false;
    }
    if (!session.rename(paths.checksumsTemp, paths.checksums)) {
        error = session.lastError();
        return false;
    }
    Q_UNUSED(name);
    return true;
}

} // namespace

SendOutcome sendOrder(SftpSession& session, const OrderSnapshot& snapshot, SendControl& control)
{
    SendOutcome out;
    auto fail = [&out](const SftpError& error) {
        out.error = error;
        return out;
    };
    const QString changed = orderChangedReason(snapshot);
    if (!changed.isEmpty())
        return fail(errorOf(SftpProblem::OrderChanged, changed));

    const QString remote = session.connection().remoteFolder;
    const RemoteOrderPaths paths(remote, snapshot.name());
    SendCounters counters;
    counters.bytesTotal = snapshot.totalBytes();
    auto report = [&] {
        if (control.progress)
            control.progress(counters);
    };
    session.setProgress([&](qint64) { return !control.stop.load(); });

    if (!session.connect())
        return fail(session.lastError());
    // The remote folder must be there: an upload makes missing folders, and
    // a mistyped folder must not be made at the lab.
    if (!session.list(remote)) {
        if (session.lastError())
            return fail(session.lastError());
        return fail(errorOf(SftpProblem::RemoteFolderMissing, QStringLiteral("(%1)").arg(remote)));
    }

    // Taken at the lab already?
    {
        QHash<QString, qint64> there;
        QStringList others;
        auto top = session.stat(paths.final);
        if (session.lastError())
            return fail(session.lastError());
        if (top) {
            if (top->isDirectory && !listTree(session, paths.final, {}, there, others))
                return fail(session.lastError());
            if (!top->isDirectory || !isThisOrder(there, others, snapshot))
                return fail(errorOf(SftpProblem::AlreadyThere, QStringLiteral("(%1)").arg(paths.final)));
            // An earlier try renamed it, and its answer was lost.
            counters.bytesSent = counters.bytesTotal;
            report();
            auto sums = session.stat(paths.checksums);
            if (session.lastError())
                return fail(session.lastError());
            if (!sums && !writeChecksums(session, snapshot, paths, out.error))
                return out;
            out.delivered = true;
            out.wasThereAlready = true;
            return out;
        }
    }

    // What an earlier try left in the .part folder.
    QHash<QString, qint64> there;
    QStringList others;
    if (!listTree(session, paths.part, {}, there, others))
        return fail(session.lastError());
    if (!others.isEmpty()) {
        // Nothing of ours is anything but a file or a folder.
        if (!session.removeTree(paths.part))
            return fail(session.lastError());
        there.clear();
    }
    for (const SnapshotFile& f : snapshot.files)
        counters.bytesSent += std::min(f.size, there.value(f.relativePath, 0));
    report();

    QList<const SnapshotFile*> order;
    for (const SnapshotFile& f : snapshot.files) {
        if (f.relativePath != kOrderText)
            order.append(&f);
    }
    for (const SnapshotFile& f : snapshot.files) {
        if (f.relativePath == kOrderText)
            order.append(&f);
    }

    ChecksumsAlongside checksums(snapshot);

    // Every folder of the order in one request, instead of one search for
    // missing folders per folder while uploading.
    QStringList folders {paths.incoming, paths.part};
    for (const SnapshotFile& f : snapshot.files) {
        const QStringList parts = f.relativePath.split(QLatin1Char('/'));
        for (int i = 1; i < parts.size(); ++i) {
            const QString folder = joined(paths.part, parts.mid(0, i).join(QLatin1Char('/')));
            if (!folders.contains(folder))
                folders.append(folder);
        }
    }
    if (!session.makeFolders(folders))
        return fail(session.lastError());

    for (const SnapshotFile* f : order) {
        if (control.stop)
            return fail(errorOf(SftpProblem::Cancelled));
        qint64 offset = there.value(f->relativePath, -1);
        if (offset == f->size)
            continue;
        if (offset > f->size) {
            // Longer at the lab than here: not ours to append to.
            counters.bytesSent -= f->size;
            offset = 0;
        }
        offset = std::max<qint64>(offset, 0);
        counters.currentFile = f->relativePath;
        const qint64 base = counters.bytesSent;
        session.setProgress([&](qint64 now) {
            counters.bytesSent = base + now;
            report();
            return !control.stop.load();
        });
        const bool ok
            = session.upload(joined(snapshot.folder, f->relativePath), joined(paths.part, f->relativePath), offset);
        session.setProgress([&](qint64) { return !control.stop.load(); });
        if (!ok) {
            // A failed open of a missing file at the lab counts as that.
            return fail(session.lastError());
        }
        counters.bytesSent = base + (f->size - offset);
        report();
    }
    counters.currentFile.clear();

    // Every file at the lab with its size, nothing else, before the rename.
    there.clear();
    others.clear();
    if (!listTree(session, paths.part, {}, there, others))
        return fail(session.lastError());
    QSet<QString> wanted;
    for (const SnapshotFile& f : snapshot.files) {
        wanted.insert(f.relativePath);
        if (there.value(f.relativePath, -1) != f.size)
            return fail(errorOf(SftpProblem::ConnectionLost,
                                QStringLiteral("(%1: a laborba került méret eltér)").arg(f.relativePath)));
    }
    for (auto it = there.constBegin(); it != there.constEnd(); ++it) {
        // Left by an earlier try of an order that has changed since.
        if (!wanted.contains(it.key()) && !session.remove(joined(paths.part, it.key())))
            return fail(session.lastError());
    }
    if (!others.isEmpty())
        return fail(errorOf(SftpProblem::Other, QStringLiteral("(%1)").arg(others.first())));

    const QString changedNow = orderChangedReason(snapshot);
    if (!changedNow.isEmpty())
        return fail(errorOf(SftpProblem::OrderChanged, changedNow));
    if (control.stop)
        return fail(errorOf(SftpProblem::Cancelled));

    if (!session.rename(paths.part, paths.final)) {
        const SftpError renameError = session.lastError();
        // Someone (or an answer we lost) may have put it there meanwhile.
        QHash<QString, qint64> final;
        QStringList finalOthers;
        auto top = session.stat(paths.final);
        if (!top)
            return fail(renameError);
        if (!top->isDirectory || !listTree(session, paths.final, {}, final, finalOthers)
            || !isThisOrder(final, finalOthers, snapshot))
            return fail(errorOf(SftpProblem::AlreadyThere, QStringLiteral("(%1)").arg(paths.final)));
    }
    if (!writeChecksums(session, snapshot, paths, out.error, &checksums))
        return out;
    out.delivered = true;
    return out;
}

bool removePartialOrder(SftpSession& session, const QString& orderName)
{
    const RemoteOrderPaths paths(session.connection().remoteFolder, orderName);
    if (!session.removeTree(paths.part))
        return false;
    auto temp = session.stat(paths.checksumsTemp);
    if (session.lastError())
        return false;
    return !temp || session.remove(paths.checksumsTemp);
}

} // namespace pelmar
