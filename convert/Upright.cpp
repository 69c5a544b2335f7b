#include "convert/Upright.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include <libexif/exif-data.h>

namespace pelmar::convert {

namespace {

struct ExifUnref
{
    void operator()(ExifData* d) const { exif_data_unref(d); }
};
using Exif = std::unique_ptr<ExifData, ExifUnref>;

// JPEG's APP1 can hold 65,533 bytes after its length.
constexpr std::size_t kMaxApp1 = 65533;

Exif load(const std::vector<std::uint8_t>& exif)
{
    if (exif.size() < 8 || exif.size() > (4u << 20))
        return nullptr;
    std::vector<std::uint8_t> framed {'E', 'x', 'i', 'f', 0, 0};
    framed.insert(framed.end(), exif.begin(), exif.end());
    Exif data(exif_data_new());
    if (!data)
        return nullptr;
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_load_data(data.get(), framed.data(), unsigned(framed.size()));
    if (!data->ifd[EXIF_IFD_0] || data->ifd[EXIF_IFD_0]->count == 0)
        return nullptr;
    return data;
}

void setNumber(ExifData* data, ExifIfd ifd, ExifTag tag, std::uint32_t value)
{
    ExifEntry* e = exif_content_get_entry(data->ifd[ifd], tag);
    if (!e || !e->data || e->components != 1)
        return;
    const ExifByteOrder order = exif_data_get_byte_order(data);
    if (e->format == EXIF_FORMAT_SHORT && e->size >= 2 && value <= 0xffff)
        exif_set_short(e->data, order, ExifShort(value));
    else if (e->format == EXIF_FORMAT_LONG && e->size >= 4)
        exif_set_long(e->data, order, value);
}

// The Orientation becomes one SHORT of 1. One of another form (several
// values, another type) is written anew: exifOrientation reads its first
// value all the same, and so would a viewer, turning the upright pixels again.
void setUpright(ExifData* data)
{
    ExifContent* ifd0 = data->ifd[EXIF_IFD_0];
    ExifEntry* e = exif_content_get_entry(ifd0, EXIF_TAG_ORIENTATION);
    if (!e)
        return;
    if (e->data && e->format == EXIF_FORMAT_SHORT && e->components == 1 && e->size >= 2) {
        exif_set_short(e->data, exif_data_get_byte_order(data), 1);
        return;
    }
    while ((e = exif_content_get_entry(ifd0, EXIF_TAG_ORIENTATION)))
        exif_content_remove_entry(ifd0, e);
    ExifEntry* fresh = exif_entry_new();
    if (!fresh)
        return;
    exif_content_add_entry(ifd0, fresh);
    exif_entry_initialize(fresh, EXIF_TAG_ORIENTATION);
    if (fresh->data && fresh->size >= 2)
        exif_set_short(fresh->data, exif_data_get_byte_order(data), 1);
    exif_entry_unref(fresh);
}

} // namespace

int exifOrientation(const std::vector<std::uint8_t>& exif)
{
    const Exif data = load(exif);
    if (!data)
        return 1;
    ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!e || !e->data || e->format != EXIF_FORMAT_SHORT || e->size < 2)
        return 1;
    const int o = exif_get_short(e->data, exif_data_get_byte_order(data.get()));
    return o >= 1 && o <= 8 ? o : 1;
}

void turnUpright(Picture& picture, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return;
    const int w = picture.width, h = picture.height;
    const bool swap = orientation >= 5;
    const int ow = swap ? h : w, oh = swap ? w : h;
    const std::size_t px = std::size_t(picture.channels) * picture.sampleBytes();
    std::vector<std::uint8_t> out(picture.pixels.size());
    for (int y = 0; y < oh; ++y) {
        std::uint8_t* dst = out.data() + std::size_t(y) * std::size_t(ow) * px;
        for (int x = 0; x < ow; ++x, dst += px) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2:
                sx = w - 1 - x;
                break;
            case 3:
                sx = w - 1 - x;
                sy = h - 1 - y;
                break;
            case 4:
                sy = h - 1 - y;
                break;
            case 5:
                sx = y;
                sy = x;
                break;
            case 6:
                sx = y;
                sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y;
                sy = h - 1 - x;
                break;
            case 8:
                sx = w - 1 - y;
                sy = x;
                break;
            }
            std::memcpy(dst, picture.pixels.data() + (std::size_t(sy) * std::size_t(w) + std::size_t(sx)) * px, px);
        }
    }
    picture.pixels.swap(out);
    picture.width = ow;
    picture.height = oh;
}

std::vector<std::uint8_t> exifForJpeg(const std::vector<std::uint8_t>& exif, int width, int height)
{
    const Exif data = load(exif);
    if (!data)
        return {};
    setUpright(data.get());
    setNumber(data.get(), EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, std::uint32_t(width));
    setNumber(data.get(), EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, std::uint32_t(height));
    // The thumbnail shows the picture as it was stored, not as it is now.
    if (data->data) {
        // exif_data_new() allocates with the C heap.
        std::free(data->data);
        data->data = nullptr;
        data->size = 0;
    }
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data.get(), &bytes, &size);
    std::unique_ptr<unsigned char, decltype(&std::free)> own(bytes, &std::free);
    if (!bytes || size == 0 || size > kMaxApp1)
        return {};
    return {bytes, bytes + size};
}

} // namespace pelmar::convert
