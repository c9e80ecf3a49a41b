#include <gtest/gtest.h>

#include <vector>

#include "editor_support.h"

using namespace ostrel;
using namespace vellum;

namespace {

// Cell (r, c) of the matrix panel at (370, 0): a 12 x 12 switch at (467 + 18c, 47 + 18r).
xPoint cellAt(int row, int column)
{
    return {370 + 97 + 18 * column, 47 + 18 * row};
}

std::vector<int> routeValues(Patch& patch)
{
    std::vector<int> values;
    for (auto& row : patch.modRoute) {
        for (xIntParam* cell : row)
            values.push_back(cell ? cell->getValue() : -1);
    }
    return values;
}

} // namespace

TEST(ModMatrixView, OneSwitchPerCellThePatchHasShowingItsRoute)
{
    EditorBench b;
    const ModMatrixView& matrix = b.editor.modMatrix();
    int total = 0;
    std::vector<int> rowSix;
    int rowTwo = 0;
    for (int r = 0; r < kModRows; ++r) {
        for (int c = 0; c < kModColumns; ++c) {
            const xCycleSwitch* cell = matrix.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            EXPECT_EQ(cell != nullptr,
                      b.patch.modRoute[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] != nullptr);
            if (!cell)
                continue;
            ++total;
            EXPECT_EQ(cell->getRect(), (xRect{cellAt(r, c).x, cellAt(r, c).y, 12, 12}));
            if (r == 6)
                rowSix.push_back(c);
            rowTwo += r == 2 ? 1 : 0;
        }
    }
    EXPECT_EQ(total, 52);
    EXPECT_EQ(rowSix, (std::vector<int>{8, 10, 14}));
    EXPECT_EQ(rowTwo, 15);

    // A new patch that turns modRoute[6][8] on lights its switch without any click.
    auto strip = shippedBitmap("modmatrixbutton");
    b.patch.modRoute[6][8]->setValue(0);
    b.window.paintInvalid();
    ASSERT_TRUE(showsFrame(b.window, *strip, {12, 12}, 0, cellAt(6, 8)));
    Patch fresh(&b.host);
    fresh.initPatch();
    std::vector<unsigned char> chunk(static_cast<std::size_t>(fresh.chunkSize()));
    fresh.writeChunk(chunk.data());
    b.patch.readChunk(chunk.data(), static_cast<std::int32_t>(chunk.size()));
    EXPECT_EQ(b.patch.modRoute[6][8]->getValue(), 1);
    b.window.paintInvalid();
    EXPECT_TRUE(showsFrame(b.window, *strip, {12, 12}, 1, cellAt(6, 8)));

    // A click on a lit cell turns it off; a click where no cell exists changes nothing.
    b.click(cellAt(6, 8).x + 6, cellAt(6, 8).y + 6);
    EXPECT_EQ(b.patch.modRoute[6][8]->getValue(), 0);
    b.window.paintInvalid();
    EXPECT_TRUE(showsFrame(b.window, *strip, {12, 12}, 0, cellAt(6, 8)));
    const std::vector<int> before = routeValues(b.patch);
    b.click(cellAt(6, 0).x + 6, cellAt(6, 0).y + 6);
    b.click(cellAt(3, 14).x + 14, cellAt(3, 14).y + 6); // between two cells
    EXPECT_EQ(routeValues(b.patch), before);
}
