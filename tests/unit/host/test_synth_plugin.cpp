#include "host/platform.h"
#include "host/synth_plugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <unistd.h>
#include <vector>

using namespace ostrel;
using namespace vst;

namespace {

struct HostLog {
    std::vector<std::pair<VstInt32, float>> automation;
    int wantMidi = 0;
};
HostLog* gLog = nullptr;

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt)
{
    if (!gLog)
        return 0;
    if (opcode == audioMasterAutomate)
        gLog->automation.emplace_back(index, opt);
    if (opcode == audioMasterWantMidi && value == 1)
        ++gLog->wantMidi;
    return opcode == audioMasterVersion ? 2400 : 0;
}

class PluginObject : public ::testing::Test {
protected:
    void SetUp() override
    {
        gLog = &log;
        plugin = new SynthPlugin(hostCallback);
        effect = plugin->getAeffect();
        log.automation.clear();
    }
    void TearDown() override
    {
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); // deletes the plug-in
        gLog = nullptr;
    }
    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    std::string text(VstInt32 opcode, VstInt32 index)
    {
        char buffer[256];
        std::memset(buffer, 'Z', sizeof buffer);
        call(opcode, index, 0, buffer);
        EXPECT_NE(std::memchr(buffer, 0, 64), nullptr) << "text not terminated within 64 bytes";
        EXPECT_EQ(buffer[64], 'Z') << "wrote past 64 bytes";
        return buffer;
    }

    HostLog log;
    SynthPlugin* plugin = nullptr;
    AEffect* effect = nullptr;
};

} // namespace

TEST_F(PluginObject, RecordFieldsAsAnnounced)
{
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->numPrograms, 128);
    EXPECT_EQ(effect->numParams, 129);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags & 0x130, 0x130);
    EXPECT_EQ(effect->flags & (effFlagsHasVu | effFlagsHasClip), 0);
    EXPECT_EQ(effect->uniqueID, 0x58797A76);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->object, plugin);
}

TEST_F(PluginObject, DispatcherFixedAnswers)
{
    EXPECT_EQ(call(effGetVu), 0);
    EXPECT_EQ(call(effIdentify), 0x4E764566);
    EXPECT_EQ(call(effGetVstVersion), 2300);
    EXPECT_EQ(call(effGetPlugCategory), 2);
    EXPECT_EQ(call(effGetVendorVersion), 1000);
    EXPECT_EQ(call(effCanBeAutomated, 5), 1);
    EXPECT_EQ(call(effGetNumProgramCategories), 1);
    EXPECT_EQ(call(effConnectInput), 1);
    EXPECT_EQ(call(effConnectOutput), 1);
    EXPECT_EQ(call(effKeysRequired), 1);
    EXPECT_EQ(call(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(call(effSetTotalSampleToProcess, 0, 777), 777);
    EXPECT_EQ(call(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    EXPECT_EQ(call(effEditGetRect), 0);
    EXPECT_EQ(call(effEditOpen), 0);
    EXPECT_EQ(call(9999), 0);
    EXPECT_EQ(call(-3), 0);
    void* a = &a;
    void* b = &b;
    EXPECT_EQ(call(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&a), &b), 0);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
}

TEST_F(PluginObject, NamesAndCapabilities)
{
    EXPECT_EQ(text(effGetEffectName, 0), "Ostrel");
    EXPECT_EQ(text(effGetProductString, 0), "Ostrel");
    EXPECT_FALSE(text(effGetVendorString, 0).empty());
    char receive[] = "receiveVstEvents";
    char midi[] = "receiveVstMidiEvent";
    char other[] = "sendVstEvents";
    char empty[] = "";
    EXPECT_EQ(call(effCanDo, 0, 0, receive), 1);
    EXPECT_EQ(call(effCanDo, 0, 0, midi), 1);
    EXPECT_EQ(call(effCanDo, 0, 0, other), -1);
    EXPECT_EQ(call(effCanDo, 0, 0, empty), -1);
    EXPECT_EQ(call(effCanDo, 0, 0, nullptr), -1);

    VstPinProperties pin{};
    EXPECT_EQ(call(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Ostrel 2");
    EXPECT_EQ(pin.flags, 3);
    EXPECT_EQ(call(effGetOutputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(call(effGetOutputProperties, -1, 0, &pin), 0);
    EXPECT_EQ(call(effGetOutputProperties, 0, 0, nullptr), 0);
}

TEST_F(PluginObject, ProgramsStartAsInitCopiesAndKeepEdits)
{
    EXPECT_EQ(call(effGetProgram), 0);
    EXPECT_EQ(text(effGetProgramName, 0), "Init 0");
    char name[64];
    EXPECT_EQ(call(effGetProgramNameIndexed, 127, 0, name), 1);
    EXPECT_STREQ(name, "Init 127");
    std::strcpy(name, "untouched");
    EXPECT_EQ(call(effGetProgramNameIndexed, 128, 0, name), 0);
    EXPECT_EQ(call(effGetProgramNameIndexed, -1, 0, name), 0);
    EXPECT_STREQ(name, "untouched");

    effect->setParameter(effect, 28, 0.2f); // cutoff of program 0
    call(effSetProgram, 0, 5);
    EXPECT_EQ(call(effGetProgram), 5);
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 28), 0.7f);
    call(effSetProgram, 0, 0);
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 28), 0.2f);

    call(effSetProgram, 0, 128);
    call(effSetProgram, 0, -1);
    EXPECT_EQ(call(effGetProgram), 0);
}

TEST_F(PluginObject, RenamingCutsAtTwentyFour)
{
    char longName[] = "A very long program name that goes on";
    call(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(text(effGetProgramName, 0), "A very long program name");
    call(effSetProgram, 0, 3);
    call(effSetProgram, 0, 0);
    EXPECT_EQ(text(effGetProgramName, 0), "A very long program name");
    call(effSetProgramName, 0, 0, nullptr);
    EXPECT_EQ(plugin->programName(0), "A very long program name");
}

TEST_F(PluginObject, ParametersClampIgnoreNaNAndEchoAutomation)
{
    effect->setParameter(effect, 63, 5.0f);
    EXPECT_EQ(effect->getParameter(effect, 63), 1.0f);
    effect->setParameter(effect, 63, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(effect->getParameter(effect, 63), 0.0f);
    effect->setParameter(effect, 28, 0.5f);
    log.automation.clear();
    effect->setParameter(effect, 28, std::nanf(""));
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 28), 0.5f);
    EXPECT_TRUE(log.automation.empty());
    effect->setParameter(effect, 28, 0.25f);
    ASSERT_EQ(log.automation.size(), 1u);
    EXPECT_EQ(log.automation[0].first, 28);
    EXPECT_FLOAT_EQ(log.automation[0].second, 0.25f);

    for (VstInt32 index : {128, 129, -1, 100000}) {
        effect->setParameter(effect, index, 0.5f);
        EXPECT_EQ(effect->getParameter(effect, index), 0.0f);
        EXPECT_EQ(text(effGetParamName, index), "");
        EXPECT_EQ(text(effGetParamLabel, index), "");
        EXPECT_EQ(text(effGetParamDisplay, index), "");
    }
    EXPECT_EQ(text(effGetParamName, 63), "Volume");
    EXPECT_EQ(text(effGetParamLabel, 63), "dB");
    EXPECT_EQ(text(effGetParamDisplay, 63), "-oo");
    call(effGetParamName, 0, 0, nullptr); // no buffer: nothing happens
}

TEST_F(PluginObject, ProgramChangeReportsTheWrittenParameters)
{
    call(effSetProgram, 0, 9);
    std::vector<int> seen(129, 0);
    for (auto& [index, value] : log.automation) {
        ASSERT_GE(index, 0);
        ASSERT_LT(index, 128);
        ++seen[static_cast<std::size_t>(index)];
    }
    for (int i = 0; i < 128; ++i)
        EXPECT_GE(seen[static_cast<std::size_t>(i)], 1) << i;
}

TEST_F(PluginObject, ResumeAsksForMidi)
{
    call(effMainsChanged, 0, 1);
    call(effMainsChanged, 0, 0);
    call(effMainsChanged, 0, 1);
    EXPECT_EQ(log.wantMidi, 2);
}

TEST_F(PluginObject, PresetChunkLoadsIntoTheCurrentProgramAndRenamesIt)
{
    plugin->patch().setName("Loaded preset");
    effect->setParameter(effect, 30, 0.4f);
    void* data = nullptr;
    const VstIntPtr size = call(effGetChunk, 1, 0, &data);
    ASSERT_EQ(size, kProgramChunkSize);
    std::vector<unsigned char> preset(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);

    call(effSetProgram, 0, 6);
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 30), 0.0f);
    EXPECT_EQ(call(effSetChunk, 1, size, preset.data()), 1);
    EXPECT_EQ(plugin->programName(6), "Loaded preset");
    EXPECT_EQ(text(effGetProgramName, 0), "Loaded preset");
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 30), 0.4f);
    // A program chunk given as "bank" is still recognised by its magic.
    call(effSetProgram, 0, 7);
    EXPECT_EQ(call(effSetChunk, 0, size, preset.data()), 1);
    EXPECT_EQ(plugin->programName(7), "Loaded preset");
}

TEST_F(PluginObject, BankChunkHoldsAllProgramsAndInstallsThem)
{
    effect->setParameter(effect, 29, 0.5f);
    void* data = nullptr;
    const VstIntPtr size = call(effGetChunk, 0, 0, &data);
    ASSERT_EQ(size, bankChunkSize(128));
    std::vector<unsigned char> bank(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    EXPECT_EQ(std::memcmp(bank.data(), "ORB", 4), 0);

    effect->setParameter(effect, 29, 0.0f);
    char renamed[] = "Changed";
    call(effSetProgram, 0, 2);
    call(effSetProgramName, 0, 0, renamed);
    EXPECT_EQ(call(effSetChunk, 0, size, bank.data()), 1);
    EXPECT_EQ(call(effGetProgram), 0);
    EXPECT_EQ(plugin->programName(2), "Init 2");
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 29), 0.5f);
}

TEST_F(PluginObject, CutBankInstallsOnlyCompleteEntries)
{
    void* data = nullptr;
    const VstIntPtr size = call(effGetChunk, 0, 0, &data);
    std::vector<unsigned char> bank(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    // Rename every entry in the bank copy, then cut it in the middle of entry 3.
    constexpr int kEntry = kBankEntryHeaderSize + kProgramChunkSize;
    for (int i = 0; i < 128; ++i) {
        char* name = reinterpret_cast<char*>(bank.data() + kBankHeaderSize + i * kEntry + 4);
        std::snprintf(name, kBankEntryNameField, "Bank %d", i);
    }
    bank.resize(kBankHeaderSize + 3 * kEntry + 500);
    call(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data());
    EXPECT_EQ(plugin->programName(0), "Bank 0");
    EXPECT_EQ(plugin->programName(2), "Bank 2");
    EXPECT_EQ(plugin->programName(3), "Init 3");
    EXPECT_EQ(plugin->programName(127), "Init 127");
}

TEST_F(PluginObject, HostileBanksAreBounded)
{
    std::vector<unsigned char> bank = {'O', 'R', 'B', 0, 0, 0, 0, 0, 0, 0, 0, 0};
    auto put = [&](std::uint32_t v) {
        for (int s = 0; s < 32; s += 8)
            bank.push_back(static_cast<unsigned char>(v >> s));
    };
    put(0x7FFFFFFF); // absurd count
    put(0xFFFFFF00); // current program out of range
    put(31);         // entry too small: ends the walk
    EXPECT_EQ(call(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data()), 1);
    EXPECT_EQ(call(effGetProgram), 0);
    EXPECT_EQ(plugin->programName(0), "Init 0");

    // Unknown data and empty data are ignored, still answered with 1.
    unsigned char junk[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(call(effSetChunk, 0, 8, junk), 1);
    EXPECT_EQ(call(effSetChunk, 0, 0, nullptr), 1);
    EXPECT_EQ(call(effSetChunk, 0, -5, junk), 1);
    EXPECT_EQ(call(effGetChunk, 0, 0, nullptr), 0);
}

TEST_F(PluginObject, OversizedEntryChunksAreCopiedOnlyUpToTheBuffer)
{
    // A bank of one entry, whose chunk is a valid program followed by 4000 bytes of padding,
    // naming program 1 as current so that program 0 stays as stored.
    effect->setParameter(effect, 29, 0.5f);
    void* data = nullptr;
    const VstIntPtr size = call(effGetChunk, 1, 0, &data);
    std::vector<unsigned char> program(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    program.resize(program.size() + 4000, 0xAB);
    std::vector<unsigned char> bank = {'O', 'R', 'B', 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    const auto entrySize = static_cast<std::uint32_t>(kBankEntryHeaderSize + program.size());
    for (int s = 0; s < 32; s += 8)
        bank.push_back(static_cast<unsigned char>(entrySize >> s));
    const char name[kBankEntryNameField] = "Padded";
    bank.insert(bank.end(), name, name + kBankEntryNameField);
    bank.insert(bank.end(), program.begin(), program.end());
    EXPECT_EQ(call(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data()), 1);
    EXPECT_EQ(plugin->programName(0), "Padded");
    EXPECT_EQ(call(effGetProgram), 1);

    // The bank written back carries the stored entry cut to the program buffer.
    void* again = nullptr;
    const VstIntPtr written = call(effGetChunk, 0, 0, &again);
    ASSERT_EQ(written, bankChunkSize(128) + kProgramCapacity - kProgramChunkSize);
    const auto* entry = static_cast<const unsigned char*>(again) + kBankHeaderSize;
    EXPECT_EQ(entry[0] | entry[1] << 8 | entry[2] << 16 | entry[3] << 24, kBankEntryHeaderSize + kProgramCapacity);
    EXPECT_EQ(std::memcmp(entry + kBankEntryHeaderSize, program.data(), kProgramCapacity), 0);

    // And the program inside the padding loads.
    call(effSetProgram, 0, 0);
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 29), 0.5f);
}

namespace {

struct Dialogs {
    static inline platform::Answer answer = platform::Answer::Cancel;
    static inline std::vector<std::pair<std::string, std::string>> shown;
    static platform::Answer handler(const char* text, const char* caption, platform::BoxKind kind)
    {
        shown.emplace_back(text, caption);
        return kind == platform::BoxKind::OkCancel ? answer : platform::Answer::Ok;
    }
};

class BankSave : public PluginObject {
protected:
    void SetUp() override
    {
        PluginObject::SetUp();
        Dialogs::shown.clear();
        platform::setMessageBoxHandler(Dialogs::handler);
        dir = std::filesystem::temp_directory_path() / ("ostrel-bank-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        ::setenv("HOME", dir.c_str(), 1);
    }
    void TearDown() override
    {
        ::setenv("HOME", oldHome.c_str(), 1);
        platform::setMessageBoxHandler(nullptr);
        std::filesystem::remove_all(dir);
        PluginObject::TearDown();
    }
    std::filesystem::path dir;
    std::string oldHome;
};

} // namespace

TEST_F(BankSave, CancelWritesNothing)
{
    Dialogs::answer = platform::Answer::Cancel;
    plugin->debugParam().value().set(1);
    ASSERT_EQ(Dialogs::shown.size(), 1u);
    EXPECT_EQ(Dialogs::shown[0].first, "Save bank to " + (dir / "ostrel.bnk").string() + "?");
    EXPECT_EQ(Dialogs::shown[0].second, "Save bank");
    EXPECT_FALSE(std::filesystem::exists(dir / "ostrel.bnk"));
}

TEST_F(BankSave, OkWritesTheWholeBankThatLoadsBack)
{
    Dialogs::answer = platform::Answer::Ok;
    effect->setParameter(effect, 30, 0.6f);
    char name[] = "Saved one";
    call(effSetProgramName, 0, 0, name);
    plugin->debugParam().value().set(1); // the toggle from the editor's button
    const auto path = dir / "ostrel.bnk";
    ASSERT_TRUE(std::filesystem::exists(path));
    std::vector<unsigned char> bytes(static_cast<std::size_t>(bankChunkSize(128)));
    EXPECT_EQ(std::filesystem::file_size(path), bytes.size());

    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    effect->setParameter(effect, 30, 0.0f);
    call(effSetChunk, 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 30), 0.6f);
    EXPECT_EQ(plugin->programName(0), "Saved one");
}

TEST_F(BankSave, UnopenableFileIsReportedAndNothingIsWritten)
{
    Dialogs::answer = platform::Answer::Ok;
    ::setenv("HOME", (dir / "missing" / "deeper").c_str(), 1);
    EXPECT_FALSE(plugin->saveBankCommand());
    ASSERT_EQ(Dialogs::shown.size(), 2u);
    EXPECT_NE(Dialogs::shown[1].first.find("Couldn't open"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}
