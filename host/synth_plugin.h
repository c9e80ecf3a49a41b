#pragma once

#include "engine/event_queue.h"
#include "engine/voice_engine.h"
#include "host/audio_effect.h"
#include "patch/patch.h"
#include "patch/program_store.h"

#include <memory>
#include <string>
#include <vector>

namespace ostrel {

// The synthesizer as the host sees it: glue between the binary interface and the patch, the
// program store and the engine. It answers programs, parameters, chunks, names and
// capabilities, and runs the audio callbacks.
class SynthPlugin final : public AudioEffectX, private AutomationSink {
public:
    static constexpr VstInt32 kProgramCount = ProgramStore::kProgramCount;
    static constexpr VstInt32 kParameterSlots = 129; // one more than exist, as announced
    static constexpr VstInt32 kVendorVersion = 1000;

    // defaultBank: a bank chunk installed at construction when it starts with the bank magic.
    SynthPlugin(vst::audioMasterCallback audioMaster, const unsigned char* defaultBank = nullptr,
                std::size_t defaultBankSize = 0);
    ~SynthPlugin() override;

    // Programs.
    VstInt32 getProgram() override { return programs_->current(); }
    void setProgram(VstInt32 program) override;
    void setProgramName(const char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    // Parameters.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setParameterAutomated(VstInt32 index, float value) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;

    // Chunks.
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;

    // Names and capabilities.
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return kVendorVersion; }
    bool getOutputProperties(VstInt32 index, vst::VstPinProperties* properties) override;
    VstInt32 canDo(const char* text) override;

    // Processing. The engine is created at the first resume and kept; the audio callbacks
    // render silence (processReplacing) or add nothing (process) until then.
    static constexpr VstInt32 kScratchFrames = 8192;
    void resume() override;
    VstInt32 processEvents(vst::VstEvents* events) override;
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    VoiceEngine* engine() { return engine_.get(); }
    EventQueue& events() { return events_; }
    // Host sample rate the engine is built with: the current rate in whole hertz, 44100 when it
    // is not a usable number (NaN, infinite, zero or negative), clamped to 8000..768000.
    static int engineSampleRate(float hostRate);

    Patch& patch() { return *patch_; }
    // "Debug": not a host parameter; every change of it runs the bank-save command.
    xIntParam& debugParam() { return *debugParam_; }
    // Asks whether to save all 128 programs to the bank file and writes it when the answer is
    // yes. Returns whether a file was written.
    bool saveBankCommand();
    std::string programName(VstInt32 index) const { return programs_->name(index); }
    ProgramStore& programs() { return *programs_; }

private:
    // Runs the bank-save command whenever the "Debug" parameter changes.
    class SaveCommand final : public vellum::xListener {
    public:
        explicit SaveCommand(SynthPlugin& plugin) : plugin_(plugin) { }
        void valueChanged() override { plugin_.saveBankCommand(); }

    private:
        SynthPlugin& plugin_;
    };

    std::unique_ptr<Patch> patch_;
    std::unique_ptr<xIntParam> debugParam_;
    SaveCommand* saveCommand_ = nullptr;
    std::unique_ptr<ProgramStore> programs_;
    std::vector<unsigned char> chunkBuffer_;

    // Audio: the engine and everything the audio thread writes.
    std::unique_ptr<VoiceEngine> engine_;
    EventQueue events_;
    std::vector<float> scratchLeft_;
    std::vector<float> scratchRight_;
};

} // namespace ostrel
