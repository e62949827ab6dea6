// JPEG, BMP and GIF through the general picture decoder, as 8-bit RGBA rows.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "skin/ImageDecoders.h"
#include "skin/StbImage.h"

namespace korvan {

namespace {

// The decoder's reason for the last failure; some failures leave none.
std::string DecoderFailure() {
    const char* text = korvan_picture_failure();
    return text ? text : "corrupt picture";
}

}  // namespace

bool DecodePictureToRgba(std::span<const std::uint8_t> data, std::size_t maxPixels, RgbaPicture& out,
                         std::string& reason, bool& tooLarge) {
    tooLarge = false;
    if (data.empty() || data.size() > INT_MAX) {
        reason = data.empty() ? "empty file" : "file too large";
        return false;
    }
    const int size = static_cast<int>(data.size());
    int width = 0, height = 0;
    if (!PictureTablesSound(data, reason)) return false;
    // The header first, so a picture that claims to be huge takes no memory.
    if (!korvan_picture_info(data.data(), size, &width, &height)) {
        reason = DecoderFailure();
        return false;
    }
    const long long area =
        std::llabs(static_cast<long long>(width)) * std::llabs(static_cast<long long>(height));
    if (area == 0 || static_cast<unsigned long long>(area) > maxPixels) {
        reason = "picture too large";
        tooLarge = true;
        return false;
    }
    if (!PictureIsComplete(data, reason)) return false;
    unsigned char* pixels = korvan_picture_decode_rgba(data.data(), size, &width, &height);
    if (!pixels) {
        reason = DecoderFailure();
        return false;
    }
    out.width = width;
    out.height = height;
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    out.rgba.assign(pixels, pixels + bytes);
    korvan_picture_free(pixels);
    return true;
}

}  // namespace korvan
