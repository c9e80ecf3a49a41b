// Host-level checks of the boundary between host and plug-in: nothing is reported while the
// plug-in is being built, a host that answers reports by setting parameters cannot make it
// recurse without end, what a chunk's out-of-range values show the host, output pins and the
// indices that can be automated.
#include "host_support.h"
#include "patch/chunk_format.h"
#include "suites.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace hosttest {

namespace {

std::uint32_t wordAt(const std::vector<unsigned char>& b, std::size_t at)
{
    std::uint32_t v = 0;
    std::memcpy(&v, &b[at], 4); // both builds are little-endian, as the chunk is
    return v;
}

// Where the payload of sub-chunk id starts in a program chunk; 0 when it is missing.
std::size_t payloadOf(const std::vector<unsigned char>& b, std::uint32_t id)
{
    for (std::size_t p = 8; p + 12 <= b.size() && wordAt(b, p) != 0; p += 8 + wordAt(b, p + 4)) {
        if (wordAt(b, p) == id)
            return p + 12;
    }
    return 0;
}

void putAt(std::vector<unsigned char>& b, std::size_t at, const void* value)
{
    std::memcpy(&b[at], value, 4);
}

void testReports(PluginLibrary& lib)
{
    auto entry = reinterpret_cast<EntryProc>(lib.symbol("VSTPluginMain"));
    gHost.automation.clear();
    AEffect* e = entry ? entry(hostCallback) : nullptr;
    if (!e)
        return;
    checkEq(gHost.automation.size(), 0u, "nothing is reported while the plug-in is being built");
    call(e, effOpen);

    // The host sets the reported parameter again: one report, not an endless chain.
    gHost.relink = [](VstInt32 index) { return index; };
    gHost.automation.clear();
    gHost.deepestReport = 0;
    e->setParameter(e, 28, 0.3f);
    checkEq(gHost.automation.size(), 1u, "a host setting the reported parameter again gets one report");
    checkEq(gHost.deepestReport, 1, "and the plug-in does not report again from inside the report");

    // Two linked parameters: each reports once.
    gHost.relink = [](VstInt32 index) { return index == 28 ? 29 : 28; };
    gHost.automation.clear();
    e->setParameter(e, 28, 0.4f);
    checkEq(gHost.automation.size(), 2u, "two linked parameters report once each");
    checkEq(e->getParameter(e, 29), 0.4f, "the linked parameter took the value");

    // A host that links every parameter to the next one: the chain ends by itself.
    gHost.relink = [](VstInt32 index) { return (index + 1) % 128; };
    gHost.automation.clear();
    gHost.deepestReport = 0;
    e->setParameter(e, 30, 0.5f);
    check(gHost.deepestReport < 1000,
          "a chain of linked parameters ends inside the plug-in (depth " + std::to_string(gHost.deepestReport) + ")");
    gHost.relink = nullptr;
    call(e, effClose);
}

// A program chunk carrying oscillator 1's waveform 1000000, its tune 1e30 and a NaN cutoff.
void testChunkValuesReachTheHostBounded(PluginLibrary& lib)
{
    AEffect* e = openInstance(lib, 44100.0f);
    if (!e)
        return;
    std::vector<unsigned char> chunk = takeChunk(e, true);
    const std::size_t oscillators = payloadOf(chunk, 1);
    const std::size_t filter = payloadOf(chunk, 3);
    check(oscillators != 0 && filter != 0, "the preset chunk has oscillator and filter sub-chunks");
    if (oscillators == 0 || filter == 0) {
        call(e, effClose);
        return;
    }
    const std::int32_t hugeWave = 1000000;
    const float hugeTune = 1e30f;
    const float nan = std::nanf("");
    putAt(chunk, oscillators, &hugeWave);
    putAt(chunk, oscillators + 4, &hugeTune);
    putAt(chunk, filter, &nan);

    // What the host sees for the values the engine plays instead: the silent wave (94 of
    // 0..95), the top of the tune and the bottom of the cutoff.
    e->setParameter(e, 0, 94.0f / 95.0f);
    e->setParameter(e, 1, 1.0f);
    e->setParameter(e, 28, 0.0f);
    const std::string expected[3] = {text(e, effGetParamDisplay, 0), text(e, effGetParamDisplay, 1),
                                     text(e, effGetParamDisplay, 28)};
    e->setParameter(e, 0, 0.0f);
    e->setParameter(e, 28, 0.5f);

    gHost.automation.clear();
    call(e, effSetChunk, 1, static_cast<VstIntPtr>(chunk.size()), chunk.data());
    bool reportsBounded = !gHost.automation.empty();
    for (const auto& [index, value] : gHost.automation)
        reportsBounded = reportsBounded && value >= 0.0f && value <= 1.0f;
    check(reportsBounded, "automation reports after the chunk load are within 0..1");
    bool bounded = true;
    for (VstInt32 i = 0; i < 129; ++i) {
        const float v = e->getParameter(e, i);
        bounded = bounded && v >= 0.0f && v <= 1.0f;
    }
    check(bounded, "every getParameter answer is within 0..1 after the chunk load");
    check(std::fabs(e->getParameter(e, 0) - 94.0f / 95.0f) < 1e-6f, "waveform 1000000 reads as the silent wave");
    checkEq(text(e, effGetParamDisplay, 0), expected[0], "waveform 1000000 shows the wave that plays");
    checkEq(e->getParameter(e, 1), 1.0f, "tune 1e30 reads as the top of the range");
    checkEq(text(e, effGetParamDisplay, 1), expected[1], "tune 1e30 shows the top of the range");
    checkEq(e->getParameter(e, 28), 0.0f, "a NaN cutoff reads as the bottom");
    checkEq(text(e, effGetParamDisplay, 28), expected[2], "a NaN cutoff shows the bottom");
    check(takeChunk(e, true) == chunk, "the stored values themselves are kept as the chunk gave them");
    std::vector<float> l = renderLeft(e, 4096);
    check(finiteAll(l), "and the output stays finite");
    call(e, effClose);
}

void testPinsAndAutomatableIndices(PluginLibrary& lib)
{
    AEffect* e = openInstance(lib, 44100.0f);
    if (!e)
        return;
    for (VstInt32 pin = 0; pin < 2; ++pin) {
        VstPinProperties properties;
        std::memset(&properties, 'Z', sizeof properties);
        checkEq(call(e, effGetOutputProperties, pin, 0, &properties), 1, "output properties of an existing pin");
        const bool terminated = std::memchr(properties.shortLabel, 0, sizeof properties.shortLabel) != nullptr;
        check(terminated, "the short label is terminated");
        if (terminated)
            checkEq(std::string(properties.shortLabel), "Ostrel" + std::to_string(pin + 1), "short label");
        checkEq(properties.arrangementType, kSpeakerArrStereo, "the pins are a stereo pair");
    }
    checkEq(call(e, effCanBeAutomated, 0), 1, "index 0 can be automated");
    checkEq(call(e, effCanBeAutomated, 127), 1, "index 127 can be automated");
    checkEq(call(e, effCanBeAutomated, 128), 0, "index 128 has no parameter to automate");
    checkEq(call(e, effCanBeAutomated, -1), 0, "index -1 has no parameter to automate");
    call(e, effClose);
}

} // namespace

void testBoundary(PluginLibrary& lib)
{
    testReports(lib);
    testChunkValuesReachTheHostBounded(lib);
    testPinsAndAutomatableIndices(lib);
}

} // namespace hosttest
