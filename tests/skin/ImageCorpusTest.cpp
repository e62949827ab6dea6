// The image readers against outside files: the PngSuite with its reference decodes, the BMP
// suite's good and bad files, and GIFs with their raw RGB decodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "skin/Image.h"

namespace korvan {
namespace {

namespace fs = std::filesystem;

fs::path CorporaDir() {
    const char* source = std::getenv("KORVAN_SOURCE_DIR");
    return fs::path(source ? source : ".") / ".." / "shared" / "corpora" / "img";
}

#define SKIP_WITHOUT_CORPORA() \
    if (!fs::exists(CorporaDir())) GTEST_SKIP() << "no outside corpora at " << CorporaDir()

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> FilesIn(const fs::path& dir, const std::string& extension) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == extension) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Number of pixels whose channels differ by more than `tolerance` from the other image.
int DifferingPixels(const ImageBuffer& a, const ImageBuffer& b, int tolerance = 0) {
    int count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < a.channels; ++c)
                if (std::abs(a.Pixel(x, y)[c] - b.Pixel(x, y)[c]) > tolerance) {
                    ++count;
                    break;
                }
    return count;
}

TEST(PngSuite, EveryPrimaryFileMatchesItsReferenceDecode) {
    SKIP_WITHOUT_CORPORA();
    const fs::path suite = CorporaDir() / "stb/tests/pngsuite";
    int compared = 0;
    for (const fs::path& file : FilesIn(suite / "primary", ".png")) {
        SCOPED_TRACE(file.filename().string());
        ImageResult rgba = ReadImageFile(file.string(), ImageAlpha::Keep);
        ImageResult rgb = ReadImageFile(file.string(), ImageAlpha::Drop);
        ImageResult check =
            ReadImageFile((suite / "primary_check" / file.filename()).string(), ImageAlpha::Keep);
        ASSERT_TRUE(rgba.Ok()) << rgba.reason;
        ASSERT_TRUE(rgb.Ok()) << rgb.reason;
        ASSERT_TRUE(check.Ok()) << check.reason;
        ASSERT_EQ(rgba.image.width, check.image.width);
        ASSERT_EQ(rgba.image.height, check.image.height);
        EXPECT_EQ(DifferingPixels(rgba.image, check.image), 0);
        // Dropping alpha keeps the colour channels exactly.
        ASSERT_EQ(rgb.image.channels, 3);
        int rgbDiffers = 0;
        for (int y = 0; y < rgb.image.height; ++y)
            for (int x = 0; x < rgb.image.width; ++x)
                for (int c = 0; c < 3; ++c)
                    rgbDiffers += rgb.image.Pixel(x, y)[c] != check.image.Pixel(x, y)[c];
        EXPECT_EQ(rgbDiffers, 0);
        ++compared;
    }
    EXPECT_GE(compared, 70);
}

// Sixteen-bit files: interlaced and split-IDAT variants decode to the same picture as the plain one.
TEST(PngSuite, SixteenBitVariantsAgree) {
    SKIP_WITHOUT_CORPORA();
    const fs::path dir = CorporaDir() / "stb/tests/pngsuite/16bit";
    const std::pair<const char*, const char*> pairs[] = {
        {"basn0g16.png", "basi0g16.png"}, {"basn2c16.png", "basi2c16.png"}, {"basn4a16.png", "basi4a16.png"},
        {"basn6a16.png", "basi6a16.png"}, {"oi1n0g16.png", "oi9n0g16.png"}, {"oi1n2c16.png", "oi9n2c16.png"},
        {"oi1n2c16.png", "oi4n2c16.png"},
    };
    for (auto [plain, variant] : pairs) {
        SCOPED_TRACE(variant);
        ImageResult a = ReadImageFile((dir / plain).string(), ImageAlpha::Keep);
        ImageResult b = ReadImageFile((dir / variant).string(), ImageAlpha::Keep);
        ASSERT_TRUE(a.Ok() && b.Ok()) << a.reason << b.reason;
        ASSERT_EQ(a.image.width, b.image.width);
        EXPECT_EQ(DifferingPixels(a.image, b.image), 0);
    }
}

TEST(PngSuite, CorruptFilesFail) {
    SKIP_WITHOUT_CORPORA();
    int seen = 0;
    for (const fs::path& file : FilesIn(CorporaDir() / "stb/tests/pngsuite/corrupt", ".png")) {
        ImageResult result = ReadImageFile(file.string(), ImageAlpha::Drop);
        EXPECT_EQ(result.status, ImageStatus::Undecodable) << file.filename();
        EXPECT_TRUE(result.image.pixels.empty());
        ++seen;
    }
    EXPECT_EQ(seen, 14);
}

// Single-frame GIFs match giflib's raw decodes wherever they are opaque (the raw decodes of
// the animated files show every frame drawn over the first, so those are only checked for size).
TEST(GifFiles, MatchTheirRawDecodes) {
    SKIP_WITHOUT_CORPORA();
    const fs::path dir = CorporaDir() / "giflib-5.2.1";
    const std::set<std::string> animated = {"fire.rgb", "welcome2.rgb"};
    for (const fs::path& rgbFile : FilesIn(dir / "tests", ".rgb")) {
        const fs::path gif = dir / "pic" / fs::path(rgbFile.filename()).replace_extension(".gif");
        SCOPED_TRACE(gif.filename().string());
        ImageResult result = ReadImageFile(gif.string(), ImageAlpha::Keep);
        ASSERT_TRUE(result.Ok()) << result.reason;
        const std::vector<std::uint8_t> raw = ReadBytes(rgbFile);
        const ImageBuffer& image = result.image;
        ASSERT_EQ(raw.size(), static_cast<std::size_t>(image.width) * image.height * 3);
        if (animated.count(rgbFile.filename().string())) continue;
        int differing = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                // The raw decode is top-down, ours bottom-up.
                const std::uint8_t* want = raw.data() + (static_cast<std::size_t>(y) * image.width + x) * 3;
                const std::uint8_t* got = image.Pixel(x, image.height - 1 - y);
                if (got[3] == 0) continue;
                differing += want[0] != got[0] || want[1] != got[1] || want[2] != got[2];
            }
        EXPECT_EQ(differing, 0);
    }
}

// Good BMPs decode to their reference renderings. Run-length files and true-colour files that
// carry a palette are beyond the general decoder: they must fail cleanly.
TEST(BmpSuite, GoodFilesMatchTheirReferenceRenderings) {
    SKIP_WITHOUT_CORPORA();
    const fs::path dir = CorporaDir() / "bmpsuite";
    const std::set<std::string> unsupported = {"pal4rle.bmp", "pal8rle.bmp", "rgb16-565pal.bmp",
                                               "rgb24pal.bmp"};
    int compared = 0;
    for (const fs::path& bmp : FilesIn(dir / "g", ".bmp")) {
        const std::string name = bmp.filename().string();
        SCOPED_TRACE(name);
        ImageResult result = ReadImageFile(bmp.string(), ImageAlpha::Drop);
        if (unsupported.count(name)) {
            EXPECT_EQ(result.status, ImageStatus::Undecodable);
            continue;
        }
        ASSERT_TRUE(result.Ok()) << result.reason;
        const fs::path reference = dir / "html" / fs::path(name).replace_extension(".png");
        if (!fs::exists(reference)) continue;
        ImageResult want = ReadImageFile(reference.string(), ImageAlpha::Drop);
        ASSERT_TRUE(want.Ok());
        ASSERT_EQ(result.image.width, want.image.width);
        ASSERT_EQ(result.image.height, want.image.height);
        // 5- and 6-bit channels widen to 8 bits by bit replication or by rounding: within one step.
        EXPECT_EQ(DifferingPixels(result.image, want.image, name.starts_with("rgb16") ? 8 : 0), 0);
        ++compared;
    }
    EXPECT_GE(compared, 12);
}

// Bad BMPs fail, apart from those whose fault does not touch the pixels (nonsense density,
// image size or file size fields, an oversized palette count, indices past the palette).
TEST(BmpSuite, BadFilesFailCleanly) {
    SKIP_WITHOUT_CORPORA();
    const std::set<std::string> harmless = {"badbitssize.bmp", "baddens1.bmp",       "baddens2.bmp",
                                            "badfilesize.bmp", "badpalettesize.bmp", "pal8badindex.bmp"};
    for (const fs::path& bmp : FilesIn(CorporaDir() / "bmpsuite/b", ".bmp")) {
        const std::string name = bmp.filename().string();
        ImageResult result = ReadImageFile(bmp.string(), ImageAlpha::Drop);
        if (harmless.count(name)) {
            EXPECT_TRUE(result.Ok()) << name << ": " << result.reason;
        } else {
            EXPECT_FALSE(result.Ok()) << name;
            EXPECT_TRUE(result.image.pixels.empty()) << name;
        }
    }
}

// The JPEG rendering of the BMP suite's picture is close to the lossless one.
TEST(JpegFiles, DecodeCloseToTheLosslessPicture) {
    SKIP_WITHOUT_CORPORA();
    const fs::path dir = CorporaDir() / "bmpsuite/html";
    ImageResult jpeg = ReadImageFile((dir / "rgb24.jpg").string(), ImageAlpha::Drop);
    ImageResult png = ReadImageFile((dir / "rgb24.png").string(), ImageAlpha::Drop);
    ASSERT_TRUE(jpeg.Ok()) << jpeg.reason;
    ASSERT_TRUE(png.Ok());
    ASSERT_EQ(jpeg.image.width, png.image.width);
    ASSERT_EQ(jpeg.image.height, png.image.height);
    // Compression smears the edges of the picture's sharp colour bands but leaves their interior.
    EXPECT_LT(DifferingPixels(jpeg.image, png.image, 48), jpeg.image.width * jpeg.image.height / 10);
}

// Huffman tables the decoder would use without checking are refused before decoding: a scan
// naming a table no DHT segment defined (looked up in uninitialised memory), and a table of more
// than 256 codes, also when junk bytes hide its segment or fill bytes precede the start marker
// (written past the table's end).
TEST(JpegFiles, ImpossibleHuffmanTablesFail) {
    SKIP_WITHOUT_CORPORA();
    const std::vector<std::uint8_t> original = ReadBytes(CorporaDir() / "bmpsuite/html/rgb24.jpg");
    std::size_t dht = 0;
    while (dht + 4 < original.size() &&
           !(original[dht] == 0xff && original[dht + 1] == 0xc4 && original[dht + 4] == 0x10))
        ++dht;
    ASSERT_LT(dht + 4, original.size());  // the first AC table's definition

    std::vector<std::uint8_t> undefined = original;
    undefined[dht + 4] = 0x12;  // AC table 0 is now defined as AC table 2
    std::vector<std::uint8_t> oversized = original;
    for (int length = 1; length <= 16; ++length) oversized[dht + 4 + length] = 200;
    std::vector<std::uint8_t> hidden = oversized;
    hidden.insert(hidden.begin() + static_cast<std::ptrdiff_t>(dht), {0x00, 0x17});

    std::vector<std::uint8_t> filled = oversized;  // fill bytes before the start marker
    filled.insert(filled.begin(), {0xff, 0xff});

    for (const auto& [name, jpeg] : {std::pair{"undefined", undefined},
                                     {"oversized", oversized},
                                     {"hidden", hidden},
                                     {"filled", filled}}) {
        ImageResult result = DecodeImage(ImageFormat::Jpeg, jpeg, ImageAlpha::Drop);
        EXPECT_EQ(result.status, ImageStatus::Undecodable) << name;
        EXPECT_NE(result.reason.find("Huffman"), std::string::npos) << name << ": " << result.reason;
    }
}

// A file cut anywhere either fails or, when only what follows the pixel data is missing, gives
// exactly the whole picture: never a picture with a silently damaged part.
TEST(Truncation, CutFilesFailOrGiveTheWholePicture) {
    SKIP_WITHOUT_CORPORA();
    const fs::path files[] = {CorporaDir() / "stb/tests/pngsuite/primary/basi6a08.png",
                              CorporaDir() / "stb/tests/pngsuite/primary/basn3p04.png",
                              CorporaDir() / "bmpsuite/html/rgb24.jpg",
                              CorporaDir() / "bmpsuite/g/rgb24.bmp",
                              CorporaDir() / "bmpsuite/g/pal4.bmp",
                              CorporaDir() / "giflib-5.2.1/pic/porsche.gif",
                              CorporaDir() / "giflib-5.2.1/pic/treescap-interlaced.gif"};
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::vector<std::uint8_t> bytes = ReadBytes(file);
        const ImageFormat format = ImageFormatOf(file.string());
        ImageResult full = DecodeImage(format, bytes, ImageAlpha::Drop);
        ASSERT_TRUE(full.Ok()) << full.reason;
        const std::size_t step = std::max<std::size_t>(1, bytes.size() / 400);
        int wrong = 0;
        for (std::size_t n = 0; n < bytes.size(); n += step) {
            ImageResult cut = DecodeImage(format, std::span(bytes.data(), n), ImageAlpha::Drop);
            if (cut.Ok()) wrong += cut.image.pixels != full.image.pixels;
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_FALSE(DecodeImage(format, std::span(bytes.data(), bytes.size() / 2), ImageAlpha::Drop).Ok());
    }
}

}  // namespace
}  // namespace korvan
