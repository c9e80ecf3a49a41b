#include "lv2/synth_lv2.h"

#include "lv2/port_layout.h"
#include "lv2/uris.h"

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

#include <algorithm>

namespace ostrel::lv2 {

SynthLv2::SynthLv2(double sampleRate, const LV2_URID_Map& map, const unsigned char* defaultBank,
                   std::size_t defaultBankSize)
    : instance_(nullptr),
      sampleRate_(static_cast<float>(sampleRate))
{
    instance_.installPrograms(defaultBank, defaultBankSize);
    urids_.midiEvent = map.map(map.handle, LV2_MIDI__MidiEvent);
    urids_.beatTime = map.map(map.handle, LV2_ATOM__beatTime);
    urids_.atomChunk = map.map(map.handle, LV2_ATOM__Chunk);
    urids_.programChunk = map.map(map.handle, kProgramChunkUri);
    controls_.adopt(instance_.patch().registry());
}

void SynthLv2::connectPort(std::uint32_t port, void* data)
{
    switch (port) {
    case kMidiInPort: midiIn_ = static_cast<const LV2_Atom_Sequence*>(data); break;
    case kLeftOutPort: left_ = static_cast<float*>(data); break;
    case kRightOutPort: right_ = static_cast<float*>(data); break;
    default: controls_.connect(port, static_cast<const float*>(data)); break;
    }
}

void SynthLv2::queueMidi(const LV2_Atom_Sequence& sequence)
{
    // Times are frames into this block; a sequence timed in beats (which no audio host sends
    // to a synthesizer) plays its events at the block's start.
    const bool inFrames = sequence.body.unit != urids_.beatTime || urids_.beatTime == 0;
    LV2_ATOM_SEQUENCE_FOREACH(&sequence, event)
    {
        if (event->body.type != urids_.midiEvent || event->body.size == 0)
            continue;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(event + 1);
        const std::uint32_t size = event->body.size;
        const std::int64_t frame = inFrames ? std::clamp<std::int64_t>(event->time.frames, 0, INT32_MAX) : 0;
        instance_.queueMidi(static_cast<std::int32_t>(frame), bytes[0], size > 1 ? bytes[1] : 0,
                            size > 2 ? bytes[2] : 0);
    }
}

void SynthLv2::run(std::uint32_t frames)
{
    controls_.apply(instance_.patch().registry());
    if (midiIn_)
        queueMidi(*midiIn_);
    const auto n = static_cast<std::int32_t>(std::min<std::uint32_t>(frames, INT32_MAX));
    instance_.render(left_, right_, n, OutputMode::Replace);
}

} // namespace ostrel::lv2
