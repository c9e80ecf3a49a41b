#include "tools/render/render.h"

#include "tools/render/demo_song.h"
#include "tools/render/event_schedule.h"
#include "tools/render/midi_file.h"
#include "tools/render/plugin_host.h"
#include "tools/render/preset_loader.h"
#include "tools/render/progress.h"
#include "tools/render/wav_writer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace ostrel::render {

namespace {

constexpr int kDemoPrograms = 16;

int failWith(const std::string& message)
{
    std::fprintf(stderr, "ostrel-render: %s\n", message.c_str());
    return 1;
}

// Chooses the starting sound. Returns false with `error` set when the choice is impossible.
bool chooseSound(PluginHost& host, const Options& o, std::string& error)
{
    if (o.program >= 0) {
        if (o.program >= host.numPrograms()) {
            error = "program " + std::to_string(o.program) + " does not exist (the plug-in has programs 0.."
                + std::to_string(host.numPrograms() - 1) + ")";
            return false;
        }
        host.setProgram(o.program);
        return true;
    }
    if (!o.programName.empty()) {
        const int found = host.findProgram(o.programName);
        if (found < 0) {
            error = "no program is named \"" + o.programName + "\"; the first programs are:";
            for (int i = 0; i < std::min(host.numPrograms(), 16); ++i)
                error += (i ? ", \"" : " \"") + host.programName(i) + "\"";
            return false;
        }
        host.setProgram(found);
        return true;
    }
    if (!o.presetFile.empty() || !o.bankFile.empty()) {
        const bool isPreset = !o.presetFile.empty();
        std::vector<std::uint8_t> chunk;
        if (!loadPresetChunk(isPreset ? o.presetFile : o.bankFile, isPreset, chunk, error))
            return false;
        host.setChunk(chunk, isPreset);
    }
    return true;
}

// Replaces what a plug-in must never produce (NaN, infinities) by silence; returns how many.
std::int64_t sanitize(float* samples, int count)
{
    std::int64_t bad = 0;
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(samples[i])) {
            samples[i] = 0.0f;
            ++bad;
        }
    }
    return bad;
}

const char* formatName(SampleFormat format)
{
    return format == SampleFormat::Float32 ? "32-bit float" : "24-bit PCM";
}

} // namespace

int runRender(const Options& o)
{
    const bool talk = !o.quiet;
    const auto rate = static_cast<std::uint32_t>(o.sampleRate);
    std::string error;

    Song song;
    std::string what;
    if (!o.demo) {
        MidiParseResult parsed = readMidiFile(o.midiFile);
        if (!parsed.ok)
            return failWith(parsed.error);
        song = std::move(parsed.song);
        char text[160];
        std::snprintf(text, sizeof text, "%s (format %d, %d track%s, %zu events, %.1f s)", o.midiFile.c_str(),
                      song.format, song.tracks, song.tracks == 1 ? "" : "s", song.events.size(),
                      song.seconds(song.endTime));
        what = text;
    }

    std::unique_ptr<PluginHost> host = PluginHost::load(o.plugin, error);
    if (!host)
        return failWith(error);
    host->open(o.sampleRate, o.blockSize);
    if (!chooseSound(*host, o, error))
        return failWith(error);

    if (o.demo) {
        std::vector<int> programs;
        if (!o.singleSound()) {
            for (int i = 0; i < std::min(kDemoPrograms, host->numPrograms()); ++i)
                programs.push_back(i);
        }
        song = makeDemoSong(programs);
        what = programs.empty() ? "the demo phrase with \"" + host->currentProgramName() + "\""
                                : "the demo of programs 0.." + std::to_string(programs.size() - 1);
    }

    std::vector<FrameEvent> events = eventsAtRate(song, rate);
    if (!o.presetFile.empty()) {
        // A loaded preset lives in the current program; switching away would lose it.
        std::erase_if(events, [](const FrameEvent& e) { return e.isProgramChange(); });
    }
    const std::int64_t total = renderLength(song, rate, o.tailSeconds);

    const std::string outPath = o.outputPath();
    WavWriter writer;
    if (!writer.open(outPath, o.sampleRate, o.format, error))
        return failWith(error);
    auto discard = [&](const std::string& message) {
        std::string ignored;
        writer.close(ignored);
        std::remove(outPath.c_str());
        return failWith(message);
    };

    if (talk) {
        std::printf("rendering %s through %s at %d Hz in blocks of %d frames into %s\n", what.c_str(),
                    host->effectName().c_str(), o.sampleRate, o.blockSize, outPath.c_str());
        std::fflush(stdout);
    }

    host->resume();
    BlockScheduler scheduler(std::move(events), total, o.blockSize);
    Block block;
    std::vector<float> left(static_cast<std::size_t>(o.blockSize)), right(left.size());
    ProgressBar bar(talk && isTerminal(2), total, o.sampleRate);
    std::int64_t nonFinite = 0;
    bool warnedProgram = false;
    int current = host->program();
    while (scheduler.next(block)) {
        for (const int p : block.programs) {
            if (p >= host->numPrograms()) {
                if (!warnedProgram && talk) {
                    bar.clear();
                    std::fprintf(stderr, "ostrel-render: warning: program change to %d ignored (the plug-in has %d)\n",
                                 p, host->numPrograms());
                }
                warnedProgram = true;
                continue;
            }
            host->setProgram(p);
            if (talk && (o.demo || p != current)) {
                bar.clear();
                std::printf("  %7.2f s  program %3d  %s\n", static_cast<double>(block.start) / o.sampleRate, p,
                            host->programName(p).c_str());
                std::fflush(stdout);
            }
            current = p;
        }
        host->processEvents(block.events);
        host->process(left.data(), right.data(), block.frames);
        nonFinite += sanitize(left.data(), block.frames) + sanitize(right.data(), block.frames);
        if (!writer.write(left.data(), right.data(), block.frames, error)) {
            bar.clear();
            return discard(error);
        }
        bar.update(block.start + block.frames);
    }
    bar.clear();
    const auto processTime = host->processTime();
    host.reset(); // effMainsChanged 0, effClose, unload
    if (!writer.close(error))
        return discard(error);

    AudioStats stats;
    if (!measureWav(outPath, stats, error))
        return failWith(error);
    if (nonFinite > 0)
        std::fprintf(stderr,
                     "ostrel-render: warning: the plug-in produced %lld samples that were not finite numbers; "
                     "they were written as 0\n",
                     static_cast<long long>(nonFinite));
    const double seconds = static_cast<double>(stats.frames) / std::max(stats.sampleRate, 1);
    if (talk) {
        std::printf("wrote %s: %.3f s (%lld frames at %d Hz, %s), peak %s dBFS, RMS %s dBFS%s\n", outPath.c_str(),
                    seconds, static_cast<long long>(stats.frames), stats.sampleRate, formatName(o.format),
                    formatDecibels(stats.peak).c_str(), formatDecibels(stats.rms).c_str(),
                    stats.peak > 0.0 ? "" : " (silent)");
    }
    if (o.bench) {
        const double cpu = std::chrono::duration<double>(processTime).count();
        const double audio = static_cast<double>(total) / o.sampleRate;
        const double factor = cpu > 0.0 ? audio / cpu : std::numeric_limits<double>::infinity();
        const double nsPerFrame =
            total > 0 ? static_cast<double>(processTime.count()) / static_cast<double>(total) : 0.0;
        std::printf("bench: %.3f s of audio in %.3f s inside the audio callback: realtime factor %.1f, %.1f ns per "
                    "frame\n",
                    audio, cpu, factor, nsPerFrame);
    }
    std::fflush(stdout);
    return 0;
}

} // namespace ostrel::render
