// Host-level checks of what a keyboard player expects beyond notes: the sustain pedal
// (controller 64), all sound off (120) and reset controllers (121).
#include "host_support.h"
#include "suites.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

namespace hosttest {

namespace {

void send(AEffect* e, std::initializer_list<std::array<int, 3>> messages)
{
    MidiBlock midi;
    for (const auto& m : messages)
        midi.add(0, m[0], m[1], m[2]);
    midi.send(e);
}

void testSustainPedal(PluginLibrary& lib)
{
    AEffect* e = openInstance(lib, 44100.0f);
    if (!e)
        return;
    // Released with the pedal down, a note sounds on until the pedal goes up.
    send(e, {{0xB0, 64, 127}, {0x90, 60, 100}});
    renderLeft(e, 4410);
    send(e, {{0x80, 60, 0}});
    renderLeft(e, 44100);
    check(!silent(renderLeft(e, 4096)), "a note released with the pedal down still sounds a second later");
    send(e, {{0xB0, 64, 63}}); // below 64: up
    renderLeft(e, 22050);
    check(silent(renderLeft(e, 4096)), "and ends when the pedal goes up");
    // Without the pedal the same note ends at its note-off.
    send(e, {{0x90, 60, 100}});
    renderLeft(e, 4410);
    send(e, {{0x80, 60, 0}});
    renderLeft(e, 22050);
    check(silent(renderLeft(e, 4096)), "without the pedal a released note ends");
    // Played again while the pedal holds it, the note retriggers and is held again.
    send(e, {{0xB1, 64, 100}, {0x90, 62, 100}, {0x80, 62, 0}, {0x90, 62, 90}, {0x80, 62, 0}});
    renderLeft(e, 22050);
    check(!silent(renderLeft(e, 4096)), "a retriggered note is held by the pedal");
    send(e, {{0xB1, 64, 0}});
    renderLeft(e, 22050);
    check(silent(renderLeft(e, 4096)), "and released with it");
    call(e, effClose);
}

void testAllSoundOff(PluginLibrary& lib)
{
    // Controller 123 releases (the release is heard); 120 silences every voice at once.
    for (int controller : {123, 120}) {
        AEffect* e = openInstance(lib, 44100.0f);
        if (!e)
            return;
        e->setParameter(e, 49, 0.5f); // a release of about 0.3 s
        send(e, {{0x90, 60, 100}, {0x90, 64, 100}, {0xB0, 64, 127}, {0x90, 67, 100}, {0x80, 67, 0}});
        renderLeft(e, 8192);
        send(e, {{0xB0, controller, 0}});
        const std::vector<float> l = renderLeft(e, 512);
        const bool tailSilent = silent(std::vector<float>(l.begin() + 128, l.end()));
        if (controller == 120)
            check(tailSilent, "all sound off: every voice is silent within the block");
        else
            check(!tailSilent, "all notes off: the voices sound their release");
        call(e, effClose);
    }
}

void testResetControllers(PluginLibrary& lib)
{
    // Bend, wheel, pressure and pedal moved, then reset: the notes that follow sound exactly
    // as on an instance that never saw them, and not as on one that was not reset.
    AEffect* instances[3] = {openInstance(lib, 44100.0f), openInstance(lib, 44100.0f), openInstance(lib, 44100.0f)};
    std::vector<float> outputs[3];
    for (int k = 0; k < 3; ++k) {
        AEffect* e = instances[k];
        if (!e)
            return;
        e->setParameter(e, 0, 0.0f);  // a sine
        e->setParameter(e, 58, 1.0f); // pressure amount
        e->setParameter(e, 95, 1.0f); // pressure routed (Mod2-0)
        e->setParameter(e, 62, 1.0f); // wheel amount
        if (k < 2)
            send(e, {{0xE0, 0x7F, 0x7F}, {0xB0, 1, 127}, {0xD0, 127, 0}, {0xB0, 64, 127}});
        if (k == 0)
            send(e, {{0xB0, 121, 0}});
        send(e, {{0x90, 69, 100}});
        outputs[k] = renderLeft(e, 11025);
        send(e, {{0x80, 69, 0}});
        const std::vector<float> tail = renderLeft(e, 22050);
        outputs[k].insert(outputs[k].end(), tail.begin(), tail.end());
        call(e, effClose);
    }
    check(outputs[0] == outputs[2], "after reset controllers the notes sound as on an untouched instance");
    check(outputs[1] != outputs[2], "(without the reset they do not)");
    check(silent(std::vector<float>(outputs[0].end() - 4096, outputs[0].end())), "and the pedal no longer holds them");
}

} // namespace

void testKeyboardControllers(PluginLibrary& lib)
{
    testSustainPedal(lib);
    testAllSoundOff(lib);
    testResetControllers(lib);
}

} // namespace hosttest
