#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "gallery/gallery.h"
#include "gallery/scenario.h"
#include "gui/headless_window.h"
#include "gui/hover_hint.h"
#include "gui/layer.h"
#include "gui/root.h"
#include "toolkit_support.h"

using namespace vellum;

// The scenario the window test plays under Wine, played here through the headless binding:
// both must end with these values (the window test also compares their pixels).
TEST(GalleryScenario, HeadlessPlayLeavesTheExpectedValues)
{
    gallery::Params params; // outlives the widgets that listen to it
    xHeadlessWindow window(gallery::kWidth, gallery::kHeight);
    gallery::build(*window.getFacade(), shippedPackage(), params);
    params.setPictured();
    gallery::play(window, gallery::scenario());
    EXPECT_EQ(gallery::checkOutcome(params), std::vector<std::string>{});
    EXPECT_EQ(window.root().getFocus(), nullptr) << "the last click went to a switch that does not take focus";
    window.paintAll();
}

// Parameters written from another thread (automation) only invalidate; the user-interface
// thread paints meanwhile. Run under ThreadSanitizer in CI.
TEST(ListenerThreads, WritesFromAnotherThreadOnlyInvalidateWhileTheWindowPaints)
{
    gallery::Params params; // outlives the widgets that listen to it
    xHeadlessWindow window(gallery::kWidth, gallery::kHeight);
    gallery::build(*window.getFacade(), shippedPackage(), params);
    params.setPictured();
    window.paintAll();
    std::atomic<bool> done{false};
    std::thread automation([&] {
        for (int i = 0; i <= 2020; ++i) {
            params.bigKnobs[0].set(static_cast<float>(i % 100) / 99.0f);
            params.level.set(static_cast<float>(i % 7) / 7.0f);
            params.loop.set(i % 7);
        }
        done = true;
    });
    while (!done) {
        window.paintInvalid();
        window.tick();
        window.move(gallery::spots().hintKnob.x, gallery::spots().hintKnob.y);
    }
    automation.join();
    window.paintInvalid();
    EXPECT_FLOAT_EQ(params.bigKnobs[0].value(), 20.0f / 99.0f);
    EXPECT_TRUE(window.invalidRect().isEmpty());
}
