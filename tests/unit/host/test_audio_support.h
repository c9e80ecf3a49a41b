#pragma once

// Shared set-up of the audio tests: the process-wide wave bank filled with sine cycles (the
// module's resources are not loaded in unit tests), a host callback, and MIDI event lists.
#include "dsp/wave_bank.h"
#include "host/synth_plugin.h"
#include "host/vst_abi.h"
#include "tests/support/wave_resources.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace ostrel::audiotest {

inline void ensureSineWaveBank()
{
    static const bool built = [] {
        const std::vector<unsigned char> bytes = testing::sineWavesResource(1900.0);
        return buildWaveBank(bytes.data(), bytes.size());
    }();
    (void)built;
}

inline vst::VstIntPtr quietHost(vst::AEffect*, vst::VstInt32 opcode, vst::VstInt32, vst::VstIntPtr, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// A VstEvents list with room for any number of events.
class MidiList {
public:
    void add(vst::VstInt32 deltaFrames, int status, int data1, int data2)
    {
        vst::VstMidiEvent e{};
        e.type = vst::kVstMidiType;
        e.byteSize = sizeof(vst::VstMidiEvent);
        e.deltaFrames = deltaFrames;
        e.midiData[0] = static_cast<char>(status);
        e.midiData[1] = static_cast<char>(data1);
        e.midiData[2] = static_cast<char>(data2);
        events.push_back(e);
    }
    void addRaw(const vst::VstMidiEvent& e) { events.push_back(e); }
    void clear() { events.clear(); }

    // Builds the host structure; valid until the next call or change.
    vst::VstEvents* list()
    {
        storage.assign(sizeof(vst::VstEvents) + events.size() * sizeof(vst::VstEvent*), 0);
        auto* list = reinterpret_cast<vst::VstEvents*>(storage.data());
        list->numEvents = static_cast<vst::VstInt32>(events.size());
        for (std::size_t i = 0; i < events.size(); ++i)
            list->events[i] = reinterpret_cast<vst::VstEvent*>(&events[i]);
        return list;
    }

private:
    std::vector<vst::VstMidiEvent> events;
    std::vector<std::uint64_t> storage;
};

// A plug-in at 44100 Hz, resumed, deleted through effClose.
struct PluginRig {
    explicit PluginRig(float rate = 44100.0f)
    {
        ensureSineWaveBank();
        plugin = new SynthPlugin(quietHost);
        effect = plugin->getAeffect();
        call(vst::effSetSampleRate, 0, 0, nullptr, rate);
        call(vst::effMainsChanged, 0, 1);
    }
    ~PluginRig() { call(vst::effClose); }
    PluginRig(const PluginRig&) = delete;
    PluginRig& operator=(const PluginRig&) = delete;

    vst::VstIntPtr call(vst::VstInt32 opcode, vst::VstInt32 index = 0, vst::VstIntPtr value = 0, void* ptr = nullptr,
                        float opt = 0.0f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void send(MidiList& midi) { call(vst::effProcessEvents, 0, 0, midi.list()); }
    void replacing(std::vector<float>& l, std::vector<float>& r, int frames)
    {
        float* outs[2] = {l.data(), r.data()};
        effect->processReplacing(effect, nullptr, outs, frames);
    }
    void accumulating(std::vector<float>& l, std::vector<float>& r, int frames)
    {
        float* outs[2] = {l.data(), r.data()};
        effect->process(effect, nullptr, outs, frames);
    }

    SynthPlugin* plugin = nullptr;
    vst::AEffect* effect = nullptr;
};

} // namespace ostrel::audiotest
