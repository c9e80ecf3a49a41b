#include "host/audio_effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ostrel {

using namespace vst;

void copyHostText(char* destination, std::string_view text, int capacity)
{
    if (!destination || capacity <= 0)
        return;
    const std::size_t room = static_cast<std::size_t>(std::min(capacity, kMaxHostText)) - 1;
    const std::size_t n = std::min(text.size(), room);
    std::memcpy(destination, text.data(), n);
    destination[n] = '\0';
}

namespace {

AudioEffect* effectOf(AEffect* e) noexcept
{
    return e ? static_cast<AudioEffect*>(e->object) : nullptr;
}

// The functions the host calls. Nothing may escape into the host: a failure inside becomes a
// safe answer (0 from the dispatcher and getParameter, silence from processReplacing).
VstIntPtr dispatchThunk(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) noexcept
{
    AudioEffect* effect = effectOf(e);
    if (!effect)
        return 0;
    try {
        // Closing hands the object back: the host must not use the record afterwards.
        if (opcode == effClose) {
            effect->dispatcher(opcode, index, value, ptr, opt);
            delete effect;
            return 1;
        }
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void processThunk(AEffect* e, float** inputs, float** outputs, VstInt32 frames) noexcept
{
    try {
        if (AudioEffect* effect = effectOf(e))
            effect->process(inputs, outputs, frames);
    } catch (...) {
        // Accumulating: whatever was added stays; nothing else can be undone.
    }
}

void processReplacingThunk(AEffect* e, float** inputs, float** outputs, VstInt32 frames) noexcept
{
    try {
        if (AudioEffect* effect = effectOf(e))
            effect->processReplacing(inputs, outputs, frames);
    } catch (...) {
        for (VstInt32 channel = 0; outputs && channel < e->numOutputs && frames > 0; ++channel) {
            if (outputs[channel])
                std::fill_n(outputs[channel], frames, 0.0f);
        }
    }
}

void setParameterThunk(AEffect* e, VstInt32 index, float value) noexcept
{
    try {
        if (AudioEffect* effect = effectOf(e))
            effect->setParameter(index, value);
    } catch (...) {
    }
}

float getParameterThunk(AEffect* e, VstInt32 index) noexcept
{
    try {
        AudioEffect* effect = effectOf(e);
        return effect ? effect->getParameter(index) : 0.0f;
    } catch (...) {
        return 0.0f;
    }
}

} // namespace

AudioEffect::AudioEffect(audioMasterCallback master, VstInt32 programs, VstInt32 params)
    : numPrograms(programs),
      numParams(params),
      audioMaster(master)
{
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchThunk;
    cEffect.process = processThunk;
    cEffect.setParameter = setParameterThunk;
    cEffect.getParameter = getParameterThunk;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = 0;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = 0;
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingThunk;
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    if (audioMaster)
        audioMaster(&cEffect, audioMasterAutomate, index, 0, nullptr, value);
}

bool AudioEffect::beginEdit(VstInt32 index)
{
    return audioMaster && audioMaster(&cEffect, audioMasterBeginEdit, index, 0, nullptr, 0.0f) != 0;
}

bool AudioEffect::endEdit(VstInt32 index)
{
    return audioMaster && audioMaster(&cEffect, audioMasterEndEdit, index, 0, nullptr, 0.0f) != 0;
}

VstInt32 AudioEffect::getMasterVersion()
{
    if (!audioMaster)
        return 1;
    return static_cast<VstInt32>(audioMaster(&cEffect, audioMasterVersion, 0, 0, nullptr, 0.0f));
}

void AudioEffect::setFlag(VstInt32 flag, bool state)
{
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

void AudioEffect::hasVu(bool state)
{
    setFlag(effFlagsHasVu, state);
}
void AudioEffect::hasClip(bool state)
{
    setFlag(effFlagsHasClip, state);
}
void AudioEffect::canMono(bool state)
{
    setFlag(effFlagsCanMono, state);
}
void AudioEffect::canProcessReplacing(bool state)
{
    setFlag(effFlagsCanReplacing, state);
}
void AudioEffect::programsAreChunks(bool state)
{
    setFlag(effFlagsProgramChunks, state);
}

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    editor = newEditor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms)
            setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName:
        if (text)
            setProgramName(text);
        return 0;
    case effGetProgramName: getProgramName(text); return 0;
    case effGetParamLabel: getParameterLabel(index, text); return 0;
    case effGetParamDisplay: getParameterDisplay(index, text); return 0;
    case effGetParamName: getParameterName(index, text); return 0;
    case effGetVu: return static_cast<VstIntPtr>(getVu() * 32767.0f);
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        if (editor && ptr)
            return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        return 0;
    case effEditOpen: return editor ? (editor->open(ptr) ? 1 : 0) : 0;
    case effEditClose:
        if (editor)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor)
            editor->idle();
        return 0;
    case effIdentify: return 0x4E764566; // 'NvEf'
    case effGetChunk:
        if (!ptr)
            return 0;
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        setChunk(ptr, static_cast<VstInt32>(std::clamp<VstIntPtr>(value, 0, 0x7FFFFFFF)), index != 0);
        return 1;
    default: return 0;
    }
}

// ---- AudioEffectX --------------------------------------------------------------------------

AudioEffectX::AudioEffectX(audioMasterCallback master, VstInt32 programs, VstInt32 params)
    : AudioEffect(master, programs, params)
{ }

void AudioEffectX::wantEvents(VstInt32 filter)
{
    if (audioMaster)
        audioMaster(&cEffect, audioMasterWantMidi, 0, filter, nullptr, 0.0f);
}

void AudioEffectX::isSynth(bool state)
{
    setFlag(effFlagsIsSynth, state);
}

VstInt32 AudioEffectX::getPlugCategory()
{
    return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : 0;
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effProcessEvents: return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effGetNumProgramCategories: return 1;
    case effGetProgramNameIndexed:
        if (!text)
            return 0;
        return getProgramNameIndexed(static_cast<VstInt32>(value), index, text) ? 1 : 0;
    case effConnectInput:
    case effConnectOutput: return 1;
    case effGetOutputProperties:
        if (!ptr)
            return 0;
        return getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory: return getPlugCategory();
    case effSetBlockSizeAndSampleRate:
        setBlockSize(static_cast<VstInt32>(value));
        setSampleRate(opt);
        return 1;
    case effGetEffectName: return text && getEffectName(text) ? 1 : 0;
    case effGetVendorString: return text && getVendorString(text) ? 1 : 0;
    case effGetProductString: return text && getProductString(text) ? 1 : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effCanDo: return canDo(text);
    case effGetTailSize: return getGetTailSize();
    case effKeysRequired: return 1; // keys are not required
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp:
        if (editor) {
            VstKeyCode key{index, static_cast<unsigned char>(value),
                           static_cast<unsigned char>(std::isfinite(opt) ? static_cast<int>(opt) : 0)};
            return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
        }
        return 0;
    case effSetEditKnobMode: return editor ? editor->setKnobMode(static_cast<VstInt32>(value)) : 0;
    case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, ptr);
    case effGetSpeakerArrangement:
        if (value)
            *reinterpret_cast<void**>(value) = nullptr;
        if (ptr)
            *static_cast<void**>(ptr) = nullptr;
        return 0;
    case effSetTotalSampleToProcess: return value;
    default:
        if (opcode >= effProcessEvents)
            return 0;
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

} // namespace ostrel
