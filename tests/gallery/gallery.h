#pragma once

#include <memory>
#include <string>

#include "gallery/test_params.h"
#include "gui/rect.h"

namespace vellum {
class xMenu;
class xResourcePackage;
class xRootInterface;
} // namespace vellum

// A gallery of every control of the toolkit on one 760 x 500 window, bound to test parameters:
// used for the reference picture, the repaint benchmark and the window test under Wine.
namespace gallery {

inline constexpr int kWidth = 760;
inline constexpr int kHeight = 500;

struct Params {
    Params();
    // Puts every parameter into the state the reference picture shows.
    void setPictured();

    TestFloatParam smallKnobs[5];
    TestFloatParam bigKnobs[4]; // [0] is dragged and wheeled by the scenario, [1] is its Tab neighbour
    TestFloatParam hintKnob;    // the knob with a hover hint
    TestIntParam toggles[3];    // modes 2, 2 and 1
    TestIntParam power;         // a two-state cycle switch on the "button" strip
    TestIntParam cells[8];      // cycle switches on the "modmatrixbutton" strip
    TestIntParam loop;          // strip indicator and menu trigger, as the editor's loop setting
    TestIntParam repeat;
    TestIntParam loopFrames[7];
    TestIntParam repeatFrames[8];
    TestFloatParam level;   // value display with a unit on a background
    TestFloatParam overlay; // translucent value display over a picture
};

// Where the scenario aims (window coordinates: the middle of each control).
struct Spots {
    vellum::xPoint dragKnob;
    vellum::xPoint nextKnob;
    vellum::xPoint toggle;
    vellum::xPoint powerSwitch;
    vellum::xPoint firstCell; // the first of the small cycle switches
    vellum::xPoint loopTrigger;
    vellum::xPoint repeatTrigger;
    vellum::xPoint hintKnob;
    vellum::xPoint empty; // background only
};
Spots spots();

// The toolkit's resources as committed: index.xml and package.bin of a directory (resources/gui).
// Throws std::runtime_error when they cannot be read or used.
std::unique_ptr<vellum::xResourcePackage> loadPackage(const std::string& directory);

// The gallery's two menus (owned by their triggers, in the root's layers).
struct Menus {
    vellum::xMenu* loop = nullptr;
    vellum::xMenu* repeat = nullptr;
};

// Adds the gallery's layers to a root (through its facade); bitmaps and the font come from the
// package. The parameters must outlive the root's widgets.
Menus build(vellum::xRootInterface& root, const vellum::xResourcePackage& package, Params& params);

} // namespace gallery
