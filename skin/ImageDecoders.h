#pragma once
// The two decoders behind DecodeImage. Both deliver top-down RGBA rows, 8 bits per channel,
// without padding; Image.cpp turns that into the program's layout.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvan {

struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // width * height * 4, top row first
};

// Each returns false with a reason when the data cannot be decoded or is larger than maxPixels.
bool DecodePngToRgba(std::span<const std::uint8_t> data, std::size_t maxPixels, RgbaPicture& out,
                     std::string& reason, bool& tooLarge);
// Checks the general decoder leaves out. A JPEG may only use Huffman tables that were defined
// with a possible code (checked before the decoder reads even the header, which parses the
// tables); a BMP or GIF must hold all the pixel data its header promises. True for other data.
bool PictureTablesSound(std::span<const std::uint8_t> data, std::string& reason);
bool PictureIsComplete(std::span<const std::uint8_t> data, std::string& reason);

// JPEG, BMP and GIF (first frame).
bool DecodePictureToRgba(std::span<const std::uint8_t> data, std::size_t maxPixels, RgbaPicture& out,
                         std::string& reason, bool& tooLarge);

}  // namespace korvan
