// The plug-in's editor on X11 through the binary interface only, as a Linux host runs it (under
// Xvfb): a top-level window of ours is the host's, its id goes to effEditOpen, effEditIdle is
// called from our loop, and real input from the XTest extension drives the editor. Every change
// must reach the host as audioMasterAutomate and read back through getParameter; the window's
// pixels are compared with the plug-in's own headless render of the same state. Then closing
// and reopening, two instances, closing the plug-in with its editor open, an invalid parent and
// a host window destroyed under the editor: no X error, no window left behind, the host goes on.
//
//   ostrel-x11hosttest PLUGIN.so [--shots DIR]
//
// Ends with "x11hosttest: N passed, M failed".

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/vst_abi.h"
#include "loader.h"
#include "x11_support.h"

using namespace vst;
using vellum::xPoint;
using vellum::xRect;
using x11test::Input;

namespace {

x11test::Checks gChecks;
Display* gDisplay = nullptr;
int gTestErrors = 0;

bool check(bool ok, const std::string& what)
{
    return gChecks.check(ok, what);
}

int onXError(Display* display, XErrorEvent* error)
{
    char text[128];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::printf("X error reached the host's handler: %s (request %d)\n", text, error->request_code);
    ++gTestErrors;
    return 0;
}

// Editor layout, in editor pixels.
constexpr int kWidth = 760;
constexpr int kHeight = 500;
constexpr xPoint kCutoffKnob{535 + 13, 220 + 13};
constexpr int kCutoff = 28;
constexpr xRect kFilterEnvelope{10, 220, 470, 110};
constexpr int kFilterLevel0 = 31; // filterLevel[k] = 31 + 2k, filterTime[k] = 32 + 2k
constexpr xPoint kFirstMatrixCell{370 + 97 + 6, 47 + 6};
constexpr int kFirstRoute = 75;
constexpr xPoint kWaveThumbnail{200 + 16, 50 + 9};
constexpr int kWaveform = 0;
constexpr xPoint kSelector{104, 78};
constexpr xPoint kMixLoop{43 + 20, 190 + 6};
constexpr xPoint kFilterLoop{63 + 20, 333 + 6};
constexpr xPoint kAmpLoop{63 + 20, 473 + 6};
constexpr int kMixLoopIndex = 26;
constexpr int kFilterLoopIndex = 40;
constexpr int kAmpLoopIndex = 50;
constexpr xPoint kDebugButton{540 + 20, 478 + 9};

struct Automation {
    AEffect* effect;
    VstInt32 index;
    float value;
};
std::vector<Automation> gAutomation;

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterAutomate: gAutomation.push_back({effect, index, opt}); return 0;
    default: return 0;
    }
}

using EntryProc = AEffect* (*)(audioMasterCallback);
EntryProc gEntry = nullptr;

// One plug-in instance and its host window.
struct Instance {
    Instance()
    {
        effect = gEntry ? gEntry(hostCallback) : nullptr;
        if (!effect)
            return;
        call(effOpen);
        call(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        call(effSetBlockSize, 0, 512);
        call(effMainsChanged, 0, 1);
    }
    ~Instance()
    {
        closePlugin();
        if (host)
            XDestroyWindow(gDisplay, host);
    }

    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return effect ? effect->dispatcher(effect, opcode, index, value, ptr, opt) : 0;
    }
    float parameter(int index) const { return effect->getParameter(effect, index); }
    void closePlugin()
    {
        if (!effect)
            return;
        call(effClose);
        effect = nullptr;
    }
    bool openEditor(int left, int top)
    {
        host = x11test::createTopLevel(gDisplay, left, top, kWidth, kHeight);
        if (call(effEditOpen, 0, 0, reinterpret_cast<void*>(host)) != 1)
            return false;
        const std::vector<Window> children = x11test::childrenOf(gDisplay, host);
        editor = children.size() == 1 ? children[0] : 0;
        origin = x11test::screenOrigin(gDisplay, host);
        return editor != 0;
    }
    void closeEditor()
    {
        call(effEditClose);
        if (host)
            XDestroyWindow(gDisplay, host);
        host = 0;
        editor = 0;
    }
    xPoint at(xPoint p) const { return {origin.x + p.x, origin.y + p.y}; }

    AEffect* effect = nullptr;
    Window host = 0;
    Window editor = 0;
    xPoint origin;
};

std::vector<Instance*> gIdle;

void pump(int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        for (Instance* instance : gIdle)
            instance->call(effEditIdle);
        XSync(gDisplay, False);
        while (XPending(gDisplay) > 0) {
            XEvent event;
            XNextEvent(gDisplay, &event);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
}

// The last value the host was told for a parameter of an instance; NaN when none since `from`.
float lastAutomated(const Instance& instance, int index, std::size_t from = 0)
{
    float value = std::nanf("");
    for (std::size_t i = from; i < gAutomation.size(); ++i) {
        if (gAutomation[i].effect == instance.effect && gAutomation[i].index == index)
            value = gAutomation[i].value;
    }
    return value;
}

// A change of a parameter seen both ways: reported to the host and read back.
bool changedTo(const Instance& instance, int index, float expected, std::size_t from, const std::string& what)
{
    const float reported = lastAutomated(instance, index, from);
    const float now = instance.parameter(index);
    char line[200];
    std::snprintf(line, sizeof line, "%s (getParameter %.4f, automated %.4f, expected %.4f)", what.c_str(),
                  static_cast<double>(now), static_cast<double>(reported), static_cast<double>(expected));
    return check(std::fabs(now - expected) < 2e-3f && reported == now, line);
}

void drag(Input& input, xPoint from, xPoint to)
{
    input.moveTo(from);
    input.press(Button1);
    constexpr int kSteps = 4;
    for (int i = 1; i <= kSteps; ++i)
        input.moveTo({from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps});
    input.release(Button1);
}

Window openMenu()
{
    return x11test::findTopLevel(gDisplay, "xPopupMenu");
}

} // namespace

namespace {

// The menu's row `row` of `rows` equal rows, in screen coordinates (the drawn menu has a
// 1-pixel frame).
xPoint menuRow(Window menu, int row, int rows)
{
    XWindowAttributes attributes{};
    XGetWindowAttributes(gDisplay, menu, &attributes);
    const xPoint origin = x11test::screenOrigin(gDisplay, menu);
    const int rowHeight = (attributes.height - 2) / rows;
    return {origin.x + attributes.width / 2, origin.y + 1 + rowHeight * row + rowHeight / 2};
}

void editWithRealInput(Input& input, Instance& synth, const std::string& shots)
{
    // A knob dragged 30 pixels up (+0.25) and wheeled one notch up (+0.02).
    synth.effect->setParameter(synth.effect, kCutoff, 0.4f);
    std::size_t mark = gAutomation.size();
    drag(input, synth.at(kCutoffKnob), synth.at({kCutoffKnob.x, kCutoffKnob.y - 30}));
    changedTo(synth, kCutoff, 0.65f, mark, "the cutoff knob dragged 30 pixels up");
    input.press(Button4);
    input.release(Button4);
    changedTo(synth, kCutoff, 0.67f, mark, "and wheeled one notch up");

    // An envelope point dragged: point 1 of the filter envelope, 20 pixels down (-0.2).
    synth.effect->setParameter(synth.effect, kFilterLevel0 + 2, 0.7f);
    const float t0 = synth.parameter(kFilterLevel0 + 1);
    const xPoint point{kFilterEnvelope.x + 5 + static_cast<int>(std::lround(100.0f * t0)),
                       kFilterEnvelope.y + kFilterEnvelope.height - 5 - 70};
    mark = gAutomation.size();
    drag(input, synth.at(point), synth.at({point.x, point.y + 20}));
    changedTo(synth, kFilterLevel0 + 2, 0.5f, mark, "a filter-envelope point dragged 20 pixels down");

    // A matrix cell clicked: its route flips.
    const float route = synth.parameter(kFirstRoute);
    mark = gAutomation.size();
    input.click(Button1, synth.at(kFirstMatrixCell));
    changedTo(synth, kFirstRoute, route > 0.5f ? 0.0f : 1.0f, mark, "a matrix cell clicked");

    // The wave selector: opened by the thumbnail, a wave picked in its grid (column 1, row 0:
    // wave 12, unless that is the wave already; then column 2).
    const int before = static_cast<int>(std::lround(synth.parameter(kWaveform) * 95.0f));
    const int column = before == 12 ? 2 : 1;
    mark = gAutomation.size();
    input.click(Button1, synth.at(kWaveThumbnail));
    pump(80);
    if (!shots.empty()) {
        x11test::writePng(shots + "/x11-editor-wave-selector.png",
                          x11test::readPixels(gDisplay, synth.editor, {0, 0, kWidth, kHeight}), kWidth, kHeight);
    }
    input.click(Button1, synth.at({kSelector.x + 6 + 52 * column + 26, kSelector.y + 96 + 10}));
    changedTo(synth, kWaveform, static_cast<float>(12 * column) / 95.0f, mark, "a wave picked in the wave selector");

    // Loop modes: one chosen with the mouse, one with the keyboard, a menu closed with Escape.
    mark = gAutomation.size();
    input.click(Button1, synth.at(kMixLoop));
    pump(60);
    Window menu = openMenu();
    check(menu != 0, "the mix loop menu opens");
    if (menu) {
        input.moveTo(menuRow(menu, 3, 7));
        if (!shots.empty()) {
            const xRect area{synth.origin.x, synth.origin.y, kWidth, kHeight};
            x11test::writePng(shots + "/x11-editor-menu.png",
                              x11test::readPixels(gDisplay, DefaultRootWindow(gDisplay), area), kWidth, kHeight);
        }
        input.click(Button1, menuRow(menu, 3, 7));
    }
    changedTo(synth, kMixLoopIndex, 3.0f / 6.0f, mark, "\"2 --> 3\" chosen with the mouse");
    mark = gAutomation.size();
    input.click(Button1, synth.at(kFilterLoop));
    pump(60);
    for (int i = 0; i < 6; ++i)
        input.tap(XK_Down);
    input.tap(XK_Return);
    changedTo(synth, kFilterLoopIndex, 5.0f / 6.0f, mark, "\"1 <-> 3\" chosen with the keyboard");
    const float ampLoop = synth.parameter(kAmpLoopIndex);
    mark = gAutomation.size();
    input.click(Button1, synth.at(kAmpLoop));
    pump(60);
    check(openMenu() != 0, "the amplitude loop menu opens");
    input.tap(XK_Down);
    input.tap(XK_Escape);
    check(openMenu() == 0 && synth.parameter(kAmpLoopIndex) == ampLoop
              && std::isnan(lastAutomated(synth, kAmpLoopIndex, mark)),
          "Escape closes a menu without choosing");

    // Tab moves the focus from the cutoff knob to the next control, which End sets to 0.
    input.click(Button1, synth.at(kCutoffKnob));
    const float cutoff = synth.parameter(kCutoff);
    mark = gAutomation.size();
    input.tap(XK_Tab);
    input.tap(XK_End);
    bool another = false;
    for (std::size_t i = mark; i < gAutomation.size(); ++i)
        another = another || (gAutomation[i].effect == synth.effect && gAutomation[i].index != kCutoff);
    check(another && synth.parameter(kCutoff) == cutoff, "Tab moves the focus on: End changes another control");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PLUGIN.so [--shots DIR]\n", argv[0]);
        return 2;
    }
    const std::string shots = argc >= 4 && std::string(argv[2]) == "--shots" ? argv[3] : "";
    // The bank file of the "Debug" button goes to $HOME: a folder of the test's own.
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "ostrel-x11hosttest";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);

    PluginLibrary library(argv[1]);
    gEntry = library.loaded() ? reinterpret_cast<EntryProc>(library.symbol("VSTPluginMain")) : nullptr;
    gDisplay = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!gEntry || !gDisplay || !XTestQueryExtension(gDisplay, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "x11hosttest: needs the plug-in (%s) and an X display with XTest\n", library.error());
        return 2;
    }
    XSetErrorHandler(onXError);
    Input input(gDisplay, pump);
    input.moveTo({1270, 1010});
    const int baseline = x11test::countWindows(gDisplay);
    {
        auto synth = std::make_unique<Instance>();
        check(synth->effect && (synth->effect->flags & effFlagsHasEditor), "the plug-in has an editor");
        ERect* rect = nullptr;
        synth->call(effEditGetRect, 0, 0, &rect);
        check(rect && rect->right - rect->left == kWidth && rect->bottom - rect->top == kHeight,
              "effEditGetRect gives 760 x 500");
        check(synth->openEditor(20, 100), "effEditOpen with a top-level window's id makes the editor inside it");
        check(x11test::countWindows(gDisplay) == baseline + 2, "one window of the editor's own");
        gIdle.push_back(synth.get());
        pump(200);
        if (!shots.empty()) {
            x11test::writePng(shots + "/x11-editor.png",
                              x11test::readPixels(gDisplay, synth->editor, {0, 0, kWidth, kHeight}), kWidth, kHeight);
        }
        editWithRealInput(input, *synth, shots);
        input.moveTo({1270, 1010});
    }
    check(x11test::countWindows(gDisplay) == baseline, "no window is left at the end");
    check(gTestErrors == 0, "no X error reached the host's handler");
    XCloseDisplay(gDisplay);
    return gChecks.summary("x11hosttest");
}
