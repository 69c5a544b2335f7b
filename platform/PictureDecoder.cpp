#include "platform/PictureDecoder.h"

#include "platform/JpegDecode.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QThread>

#include <algorithm>

namespace pelmar {

namespace {

constexpr int kDenominators[] = {1, 2, 4, 8};

QString boxKey(const QString& path, QSize box)
{
    return QStringLiteral("%1x%2:").arg(box.width()).arg(box.height()) + path;
}

QString thumbnailKey(const QString& path)
{
    return QStringLiteral("t:") + path;
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
    , m_drawnSize(std::move(drawnSize))
    , m_cache(cacheBytes)
    , m_thumbnails(kThumbnailCacheBytes)
{
    if (!m_drawnSize)
        m_drawnSize = [](QSize upright, QSize box) { return upright.scaled(box, Qt::KeepAspectRatio); };
    // Two workers even on a small machine: one can read ahead while the
    // other decodes what is shown. More than four only fight over the disk.
    m_pool.setMaxThreadCount(threads > 0 ? threads : std::clamp(QThread::idealThreadCount(), 2, 4));
    m_pool.setExpiryTimeout(5000);
}

PictureDecoder::~PictureDecoder()
{
    {
        QMutexLocker lock(&m_mutex);
        m_closing = true;
        m_queue.clear();
    }
    // The decodes under way finish; their posted results die with this
    // object, unread.
    m_pool.waitForDone();
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
    const int needed
        = jpeg::scaleDenominatorFor(any->storedSize, storedTarget(m_drawnSize, any->storedSize, any->orientation, box));
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
               picture.storedSize, storedTarget(m_drawnSize, picture.storedSize, picture.orientation, box));
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
        QMutexLocker lock(&m_mutex);
        if (m_closing)
            return;
        if (m_pending.contains(key)) {
            // Raised, it counts as a new ask of its priority.
            for (Job& job : m_queue) {
                if (job.key == key && job.priority < priority) {
                    job.priority = priority;
                    job.seq = ++m_seq;
                }
            }
            return;
        }
        m_pending.insert(key);
        m_queue.push_back(Job {path, box, priority, ++m_seq, key});
    }
    startWorkers();
}

void PictureDecoder::dropQueued(Priority priority)
{
    QMutexLocker lock(&m_mutex);
    const auto gone = std::remove_if(m_queue.begin(), m_queue.end(), [&](const Job& job) {
        if (job.priority != priority)
            return false;
        m_pending.remove(job.key);
        return true;
    });
    m_queue.erase(gone, m_queue.end());
}

QImage PictureDecoder::thumbnail(const QString& path)
{
    return m_thumbnails.find(path).image;
}

void PictureDecoder::requestThumbnail(const QString& path)
{
    if (path.isEmpty() || m_thumbnails.contains(path) || m_noThumbnail.contains(path))
        return;
    const QString key = thumbnailKey(path);
    {
        QMutexLocker lock(&m_mutex);
        if (m_closing)
            return;
        if (m_pending.contains(key)) {
            // Asked again: the row is in view again, so it goes first.
            for (Job& job : m_queue) {
                if (job.key == key)
                    job.seq = ++m_seq;
            }
            return;
        }
        m_pending.insert(key);
        m_queue.push_back(Job {path, QSize(), Thumbnail, ++m_seq, key});
        const auto queued
            = std::count_if(m_queue.begin(), m_queue.end(), [](const Job& job) { return job.priority == Thumbnail; });
        if (queued > kMaxQueuedThumbnails) {
            auto oldest = m_queue.end();
            for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
                if (it->priority == Thumbnail && (oldest == m_queue.end() || it->seq < oldest->seq))
                    oldest = it;
            }
            m_pending.remove(oldest->key);
            m_queue.erase(oldest);
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
    QMutexLocker lock(&m_mutex);
    return m_pending.isEmpty();
}

void PictureDecoder::startWorkers()
{
    QMutexLocker lock(&m_mutex);
    while (!m_closing && m_running < m_pool.maxThreadCount() && m_running < int(m_queue.size())) {
        ++m_running;
        m_pool.start([this] { workerLoop(); });
    }
}

bool PictureDecoder::takeJob(Job& job)
{
    QMutexLocker lock(&m_mutex);
    if (m_closing || m_queue.empty()) {
        --m_running;
        return false;
    }
    // Highest priority first; among thumbnails the newest ask (the rows in
    // view), among pictures the oldest.
    auto best = m_queue.begin();
    for (auto it = m_queue.begin() + 1; it != m_queue.end(); ++it) {
        if (it->priority != best->priority) {
            if (it->priority > best->priority)
                best = it;
        } else if (it->priority == Thumbnail ? it->seq > best->seq : it->seq < best->seq) {
            best = it;
        }
    }
    job = std::move(*best);
    m_queue.erase(best);
    return true;
}

void PictureDecoder::workerLoop()
{
    Job job;
    while (takeJob(job)) {
        Result result = run(job, m_drawnSize);
        ++m_decodes;
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)] { deliver(result); }, Qt::QueuedConnection);
    }
}

PictureDecoder::Result PictureDecoder::run(const Job& job, const DrawnSize& drawnSize)
{
    Result result {job, {}, {}};
    // Only a regular file is opened: a FIFO would hold the worker forever.
    if (!QFileInfo(job.path).isFile()) {
        result.error = QStringLiteral("File not found");
        return result;
    }
    if (job.priority == Thumbnail) {
        result.picture.image = makeThumbnail(job.path);
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
    jpeg::Decoded decoded = jpeg::decode(job.path, denominator);
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
        QMutexLocker lock(&m_mutex);
        m_pending.remove(result.job.key);
    }
    const QString& path = result.job.path;
    if (result.job.priority == Thumbnail) {
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

QImage PictureDecoder::makeThumbnail(const QString& path, int side)
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
    if (image.isNull())
        image = jpeg::decode(path, 8).image;
    if (image.isNull())
        return {};
    image = exif::toUpright(image, info.orientation);
    if (image.width() > side || image.height() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace pelmar
