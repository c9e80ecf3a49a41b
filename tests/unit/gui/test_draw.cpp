#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "gui/bitmap.h"
#include "gui/draw.h"
#include "gui/pixel_buffer.h"

using namespace vellum;

namespace {

std::vector<int> at(const xPixelBuffer& b, int x, int y)
{
    const std::uint8_t* p = b.pixelAt(x, y);
    return {p[0], p[1], p[2], p[3]};
}

struct Released {
    void operator()(xBitmap* b) const { b->release(); }
};
using BitmapPtr = std::unique_ptr<xBitmap, Released>;

// A 2 x 2 opaque bitmap of distinct colours, red of pixel (x, y) = 10 x (1 + x + 2y).
BitmapPtr checker24()
{
    const std::uint8_t rgb[] = {10, 1, 2, 20, 1, 2, 30, 1, 2, 40, 1, 2};
    return BitmapPtr(xBitmap::create(24, 2, 2, rgb, sizeof rgb));
}

} // namespace

TEST(Rectangles, IntersectionOrEmpty)
{
    EXPECT_EQ(intersect({0, 0, 10, 10}, {5, 5, 10, 10}), (xRect{5, 5, 5, 5}));
    EXPECT_EQ(intersect({0, 0, 10, 10}, {10, 0, 5, 5}), (xRect{})) << "touching edges share no pixel";
    EXPECT_EQ(intersect({3, 4, -2, 5}, {0, 0, 10, 10}), (xRect{}));
    EXPECT_EQ(intersect({INT_MAX - 1, 0, INT_MAX, 1}, {0, 0, INT_MAX, 1}), (xRect{INT_MAX - 1, 0, 1, 1}))
        << "no overflow near the end of the range";
}

TEST(FillAndBlend, FillIsOpaqueAndClippedToTheTile)
{
    xPixelBuffer tile(100, 50, 4, 4);
    fillRect(tile, {98, 48, 4, 4}, {1, 2, 3});
    EXPECT_EQ(at(tile, 0, 0), (std::vector<int>{3, 2, 1, 255}));
    EXPECT_EQ(at(tile, 1, 1), (std::vector<int>{3, 2, 1, 255}));
    EXPECT_EQ(at(tile, 2, 1), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(at(tile, 1, 2), (std::vector<int>{0, 0, 0, 0}));
}

TEST(FillAndBlend, OpacityZeroChangesNothingAndFullOpacityLeavesOneIn256)
{
    xPixelBuffer tile(0, 0, 2, 1);
    tile.fill(0, 100, 200, 77);
    blendRect(tile, {0, 0, 2, 1}, {255, 255, 255}, 0);
    EXPECT_EQ(at(tile, 0, 0), (std::vector<int>{0, 100, 200, 77}));
    blendRect(tile, {0, 0, 2, 1}, {255, 200, 255}, 255);
    // blue 0 -> 255 stops at 254; green 100 -> 200 at 199; the fourth byte is kept.
    EXPECT_EQ(at(tile, 1, 0), (std::vector<int>{254, 199, 254, 77}));
    blendRect(tile, {0, 0, 2, 1}, {0, 0, 0}, 128);
    EXPECT_EQ(at(tile, 0, 0), (std::vector<int>{127, 99, 127, 77})) << "darkening rounds toward minus infinity";
}

TEST(FillAndBlend, OpacityOutsideTheByteRangeIsBounded)
{
    xPixelBuffer tile(0, 0, 1, 1);
    tile.fill(100, 100, 100, 0);
    blendRect(tile, {0, 0, 1, 1}, {255, 0, 0}, 100000);
    EXPECT_EQ(at(tile, 0, 0), (std::vector<int>{0, 0, 254, 0}));
    blendRect(tile, {0, 0, 1, 1}, {0, 0, 0}, -5);
    EXPECT_EQ(at(tile, 0, 0), (std::vector<int>{0, 0, 254, 0}));
}

TEST(DrawBitmap, HalfOutsideTheTileWritesOnlyInsideIt)
{
    BitmapPtr bm = checker24();
    xPixelBuffer tile(10, 10, 3, 3);
    tile.fill(9, 9, 9, 9);
    // The bitmap's left column lands left of the tile, its right column on the tile's first.
    drawBitmap(*bm, tile, {0, 0}, {9, 10}, {2, 2});
    EXPECT_EQ(at(tile, 0, 0), (std::vector<int>{2, 1, 20, 0}));
    EXPECT_EQ(at(tile, 0, 1), (std::vector<int>{2, 1, 40, 0}));
    EXPECT_EQ(at(tile, 1, 0), (std::vector<int>{9, 9, 9, 9}));
    EXPECT_EQ(at(tile, 0, 2), (std::vector<int>{9, 9, 9, 9}));
}

TEST(DrawBitmap, SectionOfAStripAndSectionsPastTheBitmapEdge)
{
    BitmapPtr bm = checker24();
    xPixelBuffer tile(0, 0, 4, 4);
    drawBitmap(*bm, tile, {0, 1}, {0, 0}, {2, 1});
    EXPECT_EQ(at(tile, 0, 0)[2], 30);
    EXPECT_EQ(at(tile, 1, 0)[2], 40);
    EXPECT_EQ(at(tile, 0, 1)[2], 0);
    // A section that reaches past the bitmap draws only the part inside it.
    xPixelBuffer other(0, 0, 4, 4);
    drawBitmap(*bm, other, {1, 1}, {0, 0}, {4, 4});
    EXPECT_EQ(at(other, 0, 0)[2], 40);
    EXPECT_EQ(at(other, 1, 0), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(at(other, 0, 1), (std::vector<int>{0, 0, 0, 0}));
    drawBitmap(*bm, other, {-5, -5}, {0, 0}, {4, 4});
    drawBitmap(*bm, other, {INT_MAX, INT_MIN}, {0, 0}, {4, 4});
    EXPECT_EQ(at(other, 3, 3), (std::vector<int>{0, 0, 0, 0}));
}

TEST(DrawBitmap, AlphaMixesAndKeepsTheFourthByte)
{
    const std::uint8_t rgba[] = {200, 100, 0, 255, 200, 100, 0, 0, 200, 100, 0, 128};
    BitmapPtr bm(xBitmap::create(32, 3, 1, rgba, sizeof rgba));
    xPixelBuffer tile(0, 0, 3, 1);
    tile.fill(0, 0, 100, 33);
    drawBitmap(*bm, tile, {0, 0}, {0, 0}, {3, 1});
    EXPECT_EQ(at(tile, 0, 0), (std::vector<int>{0, 99, 199, 33}));
    EXPECT_EQ(at(tile, 1, 0), (std::vector<int>{0, 0, 100, 33}));
    EXPECT_EQ(at(tile, 2, 0), (std::vector<int>{0, 50, 150, 33}));
}

TEST(DrawBitmap, IndexedPixelsGoThroughThePalette)
{
    const std::uint8_t indices[] = {1};
    std::vector<std::uint8_t> palette(1024, 0);
    palette[4] = 5;
    palette[5] = 6;
    palette[6] = 7;
    BitmapPtr bm(xBitmap::create(8, 1, 1, indices, 1, palette.data(), palette.size()));
    xPixelBuffer tile(0, 0, 1, 1);
    tile.fill(0, 0, 0, 44);
    drawBitmap(*bm, tile, {0, 0}, {0, 0}, {1, 1});
    EXPECT_EQ(at(tile, 0, 0), (std::vector<int>{7, 6, 5, 44}));
}

TEST(DrawBitmap, TargetsWithoutFourBytesAPixelAreLeftAlone)
{
    // An 8-bit bitmap holds one byte a pixel: drawing onto it would run past its rows.
    const std::uint8_t one[4] = {3, 3, 3, 3};
    BitmapPtr target(xBitmap::create(8, 2, 2, one, 4));
    BitmapPtr source = checker24();
    fillRect(*target, {0, 0, 2, 2}, {9, 9, 9});
    blendRect(*target, {0, 0, 2, 2}, {9, 9, 9}, 200);
    drawBitmap(*source, *target, {0, 0}, {0, 0}, {2, 2});
    EXPECT_EQ(std::vector<int>(target->pixels(), target->pixels() + 4), (std::vector<int>{3, 3, 3, 3}));
}

TEST(DrawBitmap, BitmapsCanBeDrawnInto)
{
    BitmapPtr strip(xBitmap::create(32, 2, 2, nullptr, 0));
    ASSERT_NE(strip, nullptr);
    strip->setRegion({50, 50, 9, 9});
    EXPECT_EQ(strip->getRegion(), (xRect{0, 0, 2, 2})) << "a bitmap does not move";
    fillRect(*strip, {1, 1, 5, 5}, {1, 2, 3});
    EXPECT_EQ(std::vector<int>(strip->pixels() + 12, strip->pixels() + 16), (std::vector<int>{3, 2, 1, 255}));
    EXPECT_EQ(strip->pixels()[3], 0);
}
