// Writing and reading program chunks. Both are made from the field lists of
// patch/program_chunk.h: the writer puts every written form in order, the reader recognises a
// form by its id, size and version. The reader accepts the sub-chunks in any order, skips what
// it does not know by its size, and never reads past the data it is given.
#include "patch/byte_stream.h"
#include "patch/patch.h"
#include "patch/program_chunk.h"

#include <cstring>

namespace ostrel {

namespace {

using namespace chunk;

class ChunkWriter {
public:
    ChunkWriter(const Patch& patch, ByteStream& stream) : patch_(patch), s_(stream) { }

    template <class T>
    void field(T* Patch::*member)
    {
        put(patch_.*member);
    }
    template <class T, std::size_t N>
    void field(std::array<T*, N> Patch::*member, int i)
    {
        put((patch_.*member)[static_cast<std::size_t>(i)]);
    }
    void route(int row, int column)
    {
        xIntParam* cell = patch_.modRoute[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
        s_.writeInt(cell ? cell->getValue() : 0);
    }
    void reserved() { s_.writeU32(0); }
    void name()
    {
        const std::string n = patch_.name();
        for (std::size_t i = 0; i < kPatchNameLength; ++i)
            s_.writeByte(i < n.size() ? static_cast<std::uint8_t>(n[i]) : 0);
    }
    template <class M, class V>
    void absent(M, V)
    { }

private:
    void put(xIntParam* p) { s_.writeInt(p->getValue()); }
    void put(xFloatParam* p) { s_.writeFloat(p->getValue()); }

    const Patch& patch_;
    ByteStream& s_;
};

// Sets each field through its value view, as read: no rounding, no clamping.
class ChunkReader {
public:
    ChunkReader(Patch& patch, ByteStream& stream) : patch_(patch), s_(stream) { }

    template <class T>
    void field(T* Patch::*member)
    {
        get(patch_.*member);
    }
    template <class T, std::size_t N>
    void field(std::array<T*, N> Patch::*member, int i)
    {
        get((patch_.*member)[static_cast<std::size_t>(i)]);
    }
    void route(int row, int column)
    {
        const std::int32_t v = s_.readInt();
        if (xIntParam* cell = patch_.modRoute[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)])
            cell->setValue(v);
    }
    void reserved() { s_.readU32(); }
    void name()
    {
        // The field holds up to 24 characters; a terminator ends the name earlier.
        char text[kPatchNameLength + 1] = {};
        for (std::size_t i = 0; i < kPatchNameLength; ++i)
            text[i] = static_cast<char>(s_.readByte());
        patch_.setName(text);
    }
    template <class T, class V>
    void absent(T* Patch::*member, V value)
    {
        (patch_.*member)->setValue(value);
    }

private:
    // A sub-chunk cut short by the end of the data is still read field by field: the stream
    // gives 0 for every read at or past the end (a word that would straddle it included), so
    // each field the data no longer holds is set to 0, or 0.0. Programs stored that way load
    // like this today and must go on doing so.
    void get(xIntParam* p) { p->setValue(s_.readInt()); }
    void get(xFloatParam* p) { p->setValue(s_.readFloat()); }

    Patch& patch_;
    ByteStream& s_;
};

template <class... Forms>
void writeForms(FormList<Forms...>, ChunkWriter& writer, ByteStream& s)
{
    ((s.writeU32(Forms::id), s.writeU32(subChunkSize<Forms>()), s.writeU32(Forms::version), Forms::fields(writer)),
     ...);
}

// Reads the payload of the form with this id, size and version; false when there is none.
template <class... Forms>
bool readForm(FormList<Forms...>, ChunkReader& reader, std::uint32_t id, std::uint32_t size, std::uint32_t version)
{
    return ((Forms::id == id && subChunkSize<Forms>() == size && Forms::version == version
                 ? (Forms::fields(reader), true)
                 : false)
            || ...);
}

} // namespace

std::int32_t Patch::writeChunk(unsigned char* destination) const
{
    ByteStream s(kProgramChunkSize);
    for (const unsigned char byte : kProgramChunkMagic)
        s.writeByte(byte);
    s.writeU32(0); // format word
    ChunkWriter writer(*this, s);
    writeForms(WrittenForms{}, writer, s);
    s.writeU32(kEnd);

    if (destination)
        std::memcpy(destination, s.data(), static_cast<std::size_t>(s.length()));
    return s.length();
}

void Patch::readChunk(const unsigned char* data, std::int32_t length)
{
    if (!data || length < 4 || !startsWithMagic(data, static_cast<std::size_t>(length), kProgramChunkMagic))
        return;
    ByteStream s(data, length);
    s.skip(4);
    s.readU32(); // format word

    ChunkReader reader(*this, s);
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
        // An unsupported form of a known sub-chunk is skipped by its size.
        if (!readForm(ReadForms{}, reader, id, size, version))
            s.skip(static_cast<std::int64_t>(size) - 4);
    }
}

} // namespace ostrel
