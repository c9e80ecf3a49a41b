// The Windows window binding in a real Windows program (run under Wine with Xvfb in CI): a
// top-level window stands in for the host's, the binding opens the toolkit's gallery inside
// it, and real window messages drive it. Checks the parameter values the input leaves, the
// window's pixels against the headless render of the same state, closing and reopening, a
// second instance, destruction with the window still open, and the window classes' lifetimes.
//
//   ostrel-windowtest RESOURCES_DIR      (resources/gui of the source tree)
//
// Ends with "windowtest: N passed, M failed".

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gallery/gallery.h"
#include "gallery/scenario.h"
#include "gui/headless_window.h"
#include "gui/menu.h"
#include "gui/module_handle.h"
#include "gui/resource_package.h"
#include "gui/vst_pc_binding.h"
#include "window_driver.h"
#include "window_support.h"

using namespace vellum;
using windowtest::check;
using windowtest::editorIn;
using windowtest::sendMouse;

namespace {

bool classExists(const char* name)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    return GetClassInfoExA(static_cast<HINSTANCE>(moduleHandle()), name, &wc) != 0;
}

HWND openHostWindow(int x)
{
    return windowtest::openHostWindow(x, gallery::kWidth, gallery::kHeight);
}

std::vector<std::uint8_t> readWindow(HWND editor)
{
    return windowtest::readWindow(editor, gallery::kWidth, gallery::kHeight);
}

// The headless render of the gallery after the given steps (none: the pictured state).
std::vector<std::uint8_t> headlessRender(const xResourcePackage& package, const std::vector<gallery::Step>& steps)
{
    gallery::Params params;
    xHeadlessWindow window(gallery::kWidth, gallery::kHeight);
    gallery::build(*window.getFacade(), package, params);
    params.setPictured();
    gallery::play(window, steps);
    window.paintAll();
    const std::uint8_t* first = window.surface().pixelAt(0, 0);
    return {first, first + static_cast<std::size_t>(gallery::kWidth) * gallery::kHeight * 4};
}

void comparePixels(const std::vector<std::uint8_t>& window, const std::vector<std::uint8_t>& headless,
                   const std::string& what)
{
    windowtest::comparePixels(window, headless, gallery::kWidth, what);
}

void realInput(HWND editor, gallery::Params& params)
{
    const gallery::Spots s = gallery::spots();
    const auto screen = [&](xPoint p) {
        POINT q{p.x, p.y};
        ClientToScreen(editor, &q);
        return q;
    };
    params.bigKnobs[0].set(0.25f);
    const POINT k = screen(s.dragKnob);
    sendMouse(0, k.x, k.y);
    sendMouse(MOUSEEVENTF_LEFTDOWN, k.x, k.y);
    for (int dy = 8; dy <= 24; dy += 8)
        sendMouse(0, k.x, k.y - dy);
    sendMouse(MOUSEEVENTF_LEFTUP, k.x, k.y - 24);
    sendMouse(MOUSEEVENTF_WHEEL, k.x, k.y - 24, WHEEL_DELTA);
    check(std::fabs(params.bigKnobs[0].value() - (0.25f + 24.0f / 120.0f + 0.02f)) < 0.01f,
          "real input: a knob dragged 24 pixels up and wheeled one notch (" + std::to_string(params.bigKnobs[0].value())
              + ")");

    // A double click is two presses for the window (its class asks for no double clicks).
    const int before = params.cells[0].value();
    const int writes = params.cells[0].writes();
    const POINT c = screen(s.firstCell);
    sendMouse(MOUSEEVENTF_LEFTDOWN, c.x, c.y);
    sendMouse(MOUSEEVENTF_LEFTUP, c.x, c.y);
    sendMouse(MOUSEEVENTF_LEFTDOWN, c.x, c.y);
    sendMouse(MOUSEEVENTF_LEFTUP, c.x, c.y);
    check(params.cells[0].value() == before && params.cells[0].writes() == writes + 2,
          "real input: a double click switches twice");
    SetCursorPos(1270, 1010);
    WindowDriver::drain();
}

// One editor instance: its parameters, its binding and the gallery on it.
struct Instance {
    explicit Instance(const xResourcePackage& package) : binding(gallery::kWidth, gallery::kHeight)
    {
        menus = gallery::build(*binding.getFacade(), package, params);
        params.setPictured();
    }
    gallery::Params params; // outlives the binding's widgets
    xVstPcBinding binding;
    gallery::Menus menus;
};

bool checked(xMenu& menu, int id)
{
    return (GetMenuState(static_cast<HMENU>(menu.native().handle()), static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED)
        != 0;
}

void wheelAndKeys(HWND top, HWND editor, gallery::Params& params, const std::string& when)
{
    WindowDriver driver(top, editor);
    const gallery::Spots s = gallery::spots();
    params.bigKnobs[0].set(0.5f);
    params.bigKnobs[1].set(0.5f);
    driver.step({gallery::StepKind::press, s.dragKnob.x, s.dragKnob.y});
    driver.step({gallery::StepKind::release, s.dragKnob.x, s.dragKnob.y});
    driver.step({gallery::StepKind::wheel, 0, 0, 0, -120});
    check(std::fabs(params.bigKnobs[0].value() - 0.48f) < 1e-5f, when + ": a click and the wheel move the knob");
    // Tab order: the knob, the first toggle, the next knob.
    driver.step({gallery::StepKind::keyDown, 0, 0, 0, VK_TAB});
    driver.step({gallery::StepKind::keyDown, 0, 0, 0, VK_TAB});
    driver.step({gallery::StepKind::keyDown, 0, 0, 0, VK_END});
    check(params.bigKnobs[1].value() == 0.0f, when + ": Tab and End reach the next knob");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s RESOURCES_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::unique_ptr<xResourcePackage> package;
    try {
        package = gallery::loadPackage(dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "windowtest: no resources in %s: %s\n", dir.c_str(), e.what());
        return 2;
    }
    // The real pointer stays away from the windows, so only the test's input reaches them.
    SetCursorPos(1270, 1010);

    {
        auto first = std::make_unique<Instance>(*package);
        check(classExists("xVstPcBindingWndClass"), "the window class is registered with the first binding");
        check(classExists("xMenuClass"), "the menus' owner class is registered while menus exist");
        const xEditorRect* rect = first->binding.getRect();
        check(rect == first->binding.getRect() && rect->top == 0 && rect->left == 0 && rect->bottom == gallery::kHeight
                  && rect->right == gallery::kWidth,
              "getRect gives the same 760 x 500 record every time");

        HWND top = openHostWindow(0);
        check(GetFocus() == top, "the stand-in host window has the keyboard focus");
        check(first->binding.open(top), "open creates the editor window");
        HWND editor = editorIn(top);
        check(editor != nullptr && editor == first->binding.getNativeHandle(),
              "the editor is a child of the host window");
        WindowDriver::pump(300);
        comparePixels(readWindow(editor), headlessRender(*package, {}), "first paint equals the headless render");

        // The scenario: drag, shift-drag, wheel, toggle, Tab, shift-Tab, Home, Space, Page Down,
        // a menu chosen with the keyboard, a menu dismissed with Escape, a right press during a
        // left press, a double click, resting on a hover hint.
        const std::vector<gallery::Step> steps = gallery::scenario();
        WindowDriver(top, editor).play(steps);
        for (const std::string& wrong : gallery::checkOutcome(first->params))
            check(false, "scenario: " + wrong);
        check(gallery::checkOutcome(first->params).empty(), "the scenario leaves the expected values");
        check(checked(*first->menus.loop, 6) && !checked(*first->menus.loop, 5) && !checked(*first->menus.repeat, 4),
              "the chosen radio item carries the only check mark");
        comparePixels(readWindow(editor), headlessRender(*package, steps),
                      "after the scenario the window equals the headless render");

        realInput(editor, first->params);

        // Close and reopen in a new host window.
        first->binding.close();
        check(!IsWindow(editor) && !first->binding.isOpen(), "close destroys the editor window");
        DestroyWindow(top);
        first->binding.close(); // closing twice is harmless
        top = openHostWindow(0);
        check(first->binding.open(top), "the editor opens again");
        editor = editorIn(top);
        wheelAndKeys(top, editor, first->params, "reopened");

        // A second instance in another host window; the first is destroyed with its window open.
        {
            auto second = std::make_unique<Instance>(*package);
            HWND secondTop = openHostWindow(40);
            check(second->binding.open(secondTop), "a second instance opens");
            HWND secondEditor = editorIn(secondTop);
            wheelAndKeys(secondTop, secondEditor, second->params, "second instance");
            check(first->params.bigKnobs[1].value() == 0.0f && first->params.bigKnobs[0].value() != 0.5f,
                  "the first instance's values are its own");

            first.reset();
            check(!IsWindow(editor), "destroying a binding with its window open closes the window first");
            PostMessageA(editor, WM_TIMER, 1, 0);
            WindowDriver::pump(200);
            SetFocus(secondTop);
            wheelAndKeys(secondTop, secondEditor, second->params, "after the first instance is gone");
            check(classExists("xVstPcBindingWndClass"), "the class stays while a binding lives");
            second.reset();
            DestroyWindow(secondTop);
        }
        DestroyWindow(top);
    }
    check(!classExists("xVstPcBindingWndClass"), "the window class goes with the last binding");
    check(!classExists("xMenuClass"), "\"xMenuClass\" is unregistered with the last menu");
    {
        xMenu menu("again");
        check(classExists("xMenuClass"), "\"xMenuClass\" is registered again with a new menu");
    }
    check(!classExists("xMenuClass"), "and unregistered again");

    return windowtest::summary("windowtest");
}
