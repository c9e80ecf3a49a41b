// The oscillator, against a slow per-sample transcription of its arithmetic.

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "dsp/oscillator.h"
#include "tests/support/wave_resources.h"

namespace ostrel {
namespace {

// A bank whose wave w is a saw-like mix (different per wave), so every level has content.
const WaveBank& testBank()
{
    static const std::unique_ptr<WaveBank> bank = [] {
        const std::vector<unsigned char> bytes = testing::drawnWavesResource(1000.0, [](int w, double t) {
            double v = 0.0;
            for (int k = 1; k <= 40; ++k)
                v += std::sin(k * t + 0.01 * w * k) / k;
            return v;
        });
        auto b = std::make_unique<WaveBank>();
        b->build(bytes.data(), bytes.size());
        return b;
    }();
    return *bank;
}

// `render` for a table wave, step by step.
void referenceRender(const WaveBank& bank, std::uint32_t wave, int level, double frequency, double invRate,
                     double amplitude, std::uint32_t& phase, float* out, int n)
{
    const auto increment = static_cast<std::uint32_t>(static_cast<std::int64_t>(frequency * 4294967296.0 * invRate));
    const int s = levelShift[static_cast<std::size_t>(level)];
    const std::int16_t* table = bank.levelTable(level, static_cast<int>(wave)) + 2;
    const double multiplier = amplitude * (1.0 / 268435456.0);
    for (int j = 0; j < n; ++j) {
        const std::uint32_t index = phase >> (22 + s);
        const auto fraction = static_cast<std::int32_t>((phase & ((1u << (22 + s)) - 1)) >> (8 + s));
        const std::int32_t a = table[index];
        const std::int32_t b = table[index + 1];
        const std::int32_t value = a * 16384 + fraction * (b - a);
        out[j] = static_cast<float>(static_cast<double>(out[j]) + value * multiplier);
        phase += increment;
    }
}

TEST(Oscillator, starts_as_described)
{
    Oscillator osc(88200, testBank());
    EXPECT_EQ(osc.waveIndex(), 0u);
    EXPECT_EQ(osc.phase(), 0u);
    EXPECT_EQ(osc.level(), 0);
    EXPECT_EQ(osc.levelInUse(), 0);
    EXPECT_EQ(osc.frequency(), 1.0);
    EXPECT_EQ(osc.gain(), 0.0);
}

TEST(Oscillator, matches_the_reference_for_every_level_and_many_phases)
{
    // Both table kernels (baseline and, where the processor has it, AVX2) give the same bits.
    for (bool wide : {false, true}) {
        Oscillator::useWideKernel(wide);
        std::mt19937 random(3);
        const double rate = 88200.0;
        for (int trial = 0; trial < 400; ++trial) {
            Oscillator osc(88200, testBank());
            const double frequency = 20.0 * std::pow(2.0, std::uniform_real_distribution<double>(0.0, 11.5)(random));
            const auto wave = static_cast<std::uint32_t>(random() % 94);
            const double amplitude = std::uniform_real_distribution<double>(-1.0, 1.0)(random);
            const std::uint32_t phase = static_cast<std::uint32_t>(random());
            osc.setFrequency(frequency);
            osc.setWave(wave);
            osc.setAmplitude(amplitude);
            osc.setPhase(phase);
            const int n = 1 + static_cast<int>(random() % 100);
            std::vector<float> out(static_cast<std::size_t>(n));
            std::vector<float> expected(static_cast<std::size_t>(n));
            for (int j = 0; j < n; ++j)
                out[static_cast<std::size_t>(j)] = expected[static_cast<std::size_t>(j)] =
                    static_cast<float>(j) * 0.01f;
            osc.render(out.data(), n);
            std::uint32_t refPhase = phase;
            referenceRender(testBank(), wave, osc.level(), frequency, 1.0 / rate, amplitude, refPhase, expected.data(),
                            n);
            ASSERT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)), 0) << "trial " << trial;
            ASSERT_EQ(osc.phase(), refPhase);
            ASSERT_EQ(osc.levelInUse(), osc.level());
        }
    }
    Oscillator::useWideKernel(true);
}

TEST(Oscillator, rendering_in_turn_is_render_on_each_in_turn)
{
    // Four oscillators of one voice in one call, on either kernel: table waves, the noise wave
    // between them (its draws must stay in order), silent ones, blocks that are and are not a
    // multiple of eight, and a buffer taken as cleared although it holds other values.
    for (bool wide : {false, true}) {
        Oscillator::useWideKernel(wide);
        std::mt19937 random(11);
        for (int trial = 0; trial < 300; ++trial) {
            NoiseSeed noiseA, noiseB;
            std::vector<Oscillator> mine(4, Oscillator(88200, testBank()));
            std::vector<Oscillator> theirs = mine;
            for (int k = 0; k < 4; ++k) {
                const double frequency = 20.0 * std::pow(2.0, std::uniform_real_distribution<double>(0.0, 11.0)(random));
                const std::uint32_t pick = random() % 10;
                const std::uint32_t wave = pick == 0 ? 95u : pick == 1 ? 94u : static_cast<std::uint32_t>(random() % 94);
                const double amplitude = pick == 2 ? 0.0 : std::uniform_real_distribution<double>(0.0, 1.0)(random);
                const auto phase = static_cast<std::uint32_t>(random());
                for (auto* set : {&mine, &theirs}) {
                    Oscillator& o = (*set)[static_cast<std::size_t>(k)];
                    o.setNoiseSource(set == &mine ? &noiseA : &noiseB);
                    o.setFrequency(frequency);
                    o.setWave(wave);
                    o.setAmplitude(amplitude);
                    o.setPhase(phase);
                }
            }
            const int n = trial % 3 == 0 ? 1 + static_cast<int>(random() % 64) : 64;
            const bool clear = trial % 2 == 0;
            std::vector<float> got(static_cast<std::size_t>(n)), expected(static_cast<std::size_t>(n));
            for (int j = 0; j < n; ++j) {
                got[static_cast<std::size_t>(j)] = clear ? 7.0f : 0.25f * static_cast<float>(j);
                expected[static_cast<std::size_t>(j)] = clear ? 0.0f : 0.25f * static_cast<float>(j);
            }
            Oscillator::renderInTurn(mine.data(), 4, got.data(), n, clear);
            for (Oscillator& o : theirs)
                o.render(expected.data(), n);
            ASSERT_EQ(std::memcmp(got.data(), expected.data(), got.size() * sizeof(float)), 0) << "trial " << trial;
            ASSERT_EQ(noiseA.value, noiseB.value);
            for (std::size_t k = 0; k < 4; ++k)
                ASSERT_EQ(mine[k].phase(), theirs[k].phase());
        }
    }
    Oscillator::useWideKernel(true);
}

TEST(Oscillator, block_splitting_does_not_change_the_output)
{
    Oscillator whole(88200, testBank());
    Oscillator pieces(88200, testBank());
    for (Oscillator* o : {&whole, &pieces}) {
        o->setFrequency(1234.5);
        o->setWave(1);
        o->setAmplitude(0.7);
    }
    std::vector<float> a(64, 0.0f);
    std::vector<float> b(64, 0.0f);
    whole.render(a.data(), 64);
    for (int at : {0, 1, 17, 40, 63})
        pieces.render(b.data() + at, (at == 0 ? 1 : at == 1 ? 16 : at == 17 ? 23 : at == 40 ? 23 : 1));
    EXPECT_EQ(std::memcmp(a.data(), b.data(), 64 * sizeof(float)), 0);
    EXPECT_EQ(whole.phase(), pieces.phase());
}

TEST(Oscillator, frequency_440_gives_the_exact_increment)
{
    Oscillator osc(88200, testBank());
    osc.setFrequency(440.0);
    // 440 * 2^32 / 88200 = 21426140.08...
    EXPECT_EQ(osc.phaseIncrement(), 21426140u);
    EXPECT_EQ(osc.phaseIncrement(), static_cast<std::uint32_t>(440ull * 4294967296ull / 88200ull));
    osc.setWave(0);
    osc.setAmplitude(1.0);
    float out[1] = {0.0f};
    osc.render(out, 1);
    EXPECT_EQ(osc.phase(), 21426140u);
    // A negative frequency runs the phase backwards.
    osc.setFrequency(-440.0);
    EXPECT_EQ(osc.phaseIncrement(), static_cast<std::uint32_t>(-21426140));
    osc.setFrequency(0.0);
    EXPECT_EQ(osc.phaseIncrement(), 0u);
}

TEST(Oscillator, level_edges_at_88200_hz)
{
    // Rising: level 1 from 88200 / 512 = 172.27 Hz.
    {
        Oscillator osc(88200, testBank());
        osc.setFrequency(172.26);
        EXPECT_EQ(osc.level(), 0);
    }
    {
        Oscillator osc(88200, testBank());
        osc.setFrequency(172.27);
        EXPECT_EQ(osc.level(), 1);
    }
    // Falling or equal: judged 1.2 times higher, level 1 from 172.27 / 1.2 = 143.55 Hz.
    {
        Oscillator osc(88200, testBank());
        osc.setFrequency(1000.0);
        osc.setFrequency(143.56);
        EXPECT_EQ(osc.level(), 1);
        osc.setFrequency(143.54);
        EXPECT_EQ(osc.level(), 0);
        osc.setFrequency(143.54); // equal: still judged higher
        EXPECT_EQ(osc.level(), 0);
        osc.setFrequency(160.0); // rising, below the true edge
        EXPECT_EQ(osc.level(), 0);
        osc.setFrequency(160.0); // equal: 192 Hz judged, level 1
        EXPECT_EQ(osc.level(), 1);
    }
    // Every level edge, rising: level l from 88200 * 2^(l - 10).
    for (int l = 1; l <= 9; ++l) {
        const double edge = 88200.0 * std::ldexp(1.0, l - 10);
        Oscillator below(88200, testBank());
        below.setFrequency(edge * 0.9999);
        EXPECT_EQ(below.level(), l - 1);
        Oscillator above(88200, testBank());
        above.setFrequency(edge * 1.0001);
        EXPECT_EQ(above.level(), l);
    }
}

TEST(Oscillator, level_choice_matches_a_float_conversion_rounding_down)
{
    std::mt19937_64 random(11);
    const int saved = std::fegetround();
    std::fesetround(FE_DOWNWARD);
    int checked = 0;
    for (int i = 0; i < 200000; ++i) {
        // Doubles near powers of two (where the rounding matters) and anywhere.
        double x = 0.0;
        if (i % 2 == 0) {
            x = std::ldexp(1.0, static_cast<int>(random() % 30) - 25);
            const auto ulps = static_cast<std::int64_t>(random() % 2000000000) - 1000000000;
            std::uint64_t bits = 0;
            std::memcpy(&bits, &x, sizeof x);
            bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(bits) + ulps);
            std::memcpy(&x, &bits, sizeof x);
        } else {
            x = std::ldexp(std::uniform_real_distribution<double>(0.5, 1.0)(random),
                           static_cast<int>(random() % 40) - 30);
        }
        if (random() % 2 == 0)
            x = -x;
        volatile double source = x;
        volatile float rounded = static_cast<float>(source);
        std::uint32_t bits = 0;
        const float r = rounded;
        std::memcpy(&bits, &r, sizeof r);
        const int expected = std::clamp(static_cast<int>((bits >> 23) & 0xFF) - 117, 0, 9);
        ASSERT_EQ(Oscillator::levelForRatio(x), expected) << x;
        ++checked;
    }
    std::fesetround(saved);
    EXPECT_EQ(checked, 200000);
    EXPECT_EQ(Oscillator::levelForRatio(0.0), 0);
    EXPECT_EQ(Oscillator::levelForRatio(std::numeric_limits<double>::infinity()), 9);
    EXPECT_EQ(Oscillator::levelForRatio(std::numeric_limits<double>::quiet_NaN()), 9);
    EXPECT_EQ(Oscillator::levelForRatio(std::ldexp(1.0, -9)), 1);
    EXPECT_EQ(Oscillator::levelForRatio(std::nextafter(std::ldexp(1.0, -9), 0.0)), 0);
    EXPECT_EQ(Oscillator::levelForRatio(-std::nextafter(std::ldexp(1.0, -9), 0.0)), 1);
}

TEST(Oscillator, half_the_sample_rate_and_above_is_silent_but_noise_still_sounds)
{
    Oscillator osc(88200, testBank());
    osc.setFrequency(44100.0);
    EXPECT_EQ(osc.level(), 9);
    osc.setWave(1);
    osc.setAmplitude(1.0);
    std::vector<float> out(64, 0.0f);
    osc.render(out.data(), 64);
    for (float v : out)
        EXPECT_EQ(v, 0.0f);
    osc.setWave(kNoiseWave);
    osc.render(out.data(), 64);
    int nonzero = 0;
    for (float v : out)
        nonzero += v != 0.0f ? 1 : 0;
    EXPECT_GT(nonzero, 60);
}

TEST(Oscillator, null_wave_and_out_of_range_indices_are_silent)
{
    for (std::uint32_t wave : {94u, 96u, 200u, 0xFFFFFFFFu}) {
        for (double f : {20.0, 440.0, 5000.0, 30000.0}) {
            Oscillator osc(88200, testBank());
            osc.setWave(wave);
            osc.setFrequency(f);
            osc.setAmplitude(1.0);
            std::vector<float> out(64, 0.25f);
            osc.render(out.data(), 64);
            for (float v : out)
                ASSERT_EQ(v, 0.25f) << wave;
            // The phase still runs, so a later change of wave continues from it.
            EXPECT_EQ(osc.phase(), 64u * osc.phaseIncrement());
        }
    }
}

TEST(Oscillator, amplitude_zero_adds_nothing)
{
    Oscillator osc(88200, testBank());
    osc.setWave(1);
    osc.setFrequency(300.0);
    osc.setAmplitude(0.0);
    std::vector<float> out(64);
    for (int j = 0; j < 64; ++j)
        out[static_cast<std::size_t>(j)] = std::sin(static_cast<float>(j));
    const std::vector<float> before = out;
    osc.render(out.data(), 64);
    EXPECT_EQ(std::memcmp(out.data(), before.data(), 64 * sizeof(float)), 0);
    EXPECT_EQ(osc.phase(), 64u * osc.phaseIncrement());
}

TEST(Oscillator, rendering_zero_samples_changes_nothing)
{
    Oscillator osc(88200, testBank());
    osc.setWave(1);
    osc.setFrequency(300.0);
    osc.setAmplitude(1.0);
    osc.setPhase(12345u);
    float out[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    osc.render(out, 0);
    osc.render(out, -5);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[3], 4.0f);
    EXPECT_EQ(osc.phase(), 12345u);
}

TEST(Oscillator, phase_wraps_without_a_discontinuity)
{
    const WaveBank& bank = testBank();
    Oscillator osc(88200, bank);
    osc.setWave(3);
    // Increment 1: frequency * 2^32 / 88200 just above 1.
    osc.setFrequency(1.5 * 88200.0 / 4294967296.0);
    ASSERT_EQ(osc.phaseIncrement(), 1u);
    ASSERT_EQ(osc.level(), 0);
    osc.setAmplitude(1.0);
    osc.setPhase(0xFFFFFFFFu);
    float out[2] = {0.0f, 0.0f};
    osc.render(out, 2);
    EXPECT_EQ(osc.phase(), 1u);
    const std::int16_t* cycle = bank.levelTable(0, 3) + 2;
    const std::int32_t last = cycle[2047];
    const std::int32_t first = cycle[0];
    ASSERT_NE(last, first);
    // Sample L-1 interpolated all but one step towards sample 0, then sample 0 itself.
    const double atWrap = (last * 16384.0 + 16383.0 * (first - last)) / 268435456.0;
    EXPECT_EQ(out[0], static_cast<float>(atWrap));
    EXPECT_EQ(out[1], static_cast<float>(first / 16384.0));
    EXPECT_LT(std::fabs(out[1] - out[0]), std::fabs(static_cast<float>(first - last)) / 16384.0f / 16000.0f + 1e-7f);
}

TEST(Oscillator, frequency_zero_holds_the_table_value_at_the_phase)
{
    const WaveBank& bank = testBank();
    Oscillator osc(88200, bank);
    osc.setWave(2);
    osc.setFrequency(0.0);
    EXPECT_EQ(osc.level(), 0);
    osc.setAmplitude(0.5);
    osc.setPhase(100u << 21); // level 0: index 100, fraction 0
    std::vector<float> out(64, 0.0f);
    osc.render(out.data(), 64);
    const float expected = static_cast<float>(bank.levelTable(0, 2)[2 + 100] * 16384 * 0.5 / 268435456.0);
    for (float v : out)
        EXPECT_EQ(v, expected);
    EXPECT_EQ(osc.phase(), 100u << 21);
}

TEST(Oscillator, two_oscillators_sum_into_one_buffer)
{
    Oscillator a(88200, testBank());
    Oscillator b(88200, testBank());
    a.setWave(1);
    b.setWave(5);
    a.setFrequency(220.0);
    b.setFrequency(331.0);
    a.setAmplitude(0.5);
    b.setAmplitude(0.25);
    std::vector<float> sum(64, 0.0f);
    a.render(sum.data(), 64);
    b.render(sum.data(), 64);
    Oscillator a2(88200, testBank());
    Oscillator b2(88200, testBank());
    a2.setWave(1);
    b2.setWave(5);
    a2.setFrequency(220.0);
    b2.setFrequency(331.0);
    a2.setAmplitude(0.5);
    b2.setAmplitude(0.25);
    std::vector<float> only(64, 0.0f);
    a2.render(only.data(), 64);
    b2.render(only.data(), 64);
    EXPECT_EQ(std::memcmp(sum.data(), only.data(), 64 * sizeof(float)), 0);
    std::vector<float> justA(64, 0.0f);
    Oscillator a3(88200, testBank());
    a3.setWave(1);
    a3.setFrequency(220.0);
    a3.setAmplitude(0.5);
    a3.render(justA.data(), 64);
    float diff = 0.0f;
    for (int j = 0; j < 64; ++j)
        diff = std::max(diff, std::fabs(sum[static_cast<std::size_t>(j)] - justA[static_cast<std::size_t>(j)]));
    EXPECT_GT(diff, 0.01f);
}

TEST(Oscillator, noise_follows_the_shared_generator)
{
    Oscillator::setNoiseSeed(22222u);
    Oscillator osc(88200, testBank());
    osc.setWave(kNoiseWave);
    osc.setFrequency(440.0);
    osc.setAmplitude(2.0);
    std::vector<float> out(8, 1.0f);
    osc.render(out.data(), 8);
    std::uint32_t seed = 22222u;
    for (int j = 0; j < 8; ++j) {
        seed = seed * 196314165u + 907633515u;
        const int value = static_cast<int>(seed >> 16) - 32768;
        EXPECT_EQ(out[static_cast<std::size_t>(j)], static_cast<float>(1.0 + value * 2.0 * 3.0517578125e-05));
    }
    EXPECT_EQ(Oscillator::noiseSeed(), seed);
    EXPECT_EQ(osc.phase(), 8u * osc.phaseIncrement());
    // The seed is shared: a second noise oscillator continues the same sequence, and a silent
    // one still moves it on.
    Oscillator other(88200, testBank());
    other.setWave(kNoiseWave);
    other.setAmplitude(0.0);
    std::vector<float> quiet(3, 0.0f);
    other.render(quiet.data(), 3);
    for (int j = 0; j < 3; ++j)
        seed = seed * 196314165u + 907633515u;
    EXPECT_EQ(Oscillator::noiseSeed(), seed);
    EXPECT_EQ(quiet[0], 0.0f);
}

TEST(Oscillator, the_global_bank_is_the_default)
{
    Oscillator osc(44100);
    osc.setWave(0);
    osc.setFrequency(440.0);
    osc.setAmplitude(1.0);
    std::vector<float> out(16, 0.0f);
    osc.render(out.data(), 16); // whatever the global bank holds, this reads inside it
    EXPECT_EQ(osc.sampleRate(), 44100u);
}

} // namespace
} // namespace ostrel
