// The LV2 editor binary as an LV2 host loads it: dlopen, lv2ui_descriptor, instantiate inside a
// window of the test's own (ui:parent), driven by ui:idleInterface, a write function that
// records every port write and a touch feature that records gestures. Real input through XTest
// (a knob wheeled, a matrix cell clicked) must reach the ports in the parameters' own units, a
// host's port event must move the screen without being written back, bad calls get safe
// answers, and the window must show what a headless editor shows for the same values.
// Under Xvfb (tools/test.sh): lv2uitest UI_BINARY RESOURCES_DIR
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "editor/synth_editor.h"
#include "gui/headless_window.h"
#include "instance/synth_instance.h"
#include "lv2/uris.h"
#include "tests/support/module_data.h"
#include "x11_support.h"

using vellum::xPoint;

namespace {

constexpr int kWidth = ostrel::SynthEditor::kWidth;
constexpr int kHeight = ostrel::SynthEditor::kHeight;
constexpr xPoint kCutoffKnob{535 + 13, 220 + 13};
// The modulation matrix's cell of row 6, column 10.
constexpr xPoint kMatrixCell{370 + 97 + 18 * 10 + 6, 47 + 18 * 6 + 6};
// An empty place: a pointer resting there shows no hint.
constexpr xPoint kRest{300, 190};
constexpr xPoint kCorner{1270, 1010};

x11test::Checks gChecks;
Display* gDisplay = nullptr;

bool check(bool ok, const std::string& what)
{
    return gChecks.check(ok, what);
}

// What the host heard: port writes and touches, in order.
struct Write {
    std::uint32_t port;
    std::uint32_t size;
    std::uint32_t format;
    float value;
};
std::vector<Write> gWrites;
std::vector<std::pair<std::uint32_t, bool>> gTouches;

void writePort(LV2UI_Controller, std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer)
{
    float value = std::numeric_limits<float>::quiet_NaN();
    if (size == sizeof value && buffer)
        std::memcpy(&value, buffer, sizeof value);
    gWrites.push_back({port, size, format, value});
}

void touchPort(LV2UI_Feature_Handle, std::uint32_t port, bool grabbed)
{
    gTouches.emplace_back(port, grabbed);
}

// The editor built in the test on a headless window, on the source tree's resources, with a
// patch of its own: what the UI's window must show for the same parameter values.
class Mirror {
public:
    explicit Mirror(const std::vector<unsigned char>& bank) : window_(kWidth, kHeight), instance_(nullptr)
    {
        editor_ = std::make_unique<ostrel::SynthEditor>(*window_.getFacade(), instance_.patch());
        instance_.installPrograms(bank.data(), bank.size());
    }
    ~Mirror() { editor_.reset(); }

    std::vector<std::uint8_t> render()
    {
        window_.paintAll();
        const std::uint8_t* first = window_.surface().pixelAt(0, 0);
        return {first, first + static_cast<std::size_t>(kWidth) * kHeight * 4};
    }
    ostrel::Patch& patch() { return instance_.patch(); }
    std::uint32_t indexOf(const ostrel::xParam* param)
    {
        for (std::int32_t i = 0; i < patch().registry().count(); ++i) {
            if (patch().registry().find(i)->param == param)
                return static_cast<std::uint32_t>(i);
        }
        return 0xffffffffu;
    }
    // The port value (the parameter's own units) of a normalized value of that parameter; the
    // parameter is left at it.
    float portValueAt(ostrel::xParam& param, float normalized)
    {
        param.normalized().set(normalized);
        return param.hostValue();
    }

private:
    vellum::xHeadlessWindow window_;
    ostrel::SynthInstance instance_;
    std::unique_ptr<ostrel::SynthEditor> editor_;
};

// The UI binary's descriptor and one instance of it in a host window.
struct Ui {
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idler = nullptr;
    LV2UI_Handle handle = nullptr;
    Window host = 0;
    Window widget = 0;
    xPoint origin;

    LV2UI_Handle instantiate(const char* pluginUri, const LV2_Feature* const* features)
    {
        LV2UI_Widget made = nullptr;
        LV2UI_Handle h =
            descriptor->instantiate(descriptor, pluginUri, "/nowhere/", writePort, &gWrites, &made, features);
        widget = reinterpret_cast<std::uintptr_t>(made);
        return h;
    }
    int idle() { return idler && handle ? idler->idle(handle) : 1; }
    void portEvent(std::uint32_t port, float value) { descriptor->port_event(handle, port, sizeof value, 0, &value); }
    xPoint at(xPoint p) const { return {origin.x + p.x, origin.y + p.y}; }
    std::vector<std::uint8_t> pixels() const { return x11test::readPixels(gDisplay, widget, {0, 0, kWidth, kHeight}); }
};

Ui* gIdled = nullptr;
int gLastIdle = 0;

void pump(int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        if (gIdled)
            gLastIdle = gIdled->idle();
        XSync(gDisplay, False);
        while (XPending(gDisplay) > 0) {
            XEvent event;
            XNextEvent(gDisplay, &event);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
}

void compareWindow(const Ui& ui, Mirror& mirror, const std::string& what)
{
    std::string first;
    const long differing = x11test::comparePixels(ui.pixels(), mirror.render(), kWidth, first);
    check(differing == 0, what + (differing == 0 ? "" : ": " + std::to_string(differing) + " pixels differ" + first));
}

// The ports written since `from`, and the last value written to `port`.
std::set<std::uint32_t> portsWritten(std::size_t from, std::uint32_t port, float& last, bool& wellFormed)
{
    std::set<std::uint32_t> ports;
    wellFormed = true;
    for (std::size_t i = from; i < gWrites.size(); ++i) {
        ports.insert(gWrites[i].port);
        wellFormed = wellFormed && gWrites[i].size == sizeof(float) && gWrites[i].format == 0;
        if (gWrites[i].port == port)
            last = gWrites[i].value;
    }
    return ports;
}

// A change made in the window: written to that port alone, in the parameter's units, with the
// expected value, bracketed by a touch of that port.
void expectWrite(std::size_t from, std::size_t touchesFrom, std::uint32_t port, float want, const std::string& what)
{
    float last = std::numeric_limits<float>::quiet_NaN();
    bool wellFormed = false;
    const std::set<std::uint32_t> ports = portsWritten(from, port, last, wellFormed);
    check(ports == std::set<std::uint32_t>{port} && wellFormed
              && std::fabs(last - want) <= 1e-4f * std::fabs(want) + 1e-6f,
          what + ": port " + std::to_string(port) + " written " + std::to_string(last) + ", expected "
              + std::to_string(want) + " (" + std::to_string(ports.size()) + " ports written)");
    const bool touched = gTouches.size() >= touchesFrom + 2 && gTouches[touchesFrom] == std::make_pair(port, true)
        && gTouches.back() == std::make_pair(port, false);
    check(touched, what + ": the host's touch brackets the change");
}

// Instantiations that must fail, and must not crash or reach the host's X error handler.
void refusals(Ui& ui)
{
    const LV2_Feature* none[] = {nullptr};
    check(ui.instantiate(ostrel::lv2::kPluginUri, none) == nullptr, "no ui:parent: a null instance");
    check(ui.instantiate(ostrel::lv2::kPluginUri, nullptr) == nullptr, "no feature list: a null instance");
    // A window id that names no window.
    const Window gone = x11test::createTopLevel(gDisplay, 0, 0, 10, 10);
    XDestroyWindow(gDisplay, gone);
    XSync(gDisplay, False);
    const LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(gone)};
    const LV2_Feature* withGone[] = {&parent, nullptr};
    check(ui.instantiate(ostrel::lv2::kPluginUri, withGone) == nullptr, "a parent that is no window: a null instance");
    check(ui.instantiate("urn:another:plugin", withGone) == nullptr, "another plug-in's URI: a null instance");
}

void run(const std::string& binary, const std::vector<unsigned char>& bank)
{
    void* library = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    check(library != nullptr, std::string("dlopen of the UI binary") + (library ? "" : std::string(": ") + dlerror()));
    if (!library)
        return;
    using DescriptorProc = const LV2UI_Descriptor* (*)(std::uint32_t);
    const auto entry = reinterpret_cast<DescriptorProc>(dlsym(library, "lv2ui_descriptor"));
    Ui ui;
    ui.descriptor = entry ? entry(0) : nullptr;
    check(ui.descriptor && std::strcmp(ui.descriptor->URI, ostrel::lv2::kUiUri) == 0 && entry(1) == nullptr,
          "lv2ui_descriptor: one descriptor, the UI's URI");
    if (!ui.descriptor)
        return;
    ui.idler = static_cast<const LV2UI_Idle_Interface*>(ui.descriptor->extension_data(LV2_UI__idleInterface));
    check(ui.idler && ui.idler->idle && !ui.descriptor->extension_data(LV2_UI__resize)
              && !ui.descriptor->extension_data(nullptr),
          "extension data: the idle interface, nothing else");
    refusals(ui);

    Mirror mirror(bank);
    ostrel::Patch& p = mirror.patch();
    x11test::Input input(gDisplay, pump);
    input.moveTo(kCorner);
    ui.host = x11test::createTopLevel(gDisplay, 20, 100, kWidth, kHeight);
    ui.origin = x11test::screenOrigin(gDisplay, ui.host);
    const LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(ui.host)};
    LV2UI_Touch touch{nullptr, touchPort};
    const LV2_Feature touchFeature{LV2_UI__touch, &touch};
    const LV2_Feature* features[] = {&parent, &touchFeature, nullptr};
    ui.handle = ui.instantiate(ostrel::lv2::kPluginUri, features);
    const std::vector<Window> children = x11test::childrenOf(gDisplay, ui.host);
    check(ui.handle && children.size() == 1 && ui.widget == children[0],
          "instantiate inside ui:parent: one child window, given as the widget");
    if (!ui.handle)
        return;
    gIdled = &ui;
    pump(200);
    check(gWrites.empty() && gTouches.empty(), "opening writes no port");
    compareWindow(ui, mirror, "the window shows the default bank's first program as the headless editor does");

    // The host moves the cutoff and a matrix cell: the screen follows and nothing is written
    // back. Bad events change nothing.
    const std::uint32_t cutoff = mirror.indexOf(p.cutoff);
    const float cutoffPort = mirror.portValueAt(*p.cutoff, 0.4f);
    ui.portEvent(cutoff, cutoffPort);
    ostrel::xIntParam& cell = *p.modRoute[6][10];
    const std::uint32_t cellPort = mirror.indexOf(&cell);
    const float cellValue = mirror.portValueAt(cell, cell.normalized().get() > 0.5f ? 0.0f : 1.0f);
    ui.portEvent(cellPort, cellValue);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ui.portEvent(cutoff, nan);
    ui.portEvent(128u, 0.5f); // the MIDI input
    ui.portEvent(100000u, 0.5f);
    const double wide = 0.9;
    ui.descriptor->port_event(ui.handle, cutoff, sizeof wide, 0, &wide);
    ui.descriptor->port_event(ui.handle, cutoff, sizeof(float), 7, &cutoffPort);
    ui.descriptor->port_event(ui.handle, cutoff, sizeof(float), 0, nullptr);
    pump(150);
    check(gWrites.empty() && gTouches.empty(), "the host's port events are not written back, bad ones are ignored");
    compareWindow(ui, mirror, "after the host's port events the window shows the new values");

    // A user wheels the cutoff knob one notch up (after a click gave it the focus).
    std::size_t from = gWrites.size();
    std::size_t touchesFrom = gTouches.size();
    input.click(Button1, ui.at(kCutoffKnob));
    input.press(Button4);
    input.release(Button4);
    expectWrite(from, touchesFrom, cutoff, mirror.portValueAt(*p.cutoff, 0.42f),
                "the cutoff knob wheeled one notch up");

    // And flips the matrix cell back.
    from = gWrites.size();
    touchesFrom = gTouches.size();
    input.click(Button1, ui.at(kMatrixCell));
    expectWrite(from, touchesFrom, cellPort, mirror.portValueAt(cell, cellValue > 0.5f ? 0.0f : 1.0f),
                "the matrix cell clicked");
    // The host echoes the values it was sent: nothing is written again.
    from = gWrites.size();
    ui.portEvent(cutoff, p.cutoff->hostValue());
    ui.portEvent(cellPort, cell.hostValue());
    input.moveTo(ui.at(kRest));
    pump(600);
    check(gWrites.size() == from, "the host's echo of a written value is not written again");
    compareWindow(ui, mirror, "after the input the window equals the headless render");

    check(gLastIdle == 0, "idle answers 0 while the window is there");
    ui.descriptor->cleanup(ui.handle);
    gIdled = nullptr;
    XSync(gDisplay, False);
    check(x11test::childrenOf(gDisplay, ui.host).empty(), "cleanup removes the editor's window");

    // The host destroys its window under an open UI: idle says the window is gone.
    ui.handle = ui.instantiate(ostrel::lv2::kPluginUri, features);
    check(ui.handle != nullptr, "a second instance opens in the same window");
    if (ui.handle) {
        gIdled = &ui;
        pump(100);
        XDestroyWindow(gDisplay, ui.host);
        pump(100);
        check(gLastIdle != 0, "idle answers nonzero once the host destroyed the window");
        ui.descriptor->cleanup(ui.handle);
        gIdled = nullptr;
    } else {
        XDestroyWindow(gDisplay, ui.host);
    }
    input.moveTo(kCorner);
    dlclose(library);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s UI_BINARY RESOURCES_DIR\n", argv[0]);
        return 2;
    }
    std::vector<unsigned char> bank;
    try {
        bank = moduledata::load(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lv2uitest: %s\n", e.what());
        return 2;
    }
    gDisplay = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!gDisplay || !XTestQueryExtension(gDisplay, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "lv2uitest: needs an X display with XTest\n");
        return 2;
    }
    x11test::installHostErrorCounter();
    const int baseline = x11test::countWindows(gDisplay);
    run(argv[1], bank);
    XSync(gDisplay, False);
    check(x11test::countWindows(gDisplay) == baseline, "no window of the UI's is left");
    check(x11test::hostErrorCount() == 0, "no X error reached the host's handler");
    XCloseDisplay(gDisplay);
    return gChecks.summary("lv2uitest");
}
