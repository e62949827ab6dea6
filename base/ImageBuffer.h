#pragma once
// A decoded picture as every part of the program holds it: rows bottom-up (row 0 is the bottom
// of the picture), red-green-blue bytes per pixel (a fourth byte of alpha when the reader kept
// it), each row padded to a multiple of 4 bytes. The readers that make one live in skin/.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvan {

struct ImageBuffer {
    int width = 0;
    int height = 0;
    int channels = 3;  // 3: RGB, 4: RGBA
    std::vector<std::uint8_t> pixels;

    bool Empty() const { return width == 0 || height == 0; }
    // Bytes per row, padded to a multiple of 4.
    std::size_t Stride() const { return (static_cast<std::size_t>(width) * channels + 3) & ~std::size_t{3}; }
    // Row y counted from the bottom of the picture.
    const std::uint8_t* Row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * Stride(); }
    const std::uint8_t* Pixel(int x, int y) const { return Row(y) + static_cast<std::size_t>(x) * channels; }
};

}  // namespace korvan
