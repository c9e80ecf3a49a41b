// The plug-in's editor as the host reaches it: linked through the editor opcodes, gestures in
// it reported as begin and end edit around their automation, the bank-save button, and the
// play markers fed by whichever engine runs.
#include "editor_rig.h"
#include "host/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace ostrel {
namespace {

using editortest::EditorRig;
using editortest::HostEvent;
using editortest::hostLog;
using namespace vst;
using vellum::xMouseButton;

std::vector<HostEvent> takeLog()
{
    std::vector<HostEvent> taken;
    taken.swap(hostLog());
    return taken;
}

// The events of one parameter, as opcodes.
std::vector<VstInt32> opcodesOf(const std::vector<HostEvent>& events, VstInt32 index)
{
    std::vector<VstInt32> opcodes;
    for (const HostEvent& e : events) {
        if (e.index == index)
            opcodes.push_back(e.opcode);
    }
    return opcodes;
}

bool anyEdits(const std::vector<HostEvent>& events)
{
    for (const HostEvent& e : events) {
        if (e.opcode != audioMasterAutomate)
            return true;
    }
    return false;
}

// Yellow pixels (the play marker) inside a rectangle of the window.
std::vector<vellum::xPoint> markerPixels(vellum::xHeadlessWindow& window, const vellum::xRect& area)
{
    std::vector<vellum::xPoint> found;
    for (int y = area.y; y < area.bottom(); ++y) {
        for (int x = area.x; x < area.right(); ++x) {
            const std::uint8_t* p = window.surface().pixelAt(x, y);
            if (p[2] == 255 && p[1] == 255 && p[0] == 0)
                found.push_back({x, y});
        }
    }
    return found;
}

// The questions the bank-save command asked, and on which thread; the answer is Cancel.
struct Asked {
    static inline std::vector<std::string> texts;
    static inline std::thread::id thread;
    static platform::Answer cancel(const char* text, const char* caption, platform::BoxKind)
    {
        texts.push_back(std::string(caption) + ": " + text);
        thread = std::this_thread::get_id();
        return platform::Answer::Cancel;
    }
};

constexpr VstInt32 kBegin = audioMasterBeginEdit;
constexpr VstInt32 kEnd = audioMasterEndEdit;
constexpr VstInt32 kReport = audioMasterAutomate;

} // namespace

TEST(PluginEditor, LinkedAsTheHostsEditorWithItsRectangleAndWithoutHostKeys)
{
    EditorRig rig;
    EXPECT_EQ(rig.effect->flags, 0x131);
    ERect* rect = nullptr;
    ERect* again = nullptr;
    EXPECT_EQ(rig.call(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rig.call(effEditGetRect, 0, 0, &again), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect, again) << "the same record every time";
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 500);
    EXPECT_EQ(rect->right, 760);
    EXPECT_EQ(rig.call(effEditGetRect, 0, 0, nullptr), 0);
    EXPECT_EQ(rig.call(effEditKeyDown, 'a', 65, nullptr, 0.0f), -1);
    EXPECT_EQ(rig.call(effEditKeyUp, 0, 9, nullptr, 1.0f), -1);
    EXPECT_EQ(rig.call(effSetEditKnobMode, 0, 2), 0);
    // A headless window has no host window to open in; the calls around it are harmless.
    EXPECT_EQ(rig.call(effEditOpen, 0, 0, nullptr), 0);
    rig.call(effEditIdle);
    rig.call(effEditClose);

    // Without a binding there is no editor, and the editor opcodes answer 0.
    SynthPlugin bare(editortest::loggingHost);
    EXPECT_EQ(bare.getAeffect()->flags, 0x130);
    EXPECT_EQ(bare.dispatcher(effEditKeyDown, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(bare.dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 0);
}

TEST(PluginEditor, UserChangesAreBracketedByBeginAndEndEditHostAndProgramChangesAreNot)
{
    EditorRig rig;
    Patch& patch = rig.plugin->patch();
    const VstInt32 cutoff = rig.indexOf(patch.cutoff);

    // A knob drag: begin, the reports of the drag, end.
    rig.drag(548, 233, 548, 213);
    const std::vector<VstInt32> drag = opcodesOf(takeLog(), cutoff);
    ASSERT_GE(drag.size(), 4u);
    EXPECT_EQ(drag.front(), kBegin);
    EXPECT_EQ(drag.back(), kEnd);
    EXPECT_EQ(std::count(drag.begin(), drag.end(), kReport), static_cast<long>(drag.size()) - 2);
    EXPECT_NEAR(rig.effect->getParameter(rig.effect, cutoff), 0.7f + 20.0f / 120.0f, 1e-3f);
    // The wheel on the focused knob and a matrix cell: one step each.
    rig.window().wheel(120);
    EXPECT_EQ(opcodesOf(takeLog(), cutoff), (std::vector<VstInt32>{kBegin, kReport, kEnd}));
    const VstInt32 cell = rig.indexOf(patch.modRoute[6][10]);
    rig.window().click(xMouseButton::left, 370 + 97 + 18 * 10 + 6, 47 + 18 * 6 + 6);
    EXPECT_EQ(opcodesOf(takeLog(), cell), (std::vector<VstInt32>{kBegin, kReport, kEnd}));
    EXPECT_EQ(rig.effect->getParameter(rig.effect, cell), 1.0f);

    // An envelope point's drag is one gesture on its level and its time, in that order.
    for (int k = 0; k < 4; ++k) {
        patch.filterTime[static_cast<std::size_t>(k)]->normalized().set(0.2f);
        patch.filterLevel[static_cast<std::size_t>(k)]->normalized().set(0.1f * static_cast<float>(k + 1));
    }
    takeLog();
    EnvelopeEditor& filter = rig.plugin->editor()->filterEditor();
    const auto px = static_cast<int>(std::lround(filter.pointX(2)));
    const auto py = static_cast<int>(std::lround(filter.pointY(2)));
    rig.drag(px, py, px + 10, py - 10);
    const std::vector<HostEvent> point = takeLog();
    const VstInt32 level = rig.indexOf(patch.filterLevel[2]);
    const VstInt32 time = rig.indexOf(patch.filterTime[1]);
    ASSERT_GE(point.size(), 6u);
    EXPECT_EQ(point[0], (HostEvent{kBegin, level, 0.0f}));
    EXPECT_EQ(point[1], (HostEvent{kBegin, time, 0.0f}));
    EXPECT_EQ(point[point.size() - 2], (HostEvent{kEnd, level, 0.0f}));
    EXPECT_EQ(point.back(), (HostEvent{kEnd, time, 0.0f}));

    // A wave picked on a selector, a loop mode chosen from its menu.
    rig.window().click(xMouseButton::left, 245 + 16, 50 + 9);
    const vellum::xPoint wave = rig.plugin->editor()->waveSelector(1).cellOf(12);
    rig.window().click(xMouseButton::left, wave.x + 26, wave.y + 10);
    EXPECT_EQ(opcodesOf(takeLog(), rig.indexOf(patch.oscWaveform[1])), (std::vector<VstInt32>{kBegin, kReport, kEnd}));
    rig.window().setMenuChooser([](const vellum::xMenu&, vellum::xPoint) { return 6; });
    rig.window().click(xMouseButton::left, 63 + 20, 333 + 6);
    EXPECT_EQ(opcodesOf(takeLog(), rig.indexOf(patch.filterLoop)), (std::vector<VstInt32>{kBegin, kReport, kEnd}));
    EXPECT_EQ(patch.filterLoop->getValue(), 5);

    // The host's own writes and a program change are reported, but they are not edits.
    rig.effect->setParameter(rig.effect, cutoff, 0.25f);
    rig.call(effSetProgram, 0, 2);
    const std::vector<HostEvent> host = takeLog();
    EXPECT_FALSE(host.empty());
    EXPECT_FALSE(anyEdits(host));
}

TEST(PluginEditor, TheSaveButtonAsksOnTheEditorsThreadAndCancelWritesNothing)
{
    const auto dir = std::filesystem::temp_directory_path() / ("ostrel-button-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", dir.c_str(), 1);
    platform::setMessageBoxHandler(Asked::cancel);
    {
        EditorRig rig;
        rig.window().click(xMouseButton::left, 560, 487);
        ASSERT_EQ(Asked::texts.size(), 1u);
        EXPECT_EQ(Asked::texts[0], "Save bank: Save bank to " + platform::bankFileDisplayName() + "?");
        EXPECT_EQ(Asked::thread, std::this_thread::get_id());
        EXPECT_FALSE(std::filesystem::exists(platform::bankFilePath()));
        rig.window().press(xMouseButton::left, 560, 487);
        rig.window().release(xMouseButton::left, 600, 300);
        EXPECT_EQ(Asked::texts.size(), 1u) << "released outside the button, nothing is asked";
    }
    platform::setMessageBoxHandler(nullptr);
    ::setenv("HOME", oldHome.c_str(), 1);
    std::filesystem::remove_all(dir);
}

TEST(PluginEditor, PlayMarkersFollowTheLastStartedVoiceOfWhicheverEngineRuns)
{
    EditorRig rig;
    rig.call(effSetProgram, 0, 1);
    SynthEditor& editor = *rig.plugin->editor();
    std::vector<float> left(256), right(256);
    float* outputs[2] = {left.data(), right.data()};
    audiotest::MidiList midi;
    const auto play = [&](int blocks) {
        for (int i = 0; i < blocks; ++i)
            rig.effect->processReplacing(rig.effect, nullptr, outputs, 256);
        rig.window().tick();
        rig.window().paintInvalid();
    };
    const auto expectMarker = [&](EnvelopeEditor& envelope, const PlayPositions::Standing& s, const char* what) {
        const std::vector<vellum::xPoint> lit = markerPixels(rig.window(), envelope.getRect());
        if (s.stage > 3) {
            EXPECT_TRUE(lit.empty()) << what << ": none in release";
            return;
        }
        const float p = s.position;
        const float x = envelope.pointX(s.stage) * (1 - p) + envelope.pointX(s.stage + 1) * p;
        const float y = envelope.pointY(s.stage) * (1 - p) + envelope.pointY(s.stage + 1) * p;
        ASSERT_EQ(lit.size(), 9u) << what;
        EXPECT_EQ(lit[0].x, static_cast<int>(x - 1.0f)) << what;
        EXPECT_EQ(lit[0].y, static_cast<int>(y - 1.0f)) << what;
    };

    play(4);
    EXPECT_TRUE(markerPixels(rig.window(), {0, 0, 760, 500}).empty()) << "no voice started yet";
    midi.add(0, 0x90, 60, 100);
    rig.effect->dispatcher(rig.effect, effProcessEvents, 0, 0, midi.list(), 0.0f);
    play(20);
    PlayPositions::Snapshot standing = rig.plugin->engine()->playPositions()->read();
    ASSERT_TRUE(standing.hasVoice);
    expectMarker(editor.filterEditor(), standing.filter, "filter");
    expectMarker(editor.ampEditor(), standing.amp, "amplitude");
    const std::vector<vellum::xPoint> mix = markerPixels(rig.window(), editor.mixEditor().getRect());
    ASSERT_EQ(mix.size(), 9u);
    EXPECT_EQ(mix[0].x, static_cast<int>(84.0f + 64.0f * standing.mixX - 1.0f));

    // Released: the one-dimensional markers go; the mix pad's stays while its release runs.
    midi.clear();
    midi.add(0, 0x80, 60, 0);
    rig.effect->dispatcher(rig.effect, effProcessEvents, 0, 0, midi.list(), 0.0f);
    play(2);
    standing = rig.plugin->engine()->playPositions()->read();
    EXPECT_EQ(standing.amp.stage, 4);
    expectMarker(editor.ampEditor(), standing.amp, "amplitude");

    // A new rate builds a new engine; the markers follow its voices.
    rig.call(effMainsChanged, 0, 0);
    rig.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    rig.call(effMainsChanged, 0, 1);
    ASSERT_EQ(rig.plugin->engine()->sampleRate(), 48000);
    play(2);
    EXPECT_TRUE(markerPixels(rig.window(), {0, 0, 760, 500}).empty()) << "the new engine has started no voice";
    midi.clear();
    midi.add(0, 0x90, 64, 90);
    rig.effect->dispatcher(rig.effect, effProcessEvents, 0, 0, midi.list(), 0.0f);
    play(10);
    standing = rig.plugin->engine()->playPositions()->read();
    ASSERT_TRUE(standing.hasVoice);
    expectMarker(editor.filterEditor(), standing.filter, "filter after the rate change");
}

} // namespace ostrel
