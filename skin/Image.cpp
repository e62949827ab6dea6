#include "skin/Image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/Host.h"
#include "skin/ImageDecoders.h"

namespace korvan {

namespace {

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Top-down tight RGBA -> bottom-up rows of RGB or RGBA padded to 4 bytes.
ImageBuffer Pack(const RgbaPicture& picture, ImageAlpha alpha) {
    ImageBuffer image;
    image.width = picture.width;
    image.height = picture.height;
    image.channels = alpha == ImageAlpha::Keep ? 4 : 3;
    const std::size_t stride = image.Stride();
    image.pixels.assign(stride * static_cast<std::size_t>(image.height), 0);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* in = picture.rgba.data() + static_cast<std::size_t>(y) * picture.width * 4;
        std::uint8_t* out = image.pixels.data() + static_cast<std::size_t>(image.height - 1 - y) * stride;
        for (int x = 0; x < image.width; ++x, in += 4, out += image.channels)
            std::copy(in, in + image.channels, out);
    }
    return image;
}

ImageResult Failure(ImageStatus status, std::string reason) {
    ImageResult result;
    result.status = status;
    result.reason = std::move(reason);
    return result;
}

}  // namespace

ImageFormat ImageFormatOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return ImageFormat::None;
    const std::string ext = LowerCase(path.substr(dot));
    if (ext == ".png") return ImageFormat::Png;
    if (ext == ".jpg" || ext == ".jpeg") return ImageFormat::Jpeg;
    if (ext == ".bmp") return ImageFormat::Bmp;
    if (ext == ".gif") return ImageFormat::Gif;
    return ImageFormat::Unsupported;
}

ImageResult DecodeImage(ImageFormat format, std::span<const std::uint8_t> data, ImageAlpha alpha,
                        std::size_t maxPixels) {
    if (format == ImageFormat::None) return Failure(ImageStatus::NoExtension, "no extension");
    if (format == ImageFormat::Unsupported)
        return Failure(ImageStatus::UnsupportedFormat, "unsupported format");
    RgbaPicture picture;
    std::string reason;
    bool tooLarge = false;
    // The general decoder recognises its formats by their content, so a JPEG named .bmp still
    // loads, as it would through the platform decoder.
    const bool ok = format == ImageFormat::Png
                        ? DecodePngToRgba(data, maxPixels, picture, reason, tooLarge)
                        : DecodePictureToRgba(data, maxPixels, picture, reason, tooLarge);
    if (!ok) return Failure(tooLarge ? ImageStatus::TooLarge : ImageStatus::Undecodable, reason);
    ImageResult result;
    result.image = Pack(picture, alpha);
    return result;
}

ImageResult ReadImageFile(const std::string& path, ImageAlpha alpha) {
    const ImageFormat format = ImageFormatOf(path);
    if (format == ImageFormat::None || format == ImageFormat::Unsupported)
        return DecodeImage(format, {}, alpha);
    std::ifstream file(path, std::ios::binary);
    if (!file) return Failure(ImageStatus::CannotOpen, "cannot open " + path);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return Failure(ImageStatus::CannotOpen, "cannot read " + path);
    return DecodeImage(format, bytes, alpha);
}

ImageResult LoadImage(const std::string& path, ImageAlpha alpha) {
    ImageResult result = ReadImageFile(path, alpha);
    if (result.status == ImageStatus::UnsupportedFormat) {
        char text[4096];
        std::snprintf(text, sizeof text, "%s は、対応していない画像形式です", path.c_str());
        CurrentHost().ShowMessage(text);
    }
    return result;
}

}  // namespace korvan
