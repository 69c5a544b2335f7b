#pragma once

#include "platform/PictureCache.h"

#include <QMutex>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace pelmar {

// Decodes JPEG pictures for showing on worker threads, so the window's
// thread never waits for a decode. Results go into a cache bounded in bytes
// and are announced on the thread that owns the decoder. The pictures come
// out upright (EXIF orientation applied); their stored size stays known.
class PictureDecoder : public QObject
{
    Q_OBJECT
public:
    // What a worker takes first: the picture shown now, then the ones next
    // to it in the list, then thumbnails.
    enum Priority {
        Thumbnail = 0,
        Ahead = 1,
        Shown = 2,
    };

    // The size at which a picture of the given upright size is drawn into a
    // box of the given size; the decode scale is the smallest that covers it.
    using DrawnSize = std::function<QSize(QSize upright, QSize box)>;

    static constexpr qint64 kDefaultCacheBytes = qint64(64) * 1024 * 1024;
    static constexpr qint64 kThumbnailCacheBytes = qint64(32) * 1024 * 1024;
    // The longer side of a thumbnail.
    static constexpr int kThumbnailSide = 64;
    // Thumbnails asked for but not started beyond this count: the oldest
    // asks (rows long scrolled past) are dropped.
    static constexpr int kMaxQueuedThumbnails = 256;

    // How long the destructor waits for the decodes under way.
    static constexpr int kStopWaitMs = 1000;

    // threads 0: as many as suit the machine.
    explicit PictureDecoder(DrawnSize drawnSize, QObject* parent = nullptr, qint64 cacheBytes = kDefaultCacheBytes,
                            int threads = 0);
    // Drops what is queued and stops the decodes under way (they look at a
    // stop flag between every row of blocks), waiting for them at most
    // kStopWaitMs: the program's exit never waits for a picture. Their
    // results are never delivered.
    ~PictureDecoder() override;

    // The cached picture of path: the coarsest one that covers box when
    // there is one (*covers true), otherwise the finest there is (*covers
    // false); null when nothing of path is cached. Never touches the file.
    DecodedPicture cached(const QString& path, QSize box, bool* covers = nullptr);
    // Queues a decode of path that covers box, unless one is cached, queued
    // or under way. A queued ask of lower priority is raised.
    void request(const QString& path, QSize box, Priority priority);
    // Forgets the asks of this priority that no worker has started.
    void dropQueued(Priority priority);
    // Whether the picture, drawn into a box of this size, needs no finer
    // decode.
    bool covers(const DecodedPicture& picture, QSize box) const;

    // The longer side of the thumbnails made from now on, in device pixels
    // (kThumbnailSide times the screen's device pixel ratio). A change
    // forgets the thumbnails made for the former side.
    void setThumbnailSide(int side);
    int thumbnailSide() const { return m_thumbnailSide; }

    // The thumbnail of path (at most thumbnailSide() on its longer side,
    // upright), null when it is not made yet or cannot be made.
    QImage thumbnail(const QString& path);
    bool thumbnailFailed(const QString& path) const { return m_noThumbnail.contains(path); }
    // Queues a thumbnail: the newest ask first, so the rows in view come
    // before the ones scrolled past.
    void requestThumbnail(const QString& path);

    // Forgets everything decoded of path (the file changed or went).
    void forget(const QString& path);

    // For tests and benchmarks.
    const PictureCache& cache() const { return m_cache; }
    int decodesRun() const { return m_shared->decodes.load(); }
    // Decodes a worker has taken and not yet finished.
    int decodesUnderWay() const;
    int thumbnailsMade() const { return m_thumbnailsMade; }
    bool idle() const;
    // Blocks until the workers have nothing left to do; their results stay
    // posted until the event loop runs (tests use it to order events).
    void waitForWorkers() { m_pool->waitForDone(); }
    int threadCount() const { return m_pool->maxThreadCount(); }

    // The thumbnail of a file, made on the calling thread: the EXIF
    // thumbnail when the file has one, else a 1/8-scale decode. Null when
    // neither can be had.
    static QImage makeThumbnail(const QString& path, int side = kThumbnailSide,
                                const std::atomic<bool>* stop = nullptr);

signals:
    // A decode of path ended: its picture is in the cache (unless larger
    // than the whole cache), or it failed.
    void pictureReady(const QString& path, const pelmar::DecodedPicture& picture);
    void pictureFailed(const QString& path, const QString& error);
    void thumbnailReady(const QString& path);

private:
    struct Job
    {
        QString path;
        QSize box;
        Priority priority = Shown;
        int side = kThumbnailSide; // of a thumbnail
        quint64 seq = 0;
        QString key;
    };
    struct Result
    {
        Job job;
        DecodedPicture picture;
        QString error;
    };

    // What the workers use. They hold it themselves, so a worker that
    // outlives the decoder (stuck in a read when the program ends) touches
    // nothing that is gone.
    struct Shared
    {
        DrawnSize drawnSize;
        PictureDecoder* owner = nullptr; // results go here while !closing
        // Under mutex.
        mutable QMutex mutex;
        std::vector<Job> queue;
        QSet<QString> pending; // keys queued or under way
        int running = 0; // workers started
        int decoding = 0; // jobs taken and not finished
        bool closing = false;
        quint64 seq = 0;

        std::atomic<bool> stop {false};
        std::atomic<int> decodes {0};
    };

    static QString cacheKey(const QString& path, int denominator);
    static Result run(const Job& job, const DrawnSize& drawnSize, const std::atomic<bool>* stop);
    static void workerLoop(const std::shared_ptr<Shared>& shared);
    static bool takeJob(Shared& shared, Job& job);
    void startWorkers();
    void deliver(const Result& result);

    PictureCache m_cache;
    PictureCache m_thumbnails;
    QSet<QString> m_noThumbnail;
    int m_thumbnailSide = kThumbnailSide;
    int m_thumbnailsMade = 0;

    std::shared_ptr<Shared> m_shared;
    // Deleted once its workers are done; left to them when they are not
    // done in time.
    QThreadPool* m_pool = nullptr;
};

} // namespace pelmar
