// The plug-in's editor in a real Windows program (run under Wine with Xvfb in CI): a small host
// of ours loads the DLL through its binary interface only, opens the editor in a top-level
// window of its own and drives it with real input (SendInput). Every change must reach the
// host as audioMasterAutomate, with audioMasterBeginEdit and audioMasterEndEdit around it,
// and through getParameter. The window's pixels are compared with a headless render of the
// same program by a plug-in object built in this program on the source tree's resources (the
// mirror), which also tells where the controls are and what each change must give.
//
//   ostrel-editortest PLUGIN.dll RESOURCES_DIR      (resources/ of the source tree)
//
// Ends with "editortest: N passed, M failed".

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "editor/synth_editor.h"
#include "host/headless_editor_binding.h"
#include "host/synth_plugin.h"
#include "tests/support/module_data.h"
#include "window_support.h"

using namespace ostrel;
using windowtest::check;
using windowtest::sendMouse;

namespace {

constexpr int kWidth = SynthEditor::kWidth;
constexpr int kHeight = SynthEditor::kHeight;

// What the host heard, in order.
struct HostEvent {
    vst::AEffect* effect;
    vst::VstInt32 opcode;
    vst::VstInt32 index;
    float value;
};
std::vector<HostEvent> gEvents;

vst::VstIntPtr hostCallback(vst::AEffect* effect, vst::VstInt32 opcode, vst::VstInt32 index, vst::VstIntPtr, void*,
                            float opt)
{
    if (opcode == vst::audioMasterAutomate || opcode == vst::audioMasterBeginEdit || opcode == vst::audioMasterEndEdit)
        gEvents.push_back({effect, opcode, index, opt});
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

vst::VstIntPtr call(vst::AEffect* e, vst::VstInt32 opcode, vst::VstInt32 index = 0, vst::VstIntPtr value = 0,
                    void* ptr = nullptr, float opt = 0.0f)
{
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// The same plug-in, built here on a headless binding: where the controls are, what a change
// gives, and what the window must show.
struct Mirror {
    explicit Mirror(const std::vector<unsigned char>& bank)
        : binding(new HeadlessEditorBinding(kWidth, kHeight)),
          plugin(hostCallback, bank.data(), bank.size(), std::unique_ptr<EditorBinding>(binding))
    { }
    // Takes the DLL's current program and renders it.
    std::vector<std::uint8_t> render(vst::AEffect* effect)
    {
        void* chunk = nullptr;
        const auto size = static_cast<vst::VstInt32>(call(effect, vst::effGetChunk, 1, 0, &chunk));
        plugin.setChunk(chunk, size, true);
        vellum::xHeadlessWindow& window = binding->headless();
        window.paintAll();
        const std::uint8_t* first = window.surface().pixelAt(0, 0);
        return {first, first + static_cast<std::size_t>(kWidth) * kHeight * 4};
    }
    vst::VstInt32 indexOf(const xParam* param)
    {
        for (vst::VstInt32 i = 0; i < patch().registry().count(); ++i) {
            if (patch().registry().find(i)->param == param)
                return i;
        }
        return -1;
    }
    Patch& patch() { return plugin.patch(); }
    SynthEditor& editor() { return *plugin.editor(); }

    HeadlessEditorBinding* binding;
    SynthPlugin plugin;
};

// Whether the events of one parameter since `from` are a gesture: begin first, end last, at
// least `changes` reports in between and nothing of it outside.
bool bracketed(vst::AEffect* effect, std::size_t from, vst::VstInt32 index, int changes, std::string& why)
{
    std::vector<vst::VstInt32> seen;
    int reports = 0;
    for (std::size_t i = from; i < gEvents.size(); ++i) {
        if (gEvents[i].effect != effect || gEvents[i].index != index)
            continue;
        seen.push_back(gEvents[i].opcode);
        reports += gEvents[i].opcode == vst::audioMasterAutomate ? 1 : 0;
    }
    why = " (" + std::to_string(seen.size()) + " events, " + std::to_string(reports) + " reports)";
    return seen.size() >= 2 && seen.front() == vst::audioMasterBeginEdit && seen.back() == vst::audioMasterEndEdit
        && reports >= changes && std::count(seen.begin(), seen.end(), vst::audioMasterBeginEdit) == 1
        && std::count(seen.begin(), seen.end(), vst::audioMasterEndEdit) == 1;
}

void expectChange(vst::AEffect* effect, std::size_t from, vst::VstInt32 index, float want, const std::string& what)
{
    std::string why;
    check(bracketed(effect, from, index, 1, why), what + ": reported between begin and end edit" + why);
    const float got = effect->getParameter(effect, index);
    check(std::fabs(got - want) < 1e-4f,
          what + ": getParameter " + std::to_string(got) + ", expected " + std::to_string(want));
}

struct Editor {
    vst::AEffect* effect;
    HWND top;
    HWND window;
    POINT at(int x, int y) const { return windowtest::onScreen(window, x, y); }
    void click(int x, int y) const
    {
        const POINT p = at(x, y);
        sendMouse(0, p.x, p.y);
        sendMouse(MOUSEEVENTF_LEFTDOWN, p.x, p.y);
        sendMouse(MOUSEEVENTF_LEFTUP, p.x, p.y);
        call(effect, vst::effEditIdle);
    }
    void drag(int x, int y, int dx, int dy) const
    {
        const POINT p = at(x, y);
        sendMouse(0, p.x, p.y);
        sendMouse(MOUSEEVENTF_LEFTDOWN, p.x, p.y);
        for (int step = 1; step <= 4; ++step)
            sendMouse(0, p.x + dx * step / 4, p.y + dy * step / 4);
        sendMouse(MOUSEEVENTF_LEFTUP, p.x + dx, p.y + dy);
        call(effect, vst::effEditIdle);
    }
    // The pointer rests on an empty place of the editor, so no hint is showing.
    void rest() const
    {
        const POINT p = at(300, 190);
        sendMouse(0, p.x, p.y);
    }
};

Editor openEditor(vst::AEffect* effect, int x, const std::string& when)
{
    HWND top = windowtest::openHostWindow(x, kWidth, kHeight);
    check(call(effect, vst::effEditOpen, 0, 0, top) == 1, when + ": effEditOpen in the host's window answers 1");
    HWND window = windowtest::editorIn(top);
    check(window != nullptr, when + ": the editor is a child of the host's window");
    windowtest::pump(300);
    return {effect, top, window};
}

void closeEditor(Editor& editor)
{
    call(editor.effect, vst::effEditClose);
    windowtest::check(!IsWindow(editor.window), "effEditClose destroys the editor window");
    DestroyWindow(editor.top);
    windowtest::drain();
}

// Drags, clicks, a wave picked on a selector, a loop mode chosen from a menu, the wheel.
void playInput(const Editor& e, Mirror& m)
{
    Patch& p = m.patch();
    EnvelopeEditor& filter = m.editor().filterEditor();

    // The filter envelope's point 3, 20 pixels up (down if it is high): level 3 moves by 0.2.
    const float level = p.filterLevel[3]->normalized().get();
    const int dy = level > 0.75f ? 20 : -20;
    std::size_t from = gEvents.size();
    e.drag(static_cast<int>(std::lround(filter.pointX(3))), static_cast<int>(std::lround(filter.pointY(3))), 0, dy);
    p.filterLevel[3]->normalized().set(level - 0.01f * static_cast<float>(dy));
    expectChange(e.effect, from, m.indexOf(p.filterLevel[3]), p.filterLevel[3]->normalized().get(),
                 "a dragged envelope point");

    // A matrix cell (row 6, column 10) flips.
    xIntParam& cell = *p.modRoute[6][10];
    from = gEvents.size();
    e.click(370 + 97 + 18 * 10 + 6, 47 + 18 * 6 + 6);
    cell.setValue(cell.getValue() == 0 ? 1 : 0);
    expectChange(e.effect, from, m.indexOf(&cell), cell.normalized().get(), "a clicked matrix cell");

    // Oscillator B's selector opens on its thumbnail; the cell of wave 12 picks it.
    from = gEvents.size();
    e.click(245 + 16, 50 + 9);
    const vellum::xPoint waveCell = m.editor().waveSelector(1).cellOf(12);
    e.click(waveCell.x + 26, waveCell.y + 10);
    p.oscWaveform[1]->setValue(12);
    expectChange(e.effect, from, m.indexOf(p.oscWaveform[1]), p.oscWaveform[1]->normalized().get(),
                 "a wave picked on the selector");

    // The filter's loop menu: Down six times and Return choose "1 <-> 3". The keys come from
    // another thread while this one is in the menu's loop.
    from = gEvents.size();
    std::thread keys([] {
        Sleep(400);
        for (int i = 0; i < 6; ++i)
            windowtest::sendKey(VK_DOWN);
        windowtest::sendKey(VK_RETURN);
    });
    e.click(63 + 20, 333 + 6);
    keys.join();
    windowtest::pump(200);
    p.filterLoop->setValue(5);
    expectChange(e.effect, from, m.indexOf(p.filterLoop), p.filterLoop->normalized().get(),
                 "a loop mode chosen from its menu");

    // The cutoff knob, clicked for the focus, then one notch of the wheel.
    e.click(535 + 13, 220 + 13);
    from = gEvents.size();
    const POINT knob = e.at(535 + 13, 220 + 13);
    sendMouse(MOUSEEVENTF_WHEEL, knob.x, knob.y, WHEEL_DELTA);
    p.cutoff->normalized().set(p.cutoff->normalized().get() + 0.02f);
    expectChange(e.effect, from, m.indexOf(p.cutoff), p.cutoff->normalized().get(), "a knob turned by the wheel");
    e.rest();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PLUGIN.dll RESOURCES_DIR\n", argv[0]);
        return 2;
    }
    SetCursorPos(1270, 1010);
    std::vector<unsigned char> bank;
    try {
        bank = moduledata::load(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "editortest: %s\n", e.what());
        return 2;
    }
    HMODULE library = LoadLibraryA(argv[1]);
    using Entry = vst::AEffect* (*)(vst::audioMasterCallback);
    auto entry =
        library ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, "VSTPluginMain"))) : nullptr;
    if (!entry) {
        std::fprintf(stderr, "editortest: cannot load %s\n", argv[1]);
        return 2;
    }
    vst::AEffect* effect = entry(hostCallback);
    check(effect && effect->flags == 0x131, "the plug-in has an editor (flags 0x131)");
    if (!effect)
        return windowtest::summary("editortest");
    call(effect, vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    call(effect, vst::effMainsChanged, 0, 1);
    call(effect, vst::effSetProgram, 0, 1);
    vst::ERect* rect = nullptr;
    vst::ERect* again = nullptr;
    check(call(effect, vst::effEditGetRect, 0, 0, &rect) == 1 && call(effect, vst::effEditGetRect, 0, 0, &again) == 1
              && rect && rect == again && rect->top == 0 && rect->left == 0 && rect->bottom == kHeight
              && rect->right == kWidth,
          "effEditGetRect: the same 760 x 500 record every time");
    {
        Mirror mirror(bank);
        Editor editor = openEditor(effect, 0, "first open");
        editor.rest();
        windowtest::comparePixels(windowtest::readWindow(editor.window, kWidth, kHeight), mirror.render(effect), kWidth,
                                  "the window shows what the headless render of the program shows");

        playInput(editor, mirror);

        // A program change from the host while the editor is open redraws it.
        call(effect, vst::effSetProgram, 0, 3);
        windowtest::pump(200);
        windowtest::comparePixels(windowtest::readWindow(editor.window, kWidth, kHeight), mirror.render(effect), kWidth,
                                  "after a host program change the window shows the new program");

        // Closed and opened again in another host window, the editor still takes input.
        closeEditor(editor);
        editor = openEditor(effect, 0, "reopened");
        std::size_t from = gEvents.size();
        editor.click(370 + 97 + 18 * 8 + 6, 47 + 18 * 6 + 6);
        xIntParam& cell = *mirror.patch().modRoute[6][8];
        cell.setValue(cell.getValue() == 0 ? 1 : 0);
        expectChange(effect, from, mirror.indexOf(&cell), cell.normalized().get(), "reopened: a clicked matrix cell");

        // A second instance in a window of its own: its changes are its own.
        vst::AEffect* second = entry(hostCallback);
        call(second, vst::effMainsChanged, 0, 1);
        Editor other = openEditor(second, 40, "second instance");
        const float firstValue = effect->getParameter(effect, mirror.indexOf(&cell));
        from = gEvents.size();
        other.click(370 + 97 + 18 * 8 + 6, 47 + 18 * 6 + 6);
        std::string why;
        check(bracketed(second, from, mirror.indexOf(&cell), 1, why),
              "second instance: a clicked cell is reported" + why);
        check(effect->getParameter(effect, mirror.indexOf(&cell)) == firstValue,
              "second instance: the first instance's cell stays");
        closeEditor(other);
        call(second, vst::effClose);

        editor.rest();
        windowtest::comparePixels(windowtest::readWindow(editor.window, kWidth, kHeight), mirror.render(effect), kWidth,
                                  "the first instance still shows its program");
        closeEditor(editor);
    }
    check(call(effect, vst::effEditOpen, 0, 0, nullptr) == 0, "effEditOpen without a parent answers 0");
    check(call(effect, vst::effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::intptr_t>(0x5A5A5A))) == 0,
          "effEditOpen with an invalid parent answers 0");
    call(effect, vst::effEditClose);
    call(effect, vst::effClose);
    FreeLibrary(library);
    return windowtest::summary("editortest");
}
