#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "editor_support.h"
#include "gui/draw_text.h"
#include "gui/font.h"

using namespace ostrel;
using namespace vellum;

namespace {

// Oscillator B's thumbnail; the selector at (104, 78) has its grid of 52 x 20 cells at
// (110, 174).
constexpr xPoint kThumbnailB{245 + 16, 50 + 9};

xPoint cellMiddle(int column, int row)
{
    return {110 + 52 * column + 26, 174 + 20 * row + 10};
}

} // namespace

TEST(WaveSelector, CellsPickTheirWaveAndOnlyAPressOutsideClosesWithoutOne)
{
    EditorBench b;
    WaveSelector& selector = b.editor.waveSelector(1);
    xIntParam& wave = *b.patch.oscWaveform[1];
    EXPECT_FALSE(selector.isVisible() || selector.isEnabled());

    // Numbers run down the columns: top-left 0 ("32 Sine"), the cell to its right 12
    // ("44 DisBel"), bottom-right 95 ("127 Noise").
    const struct {
        xPoint at;
        int wave;
    } picks[] = {{cellMiddle(0, 0), 0}, {cellMiddle(1, 0), 12}, {cellMiddle(7, 11), 95}, {{110, 174}, 0}};
    for (const auto& pick : picks) {
        b.click(kThumbnailB.x, kThumbnailB.y);
        ASSERT_TRUE(selector.isShown());
        EXPECT_EQ(b.window.root().getModal(), &selector);
        b.click(pick.at.x, pick.at.y);
        EXPECT_EQ(wave.getValue(), pick.wave);
        EXPECT_EQ(selector.selected(), pick.wave);
        EXPECT_FALSE(selector.isVisible() || selector.isShown());
        EXPECT_EQ(b.window.root().getModal(), nullptr);
    }
    EXPECT_EQ(selector.hitTest(110 + 416, 200), -1) << "right of the grid";
    EXPECT_EQ(selector.hitTest(200, 174 + 240), -1) << "below the grid";

    // A press on the panel above the grid neither picks nor closes; one outside closes and
    // leaves the wave alone, even on another control.
    wave.setValue(7);
    b.click(kThumbnailB.x, kThumbnailB.y);
    b.click(200, 120);
    EXPECT_TRUE(selector.isShown() && selector.isVisible());
    const float cutoff = b.patch.cutoff->normalized().get();
    b.window.press(xMouseButton::left, 548, 233);
    b.window.move(548, 180);
    b.window.release(xMouseButton::left, 548, 180);
    EXPECT_FALSE(selector.isVisible() || selector.isShown() || selector.isEnabled());
    EXPECT_EQ(wave.getValue(), 7);
    EXPECT_EQ(b.patch.cutoff->normalized().get(), cutoff) << "the press only closed the selector";
}

TEST(WaveSelector, EveryClickOnAThumbnailOpensItsSelectorAgain)
{
    EditorBench b;
    xIntParam& flag = b.editor.selectorFlag(2);
    WaveSelector& selector = b.editor.waveSelector(2);
    const xPoint thumbnail{290 + 16, 50 + 9};
    b.window.move(thumbnail.x, thumbnail.y);
    b.window.press(xMouseButton::left, thumbnail.x, thumbnail.y);
    EXPECT_EQ(flag.getValue(), 1);
    EXPECT_TRUE(selector.isShown());
    EXPECT_FALSE(b.editor.thumbnailHint(2).hint()->isVisible()) << "the name hint goes as the selector opens";
    b.window.release(xMouseButton::left, thumbnail.x, thumbnail.y);

    b.click(thumbnail.x, thumbnail.y); // outside the panel: closes it
    EXPECT_FALSE(selector.isShown());
    EXPECT_EQ(flag.getValue(), 1);
    b.click(thumbnail.x, thumbnail.y);
    EXPECT_EQ(flag.getValue(), 0);
    EXPECT_TRUE(selector.isShown()) << "the flag's second change opens it again";
    EXPECT_FALSE(b.editor.waveSelector(1).isShown() || b.editor.waveSelector(3).isShown());
}

TEST(WaveSelector, HoveringShowsTheWaveNamePlotAndSpectrum)
{
    EditorBench b;
    WaveSelector& selector = b.editor.waveSelector(0);
    b.click(200 + 16, 59);
    b.window.paintInvalid();
    EXPECT_EQ(selector.hovered(), -1);

    // "126 *null*": a silent cycle, flat in the plot, nothing but the baseline in the spectrum.
    b.window.move(cellMiddle(7, 10).x, cellMiddle(7, 10).y);
    EXPECT_EQ(selector.hovered(), 94);
    b.window.paintInvalid();
    const auto& rows = selector.waveRows();
    EXPECT_TRUE(std::all_of(rows.begin(), rows.end(), [&](int r) { return r == rows[0] && r >= 0; }));
    const auto& bars = selector.barHeights();
    EXPECT_TRUE(std::all_of(bars.begin(), bars.end(), [](int h) { return h == 1; }));
    // The name line reads "126 *null*" (number and name, the name without its number).
    xPixelBuffer expected(104 + 26, 78 + 10, 120, 13);
    fillRect(expected, expected.getRegion(), {0, 0, 0});
    xSharedRef<xFont> font(getPackage()->getFont("arial11"));
    drawText(*font, expected, "126 *null*", {130, 88}, {200, 200, 200}, expected.getRegion());
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 120; ++x)
            ASSERT_EQ(std::memcmp(expected.pixelAt(x, y), b.window.surface().pixelAt(130 + x, 88 + y), 3), 0)
                << x << "," << y;
    }

    // A sine (peak 2032 of 2048): one harmonic, trunc(64 x 0.992) + 1 pixels high.
    b.window.move(cellMiddle(0, 0).x, cellMiddle(0, 0).y);
    b.window.paintInvalid();
    EXPECT_EQ(selector.barHeights()[0], 64);
    EXPECT_TRUE(
        std::all_of(selector.barHeights().begin() + 1, selector.barHeights().end(), [](int h) { return h <= 2; }));
    const auto lowest = std::max_element(selector.waveRows().begin(), selector.waveRows().end());
    EXPECT_GT(lowest - selector.waveRows().begin(), 64)
        << "higher codes higher up: the sine's trough is in its second half";
}
