// Block rendering of the voice engine: host blocks are cut into sub-blocks of 64 internal
// samples (twice the host rate) with events applied between them, and decimated back to the
// host rate. Internal samples rendered past the end of a block are carried into the next one,
// so the output does not depend on how the host cuts the stream into blocks.
#include "engine/voice_engine.h"

#include "dsp/gain_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ostrel {

namespace {

// Applies the front events while their time, counted from `offset`, is below `limit`.
void applyDue(VoiceEngine& engine, EventQueue& queue, std::int64_t offset, std::int64_t limit) noexcept
{
    while (!queue.empty() && static_cast<std::int64_t>(queue.frontTime()) - offset < limit)
        engine.applyEvent(queue.popFront());
}

} // namespace

void VoiceEngine::renderBlock(EventQueue& queue, float* left, float* right, int n, std::int64_t timeOffset,
                              bool lastSlice) noexcept
{
    n = std::clamp(n, 0, kMaxBlock);
    for (int k = 0; k < 2; ++k) {
        Lfo& lfo = k == 0 ? lfo1 : lfo2;
        lfo.setRate(params.lfoRate[static_cast<std::size_t>(k)]);
        lfo.setWave(params.lfoWave[static_cast<std::size_t>(k)]);
    }
    chorusLeft.setRate(params.chorusRate);
    chorusLeft.setDepth(params.chorusDepth);
    chorusRight.setRate(params.chorusRate);
    chorusRight.setDepth(params.chorusDepth);
    // Changed amounts and routes reach held notes from this block on.
    for (int i = 0; i < activeVoices; ++i)
        voice(i).updateStaticMod();

    // An event at host time t takes effect before the first sub-block that starts after t.
    int pos = carried;
    while (pos < 2 * n) {
        applyDue(*this, queue, timeOffset, pos / 2);
        renderSubBlock(internalLeft.data() + pos, internalRight.data() + pos);
        pos += kSubBlock;
    }
    decimatorLeft.decimate(left, internalLeft.data(), n);
    decimatorRight.decimate(right, internalRight.data(), n);

    carried = pos - 2 * n;
    std::memmove(internalLeft.data(), internalLeft.data() + 2 * n, static_cast<std::size_t>(carried) * sizeof(float));
    std::memmove(internalRight.data(), internalRight.data() + 2 * n, static_cast<std::size_t>(carried) * sizeof(float));

    if (lastSlice) {
        while (!queue.empty())
            applyEvent(queue.popFront());
    } else {
        applyDue(*this, queue, timeOffset, pos / 2 + 1);
    }
    if (PlayPositions* out = playOut.load(std::memory_order_acquire))
        out->publish(lastStarted.load(std::memory_order_relaxed));
}

void VoiceEngine::renderSubBlock(float* left, float* right) noexcept
{
    updateGlobalModulation(mod, lfo1, lfo2, pressure, wheel, kSubBlock);
    std::fill_n(left, kSubBlock, 0.0f);
    std::fill_n(right, kSubBlock, 0.0f);

    // The sounding voices render in index order; their filters run together in between,
    // which gives the same bits as rendering each voice whole in turn.
    std::array<FilterState*, kMaxVoices> filters; // the first `count` entries are filled below
    std::array<float*, kMaxVoices> blocks;
    std::array<int, kMaxVoices> sounding;
    int count = 0;
    for (int i = 0; i < activeVoices; ++i) {
        Voice& v = voice(i);
        if (v.state() == Voice::Idle)
            continue;
        float* block = voiceBlocks[static_cast<std::size_t>(count)].data();
        if (!v.beginBlock(block, kSubBlock))
            continue;
        const auto c = static_cast<std::size_t>(count++);
        filters[c] = &v.filterState();
        blocks[c] = block;
        sounding[c] = i;
    }
    runFilterLanes(filters.data(), blocks.data(), count, kSubBlock, filterDither);

    for (std::size_t c = 0; c < static_cast<std::size_t>(count); ++c) {
        const int i = sounding[c];
        Voice& v = voice(i);
        float* buffer = blocks[c];
        const Voice::GainRamp ramp = v.finishBlock(buffer, kSubBlock);
        // Equal-power pan; -1 is fully left.
        double pan = params.panSlot[static_cast<std::size_t>(i)] + v.panModulation();
        pan = pan >= -1.0 ? std::min(pan, 1.0) : -1.0;
        const double p = 0.5 * pan + 0.5;
        const auto gl = static_cast<float>(std::sqrt(1.0 - p));
        const auto gr = static_cast<float>(std::sqrt(p));
        addRampedPanned(left, right, buffer, kSubBlock, ramp.start, ramp.slope, gl, gr);
    }
    if (params.chorusOn)
        Chorus::processStereo(chorusLeft, chorusRight, left, right, kSubBlock);
}

} // namespace ostrel
