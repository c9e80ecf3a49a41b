#pragma once

#include "engine/engine_holder.h"
#include "engine/event_queue.h"
#include "engine/play_positions.h"
#include "engine/render_callback.h"
#include "engine/voice_engine.h"
#include "patch/patch.h"
#include "patch/program_store.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ostrel {

// One synthesizer as every plug-in interface of ours presents it: the patch, the 128 programs
// around it, the event queue and the engine with its start, stop and hand-over, and the audio
// callback that plays queued MIDI into a block. The interface glue (host/ for VST 2, lv2/ for
// LV2) translates its host's calls into these and adds what only its host knows.
//
// Threads: construction, start, stop and setEngineHolder on a non-audio thread while the audio
// callbacks do not run (VST 2 resume/suspend, LV2 activate/deactivate); queueMidi and render
// on the audio thread only; patch and programs from any thread as their own classes allow.
class SynthInstance {
public:
    // The patch, its parameter objects registered; it reports every change of a host parameter
    // to `sink` (may be null). The programs come with installPrograms, which must follow
    // before anything else is called: glue may first link its own listeners (an editor) to the
    // parameters, so that they hear the first program load.
    explicit SynthInstance(AutomationSink* sink);
    // The Init patch, the 128 programs as its copies, the default bank (a bank chunk, installed
    // when it is one) and program 0 loaded.
    void installPrograms(const unsigned char* defaultBank, std::size_t defaultBankSize);
    ~SynthInstance();
    SynthInstance(const SynthInstance&) = delete;
    SynthInstance& operator=(const SynthInstance&) = delete;

    Patch& patch() { return *patch_; }
    ProgramStore& programs() { return *programs_; }
    EventQueue& events() { return events_; }

    // The host sample rate an engine is built with: the rate in whole hertz, 44100 when it is
    // not a usable number (NaN, infinite, zero or negative), clamped to 8000..768000.
    static int engineSampleRate(float hostRate);

    // Prepares a silent engine at the host rate when there is none yet, after a stop (every
    // voice of before has ended) and when the rate has changed; then the callbacks play.
    // Events queued before are dropped when the engine is new.
    void start(float hostRate);
    // From now on the callbacks render silence and MIDI is dropped.
    void stop();
    bool running() const { return running_.load(std::memory_order_acquire); }

    // The engine the callbacks use (null before the first start).
    VoiceEngine* engine() { return engine_.load(std::memory_order_acquire); }
    // The one holder told about each engine handed over (the editor); null removes it. Told
    // the current engine at once.
    void setEngineHolder(EngineHolder* holder);

    // Audio thread. One MIDI channel message at a frame of the coming block; dropped while
    // stopped (it would never sound, and a host that sends without rendering cannot grow the
    // queue).
    void queueMidi(std::int32_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // Audio thread. Renders `frames` frames with the queued events into left and right
    // (either may be null: rendered, not written), replacing or adding to what they hold.
    // While stopped: Replace writes silence, Accumulate adds nothing; queued events are
    // dropped. Allocates nothing, takes no lock but the parameters' own.
    void render(float* left, float* right, std::int32_t frames, OutputMode mode);

private:
    // Hands a new engine to the audio callbacks and to the holder; the one it replaces is kept
    // until the next change, so a late reader never finds it freed.
    void installEngine(std::unique_ptr<VoiceEngine> engine);

    std::unique_ptr<Patch> patch_;
    std::unique_ptr<ProgramStore> programs_;

    // Where every engine publishes its last started voice's envelope positions. It outlives
    // every engine and the editor that reads it, so an engine rebuilt at a new rate is never
    // read after it goes.
    PlayPositions playPositions_;
    std::unique_ptr<VoiceEngine> ownedEngine_;
    std::unique_ptr<VoiceEngine> retiredEngine_;
    std::atomic<VoiceEngine*> engine_{nullptr};
    std::atomic<bool> running_{false};
    EngineHolder* engineHolder_ = nullptr;
    EventQueue events_;
    std::vector<float> scratchLeft_;
    std::vector<float> scratchRight_;
};

} // namespace ostrel
