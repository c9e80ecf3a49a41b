#pragma once

#include <cstdint>

namespace ostrel {

class EventQueue;
class Patch;
class VoiceEngine;

enum class OutputMode {
    Replace,    // the rendered block overwrites the outputs
    Accumulate, // the rendered block is added to what the outputs hold
};

// One host audio callback: sets the real-time floating-point environment, then, in slices of
// at most VoiceEngine::kMaxBlock frames (so a block of any length is rendered whole), takes
// the parameter snapshot and renders with the queue's events. Accumulate renders each slice
// into scratchLeft/scratchRight (kMaxBlock floats each at least) and adds them to the outputs.
// A null output channel is rendered but not written. Allocates nothing, takes no lock but the
// parameters' own.
void renderAudioCallback(VoiceEngine& engine, Patch& patch, EventQueue& queue, float* left, float* right,
                         std::int32_t frames, OutputMode mode, float* scratchLeft, float* scratchRight);

} // namespace ostrel
