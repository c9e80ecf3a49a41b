#include "tools/render/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace ostrel::render {

namespace {

bool parseInt(const std::string& text, long min, long max, int& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < min || value > max)
        return false;
    out = static_cast<int>(value);
    return true;
}

bool parseSeconds(const std::string& text, double max, double& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0.0 || value > max)
        return false;
    out = value;
    return true;
}

} // namespace

std::string Options::outputPath() const
{
    if (!outFile.empty())
        return outFile;
    if (demo || midiFile.empty())
        return "demo.wav";
    const auto slash = midiFile.find_last_of('/');
    const auto dot = midiFile.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? midiFile.substr(0, dot) : midiFile) + ".wav";
}

ParseStatus parseOptions(std::span<const char* const> args, Options& o, std::string& error)
{
    o = Options{};
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i] ? args[i] : "";
        std::string value;
        bool hasInlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                hasInlineValue = true;
            }
        }
        auto takeValue = [&]() -> bool {
            if (hasInlineValue)
                return true;
            if (i + 1 >= args.size() || !args[i + 1]) {
                error = arg + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto flag = [&](bool& target) -> bool {
            if (hasInlineValue) {
                error = arg + " takes no value";
                return false;
            }
            target = true;
            return true;
        };

        if (arg == "-h" || arg == "--help")
            return ParseStatus::Help;
        if (arg == "--demo" || arg == "--bench" || arg == "--quiet") {
            if (!flag(arg == "--demo" ? o.demo : arg == "--bench" ? o.bench : o.quiet))
                return ParseStatus::Error;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            error = "unexpected argument \"" + arg + "\" (see --help)";
            return ParseStatus::Error;
        }
        if (!takeValue())
            return ParseStatus::Error;
        if (arg == "--plugin") {
            o.plugin = value;
        } else if (arg == "--midi") {
            o.midiFile = value;
        } else if (arg == "--program") {
            if (!parseInt(value, 0, 1 << 20, o.program)) {
                error = "--program needs a program number (0, 1, ...), not \"" + value + "\"";
                return ParseStatus::Error;
            }
        } else if (arg == "--program-name") {
            o.programName = value;
        } else if (arg == "--preset" || arg == "--bank") {
            (arg == "--preset" ? o.presetFile : o.bankFile) = value;
        } else if (arg == "--rate") {
            if (!parseInt(value, kMinRate, kMaxRate, o.sampleRate)) {
                error = "--rate needs a sample rate from " + std::to_string(kMinRate) + " to "
                    + std::to_string(kMaxRate) + " Hz, not \"" + value + "\"";
                return ParseStatus::Error;
            }
        } else if (arg == "--block") {
            if (!parseInt(value, 1, kMaxBlock, o.blockSize)) {
                error = "--block needs a block size from 1 to " + std::to_string(kMaxBlock) + " frames, not \"" + value
                    + "\"";
                return ParseStatus::Error;
            }
        } else if (arg == "--tail") {
            if (!parseSeconds(value, kMaxTail, o.tailSeconds)) {
                error = "--tail needs a time from 0 to " + std::to_string(static_cast<int>(kMaxTail))
                    + " seconds, not \"" + value + "\"";
                return ParseStatus::Error;
            }
        } else if (arg == "--out") {
            if (value.empty()) {
                error = "--out needs a file name";
                return ParseStatus::Error;
            }
            o.outFile = value;
        } else if (arg == "--format") {
            if (value == "float") {
                o.format = SampleFormat::Float32;
            } else if (value == "pcm24") {
                o.format = SampleFormat::Pcm24;
            } else {
                error = "--format is float or pcm24, not \"" + value + "\"";
                return ParseStatus::Error;
            }
        } else {
            error = "unknown option \"" + arg + "\" (see --help)";
            return ParseStatus::Error;
        }
    }

    if (o.plugin.empty()) {
        error = "no plug-in given (--plugin PATH)";
        return ParseStatus::Error;
    }
    if (o.demo == !o.midiFile.empty()) {
        error = o.demo ? "--midi and --demo exclude each other" : "nothing to play: give --midi FILE or --demo";
        return ParseStatus::Error;
    }
    const int choices = (o.program >= 0) + !o.programName.empty() + !o.presetFile.empty() + !o.bankFile.empty();
    if (choices > 1) {
        error = "choose the sound one way only: --program, --program-name, --preset or --bank";
        return ParseStatus::Error;
    }
    return ParseStatus::Run;
}

std::string usageText()
{
    std::string text = "usage: ostrel-render --plugin PATH (--midi FILE | --demo) [options]\n"
                       "\n"
                       "Loads a VST 2 instrument plug-in, plays MIDI into it and writes a stereo WAV file.\n"
                       "\n"
                       "  --plugin PATH         the plug-in (.so) to load\n"
                       "  --midi FILE           play a Standard MIDI File (format 0 or 1); program changes in\n"
                       "                        the file switch programs (except after --preset)\n"
                       "  --demo                play the built-in phrase once with each of programs 0..15 (of\n"
                       "                        the loaded bank with --bank), or once with the sound chosen by\n"
                       "                        --program, --program-name or --preset\n"
                       "  --program N           start with program N\n"
                       "  --program-name NAME   start with the program of that name\n"
                       "  --preset FILE.fxp     load a program file into the current program\n"
                       "  --bank FILE.fxb       load a bank file; the bank's current program plays first\n"
                       "  --rate HZ             sample rate (default 44100)\n"
                       "  --block FRAMES        host block size, 1..8000 (default 512)\n"
                       "  --tail SECONDS        time rendered after the last event (default 2)\n"
                       "  --out FILE.wav        output file (default: the MIDI file's name with .wav, or demo.wav)\n"
                       "  --format float|pcm24  32-bit float (default) or 24-bit integer samples\n"
                       "  --bench               time the plug-in's audio callback and print the realtime factor\n"
                       "  --quiet               print nothing but errors (and the --bench result)\n"
                       "  -h, --help            this text\n";
    return text;
}

} // namespace ostrel::render
