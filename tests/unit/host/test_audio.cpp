#include "engine/engine_holder.h"
#include "engine/voice_engine.h"
#include "test_audio_support.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <random>

namespace ostrel {
namespace {

using audiotest::MidiList;
using audiotest::PluginRig;
using namespace vst;

bool allFinite(const std::vector<float>& v)
{
    for (float x : v) {
        if (!std::isfinite(x))
            return false;
    }
    return true;
}

bool anyNonZero(const std::vector<float>& v, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    for (std::size_t i = from; i < std::min(to, v.size()); ++i) {
        if (v[i] != 0.0f)
            return true;
    }
    return false;
}

TEST(AudioCallbacks, ReplacingOverwritesAndAccumulatingAdds)
{
    PluginRig replacing, accumulating;
    MidiList midi;
    midi.add(0, 0x90, 60, 100);
    midi.add(5, 0x91, 67, 90);
    replacing.send(midi);
    accumulating.send(midi);
    std::vector<float> rl(512, 7.0f), rr(512, 7.0f), al(512, 0.25f), ar(512, -0.5f);
    for (int block = 0; block < 4; ++block) {
        std::fill(al.begin(), al.end(), 0.25f);
        std::fill(ar.begin(), ar.end(), -0.5f);
        replacing.replacing(rl, rr, 512);
        accumulating.accumulating(al, ar, 512);
        // The sum is formed inside the callback, where rounding is toward minus infinity.
        std::fesetround(FE_DOWNWARD);
        std::vector<float> sumLeft(512), sumRight(512);
        for (std::size_t i = 0; i < 512; ++i) {
            sumLeft[i] = 0.25f + rl[i];
            sumRight[i] = -0.5f + rr[i];
        }
        std::fesetround(FE_TONEAREST);
        EXPECT_EQ(al, sumLeft) << "block " << block;
        EXPECT_EQ(ar, sumRight) << "block " << block;
    }
    EXPECT_TRUE(anyNonZero(rl));
}

TEST(AudioCallbacks, BeforeTheFirstResumeReplacingGivesSilenceAndAccumulatingAddsNothing)
{
    audiotest::ensureSineWaveBank();
    auto* plugin = new SynthPlugin(audiotest::quietHost);
    AEffect* e = plugin->getAeffect();
    MidiList midi;
    midi.add(0, 0x90, 60, 100);
    e->dispatcher(e, effProcessEvents, 0, 0, midi.list(), 0.0f);
    std::vector<float> l(64, 3.0f), r(64, 3.0f);
    float* outs[2] = {l.data(), r.data()};
    e->process(e, nullptr, outs, 64);
    EXPECT_EQ(l[10], 3.0f);
    e->processReplacing(e, nullptr, outs, 64);
    EXPECT_FALSE(anyNonZero(l));
    EXPECT_EQ(plugin->engine(), nullptr);
    EXPECT_TRUE(plugin->events().empty()); // nothing piles up without an engine
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

TEST(AudioCallbacks, ResumeHandsOverAnEngineAtTheCurrentRateAfterASuspendOrARateChange)
{
    struct Holder final : EngineHolder {
        std::vector<VoiceEngine*> told;
        void engineChanged(VoiceEngine* engine) override { told.push_back(engine); }
    } holder;
    PluginRig rig(48000.0f);
    VoiceEngine* first = rig.plugin->engine();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->internalRate(), 96000);
    rig.plugin->setEngineHolder(&holder);
    EXPECT_EQ(holder.told, std::vector<VoiceEngine*>{first}) << "a holder is told the engine at once";

    rig.call(effMainsChanged, 0, 1); // resumed again without a suspend, same rate: kept
    EXPECT_EQ(rig.plugin->engine(), first);
    rig.call(effMainsChanged, 0, 0);
    rig.call(effSetSampleRate, 0, 0, nullptr, 22050.0f);
    rig.call(effMainsChanged, 0, 1);
    VoiceEngine* second = rig.plugin->engine();
    ASSERT_NE(second, first);
    EXPECT_EQ(second->sampleRate(), 22050);
    rig.call(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    rig.call(effMainsChanged, 0, 1); // a rate change alone also reaches the engine
    ASSERT_NE(rig.plugin->engine(), second);
    EXPECT_EQ(rig.plugin->engine()->sampleRate(), 44100);
    EXPECT_EQ(holder.told.size(), 3u);
    EXPECT_EQ(holder.told.back(), rig.plugin->engine());
    rig.plugin->setEngineHolder(nullptr);
}

TEST(AudioCallbacks, UnusableHostRatesFallBackOrAreClamped)
{
    EXPECT_EQ(SynthPlugin::engineSampleRate(44100.9f), 44100);
    EXPECT_EQ(SynthPlugin::engineSampleRate(std::numeric_limits<float>::quiet_NaN()), 44100);
    EXPECT_EQ(SynthPlugin::engineSampleRate(std::numeric_limits<float>::infinity()), 44100);
    EXPECT_EQ(SynthPlugin::engineSampleRate(0.0f), 44100);
    EXPECT_EQ(SynthPlugin::engineSampleRate(-48000.0f), 44100);
    EXPECT_EQ(SynthPlugin::engineSampleRate(1.0f), 8000);
    EXPECT_EQ(SynthPlugin::engineSampleRate(1e12f), 768000);
    PluginRig rig(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(rig.plugin->engine()->sampleRate(), 44100);
}

TEST(AudioCallbacks, OnlyMidiEventsAreQueued)
{
    PluginRig rig;
    MidiList midi;
    VstMidiEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.midiData[0] = static_cast<char>(0x90);
    sysex.midiData[1] = 60;
    sysex.midiData[2] = 100;
    midi.addRaw(sysex);
    midi.add(3, 0xB5, 123, 0);
    midi.add(4, 0xA0, 60, 10);
    EXPECT_EQ(rig.call(effProcessEvents, 0, 0, midi.list()), 1);
    EXPECT_EQ(rig.plugin->events().size(), 2u); // all notes off and the centred bend
    EXPECT_EQ(rig.call(effProcessEvents, 0, 0, nullptr), 0);
}

TEST(AudioCallbacks, LongBlocksAreRenderedWhole)
{
    PluginRig rig;
    MidiList midi;
    midi.add(0, 0x90, 60, 100);
    rig.send(midi);
    std::vector<float> l(9000, 9.0f), r(9000, 9.0f);
    rig.replacing(l, r, 9000);
    EXPECT_TRUE(anyNonZero(l, 8000, 9000));
    for (std::size_t i = 8000; i < 9000; ++i)
        ASSERT_NE(l[i], 9.0f);

    // The same as two host blocks that split it.
    PluginRig split;
    split.send(midi);
    std::vector<float> a(4500), b(4500), c(4500), d(4500);
    split.replacing(a, b, 4500);
    split.replacing(c, d, 4500);
    a.insert(a.end(), c.begin(), c.end());
    EXPECT_EQ(a, l);
}

TEST(AudioCallbacks, RoundingModeAndControlRegisterAreRestored)
{
    PluginRig rig;
    MidiList midi;
    midi.add(0, 0x90, 60, 100);
    rig.send(midi);
    std::vector<float> l(256), r(256);
    for (int mode : {FE_TONEAREST, FE_UPWARD}) {
        std::fesetround(mode);
        rig.replacing(l, r, 256);
        EXPECT_EQ(std::fegetround(), mode);
        rig.accumulating(l, r, 256);
        EXPECT_EQ(std::fegetround(), mode);
    }
    std::fesetround(FE_TONEAREST);
}

TEST(AudioCallbacks, Note69PlaysA440)
{
    PluginRig rig;
    MidiList midi;
    midi.add(0, 0x90, 69, 100);
    rig.send(midi);
    // One second: count rising zero crossings after the attack.
    std::vector<float> l(44100), r(44100);
    rig.replacing(l, r, 44100);
    int crossings = 0;
    for (std::size_t i = 4411; i < 44100; ++i) {
        if (l[i - 1] < 0.0f && l[i] >= 0.0f)
            ++crossings;
    }
    EXPECT_NEAR(crossings, 396, 1); // 440 Hz over 0.9 s
}

TEST(AudioCallbacks, NoiseIsReproduciblePerInstance)
{
    // Two instances playing the noise wave, one of them rendered after the other has run for
    // a while: each instance's noise starts from its own seed, so both give the same samples.
    auto render = [](PluginRig& rig) {
        rig.plugin->patch().oscWaveform[0]->value().set(95);
        MidiList midi;
        midi.add(0, 0x90, 60, 100);
        rig.send(midi);
        std::vector<float> l(4096), r(4096);
        rig.replacing(l, r, 4096);
        return l;
    };
    PluginRig first;
    const std::vector<float> a = render(first);
    PluginRig second;
    const std::vector<float> b = render(second);
    EXPECT_EQ(a, b);
    double energy = 0.0;
    for (float v : a)
        energy += static_cast<double>(v) * static_cast<double>(v);
    EXPECT_GT(energy, 0.01); // it does sound
}

// Random MIDI and random automation of every host parameter for a minute of audio.
TEST(AudioRobustness, RandomMidiAndAutomationGiveFiniteOutput)
{
    PluginRig rig;
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> byte(0, 127), status(0x80, 0xEF), block(1, 2048);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> l(2048), r(2048);
    int total = 0;
    while (total < 44100 * 60) {
        const int n = block(rng);
        MidiList midi;
        const int count = byte(rng) % 6;
        for (int k = 0; k < count; ++k)
            midi.add(byte(rng) * n / 128, status(rng), byte(rng), byte(rng));
        rig.send(midi);
        for (int k = 0; k < 3; ++k)
            rig.effect->setParameter(rig.effect, byte(rng), unit(rng));
        if (total % 7 == 0)
            rig.effect->setParameter(rig.effect, 28, 1.0f); // full resonance
        rig.replacing(l, r, n);
        ASSERT_TRUE(allFinite(l) && allFinite(r)) << "after " << total << " frames";
        total += n;
    }
}

// Values no host parameter can give, stored through the value views and carried by a chunk.
TEST(AudioRobustness, OutOfRangeChunkValuesGiveFiniteOutput)
{
    const float floats[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            1e30f,
                            -1e30f,
                            100000.0f,
                            -100000.0f};
    const std::int32_t ints[] = {-1, 96, 1000000, -2147483647 - 1, 2147483647};
    for (int variant = 0; variant < 7; ++variant) {
        PluginRig source;
        Patch& p = source.plugin->patch();
        const float f = floats[variant];
        const std::int32_t i = ints[variant % 5];
        for (auto* x : p.oscWaveform)
            x->value().set(i);
        for (auto* x : p.oscTune)
            x->value().set(f);
        for (auto* x : p.oscFinetune)
            x->value().set(f);
        for (auto* x : p.mixTime)
            x->value().set(f);
        for (auto* x : p.mixX)
            x->value().set(f);
        for (auto* x : p.mixY)
            x->value().set(-f);
        for (auto* x : p.filterLevel)
            x->value().set(f);
        for (auto* x : p.filterTime)
            x->value().set(f);
        for (auto* x : p.ampLevel)
            x->value().set(f);
        for (auto* x : p.ampTime)
            x->value().set(variant % 2 ? f : -f);
        for (auto* x : p.lfoRate)
            x->value().set(f);
        for (auto* x : p.lfoWave)
            x->value().set(i);
        for (auto* x : p.modAmount)
            x->value().set(f);
        for (auto& row : p.modRoute) {
            for (auto* cell : row) {
                if (cell)
                    cell->value().set(i);
            }
        }
        for (auto* x : p.pan)
            x->value().set(f);
        for (xIntParam* x : {p.mixLoop, p.mixRepeat, p.filterLoop, p.filterRepeat, p.ampLoop, p.ampRepeat, p.chorusOn,
                             p.filterMode, p.filterType})
            x->value().set(i);
        for (xFloatParam* x :
             {p.cutoff, p.resonance, p.filterEnvAmount, p.volume, p.chorusRate, p.chorusDepth, p.polyphony})
            x->value().set(f);
        void* data = nullptr;
        const auto size = static_cast<VstInt32>(source.call(effGetChunk, 1, 0, &data));
        ASSERT_EQ(size, kProgramChunkSize);
        const std::vector<unsigned char> chunk(static_cast<unsigned char*>(data),
                                               static_cast<unsigned char*>(data) + size);

        // The target plays the loaded values, not its default patch.
        PluginRig target;
        target.call(effSetChunk, 1, size, const_cast<unsigned char*>(chunk.data()));
        ASSERT_EQ(target.plugin->patch().oscWaveform[3]->value().get(), i) << "variant " << variant;
        ASSERT_EQ(target.plugin->patch().lfoWave[1]->value().get(), i) << "variant " << variant;
        MidiList midi;
        for (int note = 0; note < 128; note += 9)
            midi.add(note % 32, 0x90, note, 1 + note % 127);
        midi.add(40, 0xE0, 0x7F, 0x7F);
        midi.add(41, 0xD0, 127, 0);
        midi.add(42, 0xB0, 1, 127);
        std::vector<float> l(4096), r(4096);
        for (int block = 0; block < 40; ++block) {
            if (block == 0)
                target.send(midi);
            target.replacing(l, r, 4096);
            ASSERT_TRUE(allFinite(l) && allFinite(r)) << "variant " << variant << " block " << block;
            source.replacing(l, r, 4096);
            ASSERT_TRUE(allFinite(l) && allFinite(r)) << "variant " << variant << " block " << block;
        }
    }
}

} // namespace
} // namespace ostrel
