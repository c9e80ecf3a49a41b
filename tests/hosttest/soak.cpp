// Soak run through the binary interface: random MIDI (notes, bend, pressure, wheel, the sustain
// pedal, all sound off, reset controllers, all notes off, stray bytes) in host blocks of random
// length, random automation, now and then a suspend with a new sample rate and a resume, all on
// the audio thread; program changes, chunk loads (the plug-in's own chunks, damaged copies and
// junk), chunk saves and name reads from a second thread at the same time.
//
//   ostrel-soak PLUGIN SECONDS [SEED]
//
// Fails (exit 1) on output that is not finite or on live heap that keeps growing after the
// warm-up; sanitizer builds add their own checks. Prints a summary line "soak: ...".
#include "host_support.h"
#include "loader.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

using namespace hosttest;

extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

// Answers the version and nothing else: reports come from two threads here, and recording them
// would be a growth of the test's own.
VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Bytes of heap in use: the sanitizer allocator's count where there is one, else malloc's.
long long liveHeap()
{
    if (__sanitizer_get_current_allocated_bytes)
        return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
    return static_cast<long long>(mallinfo2().uordblks);
}

struct Counts {
    std::atomic<long long> programChanges{0}, chunkLoads{0}, chunkSaves{0};
};

// The second thread: what a host's main thread and its saving do meanwhile.
void dispatcherThread(AEffect* e, std::uint32_t seed, const std::atomic<bool>& stop, Counts& counts)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(0, 99), program(0, 127), byte(0, 255);
    std::vector<unsigned char> bank = takeChunk(e, false);
    std::vector<unsigned char> preset = takeChunk(e, true);
    char name[64];
    while (!stop.load()) {
        const int what = pick(rng);
        if (what < 30) {
            call(e, effSetProgram, 0, program(rng));
            ++counts.programChanges;
        } else if (what < 45) {
            preset = takeChunk(e, true);
            ++counts.chunkSaves;
        } else if (what < 50) {
            bank = takeChunk(e, false);
            ++counts.chunkSaves;
        } else if (what < 70) {
            // The plug-in's own chunk, or a copy with a few bytes changed or cut short.
            std::vector<unsigned char> data = pick(rng) < 20 ? bank : preset;
            const int damage = pick(rng) % 4;
            for (int k = 0; k < damage * 3 && !data.empty(); ++k)
                data[rng() % data.size()] = static_cast<unsigned char>(byte(rng));
            if (damage == 3)
                data.resize(rng() % (data.size() + 1));
            call(e, effSetChunk, pick(rng) % 2, static_cast<VstIntPtr>(data.size()), data.data());
            ++counts.chunkLoads;
        } else if (what < 75) {
            std::vector<unsigned char> junk(static_cast<std::size_t>(pick(rng) * 10));
            for (auto& b : junk)
                b = static_cast<unsigned char>(byte(rng));
            if (junk.size() >= 4 && pick(rng) < 50)
                std::copy_n(pick(rng) < 50 ? "ORP" : "ORB", 4, junk.begin());
            call(e, effSetChunk, pick(rng) % 2, static_cast<VstIntPtr>(junk.size()), junk.data());
            ++counts.chunkLoads;
        } else {
            call(e, effGetProgramNameIndexed, program(rng), 0, name);
            call(e, effGetProgramName, 0, 0, name);
            call(e, effGetParamDisplay, program(rng), 0, name);
            e->getParameter(e, program(rng));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::printf("usage: %s PLUGIN SECONDS [SEED]\n", argv[0]);
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const auto seed = static_cast<std::uint32_t>(argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1);
    PluginLibrary lib(argv[1]);
    AEffect* e = lib.loaded() ? openInstance(lib, 44100.0f, quietHost) : nullptr;
    if (!e) {
        std::printf("soak: cannot load %s %s\n", argv[1], lib.error());
        return 1;
    }

    Counts counts;
    std::atomic<bool> stop{false};
    std::thread dispatcher(dispatcherThread, e, seed + 1, std::cref(stop), std::ref(counts));

    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(0, 999), data(0, 127), blockLength(1, 2048), parameter(0, 128);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int controllers[] = {1, 64, 64, 120, 121, 123, 126, 7, 10};
    const float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f};
    std::vector<float> l(2048), r(2048);
    float* outs[2] = {l.data(), r.data()};
    long long frames = 0, blocks = 0, events = 0, resumes = 0;
    bool finite = true;
    long long warmHeap = -1, peakAfterWarm = 0;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };

    while (elapsed() < seconds && finite) {
        const int n = blockLength(rng);
        MidiBlock midi;
        for (int k = pick(rng) % 8; k > 0; --k) {
            const int kind = pick(rng);
            const int at = static_cast<int>(rng() % static_cast<unsigned>(n));
            if (kind < 500)
                midi.add(at, (kind < 300 ? 0x90 : 0x80) | (kind % 16), data(rng), data(rng));
            else if (kind < 800)
                midi.add(at, 0xB0, controllers[static_cast<std::size_t>(kind) % 9], data(rng));
            else if (kind < 900)
                midi.add(at, kind < 850 ? 0xE0 : 0xD0, data(rng), data(rng));
            else
                midi.add(at, 0x80 + static_cast<int>(rng() % 0x80), data(rng), data(rng));
        }
        events += static_cast<long long>(midi.events.size());
        midi.send(e);
        for (int k = pick(rng) % 4; k > 0; --k)
            e->setParameter(e, parameter(rng), unit(rng));
        if (pick(rng) == 0) {
            call(e, effMainsChanged, 0, 0);
            call(e, effSetSampleRate, 0, 0, nullptr, rates[rng() % 4]);
            call(e, effMainsChanged, 0, 1);
            ++resumes;
        }
        if (pick(rng) < 100)
            e->process(e, nullptr, outs, n);
        else
            e->processReplacing(e, nullptr, outs, n);
        for (int i = 0; i < n; ++i)
            finite = finite && std::isfinite(l[static_cast<std::size_t>(i)])
                && std::isfinite(r[static_cast<std::size_t>(i)]);
        if (!finite)
            std::printf("soak: output not finite after %lld frames\n", frames);
        // Accumulating blocks add to what the buffers hold; start each one from silence.
        std::fill(l.begin(), l.end(), 0.0f);
        std::fill(r.begin(), r.end(), 0.0f);
        frames += n;
        ++blocks;
        if (warmHeap < 0 && elapsed() > seconds / 4)
            warmHeap = liveHeap();
        else if (warmHeap >= 0 && blocks % 256 == 0)
            peakAfterWarm = std::max(peakAfterWarm, liveHeap());
    }
    stop = true;
    dispatcher.join();
    const long long endHeap = liveHeap();
    call(e, effClose);

    // Chunk buffers, a retired engine and the event ring may settle at a larger size after the
    // warm-up; what must not happen is growth that goes on.
    constexpr long long kAllowedGrowth = 8ll << 20;
    const bool heapSteady = warmHeap < 0 || endHeap - warmHeap < kAllowedGrowth;
    std::printf("soak: %.0f s, %lld blocks, %lld frames, %lld MIDI events, %lld resumes, %lld program changes, "
                "%lld chunk loads, %lld chunk saves; live heap %lld KB after warm-up, %lld KB peak, %lld KB at the "
                "end; %s\n",
                elapsed(), blocks, frames, events, resumes, counts.programChanges.load(), counts.chunkLoads.load(),
                counts.chunkSaves.load(), warmHeap / 1024, peakAfterWarm / 1024, endHeap / 1024,
                finite && heapSteady ? "ok" : "FAILED");
    return finite && heapSteady ? 0 : 1;
}
