// PNG through libpng: every colour type and bit depth, interlaced or not, expanded to 8-bit RGBA
// (palette and grey through their colours, tRNS into alpha, 16-bit samples cut to their high
// byte). Gamma and background chunks are not applied: the pixels are taken as stored.
//
// libpng reports errors by longjmp. The two functions that call into libpng under setjmp hold
// nothing that needs a destructor; the buffers they fill belong to the caller.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "skin/Image.h"
#include "skin/ImageDecoders.h"

namespace korvan {

namespace {

struct PngSource {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    char error[200] = {};
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > source->size - source->position) png_error(png, "unexpected end of file");
    std::memcpy(out, source->data + source->position, length);
    source->position += length;
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->error, sizeof source->error, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    png_size_t rowBytes = 0;
};

// Reads up to the image data and sets the transforms to 8-bit RGBA.
bool ReadHeaderAsRgba(png_structp png, png_infop info, png_uint_32 maxSide, PngHeader& header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_user_limits(png, maxSide, maxSide);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_read_info(png, info);
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);  // only where there is no alpha yet
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header.width = png_get_image_width(png, info);
    header.height = png_get_image_height(png, info);
    header.rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool ReadRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    // The end chunk is not read: a file cut after its image data still gives the whole picture.
    png_read_image(png, rows);
    return true;
}

}  // namespace

bool DecodePngToRgba(std::span<const std::uint8_t> data, std::size_t maxPixels, RgbaPicture& out,
                     std::string& reason, bool& tooLarge) {
    tooLarge = false;
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) {
        reason = "not a PNG signature";
        return false;
    }
    PngSource source{data.data(), data.size(), 0, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnPngError, OnPngWarning);
    if (!png) {
        reason = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        reason = "libpng could not start";
        return false;
    }
    png_set_read_fn(png, &source, ReadFromMemory);

    bool ok = false;
    PngHeader header;
    if (!ReadHeaderAsRgba(png, info, kMaxImageSide, header)) {
        reason = source.error;
    } else if (static_cast<std::size_t>(header.width) * header.height > maxPixels) {
        reason = "picture too large";
        tooLarge = true;
    } else if (header.rowBytes != static_cast<std::size_t>(header.width) * 4) {
        reason = "unexpected row layout";
    } else {
        out.width = static_cast<int>(header.width);
        out.height = static_cast<int>(header.height);
        out.rgba.assign(header.rowBytes * header.height, 0);
        std::vector<png_bytep> rows(header.height);
        for (png_uint_32 y = 0; y < header.height; ++y) rows[y] = out.rgba.data() + y * header.rowBytes;
        ok = ReadRows(png, rows.data());
        if (!ok) reason = source.error;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

}  // namespace korvan
