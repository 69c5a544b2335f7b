#include "convert/PictureDecode.h"

#include <bit>
#include <cstring>
#include <memory>

#include <libheif/heif.h>
#include <png.h>
#include <webp/decode.h>
#include <webp/demux.h>

namespace pelmar::convert {

void checkSize(std::int64_t width, std::int64_t height, const PictureLimits& limits)
{
    if (width <= 0 || height <= 0)
        throw ConvertError("A kép mérete hibás (" + std::to_string(width) + " x " + std::to_string(height)
                           + " képpont).");
    if (width > limits.maxSide || height > limits.maxSide || width * height > limits.maxPixels)
        throw ConvertError("A kép túl nagy: " + std::to_string(width) + " x " + std::to_string(height)
                           + " képpont (legfeljebb " + std::to_string(limits.maxSide) + " képpont oldalanként és "
                           + std::to_string(limits.maxPixels / 1'000'000) + " megapixel).");
}

PictureKind kindOf(const std::vector<std::uint8_t>& data)
{
    auto at = [&](std::size_t offset, const char* magic) {
        const std::size_t n = std::strlen(magic);
        return data.size() >= offset + n && std::memcmp(data.data() + offset, magic, n) == 0;
    };
    if (at(4, "ftyp"))
        return PictureKind::Heif;
    if (at(0, "\x89PNG\r\n\x1a\n"))
        return PictureKind::Png;
    if (at(0, "RIFF") && at(8, "WEBP"))
        return PictureKind::Webp;
    return PictureKind::Unknown;
}

namespace {

// ---------------------------------------------------------------------------
// HEIF, HEIC, AVIF

void heifCheck(heif_error e, const char* what)
{
    if (e.code != heif_error_Ok)
        throw ConvertError(std::string(what) + ": " + (e.message ? e.message : "ismeretlen hiba") + ".");
}

struct HeifFree
{
    void operator()(heif_context* c) const { heif_context_free(c); }
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
    void operator()(heif_image* i) const { heif_image_release(i); }
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};
template <class T> using HeifPtr = std::unique_ptr<T, HeifFree>;

ColourDescription descriptionOf(const heif_color_profile_nclx& n)
{
    ColourDescription d;
    d.primaries = int(n.color_primaries);
    d.transfer = int(n.transfer_characteristics);
    d.red[0] = n.color_primary_red_x;
    d.red[1] = n.color_primary_red_y;
    d.green[0] = n.color_primary_green_x;
    d.green[1] = n.color_primary_green_y;
    d.blue[0] = n.color_primary_blue_x;
    d.blue[1] = n.color_primary_blue_y;
    d.white[0] = n.color_primary_white_x;
    d.white[1] = n.color_primary_white_y;
    return d;
}

std::vector<std::uint8_t> heifExif(heif_image_handle* handle)
{
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1)
        return {};
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size < 4 || size > (4u << 20))
        return {};
    std::vector<std::uint8_t> block(size);
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return {};
    // The block starts with the offset of the TIFF header after these four
    // bytes (usually 6, past "Exif\0\0").
    const std::uint32_t offset
        = (std::uint32_t(block[0]) << 24) | (std::uint32_t(block[1]) << 16) | (std::uint32_t(block[2]) << 8) | block[3];
    if (offset > size - 4)
        return {};
    return {block.begin() + 4 + offset, block.end()};
}

Picture decodeHeif(const std::vector<std::uint8_t>& data, const PictureLimits& limits)
{
    const char* damaged = "A HEIF-kép sérült vagy nem olvasható";
    HeifPtr<heif_context> ctx(heif_context_alloc());
    if (!ctx)
        throw std::bad_alloc();
    heif_context_set_maximum_image_size_limit(ctx.get(), limits.maxSide);
    heifCheck(heif_context_read_from_memory_without_copy(ctx.get(), data.data(), data.size(), nullptr), damaged);
    heif_image_handle* rawHandle = nullptr;
    heifCheck(heif_context_get_primary_image_handle(ctx.get(), &rawHandle), damaged);
    HeifPtr<heif_image_handle> handle(rawHandle);
    checkSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()), limits);

    Picture pic;
    pic.exifTurns = false;
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
    const int bits = heif_image_handle_get_luma_bits_per_pixel(handle.get());
    pic.sixteen = bits > 8;
    pic.channels = alpha ? 4 : 3;
    const heif_chroma chroma = pic.sixteen
        ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
        : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle.get());
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle.get());
        if (size > 0 && size <= (16u << 20)) {
            pic.icc.resize(size);
            if (heif_image_handle_get_raw_color_profile(handle.get(), pic.icc.data()).code != heif_error_Ok)
                pic.icc.clear();
        }
    }
    // libheif hands the description over even when it refuses one of its
    // code points (and says so by the error): it is ours to free either way.
    heif_color_profile_nclx* nclx = nullptr;
    const heif_error described = heif_image_handle_get_nclx_color_profile(handle.get(), &nclx);
    const HeifPtr<heif_color_profile_nclx> ownNclx(nclx);
    if (described.code == heif_error_Ok && nclx)
        pic.nclx = descriptionOf(*nclx);
    pic.exif = heifExif(handle.get());

    HeifPtr<heif_decoding_options> options(heif_decoding_options_alloc());
    heif_image* rawImage = nullptr;
    heifCheck(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, chroma, options.get()), damaged);
    HeifPtr<heif_image> image(rawImage);
    if (!pic.nclx && pic.icc.empty()) {
        // A description in the coded stream itself only shows on the picture.
        heif_color_profile_nclx* inStream = nullptr;
        const heif_error inStreamDescribed = heif_image_get_nclx_color_profile(image.get(), &inStream);
        const HeifPtr<heif_color_profile_nclx> ownInStream(inStream);
        if (inStreamDescribed.code == heif_error_Ok && inStream)
            pic.nclx = descriptionOf(*inStream);
    }
    pic.width = heif_image_get_width(image.get(), heif_channel_interleaved);
    pic.height = heif_image_get_height(image.get(), heif_channel_interleaved);
    checkSize(pic.width, pic.height, limits);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || stride < 0 || std::size_t(stride) < pic.rowBytes())
        throw ConvertError(std::string(damaged) + ".");
    pic.pixels.resize(pic.rowBytes() * std::size_t(pic.height));
    const int stored = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
    for (int y = 0; y < pic.height; ++y) {
        const std::uint8_t* src = plane + std::size_t(y) * std::size_t(stride);
        if (!pic.sixteen || stored <= 8 || stored >= 16) {
            std::memcpy(pic.row(y), src, pic.rowBytes());
            continue;
        }
        // 10 or 12 significant bits, stretched over the whole 16 (so white
        // stays white through the colour transform).
        const std::uint32_t max = (1u << stored) - 1;
        auto* out = reinterpret_cast<std::uint16_t*>(pic.row(y));
        const std::size_t n = std::size_t(pic.width) * std::size_t(pic.channels);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t v
                = std::min<std::uint32_t>(std::uint32_t(src[2 * i]) | (std::uint32_t(src[2 * i + 1]) << 8), max);
            out[i] = std::uint16_t((v * 65535u + max / 2) / max);
        }
    }
    return pic;
}

// ---------------------------------------------------------------------------
// PNG

struct PngSource
{
    const std::uint8_t* data;
    std::size_t left;
};

[[noreturn]] void pngError(png_structp, png_const_charp message)
{
    throw ConvertError(std::string("A PNG-kép sérült vagy nem olvasható: ") + (message ? message : "") + ".");
}

void pngWarning(png_structp, png_const_charp)
{
}

void pngRead(png_structp png, png_bytep out, std::size_t n)
{
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > src->left)
        png_error(png, "a fájl csonka");
    std::memcpy(out, src->data, n);
    src->data += n;
    src->left -= n;
}

Picture decodePng(const std::vector<std::uint8_t>& data, const PictureLimits& limits)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!png)
        throw std::bad_alloc();
    png_infop info = png_create_info_struct(png);
    struct Guard
    {
        png_structp* png;
        png_infop* info;
        ~Guard() { png_destroy_read_struct(png, info, nullptr); }
    } guard {&png, &info};
    if (!info)
        throw std::bad_alloc();
    PngSource source {data.data(), data.size()};
    png_set_read_fn(png, &source, pngRead);
    // The size is judged by checkSize below, with the same words as for
    // every other kind; libpng allocates nothing for it before that.
    png_set_chunk_cache_max(png, 1000);
    png_set_chunk_malloc_max(png, 16u << 20);
    png_read_info(png, info);

    Picture pic;
    pic.width = int(png_get_image_width(png, info));
    pic.height = int(png_get_image_height(png, info));
    checkSize(pic.width, pic.height, limits);
    const int depth = png_get_bit_depth(png, info);
    const int type = png_get_color_type(png, info);
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileBytes = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileBytes) && profile)
        pic.icc.assign(profile, profile + profileBytes);

    if (type == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (depth == 16 && std::endian::native == std::endian::little)
        png_set_swap(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    pic.sixteen = png_get_bit_depth(png, info) == 16;
    pic.channels = png_get_channels(png, info);
    if ((pic.channels != 3 && pic.channels != 4) || png_get_rowbytes(png, info) != pic.rowBytes())
        throw ConvertError("A PNG-kép színformája nem olvasható.");
    // A gray profile no longer fits the picture once it is RGB.
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA)
        pic.icc.clear();
    pic.pixels.resize(pic.rowBytes() * std::size_t(pic.height));
    std::vector<png_bytep> rows(std::size_t(pic.height));
    for (int y = 0; y < pic.height; ++y)
        rows[std::size_t(y)] = pic.row(y);
    png_read_image(png, rows.data());
    png_read_end(png, info);
    png_uint_32 exifBytes = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(png, info, &exifBytes, &exif) && exif)
        pic.exif.assign(exif, exif + exifBytes);
    return pic;
}

// ---------------------------------------------------------------------------
// WebP

struct DemuxFree
{
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

std::vector<std::uint8_t> webpChunk(WebPDemuxer* demux, const char* name)
{
    WebPChunkIterator chunk;
    std::vector<std::uint8_t> out;
    if (WebPDemuxGetChunk(demux, name, 1, &chunk)) {
        out.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return out;
}

Picture decodeWebp(const std::vector<std::uint8_t>& data, const PictureLimits& limits)
{
    const std::string damaged = "A WebP-kép sérült vagy nem olvasható.";
    const WebPData whole {data.data(), data.size()};
    std::unique_ptr<WebPDemuxer, DemuxFree> demux(WebPDemux(&whole));
    if (!demux)
        throw ConvertError(damaged);
    Picture pic;
    pic.icc = webpChunk(demux.get(), "ICCP");
    pic.exif = webpChunk(demux.get(), "EXIF");
    // Some writers keep JPEG's "Exif\0\0" in front of the TIFF header.
    if (pic.exif.size() >= 6 && std::memcmp(pic.exif.data(), "Exif\0\0", 6) == 0)
        pic.exif.erase(pic.exif.begin(), pic.exif.begin() + 6);
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demux.get(), 1, &frame))
        throw ConvertError(damaged);
    const WebPData bits = frame.fragment;
    WebPDemuxReleaseIterator(&frame);
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bits.bytes, bits.size, &features) != VP8_STATUS_OK)
        throw ConvertError(damaged);
    checkSize(features.width, features.height, limits);
    pic.width = features.width;
    pic.height = features.height;
    pic.channels = features.has_alpha ? 4 : 3;
    pic.pixels.resize(pic.rowBytes() * std::size_t(pic.height));
    const auto decode = features.has_alpha ? WebPDecodeRGBAInto : WebPDecodeRGBInto;
    if (!decode(bits.bytes, bits.size, pic.pixels.data(), pic.pixels.size(), int(pic.rowBytes())))
        throw ConvertError(damaged);
    return pic;
}

} // namespace

Picture decodePicture(const std::vector<std::uint8_t>& data, const PictureLimits& limits)
{
    switch (kindOf(data)) {
    case PictureKind::Heif:
        return decodeHeif(data, limits);
    case PictureKind::Png:
        return decodePng(data, limits);
    case PictureKind::Webp:
        return decodeWebp(data, limits);
    case PictureKind::Unknown:
        break;
    }
    throw ConvertError("A fájl nem HEIC/HEIF, AVIF, WebP vagy PNG kép.");
}

} // namespace pelmar::convert
