#include "instance/synth_instance.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

SynthInstance::SynthInstance(AutomationSink* sink) : patch_(std::make_unique<Patch>(sink))
{ }

void SynthInstance::installPrograms(const unsigned char* defaultBank, std::size_t defaultBankSize)
{
    patch_->initPatch();
    programs_ = std::make_unique<ProgramStore>(*patch_);
    if (defaultBank)
        programs_->readBank(defaultBank, static_cast<std::int32_t>(std::min<std::size_t>(defaultBankSize, 0x7FFFFFFF)));
    programs_->setProgram(0);
}

SynthInstance::~SynthInstance() = default;

int SynthInstance::engineSampleRate(float hostRate)
{
    if (!std::isfinite(hostRate) || hostRate <= 0.0f)
        return 44100;
    return static_cast<int>(std::clamp(hostRate, 8000.0f, 768000.0f));
}

void SynthInstance::installEngine(std::unique_ptr<VoiceEngine> engine)
{
    VoiceEngine* const installed = engine.get();
    installed->setPlayPositions(&playPositions_);
    engine_.store(installed, std::memory_order_release);
    retiredEngine_ = std::move(ownedEngine_);
    ownedEngine_ = std::move(engine);
    if (engineHolder_)
        engineHolder_->engineChanged(installed);
}

void SynthInstance::setEngineHolder(EngineHolder* holder)
{
    engineHolder_ = holder;
    if (holder)
        holder->engineChanged(engine());
}

void SynthInstance::start(float hostRate)
{
    // The callbacks do not run during this call, so everything the audio thread owns may be
    // set up here.
    const int rate = engineSampleRate(hostRate);
    const VoiceEngine* current = engine();
    if (!current || !running() || current->sampleRate() != rate) {
        if (scratchLeft_.empty()) {
            scratchLeft_.assign(static_cast<std::size_t>(VoiceEngine::kMaxBlock), 0.0f);
            scratchRight_.assign(static_cast<std::size_t>(VoiceEngine::kMaxBlock), 0.0f);
        }
        installEngine(std::make_unique<VoiceEngine>(rate));
        events_.clear(); // events of before the stop do not sound after it
    }
    running_.store(true, std::memory_order_release);
}

void SynthInstance::stop()
{
    running_.store(false, std::memory_order_release);
}

void SynthInstance::queueMidi(std::int32_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    if (running())
        queueMidiMessage(events_, frame, status, data1, data2);
}

void SynthInstance::render(float* left, float* right, std::int32_t frames, OutputMode mode)
{
    VoiceEngine* engine = running() ? engine_.load(std::memory_order_acquire) : nullptr;
    if (!engine) {
        events_.clear();
        if (mode == OutputMode::Replace && frames > 0) {
            for (float* channel : {left, right}) {
                if (channel)
                    std::fill_n(channel, frames, 0.0f);
            }
        }
        return;
    }
    renderAudioCallback(*engine, *patch_, events_, left, right, frames, mode, scratchLeft_.data(),
                        scratchRight_.data());
}

} // namespace ostrel
