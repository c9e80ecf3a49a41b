// The editor driven and painted on the user-interface thread while notes play on the audio
// thread, the host automates on its own thread and, halfway, a new sample rate makes the
// dispatcher build a new engine and hand it to the editor. Under ThreadSanitizer
// (tools/test.sh) this proves that the editor reads the play positions, the parameters and
// the engine hand-over without a data race and without making the audio thread wait.
#include "editor_rig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace ostrel {
namespace {

using editortest::EditorRig;
using namespace vst;
using vellum::xMouseButton;

// Notes on, notes off, blocks of 256 frames, until told to stop.
void playNotes(EditorRig& rig, std::atomic<bool>& stop, std::atomic<int>& blocks)
{
    std::vector<float> left(256), right(256);
    float* outputs[2] = {left.data(), right.data()};
    audiotest::MidiList midi;
    for (int i = 0; !stop.load(); ++i) {
        midi.clear();
        if (i % 6 == 0)
            midi.add(i % 256, 0x90, 48 + (i / 6) % 24, 100);
        if (i % 6 == 3)
            midi.add(0, 0x80, 48 + (i / 6) % 24, 0);
        rig.effect->dispatcher(rig.effect, effProcessEvents, 0, 0, midi.list(), 0.0f);
        rig.effect->processReplacing(rig.effect, nullptr, outputs, 256);
        ++blocks;
    }
}

} // namespace

TEST(EditorThreads, NotesPlayWhileTheEditorIsDrivenAndPaintedAndTheEngineIsRebuilt)
{
    EditorRig rig;
    rig.call(effSetProgram, 0, 1);
    std::atomic<bool> stopAudio{false};
    std::atomic<bool> stopHost{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] { playNotes(rig, stopAudio, blocks); });
    std::thread host([&] {
        for (int i = 0; !stopHost.load(); ++i)
            rig.effect->setParameter(rig.effect, i % 128, 0.5f + 0.4f * std::sin(0.1f * static_cast<float>(i)));
    });

    SynthEditor& editor = *rig.plugin->editor();
    const auto driveEditor = [&](int rounds) {
        for (int r = 0; r < rounds; ++r) {
            rig.drag(548, 233, 548, 233 - (r % 20));
            EnvelopeEditor& amp = editor.ampEditor();
            const auto x = static_cast<int>(std::lround(amp.pointX(2)));
            const auto y = static_cast<int>(std::lround(amp.pointY(2)));
            rig.drag(x, y, x + (r % 7) - 3, y + (r % 5) - 2);
            rig.window().click(xMouseButton::left, 370 + 97 + 18 * (r % 7) + 6, 47 + 6);
            rig.window().wheel(r % 2 ? 120 : -120);
            rig.window().tick(2);
            rig.window().paintAll();
        }
    };

    driveEditor(12);
    // A new rate: the host stops the audio, the dispatcher builds the new engine and hands it
    // over while the editor keeps painting.
    stopAudio = true;
    audio.join();
    std::thread dispatcher([&] {
        rig.call(effMainsChanged, 0, 0);
        rig.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        rig.call(effMainsChanged, 0, 1);
    });
    driveEditor(4);
    dispatcher.join();
    stopAudio = false;
    audio = std::thread([&] { playNotes(rig, stopAudio, blocks); });
    driveEditor(12);

    stopAudio = true;
    stopHost = true;
    audio.join();
    host.join();
    EXPECT_GT(blocks.load(), 0);
    EXPECT_EQ(rig.plugin->engine()->sampleRate(), 48000);
}

} // namespace ostrel
