#include <unistd.h>

// The image readers' own rules: pixel layout, choice of reader by extension, failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "base/Host.h"
#include "skin/Image.h"

namespace korvan {
namespace {

// A 24-bit BMP of w x h written as given: rows bottom-up, BGR, padded to 4 bytes.
std::vector<std::uint8_t> MakeBmp24(int w, int h, const std::vector<std::uint8_t>& bgrRowsBottomUp) {
    const int stride = (w * 3 + 3) & ~3;
    const std::uint32_t offset = 54, size = offset + static_cast<std::uint32_t>(stride * h);
    std::vector<std::uint8_t> b(offset + bgrRowsBottomUp.size(), 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, size), put32(10, offset), put32(14, 40), put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    b[26] = 1, b[28] = 24;
    for (std::size_t i = 0; i < bgrRowsBottomUp.size(); ++i) b[offset + i] = bgrRowsBottomUp[i];
    return b;
}

TEST(ImageLayout, RowsBottomUpInRedGreenBlueOrderPaddedToFourBytes) {
    // 2 x 2: bottom row blue, green; top row red, white. Rows of 6 bytes padded to 8.
    std::vector<std::uint8_t> rows = {255, 0, 0,   0,   255, 0,   0, 0,  // bottom, BGR
                                      0,   0, 255, 255, 255, 255, 0, 0};
    ImageResult result = DecodeImage(ImageFormat::Bmp, MakeBmp24(2, 2, rows), ImageAlpha::Drop);
    ASSERT_TRUE(result.Ok()) << result.reason;
    const ImageBuffer& image = result.image;
    EXPECT_EQ(image.Stride(), 8u);
    ASSERT_EQ(image.pixels.size(), 16u);
    const std::vector<std::uint8_t> want = {0,   0, 255, 0,   255, 0,   0, 0,  // bottom: blue, green (RGB)
                                            255, 0, 0,   255, 255, 255, 0, 0};
    EXPECT_EQ(image.pixels, want);

    ImageResult withAlpha = DecodeImage(ImageFormat::Bmp, MakeBmp24(2, 2, rows), ImageAlpha::Keep);
    ASSERT_TRUE(withAlpha.Ok());
    EXPECT_EQ(withAlpha.image.channels, 4);
    EXPECT_EQ(withAlpha.image.Pixel(0, 1)[0], 255);  // top left red, opaque
    EXPECT_EQ(withAlpha.image.Pixel(0, 1)[3], 255);
}

TEST(ImageFormat, ChosenByTheLastExtensionWithoutRegardToCase) {
    const std::pair<const char*, ImageFormat> cases[] = {
        {"/a/b.png", ImageFormat::Png},     {"/a/b.PNG", ImageFormat::Png},
        {"c.JPG", ImageFormat::Jpeg},       {"c.jpeg", ImageFormat::Jpeg},
        {"x.Bmp", ImageFormat::Bmp},        {"y.gif", ImageFormat::Gif},
        {"z.tar.png", ImageFormat::Png},    {"z.png.tga", ImageFormat::Unsupported},
        {"noextension", ImageFormat::None}, {"", ImageFormat::None},
    };
    for (auto [path, format] : cases) EXPECT_EQ(ImageFormatOf(path), format) << path;
}

struct RecordingHost : ConsoleHost {
    std::vector<std::string> messages;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

class ImageLoading : public ::testing::Test {
  protected:
    void SetUp() override { SetHost(&host); }
    void TearDown() override { SetHost(nullptr); }
    RecordingHost host;
};

TEST_F(ImageLoading, UnsupportedExtensionIsReportedToTheUser) {
    ImageResult result = LoadImage("/tmp/picture.tga", ImageAlpha::Drop);
    EXPECT_EQ(result.status, ImageStatus::UnsupportedFormat);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "/tmp/picture.tga は、対応していない画像形式です");
}

TEST_F(ImageLoading, PathWithoutDotGivesAnEmptyImageSilently) {
    ImageResult result = LoadImage("/tmp/picture", ImageAlpha::Drop);
    EXPECT_EQ(result.status, ImageStatus::NoExtension);
    EXPECT_TRUE(result.image.Empty());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ImageLoading, MissingFileCannotBeOpened) {
    EXPECT_EQ(LoadImage("/nonexistent/dir/x.png", ImageAlpha::Drop).status, ImageStatus::CannotOpen);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ImageLoading, FileOnDiskIsDecoded) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("korvan_image_reader_test_" + std::to_string(::getpid()) + ".BMP");
    const std::vector<std::uint8_t> bmp = MakeBmp24(1, 1, {10, 20, 30, 0});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    ImageResult result = LoadImage(path.string(), ImageAlpha::Drop);
    std::filesystem::remove(path);
    ASSERT_TRUE(result.Ok()) << result.reason;
    EXPECT_EQ(result.image.Pixel(0, 0)[0], 30);
    EXPECT_EQ(result.image.Pixel(0, 0)[2], 10);
}

// Random bytes, bare and behind each format's signature, never decode and never take memory.
TEST(ImageGarbage, RandomDataFailsCleanly) {
    std::mt19937 random(1234);
    const std::vector<std::vector<std::uint8_t>> signatures = {{},
                                                               {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a},
                                                               {0xff, 0xd8, 0xff, 0xe0},
                                                               {'B', 'M'},
                                                               {'G', 'I', 'F', '8', '9', 'a'}};
    const ImageFormat formats[] = {ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Bmp, ImageFormat::Gif};
    for (int round = 0; round < 200; ++round) {
        for (const auto& signature : signatures) {
            std::vector<std::uint8_t> data = signature;
            const int length = static_cast<int>(random() % 300);
            for (int i = 0; i < length; ++i) data.push_back(static_cast<std::uint8_t>(random()));
            for (ImageFormat format : formats) {
                ImageResult result = DecodeImage(format, data, ImageAlpha::Drop);
                EXPECT_FALSE(result.Ok()) << "round " << round;
                EXPECT_TRUE(result.image.pixels.empty());
            }
        }
    }
}

TEST(ImageLimits, HugeDimensionsAreRefusedBeforeDecoding) {
    std::vector<std::uint8_t> bmp = MakeBmp24(1, 1, {0, 0, 0, 0});
    bmp[18] = 0, bmp[19] = 0, bmp[20] = 1;  // width 65536
    bmp[22] = 0, bmp[23] = 0, bmp[24] = 1;  // height 65536
    EXPECT_EQ(DecodeImage(ImageFormat::Bmp, bmp, ImageAlpha::Drop).status, ImageStatus::TooLarge);
    EXPECT_EQ(
        DecodeImage(ImageFormat::Bmp, MakeBmp24(4, 4, std::vector<std::uint8_t>(48)), ImageAlpha::Drop, 15)
            .status,
        ImageStatus::TooLarge);
}

}  // namespace
}  // namespace korvan
