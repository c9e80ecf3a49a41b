// The synthesizer's editor on a headless binding, with the committed resources and default
// bank: what the plug-in object with its editor costs to build (the 96 wave thumbnails
// included), a full 760 x 500 repaint of "Sawpad1", and the repaint after a host writes one
// parameter (only the control's rectangle is painted again).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "host/headless_editor_binding.h"
#include "host/synth_plugin.h"
#include "tests/support/module_data.h"

namespace {

using namespace ostrel;

vst::VstIntPtr silentHost(vst::AEffect*, vst::VstInt32 opcode, vst::VstInt32, vst::VstIntPtr, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

const std::vector<unsigned char>& defaultBank()
{
    static const std::vector<unsigned char> bank = moduledata::load(std::string(OSTREL_SOURCE_DIR) + "/resources");
    return bank;
}

struct Editor {
    Editor()
        : binding(new HeadlessEditorBinding(SynthPlugin::kEditorWidth, SynthPlugin::kEditorHeight)),
          plugin(silentHost, defaultBank().data(), defaultBank().size(), std::unique_ptr<EditorBinding>(binding))
    { }
    HeadlessEditorBinding* binding;
    SynthPlugin plugin;
};

void editorConstruction(benchmark::State& state)
{
    defaultBank();
    for (auto _ : state) {
        Editor editor;
        benchmark::DoNotOptimize(editor.plugin.editor());
    }
}

void editorRepaint(benchmark::State& state)
{
    Editor editor;
    editor.plugin.setProgram(1);
    vellum::xHeadlessWindow& window = editor.binding->headless();
    for (auto _ : state) {
        window.paintAll();
        benchmark::DoNotOptimize(window.surface().pixelAt(380, 250));
    }
}

void editorHostWrite(benchmark::State& state)
{
    Editor editor;
    vellum::xHeadlessWindow& window = editor.binding->headless();
    window.paintAll();
    const vst::VstInt32 cutoff = 28;
    float value = 0.0f;
    for (auto _ : state) {
        value = value < 0.99f ? value + 0.01f : 0.0f;
        editor.plugin.setParameter(cutoff, value);
        benchmark::DoNotOptimize(window.paintInvalid());
    }
}

} // namespace

BENCHMARK(editorConstruction)->Unit(benchmark::kMillisecond);
BENCHMARK(editorRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(editorHostWrite)->Unit(benchmark::kMicrosecond);
