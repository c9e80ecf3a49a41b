#include "patch/byte_stream.h"
#include "patch/patch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace ostrel;

namespace {

std::vector<unsigned char> chunkOf(const Patch& patch)
{
    std::vector<unsigned char> bytes(static_cast<std::size_t>(patch.chunkSize()));
    patch.writeChunk(bytes.data());
    return bytes;
}

std::uint32_t wordAt(const std::vector<unsigned char>& b, std::size_t offset)
{
    return static_cast<std::uint32_t>(b[offset]) | (static_cast<std::uint32_t>(b[offset + 1]) << 8)
        | (static_cast<std::uint32_t>(b[offset + 2]) << 16) | (static_cast<std::uint32_t>(b[offset + 3]) << 24);
}

void putWord(std::vector<unsigned char>& b, std::uint32_t v)
{
    for (int s = 0; s < 32; s += 8)
        b.push_back(static_cast<unsigned char>(v >> s));
}

void putFloat(std::vector<unsigned char>& b, float f)
{
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    putWord(b, v);
}

std::vector<unsigned char> header()
{
    return {'O', 'R', 'P', 0, 0, 0, 0, 0};
}

// Offset of the sub-chunk with the given id in a chunk written by writeChunk.
std::size_t offsetOf(const std::vector<unsigned char>& b, std::uint32_t id)
{
    std::size_t p = 8;
    while (p + 8 <= b.size()) {
        if (wordAt(b, p) == id)
            return p;
        p += 8 + wordAt(b, p + 4);
    }
    return 0;
}

} // namespace

TEST(ProgramChunk, InitChunkLayout)
{
    Patch patch(nullptr);
    patch.initPatch();
    const auto b = chunkOf(patch);
    // The documented sizes, stated here once; every other test uses the named constants.
    static_assert(kProgramChunkSize == 876);
    static_assert(bankChunkSize(128) == 116244);
    ASSERT_EQ(b.size(), 876u);
    EXPECT_EQ(b[0], 'O');
    EXPECT_EQ(b[1], 'R');
    EXPECT_EQ(b[2], 'P');
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(wordAt(b, 4), 0u);
    EXPECT_EQ(wordAt(b, 8), 1u);
    EXPECT_EQ(wordAt(b, 12), 52u);
    EXPECT_EQ(wordAt(b, 16), 0u);
    EXPECT_EQ(wordAt(b, 872), 0u);
    // Sub-chunks in order 1..9 with their sizes and versions.
    const std::uint32_t sizes[9] = {52, 68, 24, 48, 48, 20, 452, 64, 16};
    const std::uint32_t versions[9] = {0, 0, 1, 0, 0, 0, 0, 1, 0};
    std::size_t p = 8;
    for (std::uint32_t id = 1; id <= 9; ++id) {
        EXPECT_EQ(wordAt(b, p), id);
        EXPECT_EQ(wordAt(b, p + 4), sizes[id - 1]);
        EXPECT_EQ(wordAt(b, p + 8), versions[id - 1]);
        p += 8 + sizes[id - 1];
    }
    EXPECT_EQ(p, 872u);
}

TEST(ProgramChunk, RoundTripRestoresEveryField)
{
    Patch a(nullptr);
    a.initPatch();
    a.oscWaveform[2]->value().set(56);
    a.oscFinetune[1]->value().set(10.9f);
    a.mixY[4]->value().set(-0.75f);
    a.filterMode->value().set(9);
    a.filterLevel[4]->value().set(0.3f);
    a.ampTime[2]->value().set(0.23f);
    a.lfoWave[1]->value().set(5);
    a.modAmount[3]->value().set(-0.5f);
    a.modRoute[2][14]->value().set(1);
    a.pan[7]->value().set(0.5f);
    a.chorusOn->value().set(1);
    a.setName("A name of 24 characters!");
    const auto bytes = chunkOf(a);

    Patch b(nullptr);
    b.initPatch();
    b.readChunk(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(chunkOf(b), bytes);
    EXPECT_EQ(b.name(), "A name of 24 characters!");
    EXPECT_EQ(b.filterMode->value().get(), 9);
}

TEST(ProgramChunk, WrongMagicChangesNothing)
{
    Patch patch(nullptr);
    patch.initPatch();
    auto bytes = chunkOf(patch);
    patch.cutoff->value().set(3.0f);
    bytes[2] = 'B';
    patch.readChunk(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(patch.cutoff->value().get(), 3.0f);
}

TEST(ProgramChunk, OlderFilterFormResetsTheMode)
{
    Patch patch(nullptr);
    patch.initPatch();
    patch.filterMode->value().set(7);
    auto b = header();
    putWord(b, 3);
    putWord(b, 16);
    putWord(b, 0);
    putFloat(b, 4.5f);
    putFloat(b, 0.25f);
    putFloat(b, 2.0f);
    putWord(b, 0);
    patch.readChunk(b.data(), static_cast<std::int32_t>(b.size()));
    EXPECT_EQ(patch.cutoff->value().get(), 4.5f);
    EXPECT_EQ(patch.resonance->value().get(), 0.25f);
    EXPECT_EQ(patch.filterEnvAmount->value().get(), 2.0f);
    EXPECT_EQ(patch.filterMode->value().get(), 0);
}

TEST(ProgramChunk, OlderOutputFormKeepsTheName)
{
    Patch patch(nullptr);
    patch.initPatch();
    patch.setName("Keep me");
    auto b = header();
    putWord(b, 8);
    putWord(b, 40);
    putWord(b, 0);
    putFloat(b, -12.0f);
    for (int i = 0; i < 8; ++i)
        putFloat(b, 0.125f * static_cast<float>(i));
    putWord(b, 0);
    patch.readChunk(b.data(), static_cast<std::int32_t>(b.size()));
    EXPECT_EQ(patch.name(), "Keep me");
    EXPECT_EQ(patch.volume->value().get(), -12.0f);
    EXPECT_EQ(patch.pan[7]->value().get(), 0.875f);
}

TEST(ProgramChunk, UnknownIdsAndUnsupportedFormsAreSkippedBySize)
{
    Patch source(nullptr);
    source.initPatch();
    source.cutoff->value().set(2.5f);
    source.chorusDepth->value().set(0.9f);
    auto written = chunkOf(source);
    // An extra sub-chunk id 10 of size 12 ahead of sub-chunk 9, and a sub-chunk 4 of an
    // unknown version.
    const std::size_t at9 = offsetOf(written, 9);
    std::vector<unsigned char> extra;
    putWord(extra, 10);
    putWord(extra, 12);
    for (int i = 0; i < 12; ++i)
        extra.push_back(0xEE);
    written.insert(written.begin() + static_cast<std::ptrdiff_t>(at9), extra.begin(), extra.end());
    const std::size_t at4 = offsetOf(written, 4);
    written[at4 + 8] = 7; // version 7 of the filter envelope is unknown

    Patch target(nullptr);
    target.initPatch();
    target.filterLevel[1]->value().set(0.77f);
    target.readChunk(written.data(), static_cast<std::int32_t>(written.size()));
    EXPECT_EQ(target.cutoff->value().get(), 2.5f);
    EXPECT_EQ(target.chorusDepth->value().get(), 0.9f);
    EXPECT_EQ(target.filterLevel[1]->value().get(), 0.77f); // the skipped sub-chunk left it alone
}

TEST(ProgramChunk, ChunkCutAfterTheMixLeavesTheRestUnchanged)
{
    Patch source(nullptr);
    source.initPatch();
    source.oscWaveform[3]->value().set(12);
    source.mixX[1]->value().set(0.5f);
    source.cutoff->value().set(1.0f);
    auto bytes = chunkOf(source);
    bytes.resize(offsetOf(bytes, 3));

    Patch target(nullptr);
    target.initPatch();
    target.readChunk(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(target.oscWaveform[3]->value().get(), 12);
    EXPECT_EQ(target.mixX[1]->value().get(), 0.5f);
    EXPECT_EQ(target.cutoff->value().get(), 7.0f);
}

TEST(ProgramChunk, TruncatedSubChunkReadsZerosNotBeyondTheData)
{
    Patch source(nullptr);
    source.initPatch();
    source.chorusRate->value().set(3.0f);
    auto bytes = chunkOf(source);
    const std::size_t at9 = offsetOf(bytes, 9);
    // Keep the chorus header and its first float, and one stray byte of the second.
    std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at9 + 12 + 4 + 1));
    Patch target(nullptr);
    target.initPatch();
    target.chorusOn->value().set(1);
    target.readChunk(cut.data(), static_cast<std::int32_t>(cut.size()));
    EXPECT_EQ(target.chorusRate->value().get(), 3.0f);
    EXPECT_EQ(target.chorusDepth->value().get(), 0.0f);
    EXPECT_EQ(target.chorusOn->value().get(), 0);
}

TEST(ProgramChunk, HostileSizesNeitherHangNorReadOutside)
{
    Patch patch(nullptr);
    patch.initPatch();
    // A size that would step backwards, a huge one, and a known id with size 0.
    for (std::uint32_t size : {0xFFFFFFF0u, 0x7FFFFFFFu, 0u, 3u}) {
        for (std::uint32_t id : {2u, 10u, 0xFFFFFFFFu}) {
            auto b = header();
            putWord(b, id);
            putWord(b, size);
            putWord(b, 0);
            putWord(b, id);
            putWord(b, size);
            patch.readChunk(b.data(), static_cast<std::int32_t>(b.size()));
        }
    }
    patch.readChunk(nullptr, 100);
    patch.readChunk(header().data(), -5);
    EXPECT_EQ(patch.cutoff->value().get(), 7.0f);
}

TEST(ByteStream, ReadsPastTheEndGiveZeroAndKeepThePosition)
{
    const unsigned char data[6] = {1, 0, 0, 0, 9, 9};
    ByteStream s(data, 6);
    EXPECT_EQ(s.readU32(), 1u);
    EXPECT_EQ(s.readU32(), 0u);
    EXPECT_EQ(s.position(), 4);
    EXPECT_EQ(s.readByte(), 9);
    s.skip(-100);
    EXPECT_EQ(s.position(), 5);
    s.skip(1000);
    EXPECT_EQ(s.position(), 6);
    EXPECT_EQ(s.readByte(), 0);

    ByteStream w(3);
    w.writeU32(0x01020304u);
    EXPECT_TRUE(w.overflowed());
    EXPECT_EQ(w.length(), 3);
}
