#pragma once

// What the host-level test programs share: checks with a running count, a host callback that
// records what the plug-in tells the host, dispatcher calls, texts and MIDI event lists.
// Everything goes through the binary interface only.
#include "host/vst_abi.h"
#include "loader.h"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace hosttest {

using namespace vst;

extern int gPassed;
extern int gFailed;

void check(bool ok, const std::string& what);

template <typename A, typename B>
void checkEq(const A& actual, const B& expected, const std::string& what)
{
    std::ostringstream s;
    s << what << " (got " << actual << ", expected " << expected << ")";
    check(actual == expected, s.str());
}

// The host's side. When relink is set, the host answers each automation report by setting
// parameter relink(index) of the reporting plug-in to the reported value, as hosts that link
// parameters do; reportDepth then counts how deep such answers nest.
struct HostState {
    VstIntPtr version = 2400;
    std::vector<std::pair<VstInt32, float>> automation;
    int wantMidi = 0;
    VstInt32 (*relink)(VstInt32 index) = nullptr;
    int reportDepth = 0;
    int deepestReport = 0;
};
extern HostState gHost;

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

using EntryProc = AEffect* (*)(audioMasterCallback);

VstIntPtr call(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
               float opt = 0.0f);

// Reads a text answer into a buffer larger than any host gives, and checks the plug-in kept
// within 64 bytes.
std::string text(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value = 0);

// A list of MIDI events handed to the plug-in in one effProcessEvents call.
struct MidiBlock {
    std::vector<VstMidiEvent> events;
    std::vector<unsigned char> list;

    void add(VstInt32 delta, int status, int data1, int data2);
    void send(AEffect* e);
};

bool finiteAll(const std::vector<float>& v);
bool silent(const std::vector<float>& v);

// A copy of the chunk effGetChunk hands out (a program chunk or the bank); empty when none.
std::vector<unsigned char> takeChunk(AEffect* e, bool isPreset);

// Renders frames through processReplacing in blocks of at most 512; returns the left channel.
std::vector<float> renderLeft(AEffect* e, int frames);

// A new instance from the library's entry point, opened, at the given rate and resumed; null
// when the entry point gives none.
AEffect* openInstance(PluginLibrary& lib, float rate, audioMasterCallback host = hostCallback);

} // namespace hosttest
