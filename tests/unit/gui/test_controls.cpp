#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "gallery/test_params.h"
#include "gui/bitmap.h"
#include "gui/click_cycler.h"
#include "gui/color_panel.h"
#include "gui/cycle_switch.h"
#include "gui/draw.h"
#include "gui/font.h"
#include "gui/headless_window.h"
#include "gui/hover_hint.h"
#include "gui/knob.h"
#include "gui/label.h"
#include "gui/layer.h"
#include "gui/menu_trigger.h"
#include "gui/modal_panel.h"
#include "gui/radio_menu.h"
#include "gui/root.h"
#include "gui/shared_ref.h"
#include "gui/strip_indicator.h"
#include "gui/toggle_button.h"
#include "gui/value_display.h"
#include "toolkit_support.h"

using namespace vellum;

namespace {

constexpr xColour kBackground{10, 20, 30};

// A small window with a plain background layer and a layer for the controls under test.
struct Bench {
    Bench()
    {
        auto* back = new xLayer;
        back->addWidget(new xColorPanel({0, 0, 200, 120}, kBackground));
        window.getFacade()->addLayer(back);
        window.getFacade()->addLayer(controls);
    }
    template <class W>
    W* add(W* widget)
    {
        controls->addWidget(widget);
        return widget;
    }
    xRect repaint() { return window.paintInvalid(); }

    xHeadlessWindow window{200, 120};
    xLayer* controls = new xLayer;
};

// What the window would show with only the background and the frame drawn at `at`.
bool showsFrame(const xHeadlessWindow& window, const xBitmap& strip, xSize size, int frame, xPoint at)
{
    xPixelBuffer expected(at.x, at.y, size.width, size.height);
    fillRect(expected, expected.getRegion(), kBackground);
    if (frame >= 0)
        drawBitmap(strip, expected, {0, frame * size.height}, at, size);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const std::uint8_t* want = expected.pixelAt(x, y);
            const std::uint8_t* got = window.surface().pixelAt(at.x + x, at.y + y);
            if (want[0] != got[0] || want[1] != got[1] || want[2] != got[2])
                return false;
        }
    }
    return true;
}

bool sameArea(const xHeadlessWindow& a, const xHeadlessWindow& b, const xRect& r)
{
    for (int y = r.y; y < r.bottom(); ++y) {
        for (int x = r.x; x < r.right(); ++x) {
            if (std::memcmp(a.surface().pixelAt(x, y), b.surface().pixelAt(x, y), 3) != 0)
                return false;
        }
    }
    return true;
}

xSharedRef<xBitmap> bitmap(const char* name)
{
    return xSharedRef<xBitmap>(shippedPackage().getBitmap(name));
}

} // namespace

TEST(KnobInput, DragWheelAndKeysMoveByTheirStepsAndStayWithinRange)
{
    TestFloatParam p;
    Bench b;
    auto strip = bitmap("knob_anim");
    b.add(new xKnob(p.normalized(), strip.get(), {10, 10}, {18, 18}));
    const int cx = 19, cy = 19;

    // 120 pixels up: 0 to 1; with shift: 0 to 0.1. Sideways movement does nothing.
    b.window.press(xMouseButton::left, cx, cy);
    b.window.move(cx + 40, cy);
    EXPECT_EQ(p.value(), 0.0f);
    b.window.move(cx + 40, cy - 120);
    EXPECT_FLOAT_EQ(p.value(), 1.0f);
    b.window.release(xMouseButton::left, cx, cy - 120);
    p.set(0.0f);
    b.window.press(xMouseButton::left, cx, cy);
    for (int dy = 10; dy <= 120; dy += 10)
        b.window.move(cx, cy - dy, mouse::kShift);
    EXPECT_NEAR(p.value(), 0.1f, 1e-6f);
    // A captured drag far outside the window, even from coordinates a binding would never
    // send, ends at the limits.
    b.window.move(cx, 32767);
    EXPECT_EQ(p.value(), 0.0f);
    b.window.root().onMouseMove({cx, INT_MIN, mouse::kLeft});
    EXPECT_EQ(p.value(), 1.0f);
    b.window.root().onMouseMove({cx, INT_MAX, mouse::kLeft});
    EXPECT_EQ(p.value(), 0.0f);
    b.window.release(xMouseButton::left, cx, cy);
    b.window.move(cx, cy - 50);
    EXPECT_EQ(p.value(), 0.0f) << "the release ended the drag";
    ASSERT_EQ(b.window.root().getFocus(), b.controls->creationList()[0]) << "the press gave the knob focus";

    // Wheel: a notch is 0.02, 0.99 ends at 1, partial rotations add up to one change.
    p.set(0.99f);
    EXPECT_TRUE(b.window.wheel(120));
    EXPECT_EQ(p.value(), 1.0f);
    p.set(0.5f);
    const int writesBefore = p.writes();
    b.window.wheel(40);
    b.window.wheel(40);
    EXPECT_EQ(p.value(), 0.5f);
    b.window.wheel(40);
    EXPECT_FLOAT_EQ(p.value(), 0.52f);
    EXPECT_EQ(p.writes() - writesBefore, 3) << "every wheel event writes, also when nothing changed";
    // Huge deltas move one step each and never overflow the kept rest.
    b.window.wheel(INT_MAX);
    b.window.wheel(INT_MAX);
    EXPECT_FLOAT_EQ(p.value(), 0.56f);
    b.window.wheel(-100);
    b.window.wheel(INT_MIN);
    EXPECT_FLOAT_EQ(p.value(), 0.54f);

    // Keys: Home, End, Page and arrow steps; Left and Right are not the knob's.
    EXPECT_TRUE(b.window.keyDown(key::kHome));
    EXPECT_EQ(p.value(), 1.0f);
    b.window.keyDown(key::kPageUp);
    EXPECT_EQ(p.value(), 1.0f);
    EXPECT_TRUE(b.window.keyDown(key::kEnd));
    EXPECT_EQ(p.value(), 0.0f);
    b.window.keyDown(key::kDown);
    EXPECT_EQ(p.value(), 0.0f);
    b.window.keyDown(key::kPageUp);
    b.window.keyDown(key::kUp);
    EXPECT_NEAR(p.value(), 1.0f / 12.0f + 1.0f / 120.0f, 1e-6f);
    const float before = p.value();
    EXPECT_FALSE(b.window.keyDown(key::kLeft));
    EXPECT_FALSE(b.window.keyDown(key::kRight));
    EXPECT_EQ(p.value(), before);

    // A value that is not a number counts as 0.
    p.set(std::numeric_limits<float>::quiet_NaN());
    b.window.wheel(120);
    EXPECT_FLOAT_EQ(p.value(), 0.02f);
    // A double click is two presses: the value stays where it was.
    p.set(0.3f);
    b.window.click(xMouseButton::left, cx, cy);
    b.window.click(xMouseButton::left, cx, cy, mouse::kControl);
    EXPECT_EQ(p.value(), 0.3f);
}

TEST(KnobDrawing, FrameFollowsTheViewOnlyAfterItReportsAndRepaintsOnlyOnChange)
{
    TestFloatParam p;
    Bench b;
    auto strip = bitmap("knob_anim");
    b.add(new xKnob(p.normalized(), strip.get(), {30, 40}, {18, 18}));
    b.window.paintAll();
    EXPECT_TRUE(showsFrame(b.window, *strip, {18, 18}, -1, {30, 40})) << "nothing until the view reports";
    b.repaint();

    p.set(0.5f); // as the host would: the knob follows by itself
    EXPECT_EQ(b.repaint(), (xRect{30, 40, 18, 18})) << "only the knob's rectangle";
    EXPECT_TRUE(showsFrame(b.window, *strip, {18, 18}, 32, {30, 40})) << "frame round(64 x 0.5)";
    p.set(0.5f);
    EXPECT_TRUE(b.window.invalidRect().isEmpty()) << "the same value repaints nothing";
    p.set(1.0f / 128.0f); // 64 / 128 = 0.5 rounds away from zero
    b.repaint();
    EXPECT_TRUE(showsFrame(b.window, *strip, {18, 18}, 1, {30, 40}));
    p.set(7.0f); // out of range from the view: the last frame, never a read past the strip
    b.repaint();
    EXPECT_TRUE(showsFrame(b.window, *strip, {18, 18}, 64, {30, 40}));
}

TEST(ToggleButton, FlipsOnReleaseInsideOnlyAndShowsItsFrameByMode)
{
    TestIntParam mode2, mode1, mode3;
    Bench b;
    auto strip = bitmap("button"); // three frames of 18 x 27
    b.add(new xToggleButton(mode2.index(), strip.get(), {10, 10}, {18, 27}, 2));
    b.add(new xToggleButton(mode1.index(), strip.get(), {40, 10}, {18, 27}, 1));
    b.add(new xToggleButton(mode3.index(), strip.get(), {70, 10}, {18, 27}, 3));
    mode2.set(0);
    mode1.set(1);
    mode3.set(0);

    // Pressed inside, moved out, released outside: unchanged. The pressed frame follows the
    // pointer while the button tracks it.
    b.window.press(xMouseButton::left, 15, 15);
    b.window.paintAll();
    EXPECT_TRUE(showsFrame(b.window, *strip, {18, 27}, 1, {10, 10})) << "mode 2, pressed: frame 1";
    b.window.move(100, 100);
    b.window.paintAll();
    EXPECT_TRUE(showsFrame(b.window, *strip, {18, 27}, 0, {10, 10}));
    b.window.release(xMouseButton::left, 100, 100);
    EXPECT_EQ(mode2.value(), 0);
    // Released inside: flipped.
    b.window.click(xMouseButton::left, 15, 15);
    EXPECT_EQ(mode2.value(), 1);
    b.window.paintAll();
    EXPECT_TRUE(showsFrame(b.window, *strip, {18, 27}, 2, {10, 10})) << "mode 2, value 1: frame 2";
    EXPECT_TRUE(showsFrame(b.window, *strip, {18, 27}, 0, {40, 10})) << "mode 1 shows only the press";
    b.window.press(xMouseButton::left, 75, 15);
    b.window.paintAll();
    EXPECT_TRUE(showsFrame(b.window, *strip, {18, 27}, 1, {70, 10})) << "mode 3: 2 x value + pressed";
    b.window.release(xMouseButton::left, 75, 15);
    EXPECT_EQ(mode3.value(), 1);

    // Space while focused: pressed on key down, flipped on key up; a key up alone does nothing.
    EXPECT_TRUE(b.window.keyDown(key::kSpace));
    EXPECT_TRUE(b.window.keyDown(key::kSpace)); // auto-repeat
    EXPECT_EQ(mode3.value(), 1);
    b.window.keyUp(key::kSpace);
    EXPECT_EQ(mode3.value(), 0);
    b.window.keyUp(key::kSpace);
    EXPECT_EQ(mode3.value(), 0);
    // A value out of range draws nothing, and the next click brings it back to 0.
    mode2.set(5);
    b.window.paintAll();
    EXPECT_TRUE(showsFrame(b.window, *strip, {18, 27}, -1, {10, 10}));
    b.window.click(xMouseButton::left, 15, 15);
    EXPECT_EQ(mode2.value(), 0);
}

TEST(Labels, TabIsFourSpacesAndLineFeedStartsALine)
{
    xSharedRef<xFont> font(shippedPackage().getFont("arial11"));
    Bench withTab, withSpaces, twoLines, oneEach;
    withTab.add(new xLabel(font.get(), "a\tb", {5, 5}, colours::white));
    withSpaces.add(new xLabel(font.get(), "a    b", {5, 5}, colours::white));
    auto* label = twoLines.add(new xLabel(font.get(), "ab\ncd", {5, 5}, colours::white));
    oneEach.add(new xLabel(font.get(), "ab", {5, 5}, colours::white));
    oneEach.add(new xLabel(font.get(), "cd", {5, 18}, colours::white));
    for (Bench* b : {&withTab, &withSpaces, &twoLines, &oneEach})
        b->window.paintAll();
    EXPECT_TRUE(sameArea(withTab.window, withSpaces.window, {0, 0, 200, 120}));
    EXPECT_EQ(label->getRect().height, 26);
    EXPECT_EQ(label->lines(), (std::vector<std::string>{"ab", "cd"}));
    EXPECT_TRUE(sameArea(twoLines.window, oneEach.window, {0, 0, 200, 120}));
}

TEST(SteppedControls, CyclerWrapsLetsThePressThroughAndTheSwitchShowsTheIndex)
{
    TestIntParam four, two;
    std::vector<std::string> log;
    Bench b;
    auto cell = bitmap("modmatrixbutton"); // two frames of 12 x 12
    b.add(new ProbeWidget("below", {0, 0, 200, 120}, log));
    b.add(new xClickCycler(four.index(), {10, 10, 20, 20}, 4, false));
    b.add(new xCycleSwitch(two.index(), cell.get(), {50, 10, 12, 12}, 2, false));
    four.set(3);
    b.window.click(xMouseButton::left, 15, 15);
    EXPECT_EQ(four.value(), 0) << "four states: 3 wraps to 0";
    EXPECT_EQ(log, (std::vector<std::string>{"below:leftDown"})) << "the cycler does not handle the press";
    b.window.click(xMouseButton::left, 15, 15);
    EXPECT_EQ(four.value(), 1);
    four.set(-7);
    b.window.click(xMouseButton::left, 15, 15);
    EXPECT_EQ(four.value(), 0) << "out of range starts again at 0";
    b.window.click(xMouseButton::left, 5, 5);
    EXPECT_EQ(four.value(), 0) << "outside: nothing";

    b.window.paintAll();
    EXPECT_TRUE(showsFrame(b.window, *cell, {12, 12}, -1, {50, 10})) << "no report yet";
    b.window.click(xMouseButton::left, 55, 15);
    EXPECT_EQ(two.value(), 1);
    b.window.paintAll();
    EXPECT_TRUE(showsFrame(b.window, *cell, {12, 12}, 1, {50, 10}));
    b.window.click(xMouseButton::left, 55, 15);
    EXPECT_EQ(two.value(), 0);
    b.window.paintAll();
    EXPECT_TRUE(showsFrame(b.window, *cell, {12, 12}, 0, {50, 10}));
}

TEST(HoverHint, ShowsAfterTwentyTicksOfRestOrWhilePressedAndLeavesWithThePointer)
{
    TestFloatParam p, other;
    Bench b;
    auto strip = bitmap("knob_anim");
    xSharedRef<xFont> font(shippedPackage().getFont("arial11"));
    auto* hint = new xValueDisplay(p.text(), font.get(), {40, 10, 40, 14}, true);
    auto* hintLayer = new xLayer;
    hintLayer->addWidget(hint);
    auto* decorated = new xHoverHint(new xKnob(p.normalized(), strip.get(), {10, 10}, {18, 18}), hint);
    b.add(decorated);
    b.add(new xKnob(other.normalized(), strip.get(), {10, 60}, {18, 18}));
    b.window.getFacade()->addLayer(hintLayer);
    EXPECT_FALSE(hint->isVisible());

    b.window.move(15, 15);
    b.window.tick(19);
    EXPECT_FALSE(hint->isVisible());
    b.window.tick();
    EXPECT_TRUE(hint->isVisible()) << "20 ticks: one second at rest";
    b.window.move(100, 100);
    EXPECT_FALSE(hint->isVisible());
    b.window.tick(40);
    EXPECT_FALSE(hint->isVisible());

    // A press shows the hint at once and keeps it while dragging out; the knob under it gets
    // the press (focus goes to the decorator) and the drag.
    b.window.press(xMouseButton::left, 15, 15);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(b.window.root().getFocus(), decorated);
    b.window.move(15, -45);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_FLOAT_EQ(p.value(), 0.5f);
    b.window.release(xMouseButton::left, 15, -45);
    EXPECT_FALSE(hint->isVisible());
    EXPECT_TRUE(b.window.wheel(120)) << "wheel and keys reach the knob through the decorator";
    EXPECT_FLOAT_EQ(p.value(), 0.52f);

    // Dragging another knob across it shows nothing.
    b.window.press(xMouseButton::left, 15, 65);
    b.window.move(15, 15, 0);
    b.window.root().onMouseMove({15, 16, mouse::kLeft});
    b.window.tick(30);
    EXPECT_FALSE(hint->isVisible());
    b.window.release(xMouseButton::left, 15, 16);

    // The hint widget removed from its layer: the decorator forgets it and goes on working.
    b.window.move(15, 15);
    hintLayer->removeWidget(hint);
    EXPECT_EQ(decorated->hint(), nullptr);
    b.window.tick(30);
    b.window.click(xMouseButton::left, 15, 15);
    b.window.paintAll();
}

TEST(ValueDisplay, ShowsTheTextViewCentredWithItsUnitAndRepaintsOnlyTheText)
{
    xSharedRef<xFont> font(shippedPackage().getFont("arial11"));
    TestFloatParam p(2);
    Bench b;
    auto* display = b.add(new xValueDisplay(p.text(), font.get(), {20, 20, 100, 20}, true));
    display->setUnit(" Hz");
    display->setTransparency(0.5f);
    b.window.paintAll();
    b.repaint();
    std::vector<std::uint8_t> before(b.window.surface().pixelAt(0, 0),
                                     b.window.surface().pixelAt(0, 0) + 200 * 120 * 4);
    EXPECT_EQ(display->shownText(), "");
    EXPECT_EQ(0, std::memcmp(before.data(), b.window.surface().pixelAt(0, 0), before.size()))
        << "nothing drawn before the first report";

    p.set(0.25f);
    EXPECT_EQ(display->shownText(), "0.25 Hz");
    EXPECT_EQ(b.repaint(), (xRect{20, 20, 100, 20})) << "the first report brings in the background";
    // Blended at opacity 128 over the background: c + ((0 - c) x 128) >> 8.
    EXPECT_EQ(b.window.surface().pixelAt(21, 21)[2], 10 + ((0 - 10) * 128 >> 8));
    p.set(0.5f);
    const xRect dirty = b.repaint();
    EXPECT_GT(dirty.x, 20);
    EXPECT_LT(dirty.right(), 120) << "only the text's place, centred";
    EXPECT_EQ(dirty.height, 13);
    p.set(0.5f);
    EXPECT_TRUE(b.window.invalidRect().isEmpty());
}

TEST(ColorPanel, TransparencyRoundsToAnOpacityAndIsBounded)
{
    xColorPanel panel({0, 0, 1, 1}, colours::red);
    EXPECT_EQ(panel.opacity(), 255);
    panel.setTransparency(0.1f);
    EXPECT_EQ(panel.opacity(), 230);
    panel.setTransparency(0.3f);
    EXPECT_EQ(panel.opacity(), 179);
    panel.setTransparency(2.0f);
    EXPECT_EQ(panel.opacity(), 0);
    panel.setTransparency(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(panel.opacity(), 255);
}

TEST(Gestures, DragsAndSingleStepsAreBracketedOnTheirViewsAndADismissedMenuIsNone)
{
    using Log = std::vector<std::string>;
    TestFloatParam level;
    TestIntParam onOff, loop;
    auto* knobLog = new GestureLog;
    auto* intLog = new GestureLog;
    auto* loopLog = new GestureLog;
    level.normalized().addListener(knobLog);
    onOff.index().addListener(intLog);
    loop.index().addListener(loopLog);
    {
        Bench b;
        auto strip = bitmap("knob_anim");
        auto* knob = b.add(new xKnob(level.normalized(), strip.get(), {10, 10}, {18, 18}));
        b.add(new xToggleButton(onOff.index(), bitmap("button").get(), {40, 10}, {18, 27}, 1));
        b.add(new xCycleSwitch(onOff.index(), bitmap("modmatrixbutton").get(), {70, 10, 12, 12}, 2, false));
        b.add(new xMenuTrigger(loop.index(), createRadioMenu("Loop", {"a", "b", "c"}), {100, 10, 20, 10}, {100, 10},
                               xTriggerButton::left));
        int answer = 2;
        b.window.setMenuChooser([&](const xMenu&, xPoint) { return answer; });

        // A drag is one gesture however many moves it takes; the press that starts it and the
        // release that ends it are its brackets.
        b.window.press(xMouseButton::left, 19, 19);
        b.window.move(19, 15);
        b.window.move(19, 10);
        b.window.release(xMouseButton::left, 19, 10);
        EXPECT_EQ(knobLog->take(), (Log{"begin", "value", "value", "end"}));
        // A wheel notch and a key are one step each; a wheel turn short of a notch still
        // writes the (unchanged) value inside its own gesture.
        b.window.wheel(120);
        b.window.keyDown(key::kHome);
        b.window.wheel(30);
        EXPECT_EQ(knobLog->take(), (Log{"begin", "value", "end", "begin", "value", "end", "begin", "value", "end"}));
        b.window.keyDown(key::kLeft);
        EXPECT_TRUE(knobLog->take().empty()) << "a key the knob ignores is no gesture";

        b.window.click(xMouseButton::left, 49, 20);
        b.window.click(xMouseButton::left, 75, 15);
        EXPECT_EQ(intLog->take(), (Log{"begin", "value", "end", "begin", "value", "end"}));
        b.window.press(xMouseButton::left, 49, 20);
        b.window.release(xMouseButton::left, 150, 100);
        EXPECT_TRUE(intLog->take().empty()) << "a toggle released outside changes nothing";

        b.window.click(xMouseButton::left, 110, 15);
        answer = 0;
        b.window.click(xMouseButton::left, 110, 15);
        EXPECT_EQ(loopLog->take(), (Log{"begin", "value", "end"}));
        EXPECT_EQ(loop.value(), 1);

        // A knob that goes away in the middle of a drag ends its gesture.
        b.window.press(xMouseButton::left, 19, 19);
        b.window.move(19, 12);
        b.controls->removeWidget(knob);
        EXPECT_EQ(knobLog->take(), (Log{"begin", "value", "end"}));
        b.window.release(xMouseButton::left, 19, 12);
    }
    EXPECT_TRUE(knobLog->take().empty());
    level.normalized().removeListener(knobLog);
    onOff.index().removeListener(intLog);
    loop.index().removeListener(loopLog);
    for (GestureLog* log : {knobLog, intLog, loopLog})
        log->release();
}

TEST(ModalPanel, TakesEveryEventWhileShownAndClosesOnAPressOutsideOrEscape)
{
    TestFloatParam p;
    Bench b;
    auto strip = bitmap("knob_anim");
    b.add(new xKnob(p.normalized(), strip.get(), {10, 10}, {18, 18}));
    auto* panel = b.add(new xModalPanel({40, 40, 100, 60}, colours::black));
    panel->hide(false);
    panel->disable();

    panel->show(true);
    EXPECT_FALSE(panel->isShown()) << "a disabled panel shows without taking the modal state";
    panel->hide(false);
    panel->enable();
    panel->show(true);
    ASSERT_TRUE(panel->isShown());
    EXPECT_EQ(b.window.root().getModal(), panel);
    b.window.click(xMouseButton::left, 60, 60);
    EXPECT_TRUE(panel->isShown() && panel->isVisible()) << "a press inside keeps it open";

    // A press on the knob beside the panel only closes the panel: the knob gets nothing.
    b.window.press(xMouseButton::left, 19, 19);
    b.window.move(19, 0);
    b.window.release(xMouseButton::left, 19, 0);
    EXPECT_EQ(p.value(), 0.0f);
    EXPECT_FALSE(panel->isVisible() || panel->isEnabled() || panel->isShown());
    EXPECT_EQ(b.window.root().getModal(), nullptr);
    b.window.press(xMouseButton::left, 19, 19);
    b.window.move(19, 7);
    b.window.release(xMouseButton::left, 19, 7);
    EXPECT_GT(p.value(), 0.0f) << "ordinary routing again";

    panel->enable();
    panel->show(true);
    EXPECT_TRUE(b.window.keyDown(key::kEscape));
    EXPECT_FALSE(panel->isVisible() || panel->isShown());
    EXPECT_EQ(b.window.root().getModal(), nullptr);
}
