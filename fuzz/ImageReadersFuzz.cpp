// Fuzz target for the image readers. PNG data (by its signature) goes to the PNG reader,
// anything else to the general decoder, which tells JPEG, BMP and GIF apart by content.
// Seeds: the PngSuite, the BMP suite and the GIFs of the outside corpora, used as they are.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "skin/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
    const bool png = size >= 8 && std::memcmp(data, kPngSignature, 8) == 0;
    const auto format = png ? korvan::ImageFormat::Png : korvan::ImageFormat::Jpeg;
    const auto alpha = size % 2 ? korvan::ImageAlpha::Keep : korvan::ImageAlpha::Drop;
    // A smaller pixel limit than the program's keeps each run fast.
    korvan::ImageResult result = korvan::DecodeImage(format, {data, size}, alpha, std::size_t{1} << 22);
    if (result.Ok()) {
        const korvan::ImageBuffer& image = result.image;
        if (image.pixels.size() != image.Stride() * static_cast<std::size_t>(image.height)) __builtin_trap();
    }
    return 0;
}
