#pragma once

// A minimal VST 2 host for offline rendering: loads a plug-in binary with dlopen, calls its
// entry point with our host callback and drives it through the dispatcher only.

#include "host/vst_abi.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ostrel::render {

class PluginHost {
public:
    // Loads the library, calls VSTPluginMain (or the historic "main") and checks the record.
    // Returns null and sets `error` when anything is missing or wrong.
    static std::unique_ptr<PluginHost> load(const std::string& path, std::string& error);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // effOpen, effSetSampleRate, effSetBlockSize.
    void open(double sampleRate, int blockSize);
    void resume();  // effMainsChanged 1
    void suspend(); // effMainsChanged 0

    int numPrograms() const { return effect_->numPrograms; }
    int numOutputs() const { return effect_->numOutputs; }
    std::string programName(int index) const;       // effGetProgramNameIndexed; empty when refused
    std::string currentProgramName() const;         // effGetProgramName
    int findProgram(const std::string& name) const; // -1 when no program has that name
    void setProgram(int index);
    int program() const;
    std::string effectName() const;
    // effSetChunk; isPreset selects one program (true) or the whole bank (false).
    void setChunk(std::vector<std::uint8_t>& data, bool isPreset);
    // effGetChunk: a copy of the current program (isPreset) or of the bank; empty if refused.
    std::vector<std::uint8_t> getChunk(bool isPreset) const;

    void processEvents(vst::VstEvents* events);
    // Renders `frames` frames (at most the block size given to open) into left and right.
    void process(float* left, float* right, int frames);
    // Time spent inside the plug-in's audio callback so far (steady clock, nothing else).
    std::chrono::nanoseconds processTime() const { return processTime_; }

private:
    PluginHost(void* library, vst::AEffect* effect);
    vst::VstIntPtr dispatch(vst::VstInt32 opcode, vst::VstInt32 index = 0, vst::VstIntPtr value = 0,
                            void* ptr = nullptr, float opt = 0.0f) const;

    void* library_;
    vst::AEffect* effect_;
    bool opened_ = false;
    bool running_ = false;
    int blockSize_ = 0;
    std::chrono::nanoseconds processTime_{0};
    std::vector<std::vector<float>> inputs_, outputs_;
    std::vector<float*> inputPointers_, outputPointers_;
};

} // namespace ostrel::render
