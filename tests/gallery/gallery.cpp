#include "gallery/gallery.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui/bitmap.h"
#include "gui/click_cycler.h"
#include "gui/color_panel.h"
#include "gui/cycle_switch.h"
#include "gui/font.h"
#include "gui/hover_hint.h"
#include "gui/image.h"
#include "gui/knob.h"
#include "gui/label.h"
#include "gui/layer.h"
#include "gui/menu_trigger.h"
#include "gui/radio_menu.h"
#include "gui/resource_package.h"
#include "gui/root_interface.h"
#include "gui/shared_ref.h"
#include "gui/strip_indicator.h"
#include "gui/toggle_button.h"
#include "gui/value_display.h"

using namespace vellum;

namespace gallery {

namespace {

const std::vector<std::string> kLoopNames = {"off", "0 --> 3", "1 --> 3", "2 --> 3", "0 <-> 3", "1 <-> 3", "2 <-> 3"};
const std::vector<std::string> kRepeatNames = {"Continuous", "1", "2", "3", "4", "5", "6", "7"};

constexpr xColour kBackground{64, 64, 64};
constexpr xColour kCaption{200, 200, 200};
constexpr xColour kHint{63, 93, 137};

// Small knobs: 18 x 18, one every 40 pixels; big knobs: 26 x 26, one every 45 pixels.
constexpr xPoint kSmallKnob{20, 36};
constexpr xPoint kBigKnob{250, 32};
constexpr xPoint kHintKnob{500, 40};
constexpr xPoint kToggle{20, 112};
constexpr xPoint kPower{140, 112};
constexpr xPoint kCells{200, 120};
constexpr xRect kLoop{52, 186, 41, 13};
constexpr xRect kRepeat{160, 186, 23, 13};

xPoint middle(xPoint topLeft, int width, int height)
{
    return {topLeft.x + width / 2, topLeft.y + height / 2};
}

// Holds what the gallery takes from the package while it is built.
struct Art {
    explicit Art(const xResourcePackage& package)
        : font(package.getFont("arial11")),
          knob(package.getBitmap("knob_anim")),
          knob2(package.getBitmap("knob2_anim")),
          button(package.getBitmap("button")),
          cell(package.getBitmap("modmatrixbutton")),
          loopText(package.getBitmap("looptext")),
          repeatText(package.getBitmap("repeattext")),
          matrix(package.getBitmap("modmatrix")),
          debug(package.getBitmap("debug"))
    {
        for (int i = 0; i < 5; ++i)
            circles[i].reset(package.getBitmap("circle" + std::to_string(i)));
    }
    xSharedRef<xFont> font;
    xSharedRef<xBitmap> knob, knob2, button, cell, loopText, repeatText, matrix, debug;
    xSharedRef<xBitmap> circles[5];
};

void caption(xLayer& layer, Art& art, const char* text, xPoint at)
{
    layer.addWidget(new xLabel(art.font.get(), text, at, kCaption));
}

// A value display under a control, as wide as the gap between controls.
xValueDisplay* valueUnder(Art& art, xTextView& view, xPoint centre, int top)
{
    return new xValueDisplay(view, art.font.get(), {centre.x - 20, top, 40, 13}, false);
}

} // namespace

std::unique_ptr<xResourcePackage> loadPackage(const std::string& directory)
{
    const auto read = [&](const char* name) {
        std::ifstream in(directory + "/" + name, std::ios::binary);
        if (!in)
            throw std::runtime_error("cannot read " + directory + "/" + name);
        return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::vector<char> index = read("index.xml");
    const std::vector<char> blob = read("package.bin");
    return std::make_unique<xResourcePackage>(index.data(), index.size(),
                                              reinterpret_cast<const std::uint8_t*>(blob.data()), blob.size());
}

Params::Params() : loop(kLoopNames), repeat(kRepeatNames), level(1), overlay(3)
{ }

void Params::setPictured()
{
    const float smallValues[5] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    for (int i = 0; i < 5; ++i)
        smallKnobs[i].set(smallValues[i]);
    const float bigValues[4] = {0.0f, 0.25f, 0.66f, 1.0f};
    for (int i = 0; i < 4; ++i)
        bigKnobs[i].set(bigValues[i]);
    hintKnob.set(0.4f);
    toggles[0].set(0);
    toggles[1].set(1);
    toggles[2].set(0);
    power.set(1);
    for (int i = 0; i < 8; ++i)
        cells[i].set(i % 3 == 0 ? 1 : 0);
    loop.set(4);
    repeat.set(3);
    for (int i = 0; i < 7; ++i)
        loopFrames[i].set(i);
    for (int i = 0; i < 8; ++i)
        repeatFrames[i].set(i);
    level.set(0.7f);
    overlay.set(0.125f);
}

Spots spots()
{
    Spots s;
    s.dragKnob = middle(kBigKnob, 26, 26);
    s.nextKnob = middle({kBigKnob.x + 45, kBigKnob.y}, 26, 26);
    s.toggle = middle(kToggle, 18, 27);
    s.powerSwitch = middle(kPower, 18, 27);
    s.firstCell = middle(kCells, 12, 12);
    s.loopTrigger = middle({kLoop.x, kLoop.y}, kLoop.width, kLoop.height);
    s.repeatTrigger = middle({kRepeat.x, kRepeat.y}, kRepeat.width, kRepeat.height);
    s.hintKnob = middle(kHintKnob, 26, 26);
    s.empty = {740, 480};
    return s;
}

Menus build(xRootInterface& root, const xResourcePackage& package, Params& params)
{
    Art art(package);
    auto* background = new xLayer;
    background->addWidget(new xColorPanel({0, 0, kWidth, kHeight}, kBackground));
    root.addLayer(background);

    auto* controls = new xLayer;
    auto* hints = new xLayer;

    // Knobs. Creation order sets the Tab order: big knob 0, the first toggle, big knob 1.
    caption(*controls, art, "Knobs (18 and 26 pixels)", {10, 10});
    for (int i = 0; i < 5; ++i) {
        const xPoint at{kSmallKnob.x + 40 * i, kSmallKnob.y};
        controls->addWidget(new xKnob(params.smallKnobs[i].normalized(), art.knob.get(), at, {18, 18}));
        controls->addWidget(valueUnder(art, params.smallKnobs[i].text(), middle(at, 18, 18), at.y + 22));
    }
    const auto bigKnob = [&](int i) {
        const xPoint at{kBigKnob.x + 45 * i, kBigKnob.y};
        controls->addWidget(new xKnob(params.bigKnobs[i].normalized(), art.knob2.get(), at, {26, 26}));
        controls->addWidget(valueUnder(art, params.bigKnobs[i].text(), middle(at, 26, 26), at.y + 30));
    };
    bigKnob(0);
    controls->addWidget(new xToggleButton(params.toggles[0].index(), art.button.get(), kToggle, {18, 27}, 2));
    for (int i = 1; i < 4; ++i)
        bigKnob(i);

    // A knob with a hover hint: the value shows beside it while the pointer rests on it.
    caption(*controls, art, "Hover hint", {kHintKnob.x - 10, 10});
    auto* hint =
        new xValueDisplay(params.hintKnob.text(), art.font.get(), {kHintKnob.x + 28, kHintKnob.y - 12, 40, 14}, true);
    hint->setBackgroundColour(kHint);
    hint->setTransparency(0.1f);
    hints->addWidget(hint);
    controls->addWidget(
        new xHoverHint(new xKnob(params.hintKnob.normalized(), art.knob2.get(), kHintKnob, {26, 26}), hint));

    // Buttons and switches.
    caption(*controls, art, "Toggle buttons, cycle switches", {10, 90});
    controls->addWidget(
        new xToggleButton(params.toggles[1].index(), art.button.get(), {kToggle.x + 30, kToggle.y}, {18, 27}, 2));
    controls->addWidget(
        new xToggleButton(params.toggles[2].index(), art.button.get(), {kToggle.x + 60, kToggle.y}, {18, 27}, 1));
    controls->addWidget(
        new xCycleSwitch(params.power.index(), art.button.get(), {kPower.x, kPower.y, 18, 27}, 2, false));
    const char* notes[] = {"mode 2", "on", "mode 1", "switch"};
    const int noteX[] = {kToggle.x - 10, kToggle.x + 32, kToggle.x + 52, kPower.x - 8};
    for (int i = 0; i < 4; ++i)
        caption(*controls, art, notes[i], {noteX[i], kToggle.y + 30});
    for (int i = 0; i < 8; ++i) {
        controls->addWidget(
            new xCycleSwitch(params.cells[i].index(), art.cell.get(), {kCells.x + 18 * i, kCells.y, 12, 12}, 2, false));
    }

    // Stepped values: a strip picture with a menu over it, as the editor's loop settings, and
    // every frame of the two strips.
    caption(*controls, art, "Strips and menus (click Loop or Repeat)", {10, 166});
    caption(*controls, art, "Loop:", {kLoop.x - 40, kLoop.y});
    caption(*controls, art, "Repeat:", {kRepeat.x - 46, kRepeat.y});
    controls->addWidget(
        new xStripIndicator(params.loop.index(), art.loopText.get(), {kLoop.x, kLoop.y}, {41, 13}, false));
    auto* loopTrigger = new xMenuTrigger(params.loop.index(), createRadioMenu("Loop", kLoopNames), kLoop,
                                         {kLoop.x, kLoop.y}, xTriggerButton::left);
    controls->addWidget(loopTrigger);
    controls->addWidget(
        new xStripIndicator(params.repeat.index(), art.repeatText.get(), {kRepeat.x, kRepeat.y}, {23, 13}, false));
    auto* repeatTrigger = new xMenuTrigger(params.repeat.index(), createRadioMenu("Repeat", kRepeatNames), kRepeat,
                                           {kRepeat.x, kRepeat.y}, xTriggerButton::left);
    controls->addWidget(repeatTrigger);
    for (int i = 0; i < 7; ++i) {
        controls->addWidget(
            new xStripIndicator(params.loopFrames[i].index(), art.loopText.get(), {12 + 48 * i, 210}, {41, 13}, false));
    }
    for (int i = 0; i < 8; ++i) {
        controls->addWidget(new xStripIndicator(params.repeatFrames[i].index(), art.repeatText.get(),
                                                {12 + 30 * i, 230}, {23, 13}, false));
    }

    // Text.
    caption(*controls, art, "Labels", {10, 260});
    controls->addWidget(new xLabel(art.font.get(),
                                   "A label of three lines,\n\tthe second indented by a tab,\n"
                                   "Latin-1: \xc4 \xe9 \xf1 \xdf \xb0 \xb5 \xbd",
                                   {12, 278}, colours::white));
    controls->addWidget(new xLabel(art.font.get(), "Coloured", {12, 324}, colours::orange));
    controls->addWidget(new xLabel(art.font.get(), "text", {66, 324}, colours::cyan));

    caption(*controls, art, "Value displays", {400, 90});
    auto* level = new xValueDisplay(params.level.text(), art.font.get(), {400, 110, 80, 16}, true);
    level->setUnit(" dB");
    controls->addWidget(level);
    auto* plain = new xValueDisplay(params.bigKnobs[2].text(), art.font.get(), {490, 110, 60, 16}, false);
    controls->addWidget(plain);

    // Colours: the toolkit's predefined ones, opaque, and two translucent panels.
    caption(*controls, art, "Colour panels", {10, 350});
    const xColour swatches[] = {colours::black,   colours::white,  colours::red,  colours::green, colours::blue,
                                colours::magenta, colours::yellow, colours::cyan, colours::orange};
    for (int i = 0; i < 9; ++i)
        controls->addWidget(new xColorPanel({12 + 26 * i, 368, 22, 22}, swatches[i]));
    auto* veil = new xColorPanel({8, 381, 240, 12}, colours::black);
    veil->setTransparency(0.5f);
    controls->addWidget(veil);
    controls->addWidget(new xImage(art.debug.get(), {12, 404}));

    // Images.
    caption(*controls, art, "Images", {120, 400});
    for (int i = 0; i < 5; ++i)
        controls->addWidget(new xImage(art.circles[i].get(), {122 + 16 * i, 420}));
    caption(*controls, art, "A 24-bit picture with a translucent display over it", {350, 300});
    controls->addWidget(new xImage(art.matrix.get(), {350, 318}));
    auto* overlay = new xValueDisplay(params.overlay.text(), art.font.get(), {520, 420, 60, 16}, true);
    overlay->setBackgroundColour(kHint);
    overlay->setTransparency(0.3f);
    hints->addWidget(overlay);

    root.addLayer(controls);
    root.addLayer(hints);
    return {&loopTrigger->menu(), &repeatTrigger->menu()};
}

} // namespace gallery
