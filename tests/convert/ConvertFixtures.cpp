#include "tests/convert/ConvertFixtures.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <lcms2.h>
#include <libexif/exif-data.h>
#include <libheif/heif.h>
#include <png.h>
#include <webp/encode.h>

namespace pelmar::test {

namespace {

std::vector<std::uint8_t> saveProfile(cmsHPROFILE p)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(p, nullptr, &size);
    std::vector<std::uint8_t> out(size);
    cmsSaveProfileToMem(p, out.data(), &size);
    cmsCloseProfile(p);
    return out;
}

std::vector<std::uint8_t> rgbProfile(const cmsCIExyYTRIPLE& primaries, cmsToneCurve* curve)
{
    const cmsCIExyY d65 {0.3127, 0.3290, 1.0};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    auto out = saveProfile(cmsCreateRGBProfile(&d65, &primaries, curves));
    cmsFreeToneCurve(curve);
    return out;
}

void addText(ExifData* data, ExifIfd ifd, ExifTag tag, const char* text)
{
    ExifEntry* e = exif_entry_new();
    const std::size_t n = std::strlen(text) + 1;
    e->data = static_cast<unsigned char*>(std::malloc(n));
    std::memcpy(e->data, text, n);
    e->size = unsigned(n);
    e->components = n;
    e->format = EXIF_FORMAT_ASCII;
    e->tag = tag;
    exif_content_add_entry(data->ifd[ifd], e);
    exif_entry_unref(e);
}

void check(heif_error e)
{
    if (e.code != heif_error_Ok)
        throw std::runtime_error(e.message);
}

} // namespace

std::vector<std::uint8_t> displayP3Profile()
{
    const double srgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return rgbProfile({{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}},
                      cmsBuildParametricToneCurve(nullptr, 4, srgb));
}

std::vector<std::uint8_t> adobeRgbProfile()
{
    return rgbProfile({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}, cmsBuildGamma(nullptr, 563.0 / 256));
}

Rgb lcmsToSrgb(const std::vector<std::uint8_t>& profile, const std::array<int, 3>& colour, bool sixteen)
{
    cmsHPROFILE in = cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size()));
    cmsHPROFILE out = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t = cmsCreateTransform(in, sixteen ? TYPE_RGB_16 : TYPE_RGB_8, out, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    std::uint8_t result[3] {};
    if (sixteen) {
        const std::uint16_t px[3] = {std::uint16_t(colour[0]), std::uint16_t(colour[1]), std::uint16_t(colour[2])};
        cmsDoTransform(t, px, result, 1);
    } else {
        const std::uint8_t px[3] = {std::uint8_t(colour[0]), std::uint8_t(colour[1]), std::uint8_t(colour[2])};
        cmsDoTransform(t, px, result, 1);
    }
    cmsDeleteTransform(t);
    cmsCloseProfile(in);
    cmsCloseProfile(out);
    return {result[0], result[1], result[2]};
}

std::vector<std::uint8_t> exifWith(int orientation, const char* date, const char* model)
{
    ExifData* data = exif_data_new();
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    ExifEntry* e = exif_entry_new();
    exif_content_add_entry(data->ifd[EXIF_IFD_0], e);
    exif_entry_initialize(e, EXIF_TAG_ORIENTATION);
    exif_set_short(e->data, EXIF_BYTE_ORDER_INTEL, ExifShort(orientation));
    exif_entry_unref(e);
    addText(data, EXIF_IFD_0, EXIF_TAG_MODEL, model);
    addText(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, date);
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    exif_data_unref(data);
    // Past "Exif\0\0": HEIF, PNG and WebP keep the TIFF data alone.
    std::vector<std::uint8_t> out(bytes + 6, bytes + size);
    std::free(bytes);
    return out;
}

std::vector<std::uint8_t> Quarters::pixels() const
{
    const int channels = alpha ? 4 : 3;
    const int sample = sixteen ? 2 : 1;
    std::vector<std::uint8_t> out(std::size_t(width) * height * channels * sample);
    std::uint8_t* p = out.data();
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto& c = colours[std::size_t((y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0))];
            for (int i = 0; i < channels; ++i) {
                noise = noise * 1664525u + 1013904223u;
                const int g = grain ? int(noise >> 24) % (2 * grain + 1) - grain : 0, top = sixteen ? 65535 : 255;
                *p++ = std::uint8_t(std::clamp(c[std::size_t(i)] + g, 0, top) & 0xff);
                if (sixteen)
                    *p++ = std::uint8_t(c[std::size_t(i)] >> 8);
            }
        }
    return out;
}

QByteArray makeHeic(const Quarters& q, const std::vector<std::uint8_t>& icc, int orientation,
                    const std::vector<std::uint8_t>& exif)
{
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    check(heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder));
    heif_encoder_set_lossless(encoder, 1);
    heif_encoder_set_parameter_string(encoder, "chroma", "444");
    heif_image* image = nullptr;
    check(heif_image_create(q.width, q.height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image));
    check(heif_image_add_plane(image, heif_channel_interleaved, q.width, q.height, 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const std::vector<std::uint8_t> px = q.pixels();
    for (int y = 0; y < q.height; ++y)
        std::memcpy(plane + y * stride, px.data() + std::size_t(y) * q.width * 3, std::size_t(q.width) * 3);
    if (!icc.empty())
        check(heif_image_set_raw_color_profile(image, "prof", icc.data(), icc.size()));
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation(orientation);
    heif_image_handle* handle = nullptr;
    check(heif_context_encode_image(ctx, image, encoder, options, &handle));
    if (!exif.empty())
        check(heif_context_add_exif_metadata(ctx, handle, exif.data(), int(exif.size())));
    heif_encoding_options_free(options);
    heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    QByteArray out;
    heif_writer writer {1, [](heif_context*, const void* data, size_t size, void* userdata) {
                            static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
                            return heif_error {heif_error_Ok, heif_suberror_Unspecified, ""};
                        }};
    check(heif_context_write(ctx, &writer, &out));
    heif_context_free(ctx);
    return out;
}

QByteArray makePng(const Quarters& q, const std::vector<std::uint8_t>& icc, const std::vector<std::uint8_t>& exif)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    QByteArray out;
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t n) {
            static_cast<QByteArray*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), qsizetype(n));
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(q.width), png_uint_32(q.height), q.sixteen ? 16 : 8,
                 q.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!icc.empty())
        png_set_iCCP(png, info, "icc", PNG_COMPRESSION_TYPE_BASE, icc.data(), png_uint_32(icc.size()));
    if (!exif.empty())
        png_set_eXIf_1(png, info, png_uint_32(exif.size()), const_cast<png_bytep>(exif.data()));
    png_write_info(png, info);
    if (q.sixteen)
        png_set_swap(png);
    std::vector<std::uint8_t> px = q.pixels();
    const std::size_t row = px.size() / std::size_t(q.height);
    for (int y = 0; y < q.height; ++y)
        png_write_row(png, px.data() + std::size_t(y) * row);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

QByteArray makeWebp(const Quarters& q)
{
    const std::vector<std::uint8_t> px = q.pixels();
    std::uint8_t* bytes = nullptr;
    const std::size_t size = WebPEncodeLosslessRGB(px.data(), q.width, q.height, q.width * 3, &bytes);
    QByteArray out(reinterpret_cast<const char*>(bytes), qsizetype(size));
    WebPFree(bytes);
    return out;
}

} // namespace pelmar::test
