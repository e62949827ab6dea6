#pragma once
// Image files as the rest of the program sees them.
//
// Every reader delivers the same layout: rows bottom-up (row 0 is the bottom of the picture),
// red-green-blue bytes per pixel (a fourth byte of alpha when the caller keeps it), each row
// padded to a multiple of 4 bytes. ".png" goes through libpng; ".jpg", ".jpeg", ".bmp" and ".gif"
// through the general decoder. The readers never show anything: they return a status and a
// reason, and LoadImage is the one entry that also tells the user about an unsupported format.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ImageBuffer.h"

namespace korvan {

enum class ImageAlpha { Drop, Keep };

enum class ImageFormat { None, Png, Jpeg, Bmp, Gif, Unsupported };

enum class ImageStatus {
    Ok,
    NoExtension,        // the path has no "."; the result is an empty image
    UnsupportedFormat,  // an extension none of the readers handles
    CannotOpen,
    Undecodable,  // truncated, corrupt, or a variant the decoder does not handle
    TooLarge,     // beyond the size limit, refused before decoding
};

struct ImageResult {
    ImageStatus status = ImageStatus::Ok;
    ImageBuffer image;
    std::string reason;  // the decoder's own words, for logs and tests

    bool Ok() const { return status == ImageStatus::Ok; }
};

// Pictures larger than this are refused before any pixel memory is taken.
inline constexpr std::size_t kMaxImagePixels = std::size_t{1} << 26;
inline constexpr int kMaxImageSide = 1 << 16;

// By the extension after the last "." compared without regard to case.
ImageFormat ImageFormatOf(std::string_view path);

ImageResult DecodeImage(ImageFormat format, std::span<const std::uint8_t> data, ImageAlpha alpha,
                        std::size_t maxPixels = kMaxImagePixels);
// Reads and decodes a file by its extension. Shows nothing.
ImageResult ReadImageFile(const std::string& path, ImageAlpha alpha);
// ReadImageFile, and for an unsupported extension the message "%s は、対応していない画像形式です"
// through the host.
ImageResult LoadImage(const std::string& path, ImageAlpha alpha);

}  // namespace korvan
