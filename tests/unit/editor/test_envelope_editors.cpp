#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "editor_support.h"
#include "gallery/test_params.h"

using namespace ostrel;
using namespace vellum;

namespace {

// The filter envelope's editor is at (10, 220), 470 x 110: point k at x = 15 + 100 x (sum of
// the times before it), y = 325 - 100 x level; the sustain stretch adds 50 pixels before
// point 4 (48 for picking). The amplitude's is 140 pixels lower.
void setFilter(Patch& patch, const std::vector<float>& levels, const std::vector<float>& times)
{
    for (std::size_t k = 0; k < levels.size(); ++k)
        patch.filterLevel[k]->normalized().set(levels[k]);
    for (std::size_t s = 0; s < times.size(); ++s)
        patch.filterTime[s]->normalized().set(times[s]);
}

} // namespace

TEST(EnvelopeDrags, LevelsFollowThePointerUpwardsTimesToTheRightEachWithinItsRange)
{
    EditorBench b;
    setFilter(b.patch, {0.2f, 0.5f, 0.4f, 0.6f, 0.1f}, {0.2f, 0.3f, 0.25f, 0.4f});
    EnvelopeEditor& filter = b.editor.filterEditor();
    ASSERT_FLOAT_EQ(filter.pointX(1), 35.0f);
    ASSERT_FLOAT_EQ(filter.pointY(1), 275.0f);

    // Point 1, 30 pixels up: its level gains 0.3, its time stays; 100 more stop at 1.
    auto* log = new GestureLog;
    b.patch.filterLevel[1]->normalized().addListener(log);
    b.drag(35, 275, 35, 245);
    EXPECT_NEAR(b.patch.filterLevel[1]->normalized().get(), 0.8f, 1e-4f);
    EXPECT_NEAR(b.patch.filterTime[0]->normalized().get(), 0.2f, 1e-4f);
    const std::vector<std::string> events = log->take();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front(), "begin");
    EXPECT_EQ(events.back(), "end") << "the drag is one gesture on the point's views";
    b.patch.filterLevel[1]->normalized().removeListener(log);
    log->release();
    b.drag(35, 245, 35, 145);
    EXPECT_FLOAT_EQ(b.patch.filterLevel[1]->normalized().get(), 1.0f);

    // Point 2, 50 pixels right: segment 1 lengthens by 0.5 and points 2 to 4 move with it.
    const float before[5] = {filter.pointX(0), filter.pointX(1), filter.pointX(2), filter.pointX(3), filter.pointX(4)};
    b.drag(65, 285, 115, 285);
    EXPECT_NEAR(b.patch.filterTime[1]->normalized().get(), 0.8f, 1e-4f);
    EXPECT_NEAR(b.patch.filterLevel[2]->normalized().get(), 0.4f, 1e-4f);
    for (int k = 0; k < 5; ++k)
        EXPECT_NEAR(filter.pointX(k), before[k] + (k >= 2 ? 50.0f : 0.0f), 0.05f) << "point " << k;

    // Point 0 only moves in level; a drag that starts beside every point moves nothing.
    b.drag(15, 305, 55, 295);
    EXPECT_NEAR(b.patch.filterLevel[0]->normalized().get(), 0.3f, 1e-4f);
    EXPECT_NEAR(b.patch.filterTime[0]->normalized().get(), 0.2f, 1e-4f);
    b.drag(300, 240, 200, 300);
    EXPECT_NEAR(b.patch.filterTime[2]->normalized().get(), 0.25f, 1e-4f);
    EXPECT_EQ(filter.draggedPoint(), -1);

    // The amplitude envelope's point 4 has no level: only its time follows.
    for (int k = 0; k < 4; ++k)
        b.patch.ampLevel[static_cast<std::size_t>(k)]->normalized().set(k == 0 ? 0.0f : 1.0f);
    for (int s = 0; s < 4; ++s)
        b.patch.ampTime[static_cast<std::size_t>(s)]->normalized().set(s == 3 ? 0.2f : 0.1f);
    ASSERT_FLOAT_EQ(b.editor.ampEditor().pointX(3), 45.0f);
    b.drag(113, 465, 143, 425);
    EXPECT_NEAR(b.patch.ampTime[3]->normalized().get(), 0.5f, 1e-4f);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(b.patch.ampLevel[static_cast<std::size_t>(k)]->normalized().get(), k == 0 ? 0.0f : 1.0f);
    EXPECT_FLOAT_EQ(b.editor.ampEditor().pointY(4), 465.0f);
}

TEST(EnvelopeReadouts, ShowTheDraggedPointAtOnceAndARestingOneAfterASecond)
{
    EditorBench b;
    setFilter(b.patch, {0.2f, 0.5f, 0.4f, 0.6f, 0.1f}, {0.0f, 0.5f, 0.25f, 0.4f});
    EnvelopeReadout& readout = b.editor.readout(1);
    EXPECT_FALSE(readout.isVisible());

    // Point 2 ends segment 1: a time of 0.5 is 0.01 x 10^1.5 = 0.316 seconds.
    b.window.move(65, 285);
    b.window.tick(19);
    EXPECT_FALSE(readout.isVisible()) << "not before 20 ticks";
    b.window.tick(1);
    ASSERT_TRUE(readout.isVisible());
    EXPECT_EQ(readout.text(), "2: 0.40@0.32s");
    EXPECT_TRUE(b.editor.filterEditor().getRect().contains({readout.getRect().x, readout.getRect().y}));
    b.window.move(200, 200);
    EXPECT_FALSE(readout.isVisible()) << "leaving the point hides it";

    // Point 0 has no time before it: always 0.01 seconds. A drag shows the readout at once
    // and follows it; the release hides it.
    b.window.press(xMouseButton::left, 15, 305);
    EXPECT_EQ(readout.text(), "0: 0.20@0.01s");
    b.window.move(15, 285);
    EXPECT_TRUE(readout.isVisible());
    EXPECT_EQ(readout.text(), "0: 0.40@0.01s");
    b.window.release(xMouseButton::left, 15, 285);
    EXPECT_FALSE(readout.isVisible());

    // The mix pad's readout tells X and Y.
    b.patch.mixX[1]->normalized().set(0.25f);
    b.patch.mixY[1]->normalized().set(0.85f);
    b.window.press(xMouseButton::left, 84 - 32, 94 + 45);
    EXPECT_EQ(b.editor.readout(0).text(), "-0.50,0.70");
    b.window.release(xMouseButton::left, 84 - 32, 94 + 45);
}

TEST(MixPad, PointsMoveOneUnitPer64PixelsAndStopAtTheEdge)
{
    EditorBench b;
    MixEnvelopeEditor& mix = b.editor.mixEditor();
    // Centre (84, 94); X -0.5 and Y 0.25 put point 2 at (52, 110).
    b.patch.mixX[2]->normalized().set(0.25f);
    b.patch.mixY[2]->normalized().set(0.625f);
    ASSERT_FLOAT_EQ(mix.pointX(2), 52.0f);
    ASSERT_FLOAT_EQ(mix.pointY(2), 110.0f);
    b.drag(52, 110, 116, 110);
    EXPECT_NEAR(mix.pointXValue(2), 0.5f, 1e-3f);
    EXPECT_NEAR(b.patch.mixX[2]->value().get(), 0.5f, 1e-3f);
    EXPECT_NEAR(b.patch.mixY[2]->value().get(), 0.25f, 1e-3f) << "Y stays";
    b.drag(116, 110, 180, 140);
    EXPECT_FLOAT_EQ(b.patch.mixX[2]->value().get(), 1.0f) << "X stops at 1";
    EXPECT_NEAR(b.patch.mixY[2]->value().get(), 0.25f + 30.0f / 64.0f, 1e-3f);
}

TEST(EnvelopeEditors, FollowTheHostFromAnyThread)
{
    EditorBench b;
    setFilter(b.patch, {0.2f, 0.5f, 0.4f, 0.6f, 0.1f}, {0.2f, 0.3f, 0.25f, 0.4f});
    b.window.paintInvalid();
    std::thread host([&] { b.patch.filterLevel[2]->normalized().set(0.9f); });
    host.join();
    EXPECT_FLOAT_EQ(b.editor.filterEditor().pointY(2), 235.0f);
    const xRect dirty = b.window.paintInvalid();
    EXPECT_TRUE(dirty.contains({65, 285}) && dirty.contains({65, 235})) << "the graph repainted";

    // The same picture as an editor that showed the level from the start.
    EditorBench fresh;
    setFilter(fresh.patch, {0.2f, 0.5f, 0.9f, 0.6f, 0.1f}, {0.2f, 0.3f, 0.25f, 0.4f});
    fresh.window.paintAll();
    const xRect graph = b.editor.filterEditor().getRect();
    int differing = 0;
    for (int y = graph.y; y < graph.bottom(); ++y) {
        for (int x = graph.x; x < graph.right(); ++x)
            differing += std::memcmp(b.window.surface().pixelAt(x, y), fresh.window.surface().pixelAt(x, y), 3) != 0;
    }
    EXPECT_EQ(differing, 0);
}
