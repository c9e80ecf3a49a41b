#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "editor_support.h"

using namespace ostrel;
using namespace vellum;

TEST(EnvelopeMenus, ChosenItemMinusOneGoesToTheFieldAndItsStripShowsIt)
{
    EditorBench b;
    auto loopText = shippedBitmap("looptext");
    auto repeatText = shippedBitmap("repeattext");
    std::vector<xPoint> shownAt;
    int answer = 6; // "1 <-> 3"
    b.window.setMenuChooser([&](const xMenu& menu, xPoint at) {
        shownAt.push_back(at);
        EXPECT_EQ(menu.entries().size(), shownAt.size() == 2 ? 8u : 7u) << "the repeat menu has eight items";
        return answer;
    });
    b.click(63 + 20, 333 + 6);
    EXPECT_EQ(b.patch.filterLoop->getValue(), 5);
    b.patch.filterRepeat->setValue(3);
    answer = 1; // "Continuous"
    b.click(163 + 10, 333 + 6);
    EXPECT_EQ(b.patch.filterRepeat->getValue(), 0);
    ASSERT_EQ(shownAt.size(), 2u);
    EXPECT_TRUE(shownAt[0].x == 63 && shownAt[0].y == 333 && shownAt[1].x == 163 && shownAt[1].y == 333)
        << "each menu opens at its trigger's top-left corner";
    b.window.paintInvalid();
    EXPECT_TRUE(showsFrame(b.window, *loopText, {41, 13}, 5, {63, 333}));
    EXPECT_TRUE(showsFrame(b.window, *repeatText, {23, 13}, 0, {163, 333}));
    // The mix and amplitude rows have their own fields.
    answer = 3;
    b.click(43 + 20, 190 + 6);
    b.click(63 + 20, 473 + 6);
    EXPECT_EQ(b.patch.mixLoop->getValue(), 2);
    EXPECT_EQ(b.patch.ampLoop->getValue(), 2);
    EXPECT_EQ(b.patch.filterLoop->getValue(), 5);
}

TEST(SynthEditor, HostWritesMoveTheirControlsWithoutEditorCode)
{
    EditorBench b;
    auto knob = shippedBitmap("knob_anim");
    b.window.paintInvalid();
    std::int32_t pan3 = -1;
    for (std::int32_t i = 0; i < b.patch.registry().count(); ++i) {
        if (b.patch.registry().find(i)->param == b.patch.pan[3])
            pan3 = i;
    }
    ASSERT_GE(pan3, 0);
    std::thread host([&] { b.patch.registry().set(pan3, 0.75f); });
    host.join();
    const xRect dirty = b.window.paintInvalid();
    EXPECT_TRUE(dirty.contains({700, 390}) && dirty.contains({717, 407})) << "the fourth pan knob repainted";
    EXPECT_TRUE(showsFrame(b.window, *knob, {18, 18}, 48, {700, 390})) << "frame round(64 x 0.75)";
    EXPECT_TRUE(showsFrame(b.window, *knob, {18, 18}, 32, {700, 370})) << "the third stays centred";
}
