#pragma once

#include "instance/synth_instance.h"
#include "lv2/control_ports.h"

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdint>

namespace ostrel::lv2 {

// One LV2 instance: glue between the LV2 calls and the synthesizer instance. The host's
// sample rate is fixed at instantiation (a new instance per rate); activate and deactivate
// start and stop the engine as VST 2 resume and suspend do.
class SynthLv2 {
public:
    struct Urids {
        LV2_URID midiEvent = 0;
        LV2_URID beatTime = 0;
        LV2_URID atomChunk = 0;
        LV2_URID programChunk = 0;
    };

    SynthLv2(double sampleRate, const LV2_URID_Map& map, const unsigned char* defaultBank, std::size_t defaultBankSize);

    SynthInstance& instance() { return instance_; }
    const Urids& urids() const { return urids_; }
    ControlPorts& controls() { return controls_; }

    void connectPort(std::uint32_t port, void* data);
    void activate() { instance_.start(sampleRate_); }
    void deactivate() { instance_.stop(); }
    // Audio thread: applies changed control ports, queues the block's MIDI at its frames and
    // renders. Allocates nothing, takes no lock but the parameters' own.
    void run(std::uint32_t frames);

private:
    void queueMidi(const LV2_Atom_Sequence& sequence);

    SynthInstance instance_;
    float sampleRate_;
    Urids urids_;
    ControlPorts controls_;
    const LV2_Atom_Sequence* midiIn_ = nullptr;
    float* left_ = nullptr;
    float* right_ = nullptr;
};

} // namespace ostrel::lv2
