// The shipped default bank (resources/default_bank.bin, resource "XDAT" 119): its layout, the
// programs it installs, and that the plug-in keeps every one of them byte for byte.
#include "host/synth_plugin.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace ostrel;
using namespace vst;

namespace {

constexpr std::size_t kChunkSize = kProgramChunkSize;
constexpr std::size_t kEntrySize = kBankEntryHeaderSize + kProgramChunkSize;
constexpr std::size_t kDefaultPrograms = 16;

const char* const kNames[kDefaultPrograms] = {
    "Init 0",   "Sawpad1",  "Squarishpad", "Pad2",      "Voicespad",   "4osc pad",        "Fastchorus", "7th",
    "Wavevox2", "Widebass", "Thebells2",   "Rez riser", "Pulse sweep", "Dissonant sweep", "5thsweep",   "Drawbar"};

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::uint32_t wordAt(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::vector<unsigned char> readDefaultBank()
{
    const char* root = std::getenv("OSTREL_SOURCE_DIR");
    if (!root)
        return {};
    std::ifstream in(std::string(root) + "/resources/default_bank.bin", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DefaultBank : public ::testing::Test {
protected:
    void SetUp() override
    {
        bank = readDefaultBank();
        ASSERT_FALSE(bank.empty()) << "resources/default_bank.bin not found (OSTREL_SOURCE_DIR is set by ctest)";
        plugin = std::make_unique<SynthPlugin>(hostCallback, bank.data(), bank.size());
    }

    const unsigned char* entry(std::size_t i) const { return bank.data() + kBankHeaderSize + i * kEntrySize; }
    std::vector<unsigned char> entryChunk(std::size_t i) const
    {
        return {entry(i) + kBankEntryHeaderSize, entry(i) + kEntrySize};
    }
    std::vector<unsigned char> presetChunk()
    {
        void* data = nullptr;
        const VstInt32 size = plugin->getChunk(&data, true);
        const auto* bytes = static_cast<const unsigned char*>(data);
        return {bytes, bytes + size};
    }

    std::vector<unsigned char> bank;
    std::unique_ptr<SynthPlugin> plugin;
};

// Offset of a sub-chunk in a program chunk, or 0 when it is missing.
std::size_t subChunk(const std::vector<unsigned char>& chunk, std::uint32_t id)
{
    std::size_t p = 8;
    while (p + 8 <= chunk.size() && wordAt(&chunk[p]) != 0) {
        if (wordAt(&chunk[p]) == id)
            return p;
        p += 8 + wordAt(&chunk[p + 4]);
    }
    return 0;
}

} // namespace

TEST_F(DefaultBank, HeaderAndEntriesHaveTheShippedLayout)
{
    ASSERT_EQ(bank.size(), static_cast<std::size_t>(bankChunkSize(kDefaultPrograms)));
    EXPECT_EQ(std::memcmp(bank.data(), "ORB\0", 4), 0);
    EXPECT_EQ(wordAt(&bank[4]), bank.size());
    EXPECT_EQ(wordAt(&bank[8]), 0u);
    EXPECT_EQ(wordAt(&bank[12]), kDefaultPrograms);
    EXPECT_EQ(wordAt(&bank[16]), 0u);
    for (std::size_t i = 0; i < kDefaultPrograms; ++i) {
        SCOPED_TRACE(kNames[i]);
        EXPECT_EQ(wordAt(entry(i)), kEntrySize);
        // The name field is the name, zero-padded to 28 bytes.
        const auto* name = reinterpret_cast<const char*>(entry(i) + 4);
        EXPECT_STREQ(name, kNames[i]);
        for (std::size_t b = std::strlen(kNames[i]); b < 28; ++b)
            EXPECT_EQ(name[b], 0) << "name byte " << b;
        const auto chunk = entryChunk(i);
        EXPECT_EQ(std::memcmp(chunk.data(), "ORP\0", 4), 0);
        EXPECT_EQ(wordAt(&chunk[kChunkSize - 4]), 0u) << "end marker";
        // The filter with its mode and the name with the output settings, both version 1.
        const std::size_t filter = subChunk(chunk, 3);
        const std::size_t output = subChunk(chunk, 8);
        ASSERT_NE(filter, 0u);
        ASSERT_NE(output, 0u);
        EXPECT_EQ(wordAt(&chunk[filter + 4]), 24u);
        EXPECT_EQ(wordAt(&chunk[filter + 8]), 1u);
        EXPECT_EQ(wordAt(&chunk[output + 4]), 64u);
        EXPECT_EQ(wordAt(&chunk[output + 8]), 1u);
        EXPECT_STREQ(reinterpret_cast<const char*>(&chunk[output + 12]), kNames[i]) << "name inside the chunk";
    }
}

TEST_F(DefaultBank, InstallsSixteenNamedProgramsAndLeavesTheRestInit)
{
    char text[64];
    for (VstInt32 i = 0; i < SynthPlugin::kProgramCount; ++i) {
        ASSERT_TRUE(plugin->getProgramNameIndexed(0, i, text));
        const std::string expected = i < 16 ? kNames[i] : "Init " + std::to_string(i);
        EXPECT_EQ(std::string(text), expected) << "program " << i;
    }
    EXPECT_EQ(plugin->getProgram(), 0);
    EXPECT_EQ(plugin->patch().name(), "Init 0");
}

TEST_F(DefaultBank, InitZeroHoldsTheInitPatch)
{
    Patch init(nullptr);
    init.initPatch();
    init.setName("Init 0");
    std::vector<unsigned char> expected(kChunkSize);
    ASSERT_EQ(init.writeChunk(expected.data()), kProgramChunkSize);
    EXPECT_EQ(entryChunk(0), expected);
    EXPECT_EQ(presetChunk(), expected) << "program 0 as loaded";
}

TEST_F(DefaultBank, SawpadOneHoldsItsSettings)
{
    plugin->setProgram(1);
    Patch& p = plugin->patch();
    EXPECT_EQ(p.name(), "Sawpad1");
    const int waves[4] = {1, 1, 94, 94};
    const float fine[4] = {-0.8f, 10.9f, 0.0f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p.oscWaveform[i]->value().get(), waves[i]);
        EXPECT_EQ(p.oscTune[i]->value().get(), 0.0f);
        EXPECT_EQ(p.oscFinetune[i]->value().get(), fine[i]);
        EXPECT_EQ(p.mixTime[i]->value().get(), 10.0f);
    }
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(p.mixX[i]->value().get(), 0.0f);
        EXPECT_EQ(p.mixY[i]->value().get(), 0.0f);
    }
    EXPECT_EQ(p.mixLoop->value().get(), 0);
    EXPECT_EQ(p.mixRepeat->value().get(), 0);
    EXPECT_EQ(p.cutoff->value().get(), 6.33f);
    EXPECT_EQ(p.resonance->value().get(), 0.0f);
    EXPECT_EQ(p.filterEnvAmount->value().get(), 0.83f);
    EXPECT_EQ(p.filterMode->value().get(), 0);
    const float filterLevels[5] = {0.0f, 1.0f, 0.19f, 0.0f, 0.0f};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p.filterLevel[i]->value().get(), filterLevels[i]) << "filter level " << i;
    const float filterTimes[4] = {0.63f, 0.68f, 0.67f, 0.47f};
    const float ampLevels[4] = {0.0f, 1.0f, 1.0f, 1.0f};
    const float ampTimes[4] = {0.17f, 0.11f, 0.23f, 0.45f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p.filterTime[i]->value().get(), filterTimes[i]) << "filter time " << i;
        EXPECT_EQ(p.ampLevel[i]->value().get(), ampLevels[i]) << "amp level " << i;
        EXPECT_EQ(p.ampTime[i]->value().get(), ampTimes[i]) << "amp time " << i;
    }
    EXPECT_EQ(p.filterLoop->value().get(), 0);
    EXPECT_EQ(p.filterRepeat->value().get(), 0);
    EXPECT_EQ(p.ampLoop->value().get(), 0);
    EXPECT_EQ(p.ampRepeat->value().get(), 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(p.lfoWave[i]->value().get(), 0);
        EXPECT_EQ(p.lfoRate[i]->value().get(), 1.0f);
    }
    for (int r = 0; r < kModRows; ++r) {
        EXPECT_EQ(p.modAmount[r]->value().get(), r == 4 ? 0.233f : 0.0f) << "mod amount " << r;
        for (int c = 0; c < kModColumns; ++c) {
            if (auto* cell = p.modRoute[r][c]) {
                EXPECT_EQ(cell->value().get(), r == 4 && c == 4 ? 1 : 0) << "cell " << r << "," << c;
            }
        }
    }
    EXPECT_EQ(p.volume->value().get(), -6.0f);
    for (auto* pan : p.pan)
        EXPECT_EQ(pan->value().get(), 0.0f);
    EXPECT_EQ(p.chorusRate->value().get(), 0.34f);
    EXPECT_EQ(p.chorusDepth->value().get(), 0.4f);
    EXPECT_EQ(p.chorusOn->value().get(), 0);
}

TEST_F(DefaultBank, EveryProgramLoadsAndWritesBackUnchanged)
{
    for (std::size_t i = 0; i < kDefaultPrograms; ++i) {
        plugin->setProgram(static_cast<VstInt32>(i));
        EXPECT_EQ(presetChunk(), entryChunk(i)) << kNames[i];
    }
    // A bank taken from the plug-in carries the same 16 entries, whichever program is current.
    void* data = nullptr;
    const VstInt32 size = plugin->getChunk(&data, false);
    ASSERT_EQ(size, bankChunkSize(SynthPlugin::kProgramCount));
    const auto* bytes = static_cast<const unsigned char*>(data);
    EXPECT_EQ(std::memcmp(bytes + kBankHeaderSize, bank.data() + kBankHeaderSize, kDefaultPrograms * kEntrySize), 0);
}

TEST_F(DefaultBank, ProgramsAreDistinctAndWithinTheirFieldRanges)
{
    Patch init(nullptr);
    init.initPatch();
    std::vector<std::vector<unsigned char>> seen;
    for (std::size_t i = 0; i < kDefaultPrograms; ++i) {
        SCOPED_TRACE(kNames[i]);
        plugin->setProgram(static_cast<VstInt32>(i));
        Patch& p = plugin->patch();
        // Chunks carry int fields unchecked, so the shipped ones must be in range themselves.
        for (int k = 0; k < kOscCount; ++k) {
            EXPECT_GE(p.oscWaveform[k]->value().get(), 0);
            EXPECT_LT(p.oscWaveform[k]->value().get(), 96);
        }
        for (auto* loop : {p.mixLoop, p.filterLoop, p.ampLoop})
            EXPECT_TRUE(loop->value().get() >= 0 && loop->value().get() < kLoopModeCount);
        for (auto* repeat : {p.mixRepeat, p.filterRepeat, p.ampRepeat})
            EXPECT_TRUE(repeat->value().get() >= 0 && repeat->value().get() < kRepeatCount);
        EXPECT_TRUE(p.filterMode->value().get() >= 0 && p.filterMode->value().get() < kFilterModeCount);
        for (auto* wave : p.lfoWave)
            EXPECT_TRUE(wave->value().get() >= 0 && wave->value().get() < kLfoWaveCount);
        // No two programs sound the same, and only "Init 0" is the Init patch.
        p.setName("");
        auto chunk = presetChunk();
        for (const auto& other : seen)
            EXPECT_NE(chunk, other);
        seen.push_back(std::move(chunk));
    }
}
