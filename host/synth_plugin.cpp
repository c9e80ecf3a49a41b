#include "host/synth_plugin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/render_callback.h"
#include "host/platform.h"

namespace ostrel {

using namespace vst;

SynthPlugin::SynthPlugin(audioMasterCallback master, const unsigned char* defaultBank, std::size_t defaultBankSize)
    : AudioEffectX(master, kProgramCount, kParameterSlots)
{
    setNumInputs(0);
    setNumOutputs(2);
    isSynth(true);
    hasVu(false);
    hasClip(false);
    canProcessReplacing(true);
    setUniqueID(kPluginId);
    programsAreChunks(true);

    patch_ = std::make_unique<Patch>(static_cast<AutomationSink*>(this));
    debugParam_ = std::make_unique<xIntParam>("Debug", "", 2);
    debugParam_->value().set(0);
    saveCommand_ = new SaveCommand(*this);
    debugParam_->value().addListener(saveCommand_);
    patch_->initPatch();

    programs_ = std::make_unique<ProgramStore>(*patch_);
    if (defaultBank)
        programs_->readBank(defaultBank, static_cast<VstInt32>(std::min<std::size_t>(defaultBankSize, 0x7FFFFFFF)));
    programs_->setProgram(0);
}

SynthPlugin::~SynthPlugin()
{
    debugParam_->value().removeListener(saveCommand_);
    saveCommand_->release();
    setEditor(nullptr);
}

// ---- programs --------------------------------------------------------------------------------

void SynthPlugin::setProgram(VstInt32 program)
{
    programs_->setProgram(program);
}

void SynthPlugin::setProgramName(const char* name)
{
    programs_->renameCurrent(name);
}

void SynthPlugin::getProgramName(char* name)
{
    copyHostText(name, patch_->name(), kMaxProgramName + 1);
}

bool SynthPlugin::getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text)
{
    (void)category;
    if (index < 0 || index >= kProgramCount || !text)
        return false;
    copyHostText(text, programs_->name(index), kMaxProgramName + 1);
    return true;
}

// ---- parameters ------------------------------------------------------------------------------

void SynthPlugin::setParameter(VstInt32 index, float value)
{
    // Host values outside 0..1 are clamped; NaN carries no value and is ignored.
    if (std::isnan(value))
        return;
    patch_->registry().set(index, std::clamp(value, 0.0f, 1.0f));
}

float SynthPlugin::getParameter(VstInt32 index)
{
    return patch_->registry().get(index);
}

void SynthPlugin::setParameterAutomated(VstInt32 index, float value)
{
    // The parameter already holds the value; this only tells the host.
    AudioEffectX::setParameterAutomated(index, value);
}

void SynthPlugin::getParameterName(VstInt32 index, char* text)
{
    copyHostText(text, patch_->registry().name(index));
}

void SynthPlugin::getParameterLabel(VstInt32 index, char* text)
{
    copyHostText(text, patch_->registry().label(index));
}

void SynthPlugin::getParameterDisplay(VstInt32 index, char* text)
{
    copyHostText(text, patch_->registry().display(index));
}

// ---- chunks and banks ------------------------------------------------------------------------

VstInt32 SynthPlugin::getChunk(void** data, bool isPreset)
{
    if (!data)
        return 0;
    if (isPreset) {
        chunkBuffer_.assign(static_cast<std::size_t>(kProgramChunkSize), 0);
        chunkBuffer_.resize(static_cast<std::size_t>(patch_->writeChunk(chunkBuffer_.data())));
    } else {
        chunkBuffer_ = programs_->writeBank();
    }
    *data = chunkBuffer_.data();
    return static_cast<VstInt32>(chunkBuffer_.size());
}

VstInt32 SynthPlugin::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (!bytes || byteSize <= 0)
        return 1;
    const auto size = static_cast<std::size_t>(byteSize);
    if (isPreset || startsWithMagic(bytes, size, kProgramChunkMagic))
        programs_->loadIntoCurrent(bytes, byteSize);
    else if (startsWithMagic(bytes, size, kBankChunkMagic))
        programs_->readBank(bytes, byteSize);
    return 1;
}

bool SynthPlugin::saveBankCommand()
{
    const std::string question = "Save bank to " + platform::bankFileDisplayName() + "?";
    if (platform::messageBox(question.c_str(), "Save bank", platform::BoxKind::OkCancel) != platform::Answer::Ok)
        return false;
    // The bank is complete in memory before the file is touched, so a failure leaves any
    // earlier file as it was.
    const std::vector<unsigned char> bank = programs_->writeBank();
    const auto size = bank.size();
    const std::string path = platform::bankFilePath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        const std::string message = "Couldn't open " + path + " for writing; the bank was not saved.";
        platform::messageBox(message.c_str(), "Save bank", platform::BoxKind::Warning);
        return false;
    }
    const bool written = std::fwrite(bank.data(), 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        const std::string message = "Writing " + path + " failed; the bank file is incomplete.";
        platform::messageBox(message.c_str(), "Save bank", platform::BoxKind::Warning);
        return false;
    }
    return true;
}

// ---- names and capabilities ------------------------------------------------------------------

bool SynthPlugin::getEffectName(char* name)
{
    copyHostText(name, "Ostrel", 32);
    return true;
}

bool SynthPlugin::getVendorString(char* text)
{
    copyHostText(text, "Ostrel Audio");
    return true;
}

bool SynthPlugin::getProductString(char* text)
{
    copyHostText(text, "Ostrel");
    return true;
}

bool SynthPlugin::getOutputProperties(VstInt32 index, VstPinProperties* properties)
{
    if (!properties || index < 0 || index > 1)
        return false;
    const std::string label = "Ostrel " + std::to_string(index + 1);
    copyHostText(properties->label, label, sizeof properties->label);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

VstInt32 SynthPlugin::canDo(const char* text)
{
    if (!text)
        return -1;
    const std::string_view t(text, strnlen(text, 64));
    return (t == "receiveVstEvents" || t == "receiveVstMidiEvent") ? 1 : -1;
}

// ---- processing ------------------------------------------------------------------------------

int SynthPlugin::engineSampleRate(float hostRate)
{
    if (!std::isfinite(hostRate) || hostRate <= 0.0f)
        return 44100;
    return static_cast<int>(std::clamp(hostRate, 8000.0f, 768000.0f));
}

void SynthPlugin::resume()
{
    // Built once, with the rate of this moment; later rate changes do not reach the engine.
    if (!engine_) {
        scratchLeft_.assign(static_cast<std::size_t>(kScratchFrames), 0.0f);
        scratchRight_.assign(static_cast<std::size_t>(kScratchFrames), 0.0f);
        engine_ = std::make_unique<VoiceEngine>(engineSampleRate(getSampleRate()));
    }
    programsAreChunks(true);
    wantEvents(1);
}

VstInt32 SynthPlugin::processEvents(VstEvents* events)
{
    if (!events)
        return 1;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->events[i];
        if (!event || event->type != kVstMidiType)
            continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        queueMidiMessage(events_, midi->deltaFrames, static_cast<std::uint8_t>(midi->midiData[0]),
                         static_cast<std::uint8_t>(midi->midiData[1]), static_cast<std::uint8_t>(midi->midiData[2]));
    }
    return 1;
}

void SynthPlugin::process(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    (void)inputs;
    if (!engine_) {
        events_.clear();
        return;
    }
    float* left = outputs ? outputs[0] : nullptr;
    float* right = outputs ? outputs[1] : nullptr;
    renderAudioCallback(*engine_, *patch_, events_, left, right, sampleFrames, OutputMode::Accumulate,
                        scratchLeft_.data(), scratchRight_.data());
}

void SynthPlugin::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    (void)inputs;
    float* left = outputs ? outputs[0] : nullptr;
    float* right = outputs ? outputs[1] : nullptr;
    if (!engine_) {
        events_.clear();
        for (float* channel : {left, right}) {
            if (channel && sampleFrames > 0)
                std::fill_n(channel, sampleFrames, 0.0f);
        }
        return;
    }
    renderAudioCallback(*engine_, *patch_, events_, left, right, sampleFrames, OutputMode::Replace, scratchLeft_.data(),
                        scratchRight_.data());
}

} // namespace ostrel
