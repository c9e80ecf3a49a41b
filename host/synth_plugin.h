#pragma once

#include "editor/synth_editor.h"
#include "gui/layer.h"
#include "host/audio_effect.h"
#include "host/chunk_buffers.h"
#include "host/editor_adapter.h"
#include "host/editor_binding.h"
#include "instance/synth_instance.h"

#include <atomic>
#include <memory>
#include <string>

namespace ostrel {

// The synthesizer as a VST 2 host sees it: glue between the binary interface and the
// instance (patch, program store, engine) and the editor. It answers programs, parameters,
// chunks, names and capabilities, runs the audio callbacks, and owns the editor's window
// binding and the editor built on it.
class SynthPlugin final : public AudioEffectX, private AutomationSink {
public:
    static constexpr VstInt32 kProgramCount = ProgramStore::kProgramCount;
    static constexpr VstInt32 kParameterSlots = 129; // one more than exist, as announced
    static constexpr VstInt32 kVendorVersion = 1000;

    static constexpr int kEditorWidth = SynthEditor::kWidth;
    static constexpr int kEditorHeight = SynthEditor::kHeight;

    // defaultBank: a bank chunk installed at construction when it starts with the bank magic.
    // binding: the window the editor lives in (the module's entry gives the platform's, tools
    // and tests a headless one); with it the editor is built and linked (effFlagsHasEditor),
    // without it the plug-in has no editor.
    SynthPlugin(vst::audioMasterCallback audioMaster, const unsigned char* defaultBank = nullptr,
                std::size_t defaultBankSize = 0, std::unique_ptr<EditorBinding> binding = nullptr);
    ~SynthPlugin() override;

    // Programs.
    VstInt32 getProgram() override { return instance_->programs().current(); }
    void setProgram(VstInt32 program) override;
    void setProgramName(const char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    // Parameters.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    // Reports a change to the host, except while the plug-in is being built (the host does
    // not have its record yet) and except a report of a parameter that is already reporting
    // on this thread: a host that answers a report by setting the parameter again would
    // otherwise recurse without end.
    void setParameterAutomated(VstInt32 index, float value) override;
    bool canParameterBeAutomated(VstInt32 index) override;
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

    // Processing. resume prepares a silent engine at the current rate on the dispatcher
    // thread: the first time, after a suspend (every voice of before has ended) and when the
    // rate has changed. Until the first resume and while suspended the audio callbacks render
    // silence (processReplacing) or add nothing (process).
    void suspend() override;
    void resume() override;
    VstInt32 processEvents(vst::VstEvents* events) override;
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    // The engine the audio callbacks use (null before the first resume).
    VoiceEngine* engine() { return instance_->engine(); }
    // The one holder told about each engine the plug-in hands over (the editor); null
    // removes it. Told the current engine at once.
    void setEngineHolder(EngineHolder* holder) { instance_->setEngineHolder(holder); }
    EventQueue& events() { return instance_->events(); }
    // Host sample rate the engine is built with (SynthInstance::engineSampleRate).
    static int engineSampleRate(float hostRate) { return SynthInstance::engineSampleRate(hostRate); }

    Patch& patch() { return instance_->patch(); }
    // "Debug": not a host parameter; every change of it runs the bank-save command.
    xIntParam& debugParam() { return *debugParam_; }
    // Asks whether to save all 128 programs to the bank file and writes it when the answer is
    // yes. Returns whether a file was written; false also while the question waits in the open
    // editor (X11), whose OK writes the file later.
    bool saveBankCommand();
    std::string programName(VstInt32 index) const { return instance_->programs().name(index); }
    ProgramStore& programs() { return instance_->programs(); }
    // Null without a binding.
    SynthEditor* editor() { return editor_.get(); }
    EditorBinding* editorBinding() { return binding_.get(); }

private:
    // Runs the bank-save command whenever the "Debug" parameter changes.
    class SaveCommand final : public vellum::xListener {
    public:
        explicit SaveCommand(SynthPlugin& plugin) : plugin_(plugin) { }
        void valueChanged() override { plugin_.saveBankCommand(); }

    private:
        SynthPlugin& plugin_;
    };

    // AutomationSink: gestures in the editor become the host's begin and end edit.
    void gestureBegan(std::int32_t index) override;
    void gestureEnded(std::int32_t index) override;
    // The editor on the binding, the bank-save button, the link to the host's editor opcodes.
    void buildEditor();
    // Writes all 128 programs to the bank file; a failure is shown with warn().
    bool writeBankFile();
    void warn(const std::string& message);

    std::unique_ptr<SynthInstance> instance_;
    std::unique_ptr<xIntParam> debugParam_;
    SaveCommand* saveCommand_ = nullptr;
    ChunkBuffers chunkBuffers_;
    std::atomic<bool> reporting_{false}; // false while being built and destroyed

    // Editor: the binding (its root owns the widgets), the editor, the button layer, the
    // adapter the host's editor opcodes reach. Declared last, so they go first.
    std::unique_ptr<EditorBinding> binding_;
    std::unique_ptr<SynthEditor> editor_;
    vellum::xLayer* debugLayer_ = nullptr;
    std::unique_ptr<EditorAdapter> editorAdapter_;
};

} // namespace ostrel
