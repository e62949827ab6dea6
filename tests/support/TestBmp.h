#pragma once
// Writes small 24-bit BMP files for tests: the simplest image format our readers take, so
// fixtures can be built inline from pixel values.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/ImageBuffer.h"

namespace korvan::test {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// rowsBottomUp[j][i] is the pixel in column i of row j, row 0 at the bottom of the picture.
inline std::vector<std::uint8_t> MakeBmp(const std::vector<std::vector<Rgb>>& rowsBottomUp) {
    const int h = static_cast<int>(rowsBottomUp.size());
    const int w = h ? static_cast<int>(rowsBottomUp[0].size()) : 0;
    const int stride = (w * 3 + 3) & ~3;
    const std::uint32_t offset = 54;
    std::vector<std::uint8_t> b(offset + static_cast<std::size_t>(stride) * h, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(b.size())), put32(10, offset), put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w)), put32(22, static_cast<std::uint32_t>(h));
    b[26] = 1, b[28] = 24;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            std::uint8_t* p = b.data() + offset + static_cast<std::size_t>(j) * stride + i * 3;
            const Rgb& c = rowsBottomUp[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
            p[0] = c.b, p[1] = c.g, p[2] = c.r;  // BMP pixels are stored blue first
        }
    return b;
}

// The same pixels as a decoded picture, as the image readers deliver it.
inline ImageBuffer MakeImage(const std::vector<std::vector<Rgb>>& rowsBottomUp) {
    ImageBuffer image;
    image.height = static_cast<int>(rowsBottomUp.size());
    image.width = image.height ? static_cast<int>(rowsBottomUp[0].size()) : 0;
    image.pixels.assign(image.Stride() * static_cast<std::size_t>(image.height), 0);
    for (int j = 0; j < image.height; ++j)
        for (int i = 0; i < image.width; ++i) {
            std::uint8_t* p = image.pixels.data() + static_cast<std::size_t>(j) * image.Stride() + i * 3;
            const Rgb& c = rowsBottomUp[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
            p[0] = c.r, p[1] = c.g, p[2] = c.b;
        }
    return image;
}

inline Rgb Grey(int level) {
    const auto v = static_cast<std::uint8_t>(level);
    return {v, v, v};
}

// A file in a fresh test folder, removed with the folder.
class TempFolder {
  public:
    TempFolder() {
        // CTest runs each case in its own process, several at once: the process id keeps their
        // folders apart (the object's address alone repeats from process to process).
        path_ = std::filesystem::temp_directory_path() /
                ("korvan_test_" + std::to_string(::getpid()) + "_" +
                 std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "_" + std::to_string(counter_++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path() const { return path_.string(); }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const auto file = path_ / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }

  private:
    std::filesystem::path path_;
    static inline int counter_ = 0;
};

}  // namespace korvan::test
