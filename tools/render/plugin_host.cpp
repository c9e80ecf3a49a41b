#include "tools/render/plugin_host.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <dlfcn.h>

namespace ostrel::render {

namespace {

using EntryProc = vst::AEffect* (*)(vst::audioMasterCallback);

// The host side of the interface: a host of interface version 2.4 that answers nothing else.
vst::VstIntPtr hostCallback(vst::AEffect*, vst::VstInt32 opcode, vst::VstInt32, vst::VstIntPtr, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// Text answers land in a buffer much larger than the plug-in is allowed to use, and are cut
// at the interface's limit whatever the plug-in wrote.
std::string boundedText(const char (&buffer)[256])
{
    const void* end = std::memchr(buffer, 0, vst::kMaxHostText);
    return std::string(buffer, end ? static_cast<const char*>(end) - buffer : vst::kMaxHostText - 1);
}

} // namespace

std::unique_ptr<PluginHost> PluginHost::load(const std::string& path, std::string& error)
{
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        error = "cannot load the plug-in " + path + ": " + (why ? why : "unknown reason");
        return nullptr;
    }
    auto entry = reinterpret_cast<EntryProc>(dlsym(library, "VSTPluginMain"));
    if (!entry)
        entry = reinterpret_cast<EntryProc>(dlsym(library, "main"));
    if (!entry) {
        dlclose(library);
        error = path + " is not a VST 2 plug-in: it exports neither VSTPluginMain nor main";
        return nullptr;
    }
    vst::AEffect* effect = entry(hostCallback);
    if (!effect) {
        dlclose(library);
        error = "the plug-in " + path + " refused to start: its entry point returned no plug-in";
        return nullptr;
    }
    if (effect->magic != vst::kEffectMagic || !effect->dispatcher) {
        // A record without the magic is not safe to call into; leave it alone.
        dlclose(library);
        error = path + " returned something that is not a VST 2 plug-in record";
        return nullptr;
    }
    if (effect->numOutputs < 1 || effect->numOutputs > 64 || effect->numInputs < 0 || effect->numInputs > 64
        || (!effect->processReplacing && !effect->process)) {
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
        dlclose(library);
        error = path + " has no usable audio outputs";
        return nullptr;
    }
    return std::unique_ptr<PluginHost>(new PluginHost(library, effect));
}

PluginHost::PluginHost(void* library, vst::AEffect* effect) : library_(library), effect_(effect)
{ }

PluginHost::~PluginHost()
{
    if (running_)
        suspend();
    // effClose deletes the plug-in object; the record must not be touched afterwards.
    dispatch(vst::effClose);
    dlclose(library_);
}

vst::VstIntPtr PluginHost::dispatch(vst::VstInt32 opcode, vst::VstInt32 index, vst::VstIntPtr value, void* ptr,
                                    float opt) const
{
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void PluginHost::open(double sampleRate, int blockSize)
{
    blockSize_ = std::max(blockSize, 1);
    if (!opened_) {
        dispatch(vst::effOpen);
        opened_ = true;
    }
    dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(vst::effSetBlockSize, 0, blockSize_);

    const auto size = static_cast<std::size_t>(blockSize_);
    inputs_.assign(static_cast<std::size_t>(effect_->numInputs), std::vector<float>(size, 0.0f));
    outputs_.assign(static_cast<std::size_t>(effect_->numOutputs), std::vector<float>(size, 0.0f));
    inputPointers_.clear();
    outputPointers_.clear();
    for (auto& buffer : inputs_)
        inputPointers_.push_back(buffer.data());
    for (auto& buffer : outputs_)
        outputPointers_.push_back(buffer.data());
}

void PluginHost::resume()
{
    dispatch(vst::effMainsChanged, 0, 1);
    running_ = true;
}

void PluginHost::suspend()
{
    dispatch(vst::effMainsChanged, 0, 0);
    running_ = false;
}

std::string PluginHost::programName(int index) const
{
    char buffer[256] = {};
    if (!dispatch(vst::effGetProgramNameIndexed, index, 0, buffer))
        return {};
    return boundedText(buffer);
}

std::string PluginHost::currentProgramName() const
{
    char buffer[256] = {};
    dispatch(vst::effGetProgramName, 0, 0, buffer);
    return boundedText(buffer);
}

int PluginHost::findProgram(const std::string& name) const
{
    for (int i = 0; i < effect_->numPrograms; ++i) {
        if (programName(i) == name)
            return i;
    }
    return -1;
}

void PluginHost::setProgram(int index)
{
    dispatch(vst::effSetProgram, 0, index);
}

int PluginHost::program() const
{
    return static_cast<int>(dispatch(vst::effGetProgram));
}

std::string PluginHost::effectName() const
{
    char buffer[256] = {};
    dispatch(vst::effGetEffectName, 0, 0, buffer);
    return boundedText(buffer);
}

void PluginHost::setChunk(std::vector<std::uint8_t>& data, bool isPreset)
{
    dispatch(vst::effSetChunk, isPreset ? 1 : 0, static_cast<vst::VstIntPtr>(data.size()), data.data());
}

std::vector<std::uint8_t> PluginHost::getChunk(bool isPreset) const
{
    void* data = nullptr;
    const vst::VstIntPtr size = dispatch(vst::effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (!data || size <= 0 || size > (vst::VstIntPtr{1} << 28))
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

void PluginHost::processEvents(vst::VstEvents* events)
{
    if (events && events->numEvents > 0)
        dispatch(vst::effProcessEvents, 0, 0, events);
}

void PluginHost::process(float* left, float* right, int frames)
{
    frames = std::clamp(frames, 0, blockSize_);
    const auto count = static_cast<std::size_t>(frames);
    for (auto& buffer : outputs_)
        std::fill_n(buffer.begin(), count, 0.0f);
    const auto started = std::chrono::steady_clock::now();
    if (effect_->processReplacing)
        effect_->processReplacing(effect_, inputPointers_.data(), outputPointers_.data(), frames);
    else
        effect_->process(effect_, inputPointers_.data(), outputPointers_.data(), frames); // adds into zeros
    processTime_ += std::chrono::steady_clock::now() - started;
    std::copy_n(outputs_[0].begin(), count, left);
    std::copy_n(outputs_.size() > 1 ? outputs_[1].begin() : outputs_[0].begin(), count, right);
}

} // namespace ostrel::render
