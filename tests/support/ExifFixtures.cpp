#include "tests/support/ExifFixtures.h"

#include <QBuffer>
#include <QPainter>

#include <libexif/exif-data.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace pelmar::test {

QByteArray exifBlock(int orientation, const QByteArray& thumbnail, bool bigEndian)
{
    ExifData* data = exif_data_new();
    if (!data)
        throw std::runtime_error("exif_data_new");
    // Written as asked, not as libexif would correct it.
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_data_type(data, EXIF_DATA_TYPE_COMPRESSED);
    const ExifByteOrder order = bigEndian ? EXIF_BYTE_ORDER_MOTOROLA : EXIF_BYTE_ORDER_INTEL;
    exif_data_set_byte_order(data, order);
    if (orientation >= 0) {
        ExifEntry* entry = exif_entry_new();
        exif_content_add_entry(data->ifd[EXIF_IFD_0], entry);
        exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
        exif_set_short(entry->data, order, ExifShort(orientation));
        exif_entry_unref(entry);
    }
    if (!thumbnail.isEmpty()) {
        // libexif frees it with the default allocator, which is malloc's.
        data->data = static_cast<unsigned char*>(std::malloc(size_t(thumbnail.size())));
        std::memcpy(data->data, thumbnail.constData(), size_t(thumbnail.size()));
        data->size = unsigned(thumbnail.size());
    }
    unsigned char* buffer = nullptr;
    unsigned int length = 0;
    exif_data_save_data(data, &buffer, &length);
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(length));
    std::free(buffer);
    exif_data_unref(data);
    if (out.isEmpty())
        throw std::runtime_error("exif_data_save_data wrote nothing");
    return out;
}

QByteArray withApp1(const QByteArray& jpeg, const QByteArray& payload)
{
    const int length = int(payload.size()) + 2;
    if (length > 0xFFFF)
        throw std::runtime_error("APP1 payload too long");
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray encodeJpeg(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", 95))
        throw std::runtime_error("cannot encode JPEG");
    return bytes;
}

QImage quarters(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    const int hw = width / 2, hh = height / 2;
    p.fillRect(0, 0, hw, hh, kQuarterColours[0]);
    p.fillRect(hw, 0, width - hw, hh, kQuarterColours[1]);
    p.fillRect(0, hh, hw, height - hh, kQuarterColours[2]);
    p.fillRect(hw, hh, width - hw, height - hh, kQuarterColours[3]);
    return image;
}

QImage storedFor(const QImage& upright, int orientation)
{
    // For each orientation: the upright edge that the stored first row
    // runs along, and the one the stored first column runs along.
    enum Edge { Top, Bottom, Left, Right };
    struct Rule
    {
        Edge row, column;
    };
    static const Rule rules[9] = {{Top, Left}, {Top, Left},  {Top, Right},    {Bottom, Right}, {Bottom, Left},
                                  {Left, Top}, {Right, Top}, {Right, Bottom}, {Left, Bottom}};
    const Rule rule = rules[orientation >= 1 && orientation <= 8 ? orientation : 1];
    const int w = upright.width(), h = upright.height();
    const bool rowsAreColumns = rule.row == Left || rule.row == Right;
    QImage stored(rowsAreColumns ? h : w, rowsAreColumns ? w : h, QImage::Format_RGB32);
    for (int r = 0; r < stored.height(); ++r) {
        for (int c = 0; c < stored.width(); ++c) {
            // Stored row r is the r-th line in from its edge; stored column c
            // the c-th in from its edge.
            int x = 0, y = 0;
            switch (rule.row) {
            case Top:
                y = r;
                break;
            case Bottom:
                y = h - 1 - r;
                break;
            case Left:
                x = r;
                break;
            case Right:
                x = w - 1 - r;
                break;
            }
            switch (rule.column) {
            case Top:
                y = c;
                break;
            case Bottom:
                y = h - 1 - c;
                break;
            case Left:
                x = c;
                break;
            case Right:
                x = w - 1 - c;
                break;
            }
            stored.setPixel(c, r, upright.pixel(x, y));
        }
    }
    return stored;
}

int quarterAt(const QImage& image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < 4; ++i) {
        const QColor& q = kQuarterColours[i];
        const int d = std::abs(c.red() - q.red()) + std::abs(c.green() - q.green()) + std::abs(c.blue() - q.blue());
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

} // namespace pelmar::test
