#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/draw_text.h"
#include "gui/pixel_buffer.h"
#include "gui/resource_package.h"
#include "package_builder.h"

using namespace vellum;

namespace {

struct Released {
    void operator()(xFont* f) const { f->release(); }
};
using FontPtr = std::unique_ptr<xFont, Released>;

// A font of one-row glyphs: 'a' 2 wide, 'b' 1 wide, code 200 3 wide; every glyph pixel's
// coverage tells which glyph and column it came from.
FontPtr testFont()
{
    std::vector<int> widths(256, 0), advances(256, 0);
    widths['a'] = 2;
    widths['b'] = 1;
    widths[200] = 3;
    widths[' '] = 0;
    advances['a'] = 3;
    advances['b'] = 2;
    advances[200] = 4;
    advances[' '] = 2;
    // Strip in code order: a (cols 0-1), b (col 2), code 200 (cols 3-5).
    const std::vector<std::uint8_t> coverage = {255, 128, 255, 255, 0, 255};
    std::vector<std::uint8_t> kerning(65536, 0);
    kerning['a' * 256 + 'b'] = static_cast<std::uint8_t>(-1);
    kerning['b' * 256 + 'a'] = 2;
    const auto w = int32Table(widths);
    const auto a = int32Table(advances);
    return FontPtr(xFont::create(6, 1, coverage.data(), coverage.size(), w.data(), w.size(), a.data(), a.size(),
                                 kerning.data(), kerning.size()));
}

// Red channel of a row of the buffer.
std::vector<int> reds(const xPixelBuffer& b)
{
    std::vector<int> out;
    for (int x = 0; x < b.getRegion().width; ++x)
        out.push_back(b.pixelAt(x, 0)[2]);
    return out;
}

const xRect kNoClip{-100000, -100000, 200000, 200000};

} // namespace

TEST(DrawText, GlyphsAreMixedInByCoverageWithKerning)
{
    FontPtr font = testFont();
    xPixelBuffer line(0, 0, 10, 1);
    line.fill(0, 0, 0, 9);
    drawText(*font, line, "ab", {1, 0}, {255, 0, 0}, kNoClip);
    // 'a' at 1..2 (255 -> 254, 128 -> 127); 'b' at 1 + 3 - 1 = 3.
    EXPECT_EQ(reds(line), (std::vector<int>{0, 254, 127, 254, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(line.pixelAt(1, 0)[3], 9) << "the fourth byte is kept";
}

TEST(DrawText, HighCodesDrawTheirOwnGlyph)
{
    FontPtr font = testFont();
    xPixelBuffer line(0, 0, 6, 1);
    drawText(*font, line, std::string(1, static_cast<char>(200)), {0, 0}, {255, 255, 255}, kNoClip);
    EXPECT_EQ(reds(line), (std::vector<int>{254, 0, 254, 0, 0, 0}));
}

TEST(DrawText, ClippedToTheTileAndTheClipRectangle)
{
    FontPtr font = testFont();
    xPixelBuffer tile(2, 0, 3, 1);
    drawText(*font, tile, "aba", {0, 0}, {255, 0, 0}, kNoClip);
    // Pen: a at 0, b at 2, a at 2 + 2 + 2 = 6 (past the tile).
    EXPECT_EQ(reds(tile), (std::vector<int>{254, 0, 0}));
    xPixelBuffer clipped(0, 0, 4, 1);
    drawText(*font, clipped, "a", {0, 0}, {255, 0, 0}, {1, 0, 10, 1});
    EXPECT_EQ(reds(clipped), (std::vector<int>{0, 127, 0, 0}));
    xPixelBuffer below(0, 5, 4, 1);
    drawText(*font, below, "a", {0, 0}, {255, 0, 0}, kNoClip);
    EXPECT_EQ(reds(below), (std::vector<int>{0, 0, 0, 0}));
}

TEST(TextMeasure, LastCharacterCountsItsGlyphWidth)
{
    FontPtr font = testFont();
    EXPECT_EQ(textWidth(*font, ""), 0);
    EXPECT_EQ(textWidth(*font, "a"), 2);
    EXPECT_EQ(textWidth(*font, "ab"), 3 - 1 + 1);
    EXPECT_EQ(textWidth(*font, "ba"), 2 + 2 + 2);
    EXPECT_EQ(textWidth(*font, "a\tb"), 3 + 4 * 2 + 1) << "a tab measures as four spaces";
    EXPECT_EQ(expandTabs("x\ty"), "x    y");
}

TEST(TextMeasure, SizeOfLines)
{
    FontPtr font = testFont();
    EXPECT_EQ(textSize(*font, ""), (xSize{0, 0}));
    EXPECT_EQ(textSize(*font, "a\nba"), (xSize{6, 2}));
    EXPECT_EQ(textSize(*font, "\n"), (xSize{0, 2}));
}

TEST(TextMeasure, LongTextsDoNotOverflow)
{
    std::vector<int> widths(256, 0), advances(256, xFont::kMaxAdvance);
    const auto w = int32Table(widths);
    const auto a = int32Table(advances);
    FontPtr font(xFont::create(0, 1, nullptr, 0, w.data(), w.size(), a.data(), a.size(), nullptr, 0));
    const std::string huge(1 << 20, 'x');
    EXPECT_EQ(textWidth(*font, huge), INT_MAX);
    xPixelBuffer tile(0, 0, 1, 1);
    drawText(*font, tile, huge, {INT_MAX - 10, 0}, {1, 1, 1}, kNoClip);
    EXPECT_EQ(tile.pixelAt(0, 0)[0], 0);
}

// The shipped font, from the committed package.
class ShippedFont : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string dir = sourceDir() + "/resources/gui/";
        const auto index = readFile(dir + "index.xml");
        const auto blob = readFile(dir + "package.bin");
        const xResourcePackage package(reinterpret_cast<const char*>(index.data()), index.size(), blob.data(),
                                       blob.size());
        font.reset(package.getFont("arial11"));
        ASSERT_NE(font, nullptr);
    }
    FontPtr font;
};

TEST_F(ShippedFont, TwoLinesAreTwentySixPixelsHigh)
{
    EXPECT_EQ(textSize(*font, "Cutoff\nReso").height, 26);
    EXPECT_EQ(textSize(*font, "Cutoff\nReso").width, textWidth(*font, "Cutoff"));
}

TEST_F(ShippedFont, KernedPairIsOnePixelNarrower)
{
    ASSERT_EQ(font->kerning('A', 'V'), -1);
    EXPECT_EQ(textWidth(*font, "AV"), font->advance('A') - 1 + font->glyphWidth('V'));
    // Drawn, the V starts one pixel left of where the advance alone would put it.
    xPixelBuffer kerned(0, 0, 30, 13), placed(0, 0, 30, 13), unkerned(0, 0, 30, 13);
    drawText(*font, kerned, "AV", {0, 0}, {255, 255, 255}, kNoClip);
    drawText(*font, placed, "A", {0, 0}, {255, 255, 255}, kNoClip);
    drawText(*font, placed, "V", {font->advance('A') - 1, 0}, {255, 255, 255}, kNoClip);
    drawText(*font, unkerned, "A", {0, 0}, {255, 255, 255}, kNoClip);
    drawText(*font, unkerned, "V", {font->advance('A'), 0}, {255, 255, 255}, kNoClip);
    int differences = 0;
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 30; ++x) {
            EXPECT_EQ(kerned.pixelAt(x, y)[2], placed.pixelAt(x, y)[2]) << x << "," << y;
            differences += kerned.pixelAt(x, y)[2] != unkerned.pixelAt(x, y)[2];
        }
    }
    EXPECT_GT(differences, 0);
}
