// Host-level checks of the plug-in's life: how a host ends, sample-rate changes and suspend.
#include "child.h"
#include "host_support.h"
#include "suites.h"

#include <algorithm>
#include <cstdlib>

namespace hosttest {

namespace {

// Ways a host ends: each runs in a child process that ends with std::exit, so the library's
// unload code and the run-time's exit code meet in every order. What is left open or loaded is
// kept in globals (volatile, so that the stores stay), as a host keeps it.
AEffect* volatile gLeftOpen = nullptr;
PluginLibrary* volatile gLeftLoaded = nullptr;

const char* const kEndings[] = {
    "close-unload-exit", // effClose, unload the library, exit
    "close-exit",        // effClose, exit with the library still loaded
    "open-exit",         // exit with an instance open
    "refused-exit",      // the entry point refuses (host version 0): no instance ever made
    "unload-exit",       // loaded and unloaded without calling the entry point
};

// Rising zero crossings of the left channel between 0.1 s and 1 s of note 69 on a sine, at
// the given rate: 396 for 440 Hz.
int crossingsOfA440(AEffect* e, int rate)
{
    e->setParameter(e, 0, 0.0f); // oscillator 1 plays the sine
    MidiBlock midi;
    midi.add(0, 0x90, 69, 100);
    midi.send(e);
    const std::vector<float> l = renderLeft(e, rate);
    int crossings = 0;
    for (std::size_t i = static_cast<std::size_t>(rate / 10) + 1; i < l.size(); ++i) {
        if (l[i - 1] < 0.0f && l[i] >= 0.0f)
            ++crossings;
    }
    return crossings;
}

} // namespace

int runEnding(const char* plugin, const std::string& ending)
{
    auto* lib = new PluginLibrary(plugin);
    gLeftLoaded = lib;
    auto entry = reinterpret_cast<EntryProc>(lib->symbol("VSTPluginMain"));
    if (!entry)
        return 3;
    if (ending == "refused-exit") {
        gHost.version = 0;
        std::exit(entry(hostCallback) == nullptr ? 0 : 4);
    }
    if (ending != "unload-exit") {
        AEffect* e = entry(hostCallback);
        if (!e)
            return 5;
        call(e, effOpen);
        call(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        call(e, effMainsChanged, 0, 1);
        std::vector<float> l(256), r(256);
        float* outs[2] = {l.data(), r.data()};
        e->processReplacing(e, nullptr, outs, 256);
        gLeftOpen = e;
        if (ending == "open-exit")
            std::exit(0);
        call(e, effMainsChanged, 0, 0);
        call(e, effClose);
        gLeftOpen = nullptr;
        if (ending == "close-exit")
            std::exit(0);
    }
    delete lib;
    gLeftLoaded = nullptr;
    std::exit(0);
}

void testEndings(const char* plugin)
{
    for (const char* ending : kEndings)
        checkEq(runSelf({plugin, "--ending", ending}), 0, std::string("the process ends cleanly: ") + ending);
}

void testLifecycle(PluginLibrary& lib)
{
    // A rate set after the first resume reaches the engine at the next resume.
    if (AEffect* e = openInstance(lib, 44100.0f)) {
        call(e, effMainsChanged, 0, 0);
        call(e, effSetSampleRate, 0, 0, nullptr, 96000.0f);
        call(e, effMainsChanged, 0, 1);
        const int crossings = crossingsOfA440(e, 96000);
        check(crossings >= 395 && crossings <= 397,
              "note 69 sounds at 440 Hz after the rate changed to 96000 (crossings " + std::to_string(crossings) + ")");
        call(e, effClose);
    }
    // A host that resumes before it sets its rate.
    auto entry = reinterpret_cast<EntryProc>(lib.symbol("VSTPluginMain"));
    if (AEffect* e = entry ? entry(hostCallback) : nullptr) {
        call(e, effOpen);
        call(e, effMainsChanged, 0, 1);
        call(e, effMainsChanged, 0, 0);
        call(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        call(e, effMainsChanged, 0, 1);
        const int crossings = crossingsOfA440(e, 48000);
        check(crossings >= 395 && crossings <= 397,
              "note 69 sounds at 440 Hz when the rate is set after the first resume (crossings "
                  + std::to_string(crossings) + ")");
        call(e, effClose);
    }

    // Suspend ends every voice: a held note, and a note queued but not yet played, are gone
    // after resume, even though the host never sent their note-offs.
    if (AEffect* e = openInstance(lib, 44100.0f)) {
        MidiBlock midi;
        midi.add(0, 0x90, 60, 100);
        midi.send(e);
        check(!silent(renderLeft(e, 11025)), "a held note sounds before the suspend");
        midi.add(0, 0x90, 64, 100);
        midi.send(e);
        call(e, effMainsChanged, 0, 0);
        check(silent(renderLeft(e, 4096)), "a host that renders while suspended gets silence");
        call(e, effMainsChanged, 0, 1);
        check(silent(renderLeft(e, 44100)), "after suspend and resume nothing sounds");
        midi.add(0, 0x90, 67, 100);
        midi.send(e);
        check(!silent(renderLeft(e, 4096)), "and a new note plays");
        call(e, effClose);
    }
}

} // namespace hosttest
