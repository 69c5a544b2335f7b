#include "platform/PictureOrientation.h"

#include "core/NativePath.h"

#include <QFile>
#include <QTransform>

#include <libexif/exif-data.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar::exif {

namespace {

// The EXIF block lives in an APP1 segment near the start of the file: after
// at most a JFIF header and a few other segments of at most 64 KB each.
constexpr qint64 kHeadBytes = 256 * 1024;

struct DataUnref
{
    void operator()(ExifData* d) const { exif_data_unref(d); }
};

} // namespace

PictureInfo pictureInfoFromBytes(const QByteArray& head)
{
    PictureInfo info;
    if (head.size() < 4)
        return info;
    std::unique_ptr<ExifData, DataUnref> data(exif_data_new());
    if (!data)
        return info;
    // Read what is stored; libexif would otherwise add the entries it deems
    // mandatory, with defaults of its own.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(head.constData()),
                        static_cast<unsigned int>(head.size()));

    // The picture's own orientation is in the first directory; the one in
    // the thumbnail's directory describes the thumbnail.
    if (ExifContent* ifd0 = data->ifd[EXIF_IFD_0]) {
        ExifEntry* e = exif_content_get_entry(ifd0, EXIF_TAG_ORIENTATION);
        if (e && e->format == EXIF_FORMAT_SHORT && e->components >= 1 && e->data && e->size >= 2) {
            const int value = exif_get_short(e->data, exif_data_get_byte_order(data.get()));
            if (value >= 1 && value <= 8)
                info.orientation = value;
        }
    }
    if (data->data && data->size > 0)
        info.thumbnail = QByteArray(reinterpret_cast<const char*>(data->data), qsizetype(data->size));
    return info;
}

PictureInfo readPictureInfo(const QString& path)
{
    // Opened without waiting: a FIFO put in a picture's place must not hold
    // a worker (and the program's end) forever. Only a regular file is read.
    const int fd = ::open(NativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat st = {};
    QByteArray head;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        head.resize(qsizetype(std::min<qint64>(kHeadBytes, st.st_size)));
        qsizetype got = 0;
        while (got < head.size()) {
            const ssize_t n = ::read(fd, head.data() + got, size_t(head.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        head.truncate(got);
    }
    ::close(fd);
    return pictureInfoFromBytes(head);
}

bool swapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

QSize uprightSize(QSize stored, int orientation)
{
    return swapsSides(orientation) ? stored.transposed() : stored;
}

QImage toUpright(const QImage& stored, int orientation)
{
    if (stored.isNull())
        return stored;
    // A quarter turn clockwise in Qt's coordinates (y grows downward).
    const QTransform quarter = QTransform().rotate(90);
    switch (orientation) {
    case 2:
        return stored.mirrored(true, false);
    case 3:
        return stored.mirrored(true, true);
    case 4:
        return stored.mirrored(false, true);
    case 5: // transposed: the first stored row is the left column
        return stored.transformed(quarter).mirrored(true, false);
    case 6: // turned a quarter clockwise
        return stored.transformed(quarter);
    case 7: // the first stored row is the right column, read upward
        return stored.transformed(quarter).mirrored(false, true);
    case 8: // turned a quarter counter-clockwise
        return stored.transformed(QTransform().rotate(-90));
    default:
        return stored;
    }
}

} // namespace pelmar::exif
