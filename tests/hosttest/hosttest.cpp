// Host-level test: drives the built plug-in through the VST 2 binary interface only, the way a
// host does, and checks its answers. Prints one line per failed check and a closing summary
// "hosttest: N passed, M failed". Usage: ostrel-hosttest PLUGIN DATA_DIR [--write-golden] [--render FILE [--rate HZ]]
#include "host_support.h"
#include "loader.h"
#include "patch/chunk_format.h"
#include "render_script.h"
#include "suites.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace hosttest;

namespace {

std::string parameterTable(AEffect* e)
{
    std::ostringstream out;
    for (VstInt32 i = 0; i < e->numParams; ++i) {
        out << i << '|' << text(e, effGetParamName, i) << '|' << text(e, effGetParamLabel, i) << '|'
            << text(e, effGetParamDisplay, i) << '\n';
    }
    return out.str();
}

void testEntryPoints(PluginLibrary& lib)
{
    auto vstMain = reinterpret_cast<EntryProc>(lib.symbol("VSTPluginMain"));
    auto legacyMain = reinterpret_cast<EntryProc>(lib.symbol("main"));
    check(vstMain != nullptr, "exports VSTPluginMain");
    check(legacyMain != nullptr, "exports main");
    if (!vstMain || !legacyMain)
        return;
    gHost.version = 0;
    check(vstMain(hostCallback) == nullptr, "a host answering version 0 gets no plug-in");
    gHost.version = 2400;
    check(vstMain(nullptr) == nullptr, "no host callback, no plug-in");
    AEffect* viaMain = legacyMain(hostCallback);
    check(viaMain != nullptr && viaMain->magic == kEffectMagic, "main returns a plug-in record");
    if (viaMain)
        call(viaMain, effClose);
}

void testRecordAndDispatcher(AEffect* e)
{
    checkEq(e->magic, kEffectMagic, "magic");
    checkEq(e->numPrograms, 128, "numPrograms");
    checkEq(e->numParams, 129, "numParams");
    checkEq(e->numInputs, 0, "numInputs");
    checkEq(e->numOutputs, 2, "numOutputs");
    checkEq(e->flags & 0x130, 0x130, "flags: replacing, chunks, synth");
    checkEq(e->flags & 6, 0, "flags: no clip, no vu");
    checkEq(e->uniqueID, 0x58797A76, "unique id");
    checkEq(e->version, 1, "version");
    check(e->processReplacing != nullptr && e->process != nullptr, "audio entry points present");

    checkEq(call(e, effGetVu), 0, "effGetVu");
    checkEq(call(e, effIdentify), 0x4E764566, "effIdentify");
    checkEq(call(e, effGetVstVersion), 2300, "effGetVstVersion");
    checkEq(call(e, effGetPlugCategory), 2, "effGetPlugCategory");
    checkEq(call(e, effGetVendorVersion), 1000, "effGetVendorVersion");
    checkEq(call(e, effGetNumProgramCategories), 1, "effGetNumProgramCategories");
    checkEq(call(e, effCanBeAutomated, 3), 1, "effCanBeAutomated");
    checkEq(call(e, effGetCurrentMidiProgram), -1, "effGetCurrentMidiProgram");
    checkEq(call(e, effSetTotalSampleToProcess, 0, 4242), 4242, "effSetTotalSampleToProcess");
    checkEq(call(e, effKeysRequired), 1, "effKeysRequired");
    checkEq(call(e, 12345), 0, "unknown opcode");
    checkEq(text(e, effGetEffectName, 0), "Ostrel", "effect name");
    checkEq(text(e, effGetProductString, 0), "Ostrel", "product string");
    check(!text(e, effGetVendorString, 0).empty(), "vendor string");
    char receive[] = "receiveVstEvents";
    char midi[] = "receiveVstMidiEvent";
    char other[] = "offline";
    char empty[] = "";
    checkEq(call(e, effCanDo, 0, 0, receive), 1, "canDo receiveVstEvents");
    checkEq(call(e, effCanDo, 0, 0, midi), 1, "canDo receiveVstMidiEvent");
    checkEq(call(e, effCanDo, 0, 0, other), -1, "canDo offline");
    checkEq(call(e, effCanDo, 0, 0, empty), -1, "canDo empty");
    VstPinProperties pin{};
    checkEq(call(e, effGetOutputProperties, 0, 0, &pin), 1, "output 0 properties");
    checkEq(std::string(pin.label), "Ostrel 1", "output 0 label");
    checkEq(pin.flags, 3, "output 0 flags");
    checkEq(call(e, effGetOutputProperties, 2, 0, &pin), 0, "output 2 does not exist");
}

void testParameters(AEffect* e, const std::string& dataDir, bool writeGolden)
{
    const std::string table = parameterTable(e);
    const std::string goldenPath = dataDir + "/parameters.golden";
    if (writeGolden) {
        std::ofstream(goldenPath, std::ios::binary) << table;
        std::printf("wrote %s\n", goldenPath.c_str());
    }
    std::ifstream in(goldenPath, std::ios::binary);
    std::stringstream golden;
    golden << in.rdbuf();
    check(in.good() || !golden.str().empty(), "golden parameter table readable at " + goldenPath);
    check(table == golden.str(), "parameter names, labels and displays of all 129 indices match the golden table");
    if (table != golden.str()) {
        std::istringstream a(table), b(golden.str());
        std::string la, lb;
        while (std::getline(a, la) && std::getline(b, lb)) {
            if (la != lb)
                std::printf("  got      %s\n  expected %s\n", la.c_str(), lb.c_str());
        }
    }

    gHost.automation.clear();
    e->setParameter(e, 28, 0.25f);
    checkEq(gHost.automation.size(), 1u, "one automation report per host change");
    if (!gHost.automation.empty()) {
        checkEq(gHost.automation[0].first, 28, "automation index");
        checkEq(gHost.automation[0].second, 0.25f, "automation value");
    }
    checkEq(e->getParameter(e, 28), 0.25f, "getParameter after setParameter");
    e->setParameter(e, 63, 7.0f);
    checkEq(e->getParameter(e, 63), 1.0f, "values above 1 are clamped");
    e->setParameter(e, 63, std::nanf(""));
    checkEq(e->getParameter(e, 63), 1.0f, "NaN is ignored");
    checkEq(text(e, effGetParamDisplay, 63), "20", "volume at the top shows 20 dB");
    gHost.automation.clear();
    e->setParameter(e, 128, 0.5f);
    e->setParameter(e, -7, 0.5f);
    checkEq(gHost.automation.size(), 0u, "indices without parameter report nothing");
    checkEq(e->getParameter(e, 128), 0.0f, "getParameter(128)");
    checkEq(e->getParameter(e, -7), 0.0f, "getParameter(-7)");
}

void testPrograms(AEffect* e)
{
    checkEq(call(e, effGetProgram), 0, "program 0 current after construction");
    char name[64];
    checkEq(call(e, effGetProgramNameIndexed, 127, 0, name), 1, "indexed name 127");
    checkEq(std::string(name), "Init 127", "name of program 127");
    std::strcpy(name, "unchanged");
    checkEq(call(e, effGetProgramNameIndexed, 128, 0, name), 0, "indexed name 128");
    checkEq(call(e, effGetProgramNameIndexed, -1, 0, name), 0, "indexed name -1");
    checkEq(std::string(name), "unchanged", "buffer untouched for out-of-range index");

    e->setParameter(e, 29, 0.75f); // resonance in program 0
    call(e, effSetProgram, 0, 20);
    checkEq(call(e, effGetProgram), 20, "program 20 selected");
    checkEq(text(e, effGetProgramName, 0), "Init 20", "program 20 name");
    checkEq(e->getParameter(e, 29), 0.0f, "program 20 has its own resonance");
    char renamed[] = "My program name that is far too long";
    call(e, effSetProgramName, 0, 0, renamed);
    call(e, effSetProgram, 0, 0);
    checkEq(e->getParameter(e, 29), 0.75f, "program 0 kept its edit");
    checkEq(call(e, effGetProgramNameIndexed, 20, 0, name), 1, "indexed name 20");
    checkEq(std::string(name), "My program name that is ", "renamed program cut at 24 characters");
    call(e, effSetProgram, 0, 128);
    call(e, effSetProgram, 0, -3);
    checkEq(call(e, effGetProgram), 0, "out-of-range programs are ignored");

    gHost.wantMidi = 0;
    call(e, effMainsChanged, 0, 1);
    checkEq(gHost.wantMidi, 1, "resume asks for MIDI");
}

// Plays notes through the audio entry points: replacing overwrites, accumulating adds, the
// rounding mode is the caller's again afterwards, output is finite and ends in exact silence.
void testAudio(AEffect* e)
{
    call(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    call(e, effMainsChanged, 0, 1);
    std::vector<float> l(9000, 7.0f), r(9000, 7.0f);
    float* outs[2] = {l.data(), r.data()};
    MidiBlock midi;
    midi.add(0, 0x90, 60, 100);
    midi.add(10, 0x93, 64, 90);
    midi.add(20, 0x9F, 67, 80);
    midi.send(e);
    std::fesetround(FE_TONEAREST);
    e->processReplacing(e, nullptr, outs, 512);
    checkEq(std::fegetround(), FE_TONEAREST, "processReplacing restores the rounding mode");
    bool overwritten = true;
    bool sounding = false;
    for (int i = 0; i < 512; ++i) {
        overwritten = overwritten && l[static_cast<std::size_t>(i)] != 7.0f && r[static_cast<std::size_t>(i)] != 7.0f;
        sounding = sounding || l[static_cast<std::size_t>(i)] != 0.0f;
    }
    check(overwritten, "processReplacing overwrites the outputs");
    check(sounding, "three notes sound");
    check(finiteAll(l), "output is finite");

    std::vector<float> before(l.begin(), l.begin() + 512);
    e->process(e, nullptr, outs, 512);
    checkEq(std::fegetround(), FE_TONEAREST, "process restores the rounding mode");
    int changed = 0;
    for (int i = 0; i < 512; ++i)
        changed += l[static_cast<std::size_t>(i)] != before[static_cast<std::size_t>(i)] ? 1 : 0;
    check(changed > 0, "process adds the notes to the outputs");

    e->processReplacing(e, nullptr, outs, 9000);
    check(l[8999] != 7.0f && finiteAll(l), "a block of 9000 frames is rendered whole");

    midi.add(0, 0xB0, 123, 0);
    midi.send(e);
    for (int block = 0; block < 40; ++block)
        e->processReplacing(e, nullptr, outs, 4096);
    bool silent = true;
    for (int i = 0; i < 4096; ++i)
        silent = silent && l[static_cast<std::size_t>(i)] == 0.0f && r[static_cast<std::size_t>(i)] == 0.0f;
    check(silent, "all notes off ends in exact silence");
    std::fill(l.begin(), l.end(), 0.5f);
    e->process(e, nullptr, outs, 4096);
    check(l[100] == 0.5f && l[4095] == 0.5f, "process of silence leaves the outputs unchanged");
}

// Renders the fixed MIDI sequence of render_script.h through processReplacing on a fresh
// instance playing the given program at the given rate, appending the 32-bit float samples, left and right interleaved.
bool renderProgram(PluginLibrary& lib, VstInt32 program, float rate, std::vector<float>& interleaved)
{
    auto entry = reinterpret_cast<EntryProc>(lib.symbol("VSTPluginMain"));
    AEffect* e = entry ? entry(hostCallback) : nullptr;
    if (!e)
        return false;
    call(e, effOpen);
    call(e, effSetSampleRate, 0, 0, nullptr, rate);
    call(e, effSetProgram, 0, program);
    call(e, effMainsChanged, 0, 1);
    constexpr int kFrames = kRenderFrames;
    constexpr int kBlock = 300;
    std::vector<float> l(kBlock), r(kBlock);
    float* outs[2] = {l.data(), r.data()};
    std::size_t next = 0;
    for (int start = 0; start < kFrames; start += kBlock) {
        MidiBlock midi;
        while (next < std::size(kRenderScript) && kRenderScript[next].frame < start + kBlock) {
            const TimedMidi& t = kRenderScript[next++];
            midi.add(t.frame - start, t.status, t.d1, t.d2);
        }
        midi.send(e);
        e->processReplacing(e, nullptr, outs, kBlock);
        for (int i = 0; i < kBlock; ++i) {
            interleaved.push_back(l[static_cast<std::size_t>(i)]);
            interleaved.push_back(r[static_cast<std::size_t>(i)]);
        }
    }
    call(e, effClose);
    return true;
}

// Headroom of the default bank: on a fresh instance (every oscillator starting in phase, the
// worst case) an 8-note chord struck at velocity 127, held 4 s and released, stays at or below
// -1 dBFS on every program, in an open and in a close voicing.
void testDefaultBankHeadroom(PluginLibrary& lib)
{
    auto entry = reinterpret_cast<EntryProc>(lib.symbol("VSTPluginMain"));
    const int voicings[2][8] = {{36, 48, 55, 60, 64, 67, 71, 74}, {60, 62, 64, 65, 67, 69, 71, 72}};
    const double limit = std::pow(10.0, -1.0 / 20.0);
    constexpr int kBlock = 441;
    constexpr int kHeld = 400;  // blocks: 4 s
    constexpr int kTotal = 500; // and 1 s of release
    std::vector<float> l(kBlock), r(kBlock);
    float* outs[2] = {l.data(), r.data()};
    for (VstInt32 program = 0; program < 16; ++program) {
        for (const auto& chord : voicings) {
            AEffect* e = entry ? entry(hostCallback) : nullptr;
            if (!e) {
                check(false, "a fresh instance for the headroom test");
                return;
            }
            call(e, effOpen);
            call(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
            call(e, effSetProgram, 0, program);
            call(e, effMainsChanged, 0, 1);
            double peak = 0.0;
            for (int block = 0; block < kTotal; ++block) {
                if (block == 0 || block == kHeld) {
                    MidiBlock midi;
                    for (const int key : chord)
                        midi.add(0, block == 0 ? 0x90 : 0x80, key, block == 0 ? 127 : 0);
                    midi.send(e);
                }
                e->processReplacing(e, nullptr, outs, kBlock);
                for (int i = 0; i < kBlock; ++i)
                    peak = std::max({peak, std::fabs(static_cast<double>(l[static_cast<std::size_t>(i)])),
                                     std::fabs(static_cast<double>(r[static_cast<std::size_t>(i)]))});
            }
            call(e, effClose);
            char what[160];
            std::snprintf(what, sizeof what, "program %d: 8-note chord from key %d at velocity 127 peaks at %.2f dBFS",
                          program, chord[0], 20.0 * std::log10(std::max(peak, 1e-9)));
            check(peak <= limit, std::string(what) + ", above -1 dBFS");
        }
    }
}

// Renders the fixed sequence on each program of the default bank (0..15: every part of the
// engine, chorus, noise, loops and LFOs included) and writes the raw samples to `path`.
bool renderToFile(PluginLibrary& lib, const char* path, float rate)
{
    std::vector<float> interleaved;
    for (VstInt32 program = 0; program < 16; ++program) {
        if (!renderProgram(lib, program, rate, interleaved))
            return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    const std::size_t written = std::fwrite(interleaved.data(), sizeof(float), interleaved.size(), file);
    return std::fclose(file) == 0 && written == interleaved.size();
}

// Prints what the plug-in says about itself through the interface.
int describe(const char* path)
{
    PluginLibrary lib(path);
    auto entry = reinterpret_cast<EntryProc>(lib.symbol("VSTPluginMain"));
    AEffect* e = entry ? entry(hostCallback) : nullptr;
    if (!e) {
        std::printf("could not load %s %s\n", path, lib.error());
        return 1;
    }
    char name[256] = {}, vendor[256] = {}, product[256] = {};
    call(e, effGetEffectName, 0, 0, name);
    call(e, effGetVendorString, 0, 0, vendor);
    call(e, effGetProductString, 0, 0, product);
    const auto id = static_cast<unsigned>(e->uniqueID);
    std::printf("%s by %s (product %s), vendor version %d, interface version %d\n", name, vendor, product,
                static_cast<int>(call(e, effGetVendorVersion)), static_cast<int>(call(e, effGetVstVersion)));
    std::printf("unique id '%c%c%c%c', %s, %d inputs, %d outputs, %d parameters, %d programs\n",
                static_cast<char>(id >> 24), static_cast<char>(id >> 16), static_cast<char>(id >> 8),
                static_cast<char>(id), (e->flags & 0x100) ? "instrument" : "effect", e->numInputs, e->numOutputs,
                e->numParams, e->numPrograms);
    std::printf("programs:");
    for (VstInt32 i = 0; i < 16; ++i) {
        char program[64] = {};
        call(e, effGetProgramNameIndexed, i, 0, program);
        std::printf("%s %s", i ? "," : "", program);
    }
    std::printf(", ...\n");
    call(e, effClose);
    return 0;
}

// Chunks through the dispatcher: sizes and magics of both kinds, a bank round trip that undoes
// a later edit, junk that changes nothing, and the names the default bank installs.
void testChunks(AEffect* e)
{
    auto getChunk = [e](bool isPreset) { return takeChunk(e, isPreset); };
    auto startsWith = [](const std::vector<unsigned char>& b, const char* magic) {
        return b.size() >= 4 && std::memcmp(b.data(), magic, 4) == 0;
    };

    const auto preset = getChunk(true);
    checkEq(preset.size(), static_cast<std::size_t>(ostrel::kProgramChunkSize), "preset chunk size");
    check(startsWith(preset, "ORP\0"), "preset chunk starts with ORP and a zero byte");
    auto bank = getChunk(false);
    checkEq(bank.size(), static_cast<std::size_t>(ostrel::bankChunkSize(128)), "bank chunk size");
    check(startsWith(bank, "ORB\0"), "bank chunk starts with ORB and a zero byte");

    const float envAmount = e->getParameter(e, 30);
    e->setParameter(e, 30, envAmount < 0.5f ? 0.9f : 0.1f);
    checkEq(call(e, effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data()), 1, "effSetChunk of a bank");
    checkEq(e->getParameter(e, 30), envAmount, "the bank brings back the value it was saved with");
    check(getChunk(false) == bank, "the bank reads back unchanged");

    char junk[] = "JUNK: neither a program nor a bank";
    checkEq(call(e, effSetChunk, 0, static_cast<VstIntPtr>(sizeof junk), junk), 1, "effSetChunk of junk as a bank");
    checkEq(call(e, effSetChunk, 1, static_cast<VstIntPtr>(sizeof junk), junk), 1, "effSetChunk of junk as a preset");
    check(getChunk(false) == bank, "junk changes nothing");

    // Programs 1..15 carry the default bank's names.
    const char* const names[16] = {
        "Init 0",   "Sawpad1",  "Squarishpad", "Pad2",      "Voicespad",   "4osc pad",        "Fastchorus", "7th",
        "Wavevox2", "Widebass", "Thebells2",   "Rez riser", "Pulse sweep", "Dissonant sweep", "5thsweep",   "Drawbar"};
    for (VstInt32 i = 1; i < 16; ++i) {
        char name[64] = {};
        call(e, effGetProgramNameIndexed, i, 0, name);
        checkEq(std::string(name), names[i], "default bank name of program " + std::to_string(i));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--info") == 0)
        return describe(argv[2]);
    if (argc == 4 && std::strcmp(argv[2], "--ending") == 0)
        return runEnding(argv[1], argv[3]);
    if (argc < 3) {
        std::printf("usage: %s PLUGIN DATA_DIR [--write-golden] [--render FILE [--rate HZ]]\n", argv[0]);
        return 2;
    }
    bool writeGolden = false;
    const char* renderPath = nullptr;
    float renderRate = 44100.0f;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--write-golden") == 0)
            writeGolden = true;
        else if (std::strcmp(argv[i], "--render") == 0 && i + 1 < argc)
            renderPath = argv[++i];
        else if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc)
            renderRate = static_cast<float>(std::atof(argv[++i]));
    }
    PluginLibrary lib(argv[1]);
    check(lib.loaded(), std::string("plug-in loads: ") + lib.error());
    if (lib.loaded()) {
        testEntryPoints(lib);
        auto entry = reinterpret_cast<EntryProc>(lib.symbol("VSTPluginMain"));
        AEffect* e = entry ? entry(hostCallback) : nullptr;
        check(e != nullptr, "VSTPluginMain returns a plug-in");
        if (e) {
            call(e, effOpen);
            testRecordAndDispatcher(e);
            testEditorOpcodes(e);
            testParameters(e, argv[2], writeGolden);
            testPrograms(e);
            testChunks(e);
            testAudio(e);
            call(e, effClose);
        }
        testDefaultBankHeadroom(lib);
        if (renderPath)
            check(renderToFile(lib, renderPath, renderRate), std::string("render written to ") + renderPath);
        testBoundary(lib);
        testLifecycle(lib);
        testKeyboardControllers(lib);
        testEndings(argv[1]);
    }
    std::printf("hosttest: %d passed, %d failed\n", gPassed, gFailed);
    return gFailed == 0 ? 0 : 1;
}
