// ostrel-lv2gen: writes the Turtle files of the LV2 bundle from the patch's parameter objects
// and the program texts of resources/bank/, so that no port, range, text or preset is written
// by hand:
//
//   ostrel-lv2gen BANK_DIR OUT_DIR BINARY_NAME UI_BINARY_NAME
//
// manifest.ttl  the plug-in, its binary, its user interface (an X11 UI in a binary of its own)
//               and its presets;
// ostrel.ttl    the plug-in: its features, state interface and ports (one control port per
//               host parameter, in host-index order, in the parameter's own units);
// presets.ttl   one preset per program file: the port values and the program chunk as state.
#include "lv2/port_layout.h"
#include "lv2/uris.h"
#include "patch/patch.h"
#include "tools/bankgen/program_folder.h"
#include "tools/lv2gen/port_description.h"
#include "tools/lv2gen/turtle.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace ostrel;
using namespace ostrel::lv2gen;

const char* const kPrefixes = "@prefix atom:   <http://lv2plug.in/ns/ext/atom#> .\n"
                              "@prefix doap:   <http://usefulinc.com/ns/doap#> .\n"
                              "@prefix foaf:   <http://xmlns.com/foaf/0.1/> .\n"
                              "@prefix lv2:    <http://lv2plug.in/ns/lv2core#> .\n"
                              "@prefix midi:   <http://lv2plug.in/ns/ext/midi#> .\n"
                              "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                              "@prefix pset:   <http://lv2plug.in/ns/ext/presets#> .\n"
                              "@prefix rdf:    <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                              "@prefix rdfs:   <http://www.w3.org/2000/01/rdf-schema#> .\n"
                              "@prefix state:  <http://lv2plug.in/ns/ext/state#> .\n"
                              "@prefix ui:     <http://lv2plug.in/ns/extensions/ui#> .\n"
                              "@prefix units:  <http://lv2plug.in/ns/extensions/units#> .\n"
                              "@prefix urid:   <http://lv2plug.in/ns/ext/urid#> .\n"
                              "@prefix xsd:    <http://www.w3.org/2001/XMLSchema#> .\n\n";

std::string uri(const std::string& text)
{
    return "<" + text + ">";
}

std::string manifest(const std::string& binary, const std::string& uiBinary,
                     const std::vector<bankgen::ProgramFile>& programs)
{
    std::ostringstream t;
    t << kPrefixes;
    t << uri(lv2::kPluginUri) << "\n    a lv2:Plugin ;\n    lv2:binary <" << binary
      << "> ;\n    rdfs:seeAlso <ostrel.ttl> ;\n    ui:ui " << uri(lv2::kUiUri) << " .\n";
    // The editor lives in the host's window and is driven by the host's idle calls; it has one
    // size, so it asks for no resizing.
    t << "\n"
      << uri(lv2::kUiUri) << "\n    a ui:X11UI ;\n    lv2:binary <" << uiBinary
      << "> ;\n    lv2:requiredFeature ui:idleInterface, ui:parent ;\n    lv2:optionalFeature ui:touch ;\n"
         "    lv2:extensionData ui:idleInterface .\n";
    for (const auto& p : programs) {
        t << "\n"
          << uri(lv2::kPresetUriPrefix + p.stem) << "\n    a pset:Preset ;\n    lv2:appliesTo " << uri(lv2::kPluginUri)
          << " ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
    return t.str();
}

void controlPort(std::ostringstream& t, const PortDescription& d)
{
    t << "        a lv2:InputPort, lv2:ControlPort ;\n";
    t << "        lv2:index " << d.index << " ;\n";
    t << "        lv2:symbol " << literal(d.symbol) << " ;\n";
    t << "        lv2:name " << literal(d.name) << " ;\n";
    t << "        lv2:default " << number(d.defaultValue) << " ;\n";
    t << "        lv2:minimum " << number(d.minimum) << " ;\n";
    t << "        lv2:maximum " << number(d.maximum) << " ;\n";
    std::vector<std::string> properties;
    if (d.integer)
        properties.emplace_back("lv2:integer");
    if (d.enumeration)
        properties.emplace_back("lv2:enumeration");
    if (d.logarithmic)
        properties.emplace_back("pprops:logarithmic");
    if (!properties.empty()) {
        t << "        lv2:portProperty ";
        for (std::size_t i = 0; i < properties.size(); ++i)
            t << (i ? ", " : "") << properties[i];
        t << " ;\n";
    }
    if (!d.render.empty()) {
        t << "        units:unit [\n            a units:Unit ;\n            rdfs:label "
          << literal(d.unitLabel.empty() ? d.name : d.unitLabel) << " ;\n            units:symbol "
          << literal(d.unitLabel) << " ;\n            units:render " << literal(d.render) << "\n        ] ;\n";
    }
    if (!d.scalePoints.empty()) {
        t << "        lv2:scalePoint ";
        for (std::size_t i = 0; i < d.scalePoints.size(); ++i) {
            t << (i ? " , " : "") << "[ rdfs:label " << literal(d.scalePoints[i].label) << " ; rdf:value "
              << number(d.scalePoints[i].value) << " ]";
        }
        t << " ;\n";
    }
}

std::string plugin(const std::vector<PortDescription>& ports)
{
    std::ostringstream t;
    t << kPrefixes;
    t << uri(lv2::kPluginUri) << "\n";
    t << "    a lv2:Plugin, lv2:InstrumentPlugin, doap:Project ;\n";
    t << "    doap:name \"Ostrel\" ;\n";
    t << "    rdfs:comment \"Polyphonic wavetable synthesizer: four wavetable oscillators per voice over 96 "
         "waves, a vector mix, a 16-mode filter, looping envelopes, two LFOs, a modulation matrix and a stereo "
         "chorus.\" ;\n";
    t << "    doap:maintainer [ foaf:name \"Ostrel Audio\" ] ;\n";
    t << "    lv2:minorVersion 0 ;\n    lv2:microVersion 0 ;\n";
    t << "    lv2:requiredFeature urid:map ;\n";
    t << "    lv2:optionalFeature lv2:hardRTCapable ;\n";
    t << "    lv2:extensionData state:interface ;\n";
    t << "    lv2:port [\n";
    for (const auto& d : ports) {
        controlPort(t, d);
        t << "    ] , [\n";
    }
    t << "        a lv2:InputPort, atom:AtomPort ;\n";
    t << "        atom:bufferType atom:Sequence ;\n";
    t << "        atom:supports midi:MidiEvent ;\n";
    t << "        lv2:designation lv2:control ;\n";
    t << "        lv2:index " << lv2::kMidiInPort << " ;\n";
    t << "        lv2:symbol \"midi_in\" ;\n        lv2:name \"MIDI in\"\n";
    const std::uint32_t outs[2] = {lv2::kLeftOutPort, lv2::kRightOutPort};
    for (int i = 0; i < 2; ++i) {
        t << "    ] , [\n";
        t << "        a lv2:OutputPort, lv2:AudioPort ;\n";
        t << "        lv2:index " << outs[i] << " ;\n";
        t << "        lv2:symbol \"out_" << (i + 1) << "\" ;\n        lv2:name \"Ostrel " << (i + 1) << "\"\n";
    }
    t << "    ] .\n\n";
    // The state property: defined here so that hosts and validators know what it holds.
    t << uri(lv2::kProgramChunkUri) << "\n    a rdf:Property ;\n    rdfs:label \"program chunk\" ;\n";
    t << "    rdfs:comment \"The current program as the plug-in's binary program chunk, its name included.\" ;\n";
    t << "    rdfs:range atom:Chunk .\n";
    return t.str();
}

std::string presets(const std::vector<bankgen::ProgramFile>& programs, const std::vector<PortDescription>& ports)
{
    std::ostringstream t;
    t << kPrefixes;
    for (const auto& p : programs) {
        Patch patch(nullptr);
        patch.initPatch();
        patch.readChunk(p.chunk.data(), static_cast<std::int32_t>(p.chunk.size()));
        t << uri(lv2::kPresetUriPrefix + p.stem) << "\n";
        t << "    a pset:Preset ;\n    lv2:appliesTo " << uri(lv2::kPluginUri) << " ;\n";
        t << "    rdfs:label " << literal(p.name) << " ;\n";
        t << "    lv2:port ";
        for (std::size_t i = 0; i < ports.size(); ++i) {
            const ParameterAdapter* adapter = patch.registry().find(static_cast<std::int32_t>(i));
            t << (i ? " , " : "") << "[\n        lv2:symbol " << literal(ports[i].symbol) << " ;\n        pset:value "
              << number(adapter->param->hostValue()) << "\n    ]";
        }
        t << " ;\n    state:state [\n        " << uri(lv2::kProgramChunkUri) << " \"" << base64(p.chunk)
          << "\"^^xsd:base64Binary\n    ] .\n\n";
    }
    return t.str();
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: ostrel-lv2gen BANK_DIR OUT_DIR BINARY_NAME UI_BINARY_NAME\n");
        return 2;
    }
    std::vector<bankgen::ProgramFile> programs;
    if (!bankgen::loadProgramFolder(argv[1], programs))
        return 1;
    // A new instance plays the bank's first program, so that program gives the ports' defaults:
    // a host that starts the ports at their defaults leaves the sound as it is.
    Patch patch(nullptr);
    patch.initPatch();
    patch.readChunk(programs.front().chunk.data(), static_cast<std::int32_t>(programs.front().chunk.size()));
    std::vector<PortDescription> ports;
    std::string problem;
    if (!describePorts(patch, ports, problem)) {
        std::fprintf(stderr, "ostrel-lv2gen: %s\n", problem.c_str());
        return 1;
    }
    const std::string dir = argv[2];
    const bool ok = writeFile(dir + "/manifest.ttl", manifest(argv[3], argv[4], programs))
        && writeFile(dir + "/ostrel.ttl", plugin(ports)) && writeFile(dir + "/presets.ttl", presets(programs, ports));
    return ok ? 0 : 1;
}
