#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "gui/bitmap.h"
#include "gui/draw.h"
#include "gui/draw_line.h"
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

TEST(Lines, TilesTogetherDrawTheWholeLineAndFarEndsAreClipped)
{
    // The same lines drawn into one surface and into four quarter tiles give the same pixels.
    const auto drawAll = [](xSurface& target) {
        drawLine(target, {1, 2}, {18, 9}, {255, 0, 0});   // shallow, across the tile edge
        drawLine(target, {15, 1}, {12, 18}, {0, 255, 0}); // steep, right to left
        drawLine(target, {3, 17}, {3, 17}, {0, 0, 255});  // one pixel
        frameRect(target, {5, 5, 10, 6}, {9, 9, 9});
    };
    xPixelBuffer whole(0, 0, 20, 20);
    drawAll(whole);
    for (int ty = 0; ty < 20; ty += 10) {
        for (int tx = 0; tx < 20; tx += 10) {
            xPixelBuffer tile(tx, ty, 10, 10);
            drawAll(tile);
            for (int y = 0; y < 10; ++y) {
                for (int x = 0; x < 10; ++x)
                    ASSERT_EQ(at(tile, x, y), at(whole, tx + x, ty + y)) << tx + x << "," << ty + y;
            }
        }
    }
    // Both ends are drawn; a shallow line sets one pixel in every column, at the nearest row.
    xPixelBuffer alone(0, 0, 20, 20);
    drawLine(alone, {1, 2}, {18, 9}, {255, 0, 0});
    for (int x = 0; x < 20; ++x) {
        int lit = 0;
        for (int y = 0; y < 20; ++y)
            lit += at(alone, x, y)[3] == 255 ? 1 : 0;
        EXPECT_EQ(lit, x >= 1 && x <= 18 ? 1 : 0) << "column " << x;
    }
    EXPECT_EQ(at(alone, 1, 2), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(at(alone, 18, 9), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(at(alone, 10, 6), (std::vector<int>{0, 0, 255, 255})) << "y = 2 + 9 x 7 / 17 = 5.7";
    EXPECT_EQ(at(whole, 3, 17), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(at(whole, 14, 10), (std::vector<int>{9, 9, 9, 255})) << "the frame's last column and row";
    EXPECT_EQ(at(whole, 10, 8), (std::vector<int>{0, 0, 0, 0})) << "inside the frame stays";

    // Ends at the far limits of the coordinates: only the pixels inside the tile, quickly.
    xPixelBuffer tile(100, 100, 4, 4);
    drawLine(tile, {INT_MIN, 101}, {INT_MAX, 101}, {1, 1, 1});
    drawLine(tile, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {2, 2, 2});
    frameRect(tile, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {3, 3, 3});
    EXPECT_EQ(at(tile, 0, 1), (std::vector<int>{1, 1, 1, 255}));
    EXPECT_EQ(at(tile, 3, 1), (std::vector<int>{1, 1, 1, 255}));
    EXPECT_EQ(at(tile, 2, 2), (std::vector<int>{2, 2, 2, 255})) << "the diagonal passes (102, 102)";
    EXPECT_EQ(at(tile, 3, 0), (std::vector<int>{0, 0, 0, 0}));
}
