#pragma once

#include "host/editor_interface.h"
#include "host/vst_abi.h"

#include <string_view>

namespace ostrel {

using vst::VstInt32;
using vst::VstIntPtr;

// Copies text into a host buffer: at most capacity - 1 characters and a terminator, never more
// than vst::kMaxHostText bytes in all. A null buffer is left alone.
void copyHostText(char* destination, std::string_view text, int capacity = vst::kMaxHostText);

// Base of a VST 2 effect: owns the plug-in record handed to the host and turns the host's
// calls into virtual operations. Opcodes 0..24 are answered here.
class AudioEffect {
public:
    AudioEffect(vst::audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual void setParameter(VstInt32 index, float value)
    {
        (void)index;
        (void)value;
    }
    virtual float getParameter(VstInt32 index)
    {
        (void)index;
        return 0.0f;
    }
    virtual void setParameterAutomated(VstInt32 index, float value);
    // Tell the host that a user's change of a parameter in the editor begins or ends
    // (audioMasterBeginEdit, audioMasterEndEdit); false without a host.
    bool beginEdit(VstInt32 index);
    bool endEdit(VstInt32 index);
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
    {
        (void)inputs;
        (void)outputs;
        (void)sampleFrames;
    }
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    virtual void open() { }
    virtual void close() { }
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual void setProgramName(const char* name) { (void)name; }
    virtual void getProgramName(char* name) { copyHostText(name, ""); }
    virtual void getParameterLabel(VstInt32 index, char* label)
    {
        (void)index;
        copyHostText(label, "");
    }
    virtual void getParameterDisplay(VstInt32 index, char* text)
    {
        (void)index;
        copyHostText(text, "");
    }
    virtual void getParameterName(VstInt32 index, char* text)
    {
        (void)index;
        copyHostText(text, "");
    }
    virtual float getVu() { return 0.0f; }
    virtual VstInt32 getChunk(void** data, bool isPreset)
    {
        (void)data;
        (void)isPreset;
        return 0;
    }
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset)
    {
        (void)data;
        (void)byteSize;
        (void)isPreset;
        return 0;
    }
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    virtual void suspend() { }
    virtual void resume() { }
    virtual void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    virtual void hasVu(bool state);
    virtual void hasClip(bool state);
    virtual void canMono(bool state);
    virtual void canProcessReplacing(bool state);
    virtual void programsAreChunks(bool state);
    virtual void setRealtimeQualities(VstInt32 qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(VstInt32 qualities) { cEffect.offQualities = qualities; }
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }
    virtual VstInt32 getMasterVersion();

    vst::AEffect* getAeffect() { return &cEffect; }
    // Links the editor (or none) and sets or clears the editor flag accordingly.
    void setEditor(AEffEditor* newEditor);
    AEffEditor* getEditor() const { return editor; }

protected:
    void setFlag(VstInt32 flag, bool state);

    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 curProgram = 0;
    VstInt32 numPrograms;
    VstInt32 numParams;
    AEffEditor* editor = nullptr;
    vst::audioMasterCallback audioMaster;
    vst::AEffect cEffect{};
};

// The 2.x extension: opcodes 25..76, events, names and capabilities.
class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(vst::audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    virtual void wantEvents(VstInt32 filter = 1);
    virtual VstInt32 processEvents(vst::VstEvents* events)
    {
        (void)events;
        return 0;
    }
    virtual bool canParameterBeAutomated(VstInt32 index)
    {
        (void)index;
        return true;
    }
    virtual bool getOutputProperties(VstInt32 index, vst::VstPinProperties* properties)
    {
        (void)index;
        (void)properties;
        return false;
    }
    virtual bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text)
    {
        (void)category;
        (void)index;
        (void)text;
        return false;
    }
    virtual void isSynth(bool state = true);
    virtual VstInt32 getPlugCategory();
    virtual bool getEffectName(char* name)
    {
        (void)name;
        return false;
    }
    virtual bool getVendorString(char* text)
    {
        (void)text;
        return false;
    }
    virtual bool getProductString(char* text)
    {
        (void)text;
        return false;
    }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstInt32 canDo(const char* text)
    {
        (void)text;
        return 0;
    }
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual VstInt32 getVstVersion() { return 2300; }
    virtual VstInt32 getCurrentMidiProgram(VstInt32 channel, void* program)
    {
        (void)channel;
        (void)program;
        return -1;
    }
};

} // namespace ostrel
