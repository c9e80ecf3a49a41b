#include "patch/patch.h"
#include "patch/preset_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace ostrel;

namespace {

std::uint32_t bigAt(const std::vector<unsigned char>& b, std::size_t offset)
{
    return (static_cast<std::uint32_t>(b[offset]) << 24) | (static_cast<std::uint32_t>(b[offset + 1]) << 16)
        | (static_cast<std::uint32_t>(b[offset + 2]) << 8) | static_cast<std::uint32_t>(b[offset + 3]);
}

void putBigAt(std::vector<unsigned char>& b, std::size_t offset, std::uint32_t v)
{
    b[offset] = static_cast<unsigned char>(v >> 24);
    b[offset + 1] = static_cast<unsigned char>(v >> 16);
    b[offset + 2] = static_cast<unsigned char>(v >> 8);
    b[offset + 3] = static_cast<unsigned char>(v);
}

std::string textAt(const std::vector<unsigned char>& b, std::size_t offset)
{
    return std::string(reinterpret_cast<const char*>(&b[offset]), 4);
}

std::vector<unsigned char> chunkOf(const Patch& patch)
{
    std::vector<unsigned char> bytes(static_cast<std::size_t>(patch.chunkSize()));
    patch.writeChunk(bytes.data());
    return bytes;
}

// A patch that differs from Init in several sub-chunks.
void edit(Patch& patch)
{
    patch.initPatch();
    patch.setName("Glass choir");
    patch.cutoff->value().set(4.25f);
    patch.oscWaveform[2]->value().set(39);
    patch.mixX[3]->value().set(-0.5f);
    patch.modRoute[0][5]->value().set(1);
    patch.chorusOn->value().set(1);
}

// A bank chunk of the given programs, laid out as the plug-in writes banks.
std::vector<unsigned char> bankOf(const std::vector<std::vector<unsigned char>>& chunks)
{
    std::vector<unsigned char> bank = {'O', 'R', 'B', 0};
    auto word = [&](std::uint32_t v) {
        for (int s = 0; s < 32; s += 8)
            bank.push_back(static_cast<unsigned char>(v >> s));
    };
    std::size_t total = 20;
    for (const auto& c : chunks)
        total += 32 + c.size();
    word(static_cast<std::uint32_t>(total));
    word(0);
    word(static_cast<std::uint32_t>(chunks.size()));
    word(0);
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        word(static_cast<std::uint32_t>(32 + chunks[i].size()));
        std::string name = "Program " + std::to_string(i);
        name.resize(28, '\0');
        bank.insert(bank.end(), name.begin(), name.end());
        bank.insert(bank.end(), chunks[i].begin(), chunks[i].end());
    }
    return bank;
}

class PresetFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        edit(patch);
        programFile = encodePresetFile(programPreset(patch));
        Patch init(nullptr);
        init.initPatch();
        bankChunk = bankOf({chunkOf(init), chunkOf(patch), chunkOf(init)});
        bankFile = encodePresetFile(bankPreset(bankChunk.data(), bankChunk.size()));
    }

    static PresetReadResult decode(const std::vector<unsigned char>& bytes)
    {
        // An exact-size copy, so a read past the end is a read past the allocation.
        std::vector<unsigned char> copy(bytes);
        return decodePresetFile(copy.empty() ? nullptr : copy.data(), copy.size());
    }

    Patch patch{nullptr};
    std::vector<unsigned char> programFile;
    std::vector<unsigned char> bankChunk;
    std::vector<unsigned char> bankFile;
};

} // namespace

TEST_F(PresetFiles, ProgramFileHeaderIsTheStandardOpaqueLayout)
{
    ASSERT_EQ(programFile.size(), kProgramFileHeaderSize + kProgramChunkSize);
    EXPECT_EQ(textAt(programFile, 0), "CcnK");
    EXPECT_EQ(bigAt(programFile, 4), programFile.size() - 8);
    EXPECT_EQ(textAt(programFile, 8), "FPCh");
    EXPECT_EQ(bigAt(programFile, 12), 1u);
    EXPECT_EQ(textAt(programFile, 16), "Xyzv");
    EXPECT_EQ(bigAt(programFile, 20), 1u);
    EXPECT_EQ(bigAt(programFile, 24), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&programFile[28]), "Glass choir");
    for (std::size_t i = 28 + 11; i < 56; ++i)
        EXPECT_EQ(programFile[i], 0) << "name padding at " << i;
    EXPECT_EQ(bigAt(programFile, 56), static_cast<std::uint32_t>(kProgramChunkSize));
    EXPECT_EQ(std::vector<unsigned char>(programFile.begin() + 60, programFile.end()), chunkOf(patch));
}

TEST_F(PresetFiles, BankFileHeaderIsTheStandardOpaqueLayout)
{
    ASSERT_EQ(bankFile.size(), 160u + bankChunk.size());
    EXPECT_EQ(textAt(bankFile, 0), "CcnK");
    EXPECT_EQ(bigAt(bankFile, 4), bankFile.size() - 8);
    EXPECT_EQ(textAt(bankFile, 8), "FBCh");
    EXPECT_EQ(bigAt(bankFile, 12), 1u);
    EXPECT_EQ(textAt(bankFile, 16), "Xyzv");
    EXPECT_EQ(bigAt(bankFile, 20), 1u);
    EXPECT_EQ(bigAt(bankFile, 24), 128u);
    for (std::size_t i = 28; i < 156; ++i)
        EXPECT_EQ(bankFile[i], 0) << "reserved byte " << i;
    EXPECT_EQ(bigAt(bankFile, 156), bankChunk.size());
}

TEST_F(PresetFiles, ProgramRoundTripRestoresThePatch)
{
    const auto read = decode(programFile);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.preset.kind, PresetKind::Program);
    EXPECT_EQ(read.preset.name, "Glass choir");
    EXPECT_EQ(read.preset.programCount, 1);
    EXPECT_EQ(read.preset.pluginVersion, 1);
    Patch loaded(nullptr);
    loaded.initPatch();
    loaded.readChunk(read.preset.chunk.data(), static_cast<std::int32_t>(read.preset.chunk.size()));
    EXPECT_EQ(chunkOf(loaded), chunkOf(patch));
    EXPECT_EQ(encodePresetFile(read.preset), programFile) << "re-encoding gives the same file";
}

TEST_F(PresetFiles, BankRoundTripKeepsTheBankChunk)
{
    const auto read = decode(bankFile);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.preset.kind, PresetKind::Bank);
    EXPECT_EQ(read.preset.programCount, 128);
    EXPECT_EQ(read.preset.chunk, bankChunk);
    EXPECT_EQ(encodePresetFile(read.preset), bankFile);
}

TEST_F(PresetFiles, FilesOnDiskRoundTripAndMissingFilesAreRefused)
{
    const auto dir = std::filesystem::temp_directory_path()
        / ("ostrel-preset-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    const std::string fxp = (dir / "one.fxp").string();
    const std::string fxb = (dir / "all.fxb").string();
    std::string error;
    ASSERT_TRUE(writePresetFile(fxp, programPreset(patch), &error)) << error;
    ASSERT_TRUE(writePresetFile(fxb, bankPreset(bankChunk.data(), bankChunk.size()), &error)) << error;
    const auto program = readPresetFile(fxp);
    const auto bank = readPresetFile(fxb);
    ASSERT_TRUE(program.ok) << program.error;
    ASSERT_TRUE(bank.ok) << bank.error;
    EXPECT_EQ(program.preset.chunk, chunkOf(patch));
    EXPECT_EQ(bank.preset.chunk, bankChunk);

    const auto missing = readPresetFile((dir / "absent.fxp").string());
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("absent.fxp"), std::string::npos);
    EXPECT_FALSE(writePresetFile((dir / "no-such-dir" / "x.fxp").string(), programPreset(patch), &error));
    EXPECT_FALSE(error.empty());
    std::filesystem::remove_all(dir);
}

TEST_F(PresetFiles, NamesAreCutToTheFieldAndReadUpToTheirTerminator)
{
    const auto longFile = encodePresetFile(programPreset(nullptr, 0, std::string(40, 'n')));
    EXPECT_EQ(longFile[28 + 26], 'n');
    EXPECT_EQ(longFile[28 + 27], 0) << "the name field keeps a terminator";

    // A name field without any terminator yields its 28 bytes and nothing more.
    auto unterminated = programFile;
    std::memset(&unterminated[28], 'x', 28);
    const auto read = decode(unterminated);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.preset.name, std::string(28, 'x'));
}

TEST_F(PresetFiles, EveryTruncationIsRefused)
{
    for (const auto* file : {&programFile, &bankFile}) {
        for (std::size_t n = 0; n < file->size(); ++n) {
            const auto read =
                decode(std::vector<unsigned char>(file->begin(), file->begin() + static_cast<std::ptrdiff_t>(n)));
            EXPECT_FALSE(read.ok) << "accepted " << n << " of " << file->size() << " bytes";
            EXPECT_FALSE(read.error.empty());
        }
    }
    EXPECT_FALSE(decodePresetFile(nullptr, 100).ok);
}

TEST_F(PresetFiles, ForeignAndHostileHeadersAreRefusedWithAReason)
{
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        const char* reason; // a part of the expected reason
    };
    const Case cases[] = {
        {"container magic", 0, 0x52494646u /* RIFF */, "CcnK"},
        {"parameter list program", 8, 0x4678436Bu /* FxCk */, "parameter values"},
        {"unknown kind", 8, 0x41424344u, "unknown preset file kind"},
        {"another plug-in", 16, 0x41626364u /* Abcd */, "another plug-in (id \"Abcd\")"},
        {"negative byte size", 4, 0x80000000u, "negative"},
        {"huge byte size", 4, 0x7FFFFFFFu, "cut short"},
        {"byte size below the header", 4, 20u, "too small"},
        {"format version 0", 12, 0u, "version"},
        {"format version 2 of a program", 12, 2u, "version"},
        {"negative chunk size", 56, 0xFFFFFFF0u, "negative"},
        {"chunk size past the end", 56, 877u, "past the end"},
        {"huge chunk size", 56, 0x7FFFFFFFu, "past the end"},
        {"empty chunk", 56, 0u, "does not hold a program"},
    };
    for (const auto& c : cases) {
        auto bytes = programFile;
        putBigAt(bytes, c.offset, c.value);
        const auto read = decode(bytes);
        EXPECT_FALSE(read.ok) << c.what;
        EXPECT_NE(read.error.find(c.reason), std::string::npos) << c.what << ": " << read.error;
    }

    // The chunk inside must be of the kind the file says.
    auto programHoldingBank = encodePresetFile(programPreset(bankChunk.data(), bankChunk.size(), "x"));
    EXPECT_FALSE(decode(programHoldingBank).ok);
    const auto program = chunkOf(patch);
    EXPECT_FALSE(decode(encodePresetFile(bankPreset(program.data(), program.size()))).ok);

    auto bankNegativeChunk = bankFile;
    putBigAt(bankNegativeChunk, 156, 0xFFFFFFFFu);
    EXPECT_FALSE(decode(bankNegativeChunk).ok);
}

TEST_F(PresetFiles, ToleratedVariations)
{
    // Version 2 bank files keep the current program in the reserved area; the chunk is the same.
    auto version2 = bankFile;
    putBigAt(version2, 12, 2);
    putBigAt(version2, 28, 5);
    const auto bank = decode(version2);
    ASSERT_TRUE(bank.ok) << bank.error;
    EXPECT_EQ(bank.preset.chunk, bankChunk);

    // Bytes after the declared size are not part of the file.
    auto trailing = programFile;
    trailing.insert(trailing.end(), 16, 0xEE);
    const auto program = decode(trailing);
    ASSERT_TRUE(program.ok) << program.error;
    EXPECT_EQ(program.preset.chunk, chunkOf(patch));

    // A program chunk shorter than the space the file declares is taken at its own size.
    auto shortChunk = programFile;
    putBigAt(shortChunk, 56, 100);
    const auto cut = decode(shortChunk);
    ASSERT_TRUE(cut.ok) << cut.error;
    EXPECT_EQ(cut.preset.chunk.size(), 100u);
}
