#pragma once

#include "patch/chunk_format.h"
#include "patch/patch.h"

#include <cstdint>

// The sub-chunks of a program chunk, each described once as the list of its fields in order.
// The writer, the reader and the sizes written into the chunk are all made from these lists
// (patch_chunk.cpp), so the two directions cannot disagree.
//
// A field list is a template over a visitor F that offers:
//   f.field(&Patch::member)          one parameter (32-bit int or float, by its kind)
//   f.field(&Patch::member, i)       element i of a parameter array
//   f.route(row, column)             a modulation cell; a cell that does not exist is written
//                                    as 0, and its value is read and dropped
//   f.reserved()                     a 32-bit word written as 0, read and dropped
//   f.name()                         the name: 24 bytes, zero-padded
//   f.absent(&Patch::member, value)  a field this form does not carry (older forms): takes
//                                    no bytes; reading the form sets the field to value
namespace ostrel::chunk {

enum SubChunkId : std::uint32_t {
    kEnd = 0, // end marker: a sub-chunk id of 0
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

struct Oscillators {
    static constexpr std::uint32_t id = kOscillators, version = 0;
    template <class F>
    static constexpr void fields(F& f)
    {
        for (int i = 0; i < kOscCount; ++i) {
            f.field(&Patch::oscWaveform, i);
            f.field(&Patch::oscTune, i);
            f.field(&Patch::oscFinetune, i);
        }
    }
};

struct Mix {
    static constexpr std::uint32_t id = kMix, version = 0;
    template <class F>
    static constexpr void fields(F& f)
    {
        for (int i = 0; i < kMixPointCount; ++i) {
            f.field(&Patch::mixX, i);
            f.field(&Patch::mixY, i);
        }
        for (int i = 0; i < kMixTimeCount; ++i)
            f.field(&Patch::mixTime, i);
        f.field(&Patch::mixLoop);
        f.field(&Patch::mixRepeat);
    }
};

struct Filter {
    static constexpr std::uint32_t id = kFilter, version = 1;
    template <class F>
    static constexpr void fields(F& f)
    {
        f.field(&Patch::cutoff);
        f.field(&Patch::resonance);
        f.field(&Patch::filterEnvAmount);
        f.field(&Patch::filterMode);
        f.reserved();
    }
};

// The older filter form, read only: without the mode, which it resets.
struct FilterWithoutMode {
    static constexpr std::uint32_t id = kFilter, version = 0;
    template <class F>
    static constexpr void fields(F& f)
    {
        f.field(&Patch::cutoff);
        f.field(&Patch::resonance);
        f.field(&Patch::filterEnvAmount);
        f.absent(&Patch::filterMode, 0);
    }
};

struct FilterEnvelope {
    static constexpr std::uint32_t id = kFilterEnvelope, version = 0;
    template <class F>
    static constexpr void fields(F& f)
    {
        for (int i = 0; i < kFilterLevelCount; ++i)
            f.field(&Patch::filterLevel, i);
        for (int i = 0; i < kFilterTimeCount; ++i)
            f.field(&Patch::filterTime, i);
        f.field(&Patch::filterLoop);
        f.field(&Patch::filterRepeat);
    }
};

struct AmpEnvelope {
    static constexpr std::uint32_t id = kAmpEnvelope, version = 0;
    template <class F>
    static constexpr void fields(F& f)
    {
        for (int i = 0; i < kAmpLevelCount; ++i)
            f.field(&Patch::ampLevel, i);
        f.reserved(); // the place of a fifth level
        for (int i = 0; i < kAmpTimeCount; ++i)
            f.field(&Patch::ampTime, i);
        f.field(&Patch::ampLoop);
        f.field(&Patch::ampRepeat);
    }
};

struct Lfos {
    static constexpr std::uint32_t id = kLfos, version = 0;
    template <class F>
    static constexpr void fields(F& f)
    {
        for (int i = 0; i < kLfoCount; ++i) {
            f.field(&Patch::lfoWave, i);
            f.field(&Patch::lfoRate, i);
        }
    }
};

struct Modulation {
    static constexpr std::uint32_t id = kModulation, version = 0;
    template <class F>
    static constexpr void fields(F& f)
    {
        for (int i = 0; i < kModRows; ++i)
            f.field(&Patch::modAmount, i);
        for (int row = 0; row < kModRows; ++row) {
            for (int column = 0; column < kModColumns; ++column)
                f.route(row, column);
        }
    }
};

struct NameAndOutput {
    static constexpr std::uint32_t id = kNameAndOutput, version = 1;
    template <class F>
    static constexpr void fields(F& f)
    {
        f.name();
        f.field(&Patch::volume);
        for (int i = 0; i < kPanCount; ++i)
            f.field(&Patch::pan, i);
    }
};

// The older output form, read only: without the name, which it leaves as it is.
struct OutputWithoutName {
    static constexpr std::uint32_t id = kNameAndOutput, version = 0;
    template <class F>
    static constexpr void fields(F& f)
    {
        f.field(&Patch::volume);
        for (int i = 0; i < kPanCount; ++i)
            f.field(&Patch::pan, i);
    }
};

struct Chorus {
    static constexpr std::uint32_t id = kChorus, version = 0;
    template <class F>
    static constexpr void fields(F& f)
    {
        f.field(&Patch::chorusRate);
        f.field(&Patch::chorusDepth);
        f.field(&Patch::chorusOn);
    }
};

// Counts the bytes of a field list.
struct PayloadSizer {
    std::uint32_t bytes = 0;
    template <class M>
    constexpr void field(M)
    {
        bytes += 4;
    }
    template <class M>
    constexpr void field(M, int)
    {
        bytes += 4;
    }
    constexpr void route(int, int) { bytes += 4; }
    constexpr void reserved() { bytes += 4; }
    constexpr void name() { bytes += static_cast<std::uint32_t>(kPatchNameLength); }
    template <class M, class V>
    constexpr void absent(M, V)
    { }
};

// The size word of a sub-chunk: the bytes after it, the version word and the payload.
template <class Form>
constexpr std::uint32_t subChunkSize()
{
    PayloadSizer sizer;
    Form::fields(sizer);
    return 4 + sizer.bytes;
}

// The forms the writer uses, in the order it writes them.
template <class... Forms>
struct FormList { };
using WrittenForms =
    FormList<Oscillators, Mix, Filter, FilterEnvelope, AmpEnvelope, Lfos, Modulation, NameAndOutput, Chorus>;
// Every form the reader accepts.
using ReadForms = FormList<Oscillators, Mix, Filter, FilterWithoutMode, FilterEnvelope, AmpEnvelope, Lfos, Modulation,
                           NameAndOutput, OutputWithoutName, Chorus>;

template <class... Forms>
constexpr std::int32_t writtenChunkSize(FormList<Forms...>)
{
    // Magic and format word, each sub-chunk with its id and size words, the end marker.
    return static_cast<std::int32_t>(8 + ((8 + subChunkSize<Forms>()) + ...) + 4);
}

static_assert(writtenChunkSize(WrittenForms{}) == kProgramChunkSize,
              "the program chunk's field lists and its recorded size disagree");

} // namespace ostrel::chunk
