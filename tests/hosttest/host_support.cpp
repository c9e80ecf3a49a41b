#include "host_support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace hosttest {

int gPassed = 0;
int gFailed = 0;
HostState gHost;

void check(bool ok, const std::string& what)
{
    if (ok) {
        ++gPassed;
    } else {
        ++gFailed;
        std::printf("FAIL: %s\n", what.c_str());
    }
}

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt)
{
    switch (opcode) {
    case audioMasterVersion: return gHost.version;
    case audioMasterAutomate:
        gHost.automation.emplace_back(index, opt);
        // A runaway chain is cut here so that a failing plug-in fails the check, not the run.
        if (gHost.relink && effect && gHost.reportDepth < 1000) {
            ++gHost.reportDepth;
            gHost.deepestReport = std::max(gHost.deepestReport, gHost.reportDepth);
            effect->setParameter(effect, gHost.relink(index), opt);
            --gHost.reportDepth;
        }
        return 0;
    case audioMasterWantMidi:
        if (value == 1)
            ++gHost.wantMidi;
        return 0;
    default: return 0;
    }
}

VstIntPtr call(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

std::string text(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value)
{
    char buffer[256];
    std::memset(buffer, 'Z', sizeof buffer);
    call(e, opcode, index, value, buffer);
    check(std::memchr(buffer, 0, 64) != nullptr && buffer[64] == 'Z',
          "text of opcode " + std::to_string(opcode) + " stays within 64 bytes");
    buffer[255] = 0;
    return buffer;
}

void MidiBlock::add(VstInt32 delta, int status, int data1, int data2)
{
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = delta;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    events.push_back(e);
}

void MidiBlock::send(AEffect* e)
{
    list.assign(sizeof(VstEvents) + events.size() * sizeof(VstEvent*), 0);
    auto* l = reinterpret_cast<VstEvents*>(list.data());
    l->numEvents = static_cast<VstInt32>(events.size());
    for (std::size_t i = 0; i < events.size(); ++i)
        l->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
    call(e, effProcessEvents, 0, 0, l);
    events.clear();
}

bool finiteAll(const std::vector<float>& v)
{
    return std::all_of(v.begin(), v.end(), [](float x) { return std::isfinite(x); });
}

bool silent(const std::vector<float>& v)
{
    return std::all_of(v.begin(), v.end(), [](float x) { return x == 0.0f; });
}

std::vector<unsigned char> takeChunk(AEffect* e, bool isPreset)
{
    void* data = nullptr;
    const auto size = call(e, effGetChunk, isPreset ? 1 : 0, 0, &data);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return data && size > 0 ? std::vector<unsigned char>(bytes, bytes + size) : std::vector<unsigned char>();
}

std::vector<float> renderLeft(AEffect* e, int frames)
{
    std::vector<float> out;
    std::vector<float> l(512), r(512);
    float* outs[2] = {l.data(), r.data()};
    for (int done = 0; done < frames; done += 512) {
        const int n = std::min(512, frames - done);
        e->processReplacing(e, nullptr, outs, n);
        out.insert(out.end(), l.begin(), l.begin() + n);
    }
    return out;
}

AEffect* openInstance(PluginLibrary& lib, float rate, audioMasterCallback host)
{
    auto entry = reinterpret_cast<EntryProc>(lib.symbol("VSTPluginMain"));
    AEffect* e = entry ? entry(host) : nullptr;
    if (!e)
        return nullptr;
    call(e, effOpen);
    call(e, effSetSampleRate, 0, 0, nullptr, rate);
    call(e, effMainsChanged, 0, 1);
    return e;
}

} // namespace hosttest
