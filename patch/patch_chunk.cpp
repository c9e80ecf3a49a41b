// The program chunk: a magic, a format word, tagged sub-chunks (id, size, version, payload)
// and an end marker. The reader accepts the current and the older sub-chunk forms in any
// order, skips what it does not know by its size, and never reads past the data it is given.
#include "patch/byte_stream.h"
#include "patch/patch.h"

#include <cstring>

namespace ostrel {

namespace {

constexpr std::int32_t kChunkCapacity = 4096;

enum SubChunk : std::uint32_t {
    kEnd = 0,
    kOscillators = 1,
    kMix = 2,
    kFilter = 3,
    kFilterEnvelope = 4,
    kAmpEnvelope = 5,
    kLfos = 6,
    kModulation = 7,
    kNameAndOutput = 8,
    kChorus = 9,
};

void beginSubChunk(ByteStream& s, std::uint32_t id, std::uint32_t size, std::uint32_t version)
{
    s.writeU32(id);
    s.writeU32(size);
    s.writeU32(version);
}

} // namespace

std::int32_t Patch::writeChunk(unsigned char* destination) const
{
    ByteStream s(kChunkCapacity);
    s.writeByte('O');
    s.writeByte('R');
    s.writeByte('P');
    s.writeByte(0);
    s.writeU32(0);

    beginSubChunk(s, kOscillators, 52, 0);
    for (int i = 0; i < kOscCount; ++i) {
        s.writeInt(oscWaveform[i]->getValue());
        s.writeFloat(oscTune[i]->getValue());
        s.writeFloat(oscFinetune[i]->getValue());
    }

    beginSubChunk(s, kMix, 68, 0);
    for (int i = 0; i < kMixPointCount; ++i) {
        s.writeFloat(mixX[i]->getValue());
        s.writeFloat(mixY[i]->getValue());
    }
    for (auto* t : mixTime)
        s.writeFloat(t->getValue());
    s.writeInt(mixLoop->getValue());
    s.writeInt(mixRepeat->getValue());

    beginSubChunk(s, kFilter, 24, 1);
    s.writeFloat(cutoff->getValue());
    s.writeFloat(resonance->getValue());
    s.writeFloat(filterEnvAmount->getValue());
    s.writeInt(filterMode->getValue());
    s.writeU32(0);

    beginSubChunk(s, kFilterEnvelope, 48, 0);
    for (auto* l : filterLevel)
        s.writeFloat(l->getValue());
    for (auto* t : filterTime)
        s.writeFloat(t->getValue());
    s.writeInt(filterLoop->getValue());
    s.writeInt(filterRepeat->getValue());

    beginSubChunk(s, kAmpEnvelope, 48, 0);
    for (auto* l : ampLevel)
        s.writeFloat(l->getValue());
    s.writeFloat(0.0f); // room for a fifth level
    for (auto* t : ampTime)
        s.writeFloat(t->getValue());
    s.writeInt(ampLoop->getValue());
    s.writeInt(ampRepeat->getValue());

    beginSubChunk(s, kLfos, 20, 0);
    for (int i = 0; i < kLfoCount; ++i) {
        s.writeInt(lfoWave[i]->getValue());
        s.writeFloat(lfoRate[i]->getValue());
    }

    beginSubChunk(s, kModulation, 452, 0);
    for (auto* a : modAmount)
        s.writeFloat(a->getValue());
    for (const auto& row : modRoute) {
        for (auto* cell : row)
            s.writeInt(cell ? cell->getValue() : 0);
    }

    beginSubChunk(s, kNameAndOutput, 64, 1);
    const std::string n = name();
    for (std::size_t i = 0; i < kPatchNameLength; ++i)
        s.writeByte(i < n.size() ? static_cast<std::uint8_t>(n[i]) : 0);
    s.writeFloat(volume->getValue());
    for (auto* p : pan)
        s.writeFloat(p->getValue());

    beginSubChunk(s, kChorus, 16, 0);
    s.writeFloat(chorusRate->getValue());
    s.writeFloat(chorusDepth->getValue());
    s.writeInt(chorusOn->getValue());

    s.writeU32(kEnd);

    if (destination)
        std::memcpy(destination, s.data(), static_cast<std::size_t>(s.length()));
    return s.length();
}

void Patch::readChunk(const unsigned char* data, std::int32_t length)
{
    if (!data || length < 4)
        return;
    ByteStream s(data, length);
    if (s.readByte() != 'O' || s.readByte() != 'R' || s.readByte() != 'P' || s.readByte() != 0)
        return;
    s.readU32(); // format word

    while (s.position() < s.length()) {
        const std::uint32_t id = s.readU32();
        if (id == kEnd)
            break;
        const std::uint32_t size = s.readU32();
        if (id > kChorus) {
            s.skip(size);
            continue;
        }
        const std::uint32_t version = s.readU32();
        auto is = [&](std::uint32_t sz, std::uint32_t v) { return size == sz && version == v; };

        if (id == kOscillators && is(52, 0)) {
            for (int i = 0; i < kOscCount; ++i) {
                oscWaveform[i]->setValue(s.readInt());
                oscTune[i]->setValue(s.readFloat());
                oscFinetune[i]->setValue(s.readFloat());
            }
        } else if (id == kMix && is(68, 0)) {
            for (int i = 0; i < kMixPointCount; ++i) {
                mixX[i]->setValue(s.readFloat());
                mixY[i]->setValue(s.readFloat());
            }
            for (auto* t : mixTime)
                t->setValue(s.readFloat());
            mixLoop->setValue(s.readInt());
            mixRepeat->setValue(s.readInt());
        } else if (id == kFilter && (is(24, 1) || is(16, 0))) {
            cutoff->setValue(s.readFloat());
            resonance->setValue(s.readFloat());
            filterEnvAmount->setValue(s.readFloat());
            if (version == 1) {
                filterMode->setValue(s.readInt());
                s.readU32(); // reserved
            } else {
                filterMode->setValue(0);
            }
        } else if (id == kFilterEnvelope && is(48, 0)) {
            for (auto* l : filterLevel)
                l->setValue(s.readFloat());
            for (auto* t : filterTime)
                t->setValue(s.readFloat());
            filterLoop->setValue(s.readInt());
            filterRepeat->setValue(s.readInt());
        } else if (id == kAmpEnvelope && is(48, 0)) {
            for (auto* l : ampLevel)
                l->setValue(s.readFloat());
            s.readFloat(); // room for a fifth level
            for (auto* t : ampTime)
                t->setValue(s.readFloat());
            ampLoop->setValue(s.readInt());
            ampRepeat->setValue(s.readInt());
        } else if (id == kLfos && is(20, 0)) {
            for (int i = 0; i < kLfoCount; ++i) {
                lfoWave[i]->setValue(s.readInt());
                lfoRate[i]->setValue(s.readFloat());
            }
        } else if (id == kModulation && is(452, 0)) {
            for (auto* a : modAmount)
                a->setValue(s.readFloat());
            for (auto& row : modRoute) {
                for (auto* cell : row) {
                    const std::int32_t v = s.readInt();
                    if (cell)
                        cell->setValue(v);
                }
            }
        } else if (id == kNameAndOutput && (is(64, 1) || is(40, 0))) {
            if (version == 1) {
                // The name field holds up to 24 characters; a terminator ends it earlier.
                char text[kPatchNameLength + 1] = {};
                for (std::size_t i = 0; i < kPatchNameLength; ++i)
                    text[i] = static_cast<char>(s.readByte());
                setName(text);
            }
            volume->setValue(s.readFloat());
            for (auto* p : pan)
                p->setValue(s.readFloat());
        } else if (id == kChorus && is(16, 0)) {
            chorusRate->setValue(s.readFloat());
            chorusDepth->setValue(s.readFloat());
            chorusOn->setValue(s.readInt());
        } else {
            // An unsupported form of a known sub-chunk: skip its payload by its size.
            s.skip(static_cast<std::int64_t>(size) - 4);
        }
    }
}

} // namespace ostrel
