// The plug-in's editor on X11 through the binary interface only, as a Linux host runs it (under
// Xvfb): a top-level window of ours is the host's, its id goes to effEditOpen, effEditIdle is
// called from our loop, and real input from the XTest extension drives the editor. Every change
// must reach the host as audioMasterAutomate between audioMasterBeginEdit and
// audioMasterEndEdit, and read back through getParameter. The window's pixels are compared
// with a headless render of the same program by a plug-in object built in this program on the
// source tree's resources (the mirror), which also tells where the controls are. Then the
// bank-save question in the editor, closing and reopening, two instances, a host that never
// idles, closing the plug-in with its editor open, invalid parents and a host window destroyed
// under the editor: no X error reaches the host, no window is left behind, the host goes on.
//
//   ostrel-x11hosttest PLUGIN.so RESOURCES_DIR [--shots DIR]     (resources/ of the source tree)
//
// Ends with "x11hosttest: N passed, M failed".

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/platform.h"
#include "host/vst_abi.h"
#include "loader.h"
#include "tests/support/editor_mirror.h"
#include "tests/support/module_data.h"
#include "x11_support.h"

using namespace ostrel;
using namespace vst;
using editormirror::Mirror;
using vellum::xPoint;
using vellum::xRect;
using x11test::Input;

namespace {

x11test::Checks gChecks;
Display* gDisplay = nullptr;

bool check(bool ok, const std::string& what)
{
    return gChecks.check(ok, what);
}

constexpr int kWidth = SynthEditor::kWidth;
constexpr int kHeight = SynthEditor::kHeight;
// Places of the editor, in editor pixels.
constexpr xPoint kCutoffKnob{535 + 13, 220 + 13};
constexpr xPoint kSelector{104, 78};
constexpr xPoint kMixLoop{43 + 20, 190 + 6};
constexpr xPoint kFilterLoop{63 + 20, 333 + 6};
constexpr xPoint kAmpLoop{63 + 20, 473 + 6};
constexpr xPoint kSaveButton{540 + 20, 478 + 9};
// An empty place: a pointer resting there shows no hint.
constexpr xPoint kRest{300, 190};
// Away from every window.
constexpr xPoint kCorner{1270, 1010};

// What the host heard, in order.
struct HostEvent {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    float value;
};
std::vector<HostEvent> gEvents;

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit)
        gEvents.push_back({effect, opcode, index, opt});
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstIntPtr mirrorCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
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
        destroyHost();
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
    // A host window of its own at (left, top), the editor opened in it (no idle yet).
    bool openEditor(int left, int top)
    {
        destroyHost();
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
        destroyHost();
    }
    void destroyHost()
    {
        if (host)
            XDestroyWindow(gDisplay, host);
        XSync(gDisplay, False);
        host = 0;
        editor = 0;
    }
    std::vector<std::uint8_t> pixels() const { return x11test::readPixels(gDisplay, editor, {0, 0, kWidth, kHeight}); }
    xPoint at(xPoint p) const { return {origin.x + p.x, origin.y + p.y}; }
    xPoint at(float x, float y) const
    {
        return at(xPoint{static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))});
    }

    AEffect* effect = nullptr;
    Window host = 0;
    Window editor = 0;
    xPoint origin;
};

// The instances whose editors the host idles.
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

void compareWindow(const Instance& instance, const std::vector<std::uint8_t>& expected, const std::string& what)
{
    std::string first;
    const long differing = x11test::comparePixels(instance.pixels(), expected, kWidth, first);
    check(differing == 0, what + (differing == 0 ? "" : ": " + std::to_string(differing) + " pixels differ" + first));
}

// Whether the events of one parameter since `from` are one gesture: begin first, end last, at
// least one report in between, and the last report is the value getParameter reads.
bool bracketed(const Instance& instance, std::size_t from, VstInt32 index, std::string& why)
{
    std::vector<VstInt32> seen;
    float reported = std::nanf("");
    for (std::size_t i = from; i < gEvents.size(); ++i) {
        if (gEvents[i].effect != instance.effect || gEvents[i].index != index)
            continue;
        seen.push_back(gEvents[i].opcode);
        if (gEvents[i].opcode == audioMasterAutomate)
            reported = gEvents[i].value;
    }
    why = " (" + std::to_string(seen.size()) + " events, last report " + std::to_string(reported) + ")";
    return seen.size() >= 3 && seen.front() == audioMasterBeginEdit && seen.back() == audioMasterEndEdit
        && std::count(seen.begin(), seen.end(), audioMasterBeginEdit) == 1
        && std::count(seen.begin(), seen.end(), audioMasterEndEdit) == 1 && reported == instance.parameter(index);
}

// A change made in the editor, seen as the host sees it.
void expectChange(const Instance& instance, std::size_t from, VstInt32 index, float want, const std::string& what)
{
    std::string why;
    check(bracketed(instance, from, index, why), what + ": reported between begin and end edit" + why);
    const float got = instance.parameter(index);
    check(std::fabs(got - want) < 1e-4f,
          what + ": getParameter " + std::to_string(got) + ", expected " + std::to_string(want));
}

// Nothing of the instance reported since `from`.
bool quietSince(const Instance& instance, std::size_t from)
{
    return std::none_of(gEvents.begin() + static_cast<std::ptrdiff_t>(from), gEvents.end(),
                        [&](const HostEvent& e) { return e.effect == instance.effect; });
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

void shot(const std::string& shots, const std::string& name, const std::vector<std::uint8_t>& pixels)
{
    if (!shots.empty())
        x11test::writePng(shots + "/" + name, pixels, kWidth);
}

// Drags, wheel, clicks, a wave picked, loop modes from menus by mouse and keyboard, Escape, Tab.
void editWithRealInput(Input& input, Instance& synth, Mirror& mirror, const std::string& shots)
{
    Patch& p = mirror.patch();
    mirror.render(synth.effect);

    // A knob dragged 30 pixels up (+0.25), then wheeled one notch up (+0.02).
    const VstInt32 cutoff = mirror.indexOf(p.cutoff);
    synth.effect->setParameter(synth.effect, cutoff, 0.4f);
    std::size_t from = gEvents.size();
    drag(input, synth.at(kCutoffKnob), synth.at({kCutoffKnob.x, kCutoffKnob.y - 30}));
    expectChange(synth, from, cutoff, 0.65f, "the cutoff knob dragged 30 pixels up");
    from = gEvents.size();
    input.press(Button4);
    input.release(Button4);
    expectChange(synth, from, cutoff, 0.67f, "and wheeled one notch up");

    // The filter envelope's point 3, 20 pixels down (up if it is low): its level moves by 0.2.
    EnvelopeEditor& filter = mirror.editor().filterEditor();
    mirror.render(synth.effect);
    const float level = p.filterLevel[3]->normalized().get();
    const int dy = level < 0.25f ? -20 : 20;
    const xPoint point = synth.at(filter.pointX(3), filter.pointY(3));
    from = gEvents.size();
    drag(input, point, {point.x, point.y + dy});
    expectChange(synth, from, mirror.indexOf(p.filterLevel[3]), level - 0.01f * static_cast<float>(dy),
                 "a filter-envelope point dragged");

    // A matrix cell (row 6, column 10) flips.
    xIntParam& cell = *p.modRoute[6][10];
    mirror.render(synth.effect);
    const float route = cell.normalized().get();
    from = gEvents.size();
    input.click(Button1, synth.at({370 + 97 + 18 * 10 + 6, 47 + 18 * 6 + 6}));
    expectChange(synth, from, mirror.indexOf(&cell), route > 0.5f ? 0.0f : 1.0f, "a matrix cell clicked");

    // Oscillator B's selector opens on its thumbnail; the cell of wave 12 picks it (wave 24 if
    // it is wave 12 already).
    mirror.render(synth.effect);
    const int wave = p.oscWaveform[1]->getValue() == 12 ? 24 : 12;
    from = gEvents.size();
    input.click(Button1, synth.at({245 + 16, 50 + 9}));
    pump(80);
    shot(shots, "x11-editor-wave-selector.png", synth.pixels());
    const xPoint waveCell = mirror.editor().waveSelector(1).cellOf(wave);
    input.click(Button1, synth.at({waveCell.x + 26, waveCell.y + 10}));
    p.oscWaveform[1]->setValue(wave);
    expectChange(synth, from, mirror.indexOf(p.oscWaveform[1]), p.oscWaveform[1]->normalized().get(),
                 "a wave picked in the wave selector");

    // Loop modes: one chosen with the mouse, one with the keyboard, a menu closed with Escape.
    from = gEvents.size();
    input.click(Button1, synth.at(kMixLoop));
    pump(60);
    const Window menu = openMenu();
    check(menu != 0, "the mix loop menu opens at the trigger");
    if (menu) {
        input.moveTo(menuRow(menu, 3, 7));
        if (!shots.empty()) {
            const xRect area{synth.origin.x, synth.origin.y, kWidth, kHeight};
            shot(shots, "x11-editor-menu.png", x11test::readPixels(gDisplay, DefaultRootWindow(gDisplay), area));
        }
        input.click(Button1, menuRow(menu, 3, 7));
    }
    p.mixLoop->setValue(3);
    expectChange(synth, from, mirror.indexOf(p.mixLoop), p.mixLoop->normalized().get(),
                 "\"2 --> 3\" chosen with the mouse");
    from = gEvents.size();
    input.click(Button1, synth.at(kFilterLoop));
    pump(60);
    for (int i = 0; i < 6; ++i)
        input.tap(XK_Down);
    input.tap(XK_Return);
    p.filterLoop->setValue(5);
    expectChange(synth, from, mirror.indexOf(p.filterLoop), p.filterLoop->normalized().get(),
                 "\"1 <-> 3\" chosen with the keyboard");
    const VstInt32 ampLoop = mirror.indexOf(p.ampLoop);
    const float ampLoopBefore = synth.parameter(ampLoop);
    from = gEvents.size();
    input.click(Button1, synth.at(kAmpLoop));
    pump(60);
    check(openMenu() != 0, "the amplitude loop menu opens");
    input.tap(XK_Down);
    input.tap(XK_Escape);
    check(openMenu() == 0 && synth.parameter(ampLoop) == ampLoopBefore && quietSince(synth, from),
          "Escape closes a menu without choosing, and the host hears nothing");

    // Tab moves the focus from the cutoff knob to the next control, which End sets to 0.
    input.click(Button1, synth.at(kCutoffKnob));
    const float cutoffBefore = synth.parameter(cutoff);
    from = gEvents.size();
    input.tap(XK_Tab);
    input.tap(XK_End);
    bool another = false;
    for (std::size_t i = from; i < gEvents.size(); ++i)
        another = another || (gEvents[i].effect == synth.effect && gEvents[i].index != cutoff);
    check(another && synth.parameter(cutoff) == cutoffBefore, "Tab moves the focus on: End changes another control");
    input.moveTo(synth.at(kRest));
}

// The bank file, as the plug-in names it under the test's $HOME.
std::filesystem::path bankFile()
{
    return std::filesystem::path(std::getenv("HOME")) / "ostrel.bnk";
}

// The "Save" button asks in the editor's own panel, with the file named; Escape is Cancel and
// writes nothing; OK writes the bank the host would get; a failure to write is told there too.
// The mirror's button follows the plug-in's (its own questions go to the quiet handler).
void saveQuestion(Input& input, Instance& synth, Mirror& mirror, const std::string& shots)
{
    std::filesystem::remove(bankFile());
    const auto press = [&](int state) {
        input.click(Button1, synth.at(kSaveButton));
        input.moveTo(synth.at(kRest));
        pump(100);
        mirror.plugin().debugParam().value().set(state);
    };
    const auto question = [] { return "Save bank to " + bankFile().string() + "?"; };

    std::size_t from = gEvents.size();
    press(1);
    compareWindow(synth, mirror.render(synth.effect, question()),
                  "the save question is the editor's own panel, file named");
    shot(shots, "x11-editor-question.png", synth.pixels());
    input.tap(XK_Escape);
    pump(60);
    check(!std::filesystem::exists(bankFile()) && quietSince(synth, from), "Escape answers Cancel: nothing is written");
    compareWindow(synth, mirror.render(synth.effect), "and the panel is gone");

    // The next click asks again; OK, clicked, writes the whole bank.
    press(0);
    mirror.render(synth.effect, question());
    const xRect ok = mirror.okButton();
    input.click(Button1, synth.at({ok.x + ok.width / 2, ok.y + ok.height / 2}));
    input.moveTo(synth.at(kRest));
    void* chunk = nullptr;
    const auto size = static_cast<std::size_t>(synth.call(effGetChunk, 0, 0, &chunk));
    std::vector<unsigned char> file;
    if (std::filesystem::exists(bankFile()))
        file = moduledata::readFile(bankFile().string());
    check(size > 0 && file.size() == size && std::equal(file.begin(), file.end(), static_cast<unsigned char*>(chunk)),
          "OK writes the bank file: the bank the host gets (" + std::to_string(file.size()) + " bytes)");
    compareWindow(synth, mirror.render(synth.effect), "the answered panel is gone");

    // A folder that is not there: Return answers OK, and the failure is told in the editor.
    const std::string home = std::getenv("HOME");
    setenv("HOME", (home + "/missing").c_str(), 1);
    press(1);
    input.tap(XK_Return);
    pump(60);
    compareWindow(
        synth,
        mirror.render(synth.effect, "Couldn't open " + bankFile().string() + " for writing; the bank was not saved."),
        "a bank file that cannot be written is told in the editor");
    input.tap(XK_Return);
    pump(60);
    setenv("HOME", home.c_str(), 1);
    compareWindow(synth, mirror.render(synth.effect), "and Return closes that message");
    // The button back to its first state, the question cancelled.
    press(0);
    input.tap(XK_Escape);
    pump(60);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PLUGIN.so RESOURCES_DIR [--shots DIR]\n", argv[0]);
        return 2;
    }
    const std::string shots = argc >= 5 && std::string(argv[3]) == "--shots" ? argv[4] : "";
    // The bank file of the "Save" button goes to $HOME: a folder of the test's own.
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "ostrel-x11hosttest";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);

    std::vector<unsigned char> bank;
    try {
        bank = moduledata::load(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "x11hosttest: %s\n", e.what());
        return 2;
    }
    PluginLibrary library(argv[1]);
    gEntry = library.loaded() ? reinterpret_cast<EntryProc>(library.symbol("VSTPluginMain")) : nullptr;
    gDisplay = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!gEntry || !gDisplay || !XTestQueryExtension(gDisplay, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "x11hosttest: needs the plug-in (%s) and an X display with XTest\n", library.error());
        return 2;
    }
    x11test::installHostErrorCounter();
    // The mirror's own save questions (its button follows the plug-in's) are answered Cancel.
    platform::setMessageBoxHandler(
        [](const char*, const char*, platform::BoxKind) { return platform::Answer::Cancel; });
    Input input(gDisplay, pump);
    input.moveTo(kCorner);
    const int baseline = x11test::countWindows(gDisplay);
    {
        Mirror mirror(bank, mirrorCallback);
        auto synth = std::make_unique<Instance>();
        check(synth->effect && synth->effect->flags == 0x131, "the plug-in has an editor (flags 0x131)");
        if (!synth->effect)
            return gChecks.summary("x11hosttest");
        synth->call(effSetProgram, 0, 1);
        ERect* rect = nullptr;
        ERect* again = nullptr;
        check(synth->call(effEditGetRect, 0, 0, &rect) == 1 && synth->call(effEditGetRect, 0, 0, &again) == 1 && rect
                  && rect == again && rect->top == 0 && rect->left == 0 && rect->bottom == kHeight
                  && rect->right == kWidth,
              "effEditGetRect: the same 760 x 500 record every time");
        check(synth->openEditor(20, 100), "effEditOpen with a top-level window's id makes the editor inside it");
        check(x11test::countWindows(gDisplay) == baseline + 2, "one window of the editor's own");
        // No idle yet: a host that never idles still has the picture.
        compareWindow(*synth, mirror.render(synth->effect), "before any idle the window shows the headless render");
        gIdle.push_back(synth.get());
        pump(200);
        shot(shots, "x11-editor.png", synth->pixels());

        editWithRealInput(input, *synth, mirror, shots);
        pump(100);
        compareWindow(*synth, mirror.render(synth->effect), "after the input the window equals the headless render");

        // The host changes the program and automates a knob: the open editor follows.
        synth->call(effSetProgram, 0, 3);
        synth->effect->setParameter(synth->effect, mirror.indexOf(mirror.patch().resonance), 0.8f);
        pump(150);
        compareWindow(*synth, mirror.render(synth->effect),
                      "after a host program change and automation the window follows");

        saveQuestion(input, *synth, mirror, shots);

        // Closed, then opened again in another host window: it still takes input.
        synth->closeEditor();
        check(x11test::countWindows(gDisplay) == baseline, "effEditClose leaves no window of the editor");
        synth->call(effEditClose);
        synth->call(effEditIdle);
        check(synth->openEditor(60, 80), "the editor opens again in a new host window");
        pump(150);
        compareWindow(*synth, mirror.render(synth->effect), "reopened, it shows the program");
        xIntParam& cell = *mirror.patch().modRoute[6][8];
        std::size_t from = gEvents.size();
        const float before = cell.normalized().get();
        input.click(Button1, synth->at({370 + 97 + 18 * 8 + 6, 47 + 18 * 6 + 6}));
        expectChange(*synth, from, mirror.indexOf(&cell), before > 0.5f ? 0.0f : 1.0f, "reopened: a matrix cell");

        {
            // A second instance whose host never idles: a still picture, and the host goes on.
            auto second = std::make_unique<Instance>();
            second->call(effSetProgram, 0, 2);
            const auto start = std::chrono::steady_clock::now();
            check(second->openEditor(480, 300), "a second instance opens in a window of its own");
            check(x11test::countWindows(gDisplay) == baseline + 4, "two editors, two windows of their own");
            const std::vector<std::uint8_t> still = mirror.render(second->effect);
            second->effect->setParameter(second->effect, mirror.indexOf(mirror.patch().cutoff), 0.1f);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            XSync(gDisplay, False);
            compareWindow(*second, still, "without idle calls the second editor keeps its first picture");
            check(std::chrono::steady_clock::now() - start < std::chrono::seconds(5), "and nothing waits for idle");

            // Idled from now on, it follows; input in it is its own.
            gIdle.push_back(second.get());
            pump(150);
            compareWindow(*second, mirror.render(second->effect), "idled, the second editor shows its program");
            const float firstValue = synth->parameter(mirror.indexOf(&cell));
            from = gEvents.size();
            input.click(Button1, second->at({370 + 97 + 18 * 8 + 6, 47 + 18 * 6 + 6}));
            std::string why;
            check(bracketed(*second, from, mirror.indexOf(&cell), why) && quietSince(*synth, from),
                  "a click in the second editor is the second instance's change only" + why);
            check(synth->parameter(mirror.indexOf(&cell)) == firstValue, "the first instance's cell stays");

            // The host closes the plug-in with its editor open.
            std::erase(gIdle, second.get());
            const Window secondHost = second->host;
            second->closePlugin();
            XSync(gDisplay, False);
            check(x11test::childrenOf(gDisplay, secondHost).empty(),
                  "effClose with the editor open takes the editor's window away");
        }
        check(x11test::countWindows(gDisplay) == baseline + 2, "only the first editor's windows are left");
        input.moveTo(synth->at(kRest));
        pump(100);
        compareWindow(*synth, mirror.render(synth->effect), "the first instance still shows its program");

        // The host destroys its window under the open editor, then idles and closes it.
        synth->destroyHost();
        pump(100);
        synth->call(effEditIdle);
        synth->call(effEditClose);
        check(x11test::countWindows(gDisplay) == baseline, "a host window destroyed under the editor: no window left");
        check(synth->openEditor(20, 100), "and the editor opens again afterwards");
        pump(100);
        from = gEvents.size();
        input.click(Button1, synth->at({370 + 97 + 18 * 8 + 6, 47 + 18 * 6 + 6}));
        expectChange(*synth, from, mirror.indexOf(&cell), before, "and takes input");
        // Destroyed again, now closed with no idle call in between.
        synth->destroyHost();
        synth->call(effEditClose);
        check(x11test::countWindows(gDisplay) == baseline, "a host window destroyed right before effEditClose");

        // Parents that are no windows: 0 from effEditOpen, and the host goes on.
        check(synth->call(effEditOpen, 0, 0, nullptr) == 0, "effEditOpen without a parent answers 0");
        check(synth->call(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x3fffffff))) == 0,
              "effEditOpen with an id that is no window answers 0");
        const Window gone = x11test::createTopLevel(gDisplay, 0, 0, 10, 10);
        XDestroyWindow(gDisplay, gone);
        XSync(gDisplay, False);
        check(synth->call(effEditOpen, 0, 0, reinterpret_cast<void*>(gone)) == 0,
              "effEditOpen with a destroyed window's id answers 0");
        synth->call(effEditIdle);
        synth->call(effEditClose);
        check(synth->openEditor(20, 100), "a good parent after bad ones opens the editor");

        // The host closes the plug-in while the save question waits in its open editor.
        std::filesystem::remove(bankFile());
        input.click(Button1, synth->at(kSaveButton));
        input.moveTo(synth->at(kRest));
        pump(100);
        mirror.plugin().debugParam().value().set(1);
        compareWindow(*synth, mirror.render(synth->effect, "Save bank to " + bankFile().string() + "?"),
                      "the save question is open");
        gIdle.clear();
        synth.reset(); // effClose with the editor open, the host window destroyed after
        check(!std::filesystem::exists(bankFile()), "effClose with the question open writes nothing");
        input.moveTo(kCorner);
    }
    XSync(gDisplay, False);
    check(x11test::countWindows(gDisplay) == baseline, "no window is left at the end");
    check(x11test::hostErrorCount() == 0, "no X error reached the host's handler");
    XCloseDisplay(gDisplay);
    std::filesystem::remove_all(home);
    return gChecks.summary("x11hosttest");
}
