// Renders the synthesizer's editor headless, as the plug-in shows it for a program, to a PNG,
// or compares it with a reference picture pixel by pixel. The plug-in object is built here
// (not loaded), on the resources of the source tree, with a window binding that paints into
// memory.
//
//   ostrel-editor-shot --resources DIR [--bank FILE.fxb | --preset FILE.fxp]
//                      [--program N | --program-name NAME] [--selector OSC [--hover-wave NUMBER]]
//                      [--rest X,Y] [--out FILE.png] [--compare REFERENCE.png] [--zoom N]

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dsp/wave_names.h"
#include "editor/synth_editor.h"
#include "host/headless_editor_binding.h"
#include "host/synth_plugin.h"
#include "patch/preset_file.h"
#include "png_io.h"
#include "tests/support/module_data.h"

using namespace ostrel;

namespace {

struct Options {
    std::string resources;
    std::string bank;
    std::string preset;
    int program = -1;
    std::string programName;
    int selector = -1;  // oscillator 0..3
    int hoverWave = -1; // wave number 32..127
    int restX = -1;
    int restY = -1;
    std::string out;
    std::string reference;
    int zoom = 1;
};

const char* const kUsage =
    "usage: ostrel-editor-shot --resources DIR [--bank FILE.fxb | --preset FILE.fxp]\n"
    "                          [--program N | --program-name NAME] [--selector A|B|C|D [--hover-wave 32..127]]\n"
    "                          [--rest X,Y] [--out FILE.png] [--compare REFERENCE.png] [--zoom N]\n";

int number(const std::string& option, const std::string& text, int low, int high)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < low || value > high)
        throw std::runtime_error(option + " needs a number from " + std::to_string(low) + " to "
                                 + std::to_string(high));
    return static_cast<int>(value);
}

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            throw std::runtime_error(arg + " needs a value");
        const std::string value = argv[++i];
        if (arg == "--resources")
            o.resources = value;
        else if (arg == "--bank")
            o.bank = value;
        else if (arg == "--preset")
            o.preset = value;
        else if (arg == "--program")
            o.program = number(arg, value, 0, SynthPlugin::kProgramCount - 1);
        else if (arg == "--program-name")
            o.programName = value;
        else if (arg == "--selector") {
            if (value.size() != 1 || value[0] < 'A' || value[0] > 'D')
                throw std::runtime_error("--selector needs an oscillator A, B, C or D");
            o.selector = value[0] - 'A';
        } else if (arg == "--hover-wave")
            o.hoverWave = number(arg, value, kWaveNumberOffset, kWaveNumberOffset + kWaveCount - 1);
        else if (arg == "--rest") {
            const std::size_t comma = value.find(',');
            if (comma == std::string::npos)
                throw std::runtime_error("--rest needs X,Y");
            o.restX = number(arg, value.substr(0, comma), 0, SynthEditor::kWidth - 1);
            o.restY = number(arg, value.substr(comma + 1), 0, SynthEditor::kHeight - 1);
        } else if (arg == "--out")
            o.out = value;
        else if (arg == "--compare")
            o.reference = value;
        else if (arg == "--zoom")
            o.zoom = number(arg, value, 1, 8);
        else
            throw std::runtime_error("unknown option " + arg);
    }
    if (o.resources.empty() || (o.out.empty() && o.reference.empty()))
        throw std::runtime_error("--resources and --out or --compare are needed");
    if (o.hoverWave >= 0 && o.selector < 0)
        throw std::runtime_error("--hover-wave needs --selector");
    return o;
}

vst::VstIntPtr hostCallback(vst::AEffect*, vst::VstInt32 opcode, vst::VstInt32, vst::VstIntPtr, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

void loadPresetFile(SynthPlugin& plugin, const std::string& path, PresetKind kind)
{
    PresetReadResult file = readPresetFile(path);
    if (!file.ok)
        throw std::runtime_error(path + ": " + file.error);
    if (file.preset.kind != kind)
        throw std::runtime_error(path + (kind == PresetKind::Bank ? " is not a bank file" : " is not a program file"));
    plugin.setChunk(file.preset.chunk.data(), static_cast<vst::VstInt32>(file.preset.chunk.size()),
                    kind == PresetKind::Program);
}

void chooseProgram(SynthPlugin& plugin, const Options& o)
{
    if (o.program >= 0)
        plugin.setProgram(o.program);
    if (o.programName.empty())
        return;
    for (vst::VstInt32 i = 0; i < SynthPlugin::kProgramCount; ++i) {
        if (plugin.programName(i) == o.programName) {
            plugin.setProgram(i);
            return;
        }
    }
    throw std::runtime_error("no program is named \"" + o.programName + "\"");
}

pngio::Image render(const Options& o)
{
    const std::vector<unsigned char> defaultBank = moduledata::load(o.resources);
    auto owned = std::make_unique<HeadlessEditorBinding>(SynthEditor::kWidth, SynthEditor::kHeight);
    vellum::xHeadlessWindow& window = owned->headless();
    SynthPlugin plugin(hostCallback, defaultBank.data(), defaultBank.size(), std::move(owned));
    if (!o.bank.empty())
        loadPresetFile(plugin, o.bank, PresetKind::Bank);
    if (!o.preset.empty())
        loadPresetFile(plugin, o.preset, PresetKind::Program);
    chooseProgram(plugin, o);

    if (o.selector >= 0) {
        // A click on the oscillator's thumbnail opens its selector.
        window.click(vellum::xMouseButton::left, 200 + 45 * o.selector + 16, 50 + 9);
        if (o.hoverWave >= 0) {
            const vellum::xPoint cell =
                plugin.editor()->waveSelector(o.selector).cellOf(o.hoverWave - kWaveNumberOffset);
            window.move(cell.x + 26, cell.y + 10);
        }
    }
    if (o.restX >= 0) {
        // Resting a second on a control shows its hint.
        window.move(o.restX, o.restY);
        window.tick(vellum::xHoverHint::kDelayTicks + 1);
    }
    window.paintAll();
    const vellum::xPixelBuffer& surface = window.surface();
    return pngio::fromWindowPixels(surface.pixelAt(0, 0), SynthEditor::kWidth, SynthEditor::kHeight, surface.stride());
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const Options o = parse(argc, argv);
        const pngio::Image image = render(o);
        if (!o.out.empty())
            pngio::write(o.out, image, o.zoom);
        if (!o.reference.empty()) {
            std::string first;
            const long differing = pngio::countDifferences(image, pngio::read(o.reference), first);
            if (differing != 0) {
                std::fprintf(stderr,
                             "%s\nthe editor differs from %s in %ld pixels; if the change is intended, look at "
                             "the new picture and rewrite the references with the editor_screenshots target\n",
                             first.c_str(), o.reference.c_str(), differing);
                return 1;
            }
            std::printf("the editor matches %s\n", o.reference.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ostrel-editor-shot: %s\n%s", e.what(), kUsage);
        return 1;
    }
    return 0;
}
