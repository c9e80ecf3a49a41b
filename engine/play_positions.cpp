#include "engine/play_positions.h"

#include "engine/voice.h"

namespace ostrel {

void PlayPositions::AtomicStanding::store(int s, double p) noexcept
{
    stage.store(s, std::memory_order_relaxed);
    position.store(static_cast<float>(p), std::memory_order_relaxed);
}

PlayPositions::Standing PlayPositions::AtomicStanding::load() const noexcept
{
    return {stage.load(std::memory_order_relaxed), position.load(std::memory_order_relaxed)};
}

void PlayPositions::publish(const Voice* voice) noexcept
{
    if (!voice) {
        hasVoice_.store(false, std::memory_order_relaxed);
        return;
    }
    const MixEnvelope& mix = voice->mixEnvelope();
    mix_.store(mix.stage(), mix.position());
    filter_.store(voice->filterEnvelope().stage(), voice->filterEnvelope().position());
    amp_.store(voice->ampEnvelope().stage(), voice->ampEnvelope().position());
    mixX_.store(static_cast<float>(mix.outputX()), std::memory_order_relaxed);
    mixY_.store(static_cast<float>(mix.outputY()), std::memory_order_relaxed);
    hasVoice_.store(true, std::memory_order_relaxed);
}

PlayPositions::Snapshot PlayPositions::read() const noexcept
{
    Snapshot s;
    s.hasVoice = hasVoice_.load(std::memory_order_relaxed);
    s.mix = mix_.load();
    s.filter = filter_.load();
    s.amp = amp_.load();
    s.mixX = mixX_.load(std::memory_order_relaxed);
    s.mixY = mixY_.load(std::memory_order_relaxed);
    return s;
}

} // namespace ostrel
