#include "engine/voice_engine.h"

#include "engine/snapshot.h"

#include <algorithm>

namespace ostrel {

VoiceEngine::VoiceEngine(int hostSampleRate, const WaveBank& bank)
    : hostRate(std::max(hostSampleRate, 1)),
      lfo1(2 * hostRate, &random),
      lfo2(2 * hostRate, &random),
      chorusLeft(2 * hostRate, random),
      chorusRight(2 * hostRate, random),
      internalLeft(static_cast<std::size_t>(kInternalBufferSize), 0.0f),
      internalRight(static_cast<std::size_t>(kInternalBufferSize), 0.0f)
{
    const auto rate = static_cast<std::uint32_t>(internalRate());
    for (auto& v : voices)
        v = std::make_unique<Voice>(rate, params, mod, &filterDither, bank, &noiseSeed);
    for (int i = 0; i < kInitialVoices; ++i)
        pushFrontReleased(i);
    chorusLeft.setBaseDelay(0.008f);
    chorusRight.setBaseDelay(0.008f);
    chorusLeft.setPhaseOffset(0.0);
    chorusRight.setPhaseOffset(0.25);
}

void VoiceEngine::snapshotParameters(Patch& patch)
{
    setVoiceCount(ostrel::snapshotParameters(patch, params, mod));
}

// ---- lists -----------------------------------------------------------------------------------

int VoiceEngine::indexOf(const Voice& v) const noexcept
{
    for (int i = 0; i < kMaxVoices; ++i) {
        if (voices[static_cast<std::size_t>(i)].get() == &v)
            return i;
    }
    return -1;
}

void VoiceEngine::removeFromLists(int index) noexcept
{
    const auto remove = [index](std::array<int, kMaxVoices>& list, int& length) {
        const auto end = std::remove(list.begin(), list.begin() + length, index);
        length = static_cast<int>(end - list.begin());
    };
    remove(held, heldLength);
    remove(released, releasedLength);
}

void VoiceEngine::pushFrontHeld(int index) noexcept
{
    std::copy_backward(held.begin(), held.begin() + heldLength, held.begin() + heldLength + 1);
    held[0] = index;
    ++heldLength;
}

void VoiceEngine::pushFrontReleased(int index) noexcept
{
    std::copy_backward(released.begin(), released.begin() + releasedLength, released.begin() + releasedLength + 1);
    released[0] = index;
    ++releasedLength;
}

void VoiceEngine::moveToReleased(Voice& v) noexcept
{
    const int index = indexOf(v);
    if (index < 0)
        return;
    removeFromLists(index);
    pushFrontReleased(index);
}

// ---- notes -----------------------------------------------------------------------------------

void VoiceEngine::releaseVoice(int index) noexcept
{
    Voice& v = voice(index);
    sustained[static_cast<std::size_t>(index)] = false;
    v.release();
    moveToReleased(v);
}

void VoiceEngine::setPedal(bool down) noexcept
{
    pedalDown = down;
    if (down)
        return;
    for (int i = 0; i < activeVoices; ++i) {
        if (sustained[static_cast<std::size_t>(i)])
            releaseVoice(i);
    }
}

Voice& VoiceEngine::allocateVoice(int note) noexcept
{
    int chosen = -1;
    // The voice already playing the note restarts it, without a steal.
    for (int i = 0; i < activeVoices && chosen < 0; ++i) {
        if (voice(i).note() == note && voice(i).state() != Voice::Idle)
            chosen = i;
    }
    // The idle voice released longest ago.
    for (int k = releasedLength - 1; k >= 0 && chosen < 0; --k) {
        if (voice(released[static_cast<std::size_t>(k)]).state() == Voice::Idle)
            chosen = released[static_cast<std::size_t>(k)];
    }
    // No voice is free: the one released longest ago, else the oldest held one, fades out.
    if (chosen < 0) {
        if (releasedLength > 0)
            chosen = released[static_cast<std::size_t>(releasedLength - 1)];
        else
            chosen = held[static_cast<std::size_t>(heldLength - 1)];
        voice(chosen).steal();
    }
    removeFromLists(chosen);
    pushFrontHeld(chosen);
    return voice(chosen);
}

void VoiceEngine::applyEvent(const NoteEvent& e) noexcept
{
    switch (e.type) {
    case NoteEvent::kPitchBend:
        // +-8192 is +-1/6 octave: a bend range of two semitones.
        mod.pitchBend = static_cast<float>(static_cast<double>(e.value) / 49152.0);
        return;
    case NoteEvent::kModWheel: wheel = static_cast<float>(static_cast<double>(e.value) / 127.0); return;
    case NoteEvent::kAftertouch: pressure = static_cast<float>(static_cast<double>(e.value) / 127.0); return;
    case NoteEvent::kSustain: setPedal(e.value >= 64); return;
    case NoteEvent::kAllSoundOff:
        for (int i = 0; i < activeVoices; ++i) {
            if (voice(i).state() != Voice::Idle) {
                sustained[static_cast<std::size_t>(i)] = false;
                voice(i).stop();
                moveToReleased(voice(i));
            }
        }
        return;
    case NoteEvent::kResetControllers:
        mod.pitchBend = 0.0f;
        wheel = 0.0f;
        pressure = 0.0f;
        setPedal(false);
        return;
    case NoteEvent::kNote: break;
    default: return;
    }
    if (e.value == NoteEvent::kAllNotesOff) {
        for (int i = 0; i < activeVoices; ++i) {
            if (voice(i).state() == Voice::Held)
                releaseVoice(i);
        }
        mod.pitchBend = 0.0f;
        wheel = 0.0f;
        pressure = 0.0f;
        return;
    }
    if (e.value < 0 || e.value > 127)
        return;
    if (e.velocity > 0) {
        Voice& v = allocateVoice(e.value);
        sustained[static_cast<std::size_t>(indexOf(v))] = false;
        v.startNote(e.value, std::min(e.velocity, 127));
        lastStarted.store(&v, std::memory_order_relaxed);
        return;
    }
    for (int i = 0; i < activeVoices; ++i) {
        if (voice(i).note() == e.value && voice(i).state() != Voice::Idle) {
            if (pedalDown && voice(i).state() == Voice::Held)
                sustained[static_cast<std::size_t>(i)] = true;
            else
                releaseVoice(i);
            return;
        }
    }
}

void VoiceEngine::setVoiceCount(int n) noexcept
{
    n = std::clamp(n, 1, kMaxVoices);
    if (n < activeVoices) {
        for (int i = n; i < activeVoices; ++i) {
            sustained[static_cast<std::size_t>(i)] = false;
            voice(i).stop();
            removeFromLists(i);
        }
    } else if (n > activeVoices) {
        for (int i = activeVoices; i < n; ++i) {
            voice(i).stop();
            pushFrontReleased(i);
        }
    }
    activeVoices = n;
}

} // namespace ostrel
