#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dsp/wave_bank.h"
#include "editor/synth_editor.h"
#include "gui/bitmap.h"
#include "gui/draw.h"
#include "gui/headless_window.h"
#include "gui/pixel_buffer.h"
#include "gui/resource_package.h"
#include "gui/root.h"
#include "gui/shared_ref.h"
#include "patch/patch.h"
#include "tests/support/module_data.h"

// The editor on the committed resources and waves, in a headless window, over a patch of its
// own that starts as the Init patch.

inline std::string sourceDir()
{
    if (const char* dir = std::getenv("OSTREL_SOURCE_DIR"))
        return dir;
    const std::string here = __FILE__;
    return here.substr(0, here.rfind("/tests/unit/editor/"));
}

// The process's resource package and wave bank, as the module builds them at load.
inline void loadModuleData()
{
    static const std::vector<unsigned char> bank = moduledata::load(sourceDir() + "/resources");
    (void)bank;
}

struct NoHost final : ostrel::AutomationSink {
    void setParameterAutomated(std::int32_t, float) override { }
};

struct EditorBench {
    EditorBench()
    {
        patch.initPatch();
        window.paintAll();
    }
    // The menu the next click on a trigger opens is answered with `item` (1-based, 0 dismisses).
    void answerMenus(int item)
    {
        window.setMenuChooser([item](const vellum::xMenu&, vellum::xPoint) { return item; });
    }
    void click(int x, int y) { window.click(vellum::xMouseButton::left, x, y); }
    void drag(int fromX, int fromY, int toX, int toY)
    {
        window.press(vellum::xMouseButton::left, fromX, fromY);
        window.move((fromX + toX) / 2, (fromY + toY) / 2);
        window.move(toX, toY);
        window.release(vellum::xMouseButton::left, toX, toY);
    }

    NoHost host;
    ostrel::Patch patch{&host};
    vellum::xHeadlessWindow window{760, 500};
    bool loaded = (loadModuleData(), true);
    ostrel::SynthEditor editor{*window.getFacade(), patch};
};

inline vellum::xSharedRef<vellum::xBitmap> shippedBitmap(const char* name)
{
    loadModuleData();
    return vellum::xSharedRef<vellum::xBitmap>(vellum::getPackage()->getBitmap(name));
}

// Whether the window shows frame `frame` of a strip at `at`, drawn over `under` (the colour
// the frame's translucent pixels mix with; 24-bit frames cover it).
inline bool showsFrame(const vellum::xHeadlessWindow& window, const vellum::xBitmap& strip, vellum::xSize size,
                       int frame, vellum::xPoint at, vellum::xColour under = {64, 64, 64})
{
    vellum::xPixelBuffer expected(at.x, at.y, size.width, size.height);
    vellum::fillRect(expected, expected.getRegion(), under);
    vellum::drawBitmap(strip, expected, {0, frame * size.height}, at, size);
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

// Pixels of a colour within a rectangle of the window.
inline std::vector<vellum::xPoint> pixelsOf(const vellum::xHeadlessWindow& window, const vellum::xRect& area,
                                            vellum::xColour colour)
{
    std::vector<vellum::xPoint> found;
    for (int y = area.y; y < area.bottom(); ++y) {
        for (int x = area.x; x < area.right(); ++x) {
            const std::uint8_t* p = window.surface().pixelAt(x, y);
            if (p && p[2] == colour.red && p[1] == colour.green && p[0] == colour.blue)
                found.push_back({x, y});
        }
    }
    return found;
}
