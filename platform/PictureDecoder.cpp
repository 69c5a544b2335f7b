#include "platform/PictureDecoder.h"

#include "core/NativePath.h"
#include "platform/JpegDecode.h"

#include <QMutexLocker>
#include <QThread>

#include <algorithm>
#include <sys/stat.h>

namespace pelmar {

namespace {

constexpr int kDenominators[] = {1, 2, 4, 8};

QString boxKey(const QString& path, QSize box)
{
    return QStringLiteral("%1x%2:").arg(box.width()).arg(box.height()) + path;
}

// Of the side too: a thumbnail for a former side still under way is not the
// one asked for now.
QString thumbnailKey(const QString& path, int side)
{
    return QStringLiteral("t%1:").arg(side) + path;
}

// The rectangle the picture is drawn into, in the stored picture's own
// directions (what the decode scale is chosen for).
QSize storedTarget(const PictureDecoder::DrawnSize& drawnSize, QSize stored, int orientation, QSize box)
{
    const QSize drawn = drawnSize(exif::uprightSize(stored, orientation), box);
    return exif::swapsSides(orientation) ? drawn.transposed() : drawn;
}

} // namespace

PictureDecoder::PictureDecoder(DrawnSize drawnSize, QObject* parent, qint64 cacheBytes, int threads)
    : QObject(parent)
    , m_cache(cacheBytes)
    , m_thumbnails(kThumbnailCacheBytes)
    , m_shared(std::make_shared<Shared>())
    , m_pool(new QThreadPool)
{
    m_shared->drawnSize = std::move(drawnSize);
    if (!m_shared->drawnSize)
        m_shared->drawnSize = [](QSize upright, QSize box) { return upright.scaled(box, Qt::KeepAspectRatio); };
    m_shared->owner = this;
    // Two workers even on a small machine: one can read ahead while the
    // other decodes what is shown. More than four only fight over the disk.
    m_pool->setMaxThreadCount(threads > 0 ? threads : std::clamp(QThread::idealThreadCount(), 2, 4));
    m_pool->setExpiryTimeout(5000);
}

PictureDecoder::~PictureDecoder()
{
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->closing = true;
        m_shared->owner = nullptr;
        m_shared->queue.clear();
    }
    // The decodes under way give up at their next row; results they posted
    // before die with this object, unread.
    m_shared->stop = true;
    if (m_pool->waitForDone(kStopWaitMs)) {
        delete m_pool;
        return;
    }
    // A worker stuck in the system (a read from a hung network folder):
    // the program does not wait for it. It holds the shared state it
    // needs; the pool is left to it and goes with the process.
    qWarning("PictureDecoder: a decode did not stop in %d ms; not waiting for it", kStopWaitMs);
}

QString PictureDecoder::cacheKey(const QString& path, int denominator)
{
    return QString::number(denominator) + QLatin1Char(':') + path;
}

DecodedPicture PictureDecoder::cached(const QString& path, QSize box, bool* covers)
{
    if (covers)
        *covers = false;
    const DecodedPicture* any = nullptr;
    for (int d : kDenominators) {
        if ((any = m_cache.peek(cacheKey(path, d))))
            break;
    }
    if (!any)
        return {};
    const int needed = jpeg::scaleDenominatorFor(
        any->storedSize, storedTarget(m_shared->drawnSize, any->storedSize, any->orientation, box));
    // The coarsest picture that still covers the box is the cheapest to
    // draw; otherwise the finest there is stands in.
    for (int d = needed; d >= 1; d /= 2) {
        if (m_cache.contains(cacheKey(path, d))) {
            if (covers)
                *covers = true;
            return m_cache.find(cacheKey(path, d));
        }
    }
    for (int d : kDenominators) {
        if (m_cache.contains(cacheKey(path, d)))
            return m_cache.find(cacheKey(path, d));
    }
    return {};
}

bool PictureDecoder::covers(const DecodedPicture& picture, QSize box) const
{
    if (picture.isNull())
        return false;
    return picture.denominator <= jpeg::scaleDenominatorFor(
               picture.storedSize, storedTarget(m_shared->drawnSize, picture.storedSize, picture.orientation, box));
}

void PictureDecoder::request(const QString& path, QSize box, Priority priority)
{
    if (path.isEmpty() || priority == Thumbnail)
        return;
    bool covers = false;
    cached(path, box, &covers);
    if (covers)
        return;
    const QString key = boxKey(path, box);
    {
        Shared& sh = *m_shared;
        QMutexLocker lock(&sh.mutex);
        if (sh.closing)
            return;
        if (sh.pending.contains(key)) {
            // Raised, it counts as a new ask of its priority.
            for (Job& job : sh.queue) {
                if (job.key == key && job.priority < priority) {
                    job.priority = priority;
                    job.seq = ++sh.seq;
                }
            }
            return;
        }
        sh.pending.insert(key);
        sh.queue.push_back(Job {path, box, priority, kThumbnailSide, ++sh.seq, key});
    }
    startWorkers();
}

void PictureDecoder::dropQueued(Priority priority)
{
    Shared& sh = *m_shared;
    QMutexLocker lock(&sh.mutex);
    const auto gone = std::remove_if(sh.queue.begin(), sh.queue.end(), [&](const Job& job) {
        if (job.priority != priority)
            return false;
        sh.pending.remove(job.key);
        return true;
    });
    sh.queue.erase(gone, sh.queue.end());
}

QImage PictureDecoder::thumbnail(const QString& path)
{
    return m_thumbnails.find(path).image;
}

void PictureDecoder::setThumbnailSide(int side)
{
    side = std::clamp(side, 1, 8 * kThumbnailSide);
    if (side == m_thumbnailSide)
        return;
    m_thumbnailSide = side;
    m_thumbnails.clear();
    m_noThumbnail.clear();
    dropQueued(Thumbnail);
}

void PictureDecoder::requestThumbnail(const QString& path)
{
    if (path.isEmpty() || m_thumbnails.contains(path) || m_noThumbnail.contains(path))
        return;
    const QString key = thumbnailKey(path, m_thumbnailSide);
    {
        Shared& sh = *m_shared;
        QMutexLocker lock(&sh.mutex);
        if (sh.closing)
            return;
        if (sh.pending.contains(key)) {
            // Asked again: the row is in view again, so it goes first.
            for (Job& job : sh.queue) {
                if (job.key == key)
                    job.seq = ++sh.seq;
            }
            return;
        }
        sh.pending.insert(key);
        sh.queue.push_back(Job {path, QSize(), Thumbnail, m_thumbnailSide, ++sh.seq, key});
        const auto queued
            = std::count_if(sh.queue.begin(), sh.queue.end(), [](const Job& job) { return job.priority == Thumbnail; });
        if (queued > kMaxQueuedThumbnails) {
            auto oldest = sh.queue.end();
            for (auto it = sh.queue.begin(); it != sh.queue.end(); ++it) {
                if (it->priority == Thumbnail && (oldest == sh.queue.end() || it->seq < oldest->seq))
                    oldest = it;
            }
            sh.pending.remove(oldest->key);
            sh.queue.erase(oldest);
        }
    }
    startWorkers();
}

void PictureDecoder::forget(const QString& path)
{
    for (int d : kDenominators)
        m_cache.remove(cacheKey(path, d));
    m_thumbnails.remove(path);
    m_noThumbnail.remove(path);
}

bool PictureDecoder::idle() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->pending.isEmpty();
}

int PictureDecoder::decodesUnderWay() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->decoding;
}

void PictureDecoder::startWorkers()
{
    Shared& sh = *m_shared;
    QMutexLocker lock(&sh.mutex);
    while (!sh.closing && sh.running < m_pool->maxThreadCount() && sh.running < int(sh.queue.size())) {
        ++sh.running;
        m_pool->start([shared = m_shared] { workerLoop(shared); });
    }
}

bool PictureDecoder::takeJob(Shared& sh, Job& job)
{
    QMutexLocker lock(&sh.mutex);
    if (sh.closing || sh.queue.empty()) {
        --sh.running;
        return false;
    }
    // Highest priority first; among thumbnails the newest ask (the rows in
    // view), among pictures the oldest.
    auto best = sh.queue.begin();
    for (auto it = sh.queue.begin() + 1; it != sh.queue.end(); ++it) {
        if (it->priority != best->priority) {
            if (it->priority > best->priority)
                best = it;
        } else if (it->priority == Thumbnail ? it->seq > best->seq : it->seq < best->seq) {
            best = it;
        }
    }
    job = std::move(*best);
    sh.queue.erase(best);
    ++sh.decoding;
    return true;
}

void PictureDecoder::workerLoop(const std::shared_ptr<Shared>& shared)
{
    Job job;
    while (takeJob(*shared, job)) {
        Result result = run(job, shared->drawnSize, &shared->stop);
        ++shared->decodes;
        QMutexLocker lock(&shared->mutex);
        --shared->decoding;
        // Posted under the lock: once the decoder has begun to go, nothing
        // more is posted to it.
        if (PictureDecoder* owner = shared->owner) {
            QMetaObject::invokeMethod(
                owner, [owner, result = std::move(result)] { owner->deliver(result); }, Qt::QueuedConnection);
        }
    }
}

PictureDecoder::Result PictureDecoder::run(const Job& job, const DrawnSize& drawnSize, const std::atomic<bool>* stop)
{
    Result result {job, {}, {}};
    // Only a regular file is opened: a FIFO would hold the worker forever.
    struct stat st
    {
    };
    if (::stat(NativePath(job.path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = QStringLiteral("File not found");
        return result;
    }
    if (job.priority == Thumbnail) {
        result.picture.image = makeThumbnail(job.path, job.side, stop);
        if (result.picture.isNull())
            result.error = QStringLiteral("No thumbnail");
        return result;
    }
    QSize stored;
    if (!jpeg::readSize(job.path, stored, &result.error))
        return result;
    if (stored.isEmpty()) {
        result.error = QStringLiteral("Empty picture");
        return result;
    }
    const int orientation = exif::readPictureInfo(job.path).orientation;
    const int denominator = jpeg::scaleDenominatorFor(stored, storedTarget(drawnSize, stored, orientation, job.box));
    jpeg::DecodeLimits limits;
    limits.stop = stop;
    jpeg::Decoded decoded = jpeg::decode(job.path, denominator, limits);
    if (decoded.image.isNull()) {
        result.error = decoded.error.isEmpty() ? QStringLiteral("Decode failed") : decoded.error;
        return result;
    }
    if (decoded.trueSize != stored) {
        // Replaced by another picture between the two reads.
        result.error = QStringLiteral("The file changed while it was read");
        return result;
    }
    result.picture.image = exif::toUpright(decoded.image, orientation);
    result.picture.storedSize = stored;
    result.picture.orientation = orientation;
    result.picture.denominator = decoded.denominator;
    return result;
}

void PictureDecoder::deliver(const Result& result)
{
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->pending.remove(result.job.key);
    }
    const QString& path = result.job.path;
    if (result.job.priority == Thumbnail) {
        // Made for a former side (the window moved to another screen).
        if (result.job.side != m_thumbnailSide)
            return;
        if (result.picture.isNull()) {
            m_noThumbnail.insert(path);
        } else {
            m_thumbnails.insert(path, result.picture);
            ++m_thumbnailsMade;
        }
        emit thumbnailReady(path);
        return;
    }
    if (result.picture.isNull()) {
        emit pictureFailed(path, result.error);
        return;
    }
    m_cache.insert(cacheKey(path, result.picture.denominator), result.picture);
    emit pictureReady(path, result.picture);
}

QImage PictureDecoder::makeThumbnail(const QString& path, int side, const std::atomic<bool>* stop)
{
    const exif::PictureInfo info = exif::readPictureInfo(path);
    QImage image;
    if (!info.thumbnail.isEmpty()) {
        image = QImage::fromData(info.thumbnail, "JPEG");
        // A thumbnail that lies about the picture's shape (left behind by an
        // editor that turned or cut the picture) is not used.
        QSize stored;
        if (!image.isNull()
            && (!jpeg::readSize(path, stored)
                || (stored.width() > stored.height()) != (image.width() > image.height())))
            image = QImage();
    }
    if (image.isNull()) {
        jpeg::DecodeLimits limits;
        limits.stop = stop;
        image = jpeg::decode(path, 8, limits).image;
    }
    if (image.isNull())
        return {};
    image = exif::toUpright(image, info.orientation);
    if (image.width() > side || image.height() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace pelmar
