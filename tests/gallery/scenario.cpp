#include "gallery/scenario.h"

#include <cmath>
#include <cstdio>

#include "gui/events.h"
#include "gui/headless_window.h"
#include "gui/menu.h"

using namespace vellum;

namespace gallery {

std::vector<Step> scenario()
{
    const Spots s = spots();
    std::vector<Step> steps;
    const auto add = [&](StepKind kind, xPoint at, std::uint8_t modifiers = 0, int value = 0) {
        steps.push_back({kind, at.x, at.y, modifiers, value});
    };
    const auto key = [&](std::uint32_t code, std::uint8_t modifiers = 0) {
        add(StepKind::keyDown, {}, modifiers, static_cast<int>(code));
        add(StepKind::keyUp, {}, modifiers, static_cast<int>(code));
    };
    const xPoint k = s.dragKnob;
    // Drag the knob 60 pixels up (0 -> 0.5), then 12 more with shift (+0.01).
    add(StepKind::press, k);
    add(StepKind::move, {k.x + 5, k.y - 30});
    add(StepKind::move, {k.x - 3, k.y - 60});
    add(StepKind::move, {k.x, k.y - 72}, mouse::kShift);
    add(StepKind::release, {k.x, k.y - 72});
    // One notch up (+0.02), then three thirds of a notch (+0.02 once).
    add(StepKind::wheel, {}, 0, 120);
    for (int i = 0; i < 3; ++i)
        add(StepKind::wheel, {}, 0, 40);
    // Click the toggle (0 -> 1); Tab to the next knob and Home (1); shift-Tab back to the
    // toggle and Space (1 -> 0); Tab again and Page Down (1 - 1/12).
    add(StepKind::press, s.toggle);
    add(StepKind::release, s.toggle);
    key(key::kTab);
    key(key::kHome);
    key(key::kTab, modifier::kShift);
    key(key::kSpace);
    key(key::kTab);
    key(key::kPageDown);
    // The loop menu: the sixth item ("1 <-> 3", index 5). The keys that choose it must not
    // reach the focused knob.
    add(StepKind::menu, s.loopTrigger, 0, 6);
    // The repeat menu, dismissed with Escape.
    add(StepKind::menu, s.repeatTrigger, 0, 0);
    // The right button pressed while the left holds the toggle: the toggle hears the left
    // release first, inside, and flips (0 -> 1).
    add(StepKind::press, s.toggle);
    add(StepKind::rightPress, s.toggle);
    add(StepKind::rightRelease, s.toggle);
    // A double click on a two-state switch is two presses: back where it was.
    add(StepKind::press, s.powerSwitch);
    add(StepKind::release, s.powerSwitch);
    add(StepKind::press, s.powerSwitch);
    add(StepKind::release, s.powerSwitch);
    // Rest on the knob with the hover hint for more than a second: its value shows.
    add(StepKind::move, s.hintKnob);
    add(StepKind::ticks, {}, 0, 25);
    return steps;
}

std::vector<std::string> checkOutcome(Params& params)
{
    std::vector<std::string> wrong;
    const auto near = [&](const char* what, float got, float want) {
        if (std::fabs(got - want) > 1e-4f) {
            char line[160];
            std::snprintf(line, sizeof line, "%s: %.6f, expected %.6f", what, static_cast<double>(got),
                          static_cast<double>(want));
            wrong.push_back(line);
        }
    };
    const auto same = [&](const char* what, int got, int want) {
        if (got != want)
            wrong.push_back(std::string(what) + ": " + std::to_string(got) + ", expected " + std::to_string(want));
    };
    near("dragged and wheeled knob", params.bigKnobs[0].value(), 0.55f);
    near("knob reached by Tab", params.bigKnobs[1].value(), 1.0f - 1.0f / 12.0f);
    same("toggle", params.toggles[0].value(), 1);
    same("loop (menu)", params.loop.value(), 5);
    same("repeat (menu dismissed)", params.repeat.value(), 3);
    same("switch clicked twice", params.power.value(), 1);
    same("switch writes", params.power.writes(), 3);
    return wrong;
}

void play(xHeadlessWindow& window, const std::vector<Step>& steps)
{
    for (const Step& step : steps) {
        const auto keyCode = static_cast<std::uint32_t>(step.value);
        switch (step.kind) {
        case StepKind::press: window.press(xMouseButton::left, step.x, step.y, step.modifiers); break;
        case StepKind::move: window.move(step.x, step.y, step.modifiers); break;
        case StepKind::release: window.release(xMouseButton::left, step.x, step.y, step.modifiers); break;
        case StepKind::rightPress: window.press(xMouseButton::right, step.x, step.y, step.modifiers); break;
        case StepKind::rightRelease: window.release(xMouseButton::right, step.x, step.y, step.modifiers); break;
        case StepKind::wheel: window.wheel(step.value, step.modifiers); break;
        case StepKind::keyDown: window.keyDown(keyCode, step.modifiers); break;
        case StepKind::keyUp: window.keyUp(keyCode, step.modifiers); break;
        case StepKind::ticks: window.tick(step.value); break;
        case StepKind::menu:
            window.setMenuChooser([choice = step.value](const xMenu&, xPoint) { return choice; });
            window.press(xMouseButton::left, step.x, step.y);
            window.release(xMouseButton::left, step.x, step.y);
            window.setMenuChooser(nullptr);
            break;
        }
    }
}

} // namespace gallery
