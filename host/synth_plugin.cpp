#include "host/synth_plugin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/render_callback.h"
#include "gui/resource_package.h"
#include "gui/toggle_button.h"
#include "host/platform.h"

namespace ostrel {

using namespace vst;

namespace {

// The reports under way on this thread, innermost last. Deeper nesting than this is not
// reported at all, so even a host that answers each report by setting another parameter
// cannot recurse without bound.
struct ActiveReport {
    const void* plugin;
    VstInt32 index;
};
constexpr int kMaxNestedReports = 32;
thread_local ActiveReport tActiveReports[kMaxNestedReports];
thread_local int tActiveReportCount = 0;

class ReportScope {
public:
    ReportScope(const void* plugin, VstInt32 index)
    {
        for (int i = 0; i < tActiveReportCount; ++i) {
            if (tActiveReports[i].plugin == plugin && tActiveReports[i].index == index)
                return;
        }
        if (tActiveReportCount == kMaxNestedReports)
            return;
        tActiveReports[tActiveReportCount++] = {plugin, index};
        entered_ = true;
    }
    ~ReportScope()
    {
        if (entered_)
            --tActiveReportCount;
    }
    ReportScope(const ReportScope&) = delete;
    ReportScope& operator=(const ReportScope&) = delete;
    bool entered() const { return entered_; }

private:
    bool entered_ = false;
};

} // namespace

SynthPlugin::SynthPlugin(audioMasterCallback master, const unsigned char* defaultBank, std::size_t defaultBankSize,
                         std::unique_ptr<EditorBinding> binding)
    : AudioEffectX(master, kProgramCount, kParameterSlots),
      binding_(std::move(binding))
{
    setNumInputs(0);
    setNumOutputs(2);
    isSynth(true);
    hasVu(false);
    hasClip(false);
    canProcessReplacing(true);
    setUniqueID(kPluginId);
    programsAreChunks(true);

    instance_ = std::make_unique<SynthInstance>(static_cast<AutomationSink*>(this));
    debugParam_ = std::make_unique<xIntParam>("Debug", "", 2);
    buildEditor();
    debugParam_->value().set(0);
    saveCommand_ = new SaveCommand(*this);
    debugParam_->value().addListener(saveCommand_);
    instance_->installPrograms(defaultBank, defaultBankSize);
    if (editor_)
        setEngineHolder(editor_.get());
    reporting_ = true;
}

SynthPlugin::~SynthPlugin()
{
    reporting_ = false;
    setEditor(nullptr);
    setEngineHolder(nullptr);
    // The widgets go before the parameters they show: the editor's layers, the button's, then
    // the binding with its root.
    editor_.reset();
    if (binding_ && debugLayer_)
        binding_->window().getFacade()->removeLayer(debugLayer_);
    binding_.reset();
    debugParam_->value().removeListener(saveCommand_);
    saveCommand_->release();
}

void SynthPlugin::buildEditor()
{
    if (!binding_)
        return;
    vellum::xRootInterface& root = *binding_->window().getFacade();
    editor_ = std::make_unique<SynthEditor>(root, instance_->patch());
    // The bank-save button: each click flips "Debug", whose listener asks to save the bank.
    debugLayer_ = new vellum::xLayer;
    vellum::xBitmap* art = vellum::getPackage() ? vellum::getPackage()->getBitmap("debug") : nullptr;
    debugLayer_->addWidget(new vellum::xToggleButton(debugParam_->value(), art, {540, 478}, {40, 18}, 1));
    root.addLayer(debugLayer_);
    editorAdapter_ = std::make_unique<EditorAdapter>(*binding_);
    setEditor(editorAdapter_.get());
}

// ---- programs --------------------------------------------------------------------------------

void SynthPlugin::setProgram(VstInt32 program)
{
    instance_->programs().setProgram(program);
}

void SynthPlugin::setProgramName(const char* name)
{
    instance_->programs().renameCurrent(name);
}

void SynthPlugin::getProgramName(char* name)
{
    copyHostText(name, instance_->patch().name(), kMaxProgramName + 1);
}

bool SynthPlugin::getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text)
{
    (void)category;
    if (index < 0 || index >= kProgramCount || !text)
        return false;
    copyHostText(text, instance_->programs().name(index), kMaxProgramName + 1);
    return true;
}

// ---- parameters ------------------------------------------------------------------------------

void SynthPlugin::setParameter(VstInt32 index, float value)
{
    // Host values outside 0..1 are clamped; NaN carries no value and is ignored.
    if (std::isnan(value))
        return;
    instance_->patch().registry().set(index, std::clamp(value, 0.0f, 1.0f));
}

float SynthPlugin::getParameter(VstInt32 index)
{
    return instance_->patch().registry().get(index);
}

void SynthPlugin::setParameterAutomated(VstInt32 index, float value)
{
    // The parameter already holds the value; this only tells the host.
    if (!reporting_.load(std::memory_order_relaxed))
        return;
    const ReportScope scope(this, index);
    if (scope.entered())
        AudioEffectX::setParameterAutomated(index, value);
}

void SynthPlugin::gestureBegan(std::int32_t index)
{
    if (reporting_.load(std::memory_order_relaxed))
        beginEdit(index);
}

void SynthPlugin::gestureEnded(std::int32_t index)
{
    if (reporting_.load(std::memory_order_relaxed))
        endEdit(index);
}

bool SynthPlugin::canParameterBeAutomated(VstInt32 index)
{
    return instance_->patch().registry().find(index) != nullptr;
}

void SynthPlugin::getParameterName(VstInt32 index, char* text)
{
    copyHostText(text, instance_->patch().registry().name(index));
}

void SynthPlugin::getParameterLabel(VstInt32 index, char* text)
{
    copyHostText(text, instance_->patch().registry().label(index));
}

void SynthPlugin::getParameterDisplay(VstInt32 index, char* text)
{
    copyHostText(text, instance_->patch().registry().display(index));
}

// ---- chunks and banks ------------------------------------------------------------------------

VstInt32 SynthPlugin::getChunk(void** data, bool isPreset)
{
    if (!data)
        return 0;
    std::vector<unsigned char> chunk;
    if (isPreset) {
        chunk.assign(static_cast<std::size_t>(kProgramChunkSize), 0);
        chunk.resize(static_cast<std::size_t>(instance_->patch().writeChunk(chunk.data())));
    } else {
        chunk = instance_->programs().writeBank();
    }
    const auto size = static_cast<VstInt32>(chunk.size());
    *data = chunkBuffers_.hold(std::move(chunk));
    return size;
}

VstInt32 SynthPlugin::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (!bytes || byteSize <= 0)
        return 1;
    const auto size = static_cast<std::size_t>(byteSize);
    if (isPreset || startsWithMagic(bytes, size, kProgramChunkMagic))
        instance_->programs().loadIntoCurrent(bytes, byteSize);
    else if (startsWithMagic(bytes, size, kBankChunkMagic))
        instance_->programs().readBank(bytes, byteSize);
    return 1;
}

bool SynthPlugin::saveBankCommand()
{
    const std::string question = "Save bank to " + platform::bankFileDisplayName() + "?";
    // In an open editor that has questions of its own (X11) the answer comes later, from the
    // host's idle call; the host is not held up meanwhile.
    if (binding_ && binding_->askQuestion(question, [this](bool ok) {
            if (ok)
                writeBankFile();
        })) {
        return false;
    }
    if (platform::messageBox(question.c_str(), "Save bank", platform::BoxKind::OkCancel) != platform::Answer::Ok)
        return false;
    return writeBankFile();
}

bool SynthPlugin::writeBankFile()
{
    // The bank is complete in memory before the file is touched, so a failure leaves any
    // earlier file as it was.
    const std::vector<unsigned char> bank = instance_->programs().writeBank();
    const auto size = bank.size();
    const std::string path = platform::bankFilePath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        warn("Couldn't open " + path + " for writing; the bank was not saved.");
        return false;
    }
    const bool written = std::fwrite(bank.data(), 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        warn("Writing " + path + " failed; the bank file is incomplete.");
        return false;
    }
    return true;
}

void SynthPlugin::warn(const std::string& message)
{
    // Shown where the question was: in the editor when it asked there (either button closes
    // it), else in the platform's message box.
    if (!binding_ || !binding_->askQuestion(message, nullptr))
        platform::messageBox(message.c_str(), "Save bank", platform::BoxKind::Warning);
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
    const std::string number = std::to_string(index + 1);
    copyHostText(properties->label, "Ostrel " + number, sizeof properties->label);
    copyHostText(properties->shortLabel, "Ostrel" + number, sizeof properties->shortLabel);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    properties->arrangementType = kSpeakerArrStereo;
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

void SynthPlugin::suspend()
{
    instance_->stop();
}

void SynthPlugin::resume()
{
    instance_->start(getSampleRate());
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
        instance_->queueMidi(midi->deltaFrames, static_cast<std::uint8_t>(midi->midiData[0]),
                             static_cast<std::uint8_t>(midi->midiData[1]),
                             static_cast<std::uint8_t>(midi->midiData[2]));
    }
    return 1;
}

void SynthPlugin::process(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    (void)inputs;
    instance_->render(outputs ? outputs[0] : nullptr, outputs ? outputs[1] : nullptr, sampleFrames,
                      OutputMode::Accumulate);
}

void SynthPlugin::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    (void)inputs;
    instance_->render(outputs ? outputs[0] : nullptr, outputs ? outputs[1] : nullptr, sampleFrames,
                      OutputMode::Replace);
}

} // namespace ostrel
