#include "host/synth_plugin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/render_callback.h"
#include "host/platform.h"

namespace ostrel {

using namespace vst;

namespace {

constexpr unsigned char kBankMagic[4] = {'O', 'R', 'B', 0};
constexpr unsigned char kProgramMagic[4] = {'O', 'R', 'P', 0};
constexpr VstInt32 kBankHeaderSize = 20;
constexpr VstInt32 kEntryHeaderSize = 32;
constexpr std::size_t kEntryNameField = 28;

bool startsWith(const unsigned char* data, VstInt32 size, const unsigned char (&magic)[4])
{
    return data && size >= 4 && std::memcmp(data, magic, 4) == 0;
}

void putU32(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

std::uint32_t getU32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Copies a name of at most 24 characters, ending at the first terminator.
template <std::size_t N>
void setName(std::array<char, N>& destination, const char* source, std::size_t available)
{
    destination.fill('\0');
    const std::size_t limit = std::min<std::size_t>(std::min(available, kPatchNameLength), N - 1);
    for (std::size_t i = 0; i < limit && source[i] != '\0'; ++i)
        destination[i] = source[i];
}

} // namespace

SynthPlugin::SynthPlugin(audioMasterCallback master, const unsigned char* defaultBank, std::size_t defaultBankSize)
    : AudioEffectX(master, kProgramCount, kParameterSlots)
{
    setNumInputs(0);
    setNumOutputs(2);
    isSynth(true);
    hasVu(false);
    hasClip(false);
    canProcessReplacing(true);
    setUniqueID(kUniqueId);
    programsAreChunks(true);

    patch_ = std::make_unique<Patch>(static_cast<AutomationSink*>(this));
    debugParam_ = std::make_unique<xIntParam>("Debug", "", 2);
    debugParam_->value().set(0);
    saveCommand_ = new SaveCommand(*this);
    debugParam_->value().addListener(saveCommand_);
    patch_->initPatch();

    // Every program starts as a copy of the Init patch, named after its number.
    programCapacity_ = 2 * patch_->chunkSize();
    for (VstInt32 i = 0; i < kProgramCount; ++i) {
        Program& program = programs_[static_cast<std::size_t>(i)];
        const std::string name = "Init " + std::to_string(i);
        patch_->setName(name);
        setName(program.name, name.c_str(), name.size());
        program.chunk.assign(static_cast<std::size_t>(programCapacity_), 0);
        program.length = patch_->writeChunk(program.chunk.data());
    }
    patch_->setName("Init 0");

    if (defaultBank && defaultBankSize >= 4 && startsWith(defaultBank, 4, kBankMagic)) {
        readBank(defaultBank, static_cast<VstInt32>(std::min<std::size_t>(defaultBankSize, 0x7FFFFFFF)));
    }
    setProgram(0);
}

SynthPlugin::~SynthPlugin()
{
    debugParam_->value().removeListener(saveCommand_);
    saveCommand_->release();
    setEditor(nullptr);
}

// ---- programs --------------------------------------------------------------------------------

void SynthPlugin::storeCurrentProgram()
{
    if (curProgram < 0 || curProgram >= kProgramCount)
        return;
    Program& program = programs_[static_cast<std::size_t>(curProgram)];
    program.length = patch_->writeChunk(program.chunk.data());
}

void SynthPlugin::setProgram(VstInt32 program)
{
    if (program < 0 || program >= kProgramCount)
        return;
    storeCurrentProgram();
    curProgram = program;
    const Program& p = programs_[static_cast<std::size_t>(program)];
    patch_->readChunk(p.chunk.data(), p.length);
}

void SynthPlugin::setProgramName(const char* name)
{
    if (!name || curProgram < 0 || curProgram >= kProgramCount)
        return;
    Program& program = programs_[static_cast<std::size_t>(curProgram)];
    setName(program.name, name, kPatchNameLength);
    patch_->setName(program.name.data());
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
    copyHostText(text, programs_[static_cast<std::size_t>(index)].name.data(), kMaxProgramName + 1);
    return true;
}

std::string SynthPlugin::programName(VstInt32 index) const
{
    if (index < 0 || index >= kProgramCount)
        return {};
    return programs_[static_cast<std::size_t>(index)].name.data();
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
        chunkBuffer_.assign(static_cast<std::size_t>(2 * patch_->chunkSize()), 0);
        const VstInt32 size = patch_->writeChunk(chunkBuffer_.data());
        *data = chunkBuffer_.data();
        return size;
    }
    chunkBuffer_.assign(static_cast<std::size_t>(bankSize(0)), 0);
    const VstInt32 size = writeBank(chunkBuffer_.data(), 0);
    *data = chunkBuffer_.data();
    return size;
}

VstInt32 SynthPlugin::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (!bytes || byteSize <= 0)
        return 1;
    if (isPreset || startsWith(bytes, byteSize, kProgramMagic)) {
        patch_->readChunk(bytes, byteSize);
        if (curProgram >= 0 && curProgram < kProgramCount) {
            const std::string name = patch_->name();
            setName(programs_[static_cast<std::size_t>(curProgram)].name, name.c_str(), name.size());
        }
    } else if (startsWith(bytes, byteSize, kBankMagic)) {
        readBank(bytes, byteSize);
    }
    return 1;
}

VstInt32 SynthPlugin::bankSize(VstInt32 count)
{
    if (count <= 0 || count > kProgramCount)
        count = kProgramCount;
    VstInt32 total = kBankHeaderSize;
    const VstInt32 live = patch_->chunkSize();
    for (VstInt32 i = 0; i < count; ++i) {
        const Program& p = programs_[static_cast<std::size_t>(i)];
        total += kEntryHeaderSize + (i == curProgram ? live : p.length);
    }
    return total;
}

VstInt32 SynthPlugin::writeBank(unsigned char* data, VstInt32 count)
{
    if (!data)
        return 0;
    if (count <= 0 || count > kProgramCount)
        count = kProgramCount;
    const VstInt32 total = bankSize(count);
    std::memcpy(data, kBankMagic, 4);
    putU32(data + 4, static_cast<std::uint32_t>(total));
    putU32(data + 8, 0);
    putU32(data + 12, static_cast<std::uint32_t>(count));
    putU32(data + 16, static_cast<std::uint32_t>(curProgram));
    unsigned char* p = data + kBankHeaderSize;
    for (VstInt32 i = 0; i < count; ++i) {
        const Program& program = programs_[static_cast<std::size_t>(i)];
        unsigned char* chunk = p + kEntryHeaderSize;
        // The current program is written fresh from the live patch, the others as stored.
        VstInt32 length;
        if (i == curProgram) {
            length = patch_->writeChunk(chunk);
        } else {
            length = program.length;
            std::memcpy(chunk, program.chunk.data(), static_cast<std::size_t>(length));
        }
        putU32(p, static_cast<std::uint32_t>(kEntryHeaderSize + length));
        std::memset(p + 4, 0, kEntryNameField);
        std::memcpy(p + 4, program.name.data(), std::strlen(program.name.data()));
        p += kEntryHeaderSize + length;
    }
    return static_cast<VstInt32>(p - data);
}

bool SynthPlugin::readBank(const unsigned char* data, VstInt32 size)
{
    if (!startsWith(data, size, kBankMagic) || size < kBankHeaderSize)
        return false;
    const auto count = static_cast<VstInt32>(getU32(data + 12));
    const auto current = static_cast<VstInt32>(getU32(data + 16));
    const VstInt32 entries = std::clamp(count, 0, kProgramCount);

    // Walk the entries by their sizes; an entry that is not complete within the data, or
    // whose size cannot even hold its header, ends the walk. Programs not reached keep what
    // they held.
    std::int64_t position = kBankHeaderSize;
    for (VstInt32 i = 0; i < entries; ++i) {
        if (position + 4 > size)
            break;
        const std::uint32_t entrySize = getU32(data + position);
        if (entrySize < static_cast<std::uint32_t>(kEntryHeaderSize) || position + entrySize > size)
            break;
        Program& program = programs_[static_cast<std::size_t>(i)];
        setName(program.name, reinterpret_cast<const char*>(data + position + 4), kEntryNameField);
        const auto chunkLength = static_cast<VstInt32>(
            std::min<std::uint32_t>(entrySize - kEntryHeaderSize, static_cast<std::uint32_t>(programCapacity_)));
        std::memcpy(program.chunk.data(), data + position + kEntryHeaderSize, static_cast<std::size_t>(chunkLength));
        std::fill(program.chunk.begin() + chunkLength, program.chunk.end(), 0);
        program.length = chunkLength;
        position += entrySize;
    }
    curProgram = -1;
    setProgram(current >= 0 && current < kProgramCount ? current : 0);
    return true;
}

bool SynthPlugin::saveBankCommand()
{
    const std::string question = "Save bank to " + platform::bankFileDisplayName() + "?";
    if (platform::messageBox(question.c_str(), "Save bank", platform::BoxKind::OkCancel) != platform::Answer::Ok)
        return false;
    // The bank is complete in memory before the file is touched, so a failure leaves any
    // earlier file as it was.
    std::vector<unsigned char> bank(static_cast<std::size_t>(bankSize(0)));
    const VstInt32 size = writeBank(bank.data(), 0);
    const std::string path = platform::bankFilePath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        const std::string message = "Couldn't open " + path + " for writing; the bank was not saved.";
        platform::messageBox(message.c_str(), "Save bank", platform::BoxKind::Warning);
        return false;
    }
    const bool written =
        std::fwrite(bank.data(), 1, static_cast<std::size_t>(size), file) == static_cast<std::size_t>(size);
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
