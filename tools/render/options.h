#pragma once

// Command line of ostrel-render.

#include "tools/render/wav_writer.h"

#include <span>
#include <string>

namespace ostrel::render {

struct Options {
    std::string plugin;
    std::string midiFile;
    bool demo = false;
    int program = -1; // --program, -1 when not given
    std::string programName;
    std::string presetFile; // .fxp
    std::string bankFile;   // .fxb
    int sampleRate = 44100;
    int blockSize = 512;
    double tailSeconds = 2.0;
    std::string outFile; // empty: derived from the input (see usage)
    SampleFormat format = SampleFormat::Float32;
    bool bench = false;
    bool quiet = false;

    // One sound chosen for the whole render (a bank still holds many).
    bool singleSound() const { return program >= 0 || !programName.empty() || !presetFile.empty(); }
    // The output path: --out, or the MIDI file's name with ".wav", or "demo.wav".
    std::string outputPath() const;
};

enum class ParseStatus { Run, Help, Error };

// Parses the arguments after the program name. On Error, `error` says what is wrong.
ParseStatus parseOptions(std::span<const char* const> args, Options& options, std::string& error);

std::string usageText();

// Limits of the numeric options.
inline constexpr int kMinRate = 8000;
inline constexpr int kMaxRate = 384000;
inline constexpr int kMaxBlock = 8000; // the largest block the plug-in renders in one call
inline constexpr double kMaxTail = 600.0;

} // namespace ostrel::render
