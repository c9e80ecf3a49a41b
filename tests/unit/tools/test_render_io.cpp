// The render tool's command line, WAV output and plug-in loading.
#include "patch/preset_file.h"
#include "tools/render/options.h"
#include "tools/render/plugin_host.h"
#include "tools/render/preset_loader.h"
#include "tools/render/render.h"
#include "tools/render/wav_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace ostrel::render;

namespace {

ParseStatus parseLine(std::vector<const char*> args, Options& o, std::string& error)
{
    return parseOptions(args, o, error);
}

std::string tempPath(const char* name)
{
    return ::testing::TempDir() + name;
}

} // namespace

TEST(RenderOptions, DefaultsAndValues)
{
    Options o;
    std::string error;
    ASSERT_EQ(parseLine({"--plugin", "p.so", "--demo"}, o, error), ParseStatus::Run) << error;
    EXPECT_EQ(o.sampleRate, 44100);
    EXPECT_EQ(o.blockSize, 512);
    EXPECT_DOUBLE_EQ(o.tailSeconds, 2.0);
    EXPECT_EQ(o.format, SampleFormat::Float32);
    EXPECT_EQ(o.outputPath(), "demo.wav");

    ASSERT_EQ(parseLine({"--midi", "songs/a.b/tune.mid", "--plugin=p.so", "--rate=48000", "--block", "8000", "--tail",
                         "0.25", "--format", "pcm24", "--program-name", "Init 3", "--bench", "--quiet"},
                        o, error),
              ParseStatus::Run)
        << error;
    EXPECT_EQ(o.sampleRate, 48000);
    EXPECT_EQ(o.blockSize, 8000);
    EXPECT_DOUBLE_EQ(o.tailSeconds, 0.25);
    EXPECT_EQ(o.format, SampleFormat::Pcm24);
    EXPECT_EQ(o.programName, "Init 3");
    EXPECT_TRUE(o.bench && o.quiet);
    EXPECT_EQ(o.outputPath(), "songs/a.b/tune.wav");
    o.midiFile = "dir.v2/noext";
    EXPECT_EQ(o.outputPath(), "dir.v2/noext.wav") << "a dot in a folder name is not an extension";

    EXPECT_EQ(parseLine({"--help"}, o, error), ParseStatus::Help);
}

TEST(RenderOptions, BadCommandLines)
{
    struct Case {
        std::vector<const char*> args;
        const char* needle;
    };
    const Case cases[] = {
        {{"--demo"}, "--plugin"},
        {{"--plugin", "p.so"}, "nothing to play"},
        {{"--plugin", "p.so", "--demo", "--midi", "a.mid"}, "exclude"},
        {{"--plugin", "p.so", "--demo", "--rate", "0"}, "--rate"},
        {{"--plugin", "p.so", "--demo", "--rate", "44100x"}, "--rate"},
        {{"--plugin", "p.so", "--demo", "--rate", "99999999999999999999"}, "--rate"},
        {{"--plugin", "p.so", "--demo", "--block", "8001"}, "--block"},
        {{"--plugin", "p.so", "--demo", "--block", "0"}, "--block"},
        {{"--plugin", "p.so", "--demo", "--tail", "-1"}, "--tail"},
        {{"--plugin", "p.so", "--demo", "--tail", "nan"}, "--tail"},
        {{"--plugin", "p.so", "--demo", "--tail", "inf"}, "--tail"},
        {{"--plugin", "p.so", "--demo", "--format", "wav"}, "--format"},
        {{"--plugin", "p.so", "--demo", "--program", "-1"}, "--program"},
        {{"--plugin", "p.so", "--demo", "--program", "2", "--program-name", "x"}, "one way"},
        {{"--plugin", "p.so", "--demo", "--out", ""}, "--out"},
        {{"--plugin", "p.so", "--demo", "--colour", "red"}, "unknown option"},
        {{"--plugin", "p.so", "--demo", "stray"}, "unexpected argument"},
        {{"--plugin", "p.so", "--demo=1"}, "takes no value"},
        {{"--plugin"}, "needs a value"},
    };
    for (const Case& c : cases) {
        Options o;
        std::string error;
        EXPECT_EQ(parseLine(c.args, o, error), ParseStatus::Error) << c.needle;
        EXPECT_NE(error.find(c.needle), std::string::npos) << error;
    }
    Options o;
    std::string error;
    EXPECT_EQ(parseLine({"--plugin", "p.so", "--demo", "--preset", "a.fxp", "--bank", "b.fxb"}, o, error),
              ParseStatus::Error);
    ASSERT_EQ(parseLine({"--plugin", "p.so", "--demo", "--bank", "b.fxb"}, o, error), ParseStatus::Run);
    EXPECT_FALSE(o.singleSound()) << "the demo walks through a loaded bank";
}

TEST(WavWriter, WritesAndMeasuresFloat)
{
    const std::string path = tempPath("ostrel_render_float.wav");
    std::string error;
    {
        WavWriter writer;
        ASSERT_TRUE(writer.open(path, 48000, SampleFormat::Float32, error)) << error;
        std::vector<float> left(1000, 0.5f), right(1000, -0.5f);
        right[10] = -1.25f; // float files keep values beyond full scale
        ASSERT_TRUE(writer.write(left.data(), right.data(), 1000, error)) << error;
        ASSERT_TRUE(writer.write(left.data(), right.data(), 500, error)) << error;
        ASSERT_TRUE(writer.close(error)) << error;
    }
    AudioStats stats;
    ASSERT_TRUE(measureWav(path, stats, error)) << error;
    EXPECT_EQ(stats.frames, 1500);
    EXPECT_EQ(stats.sampleRate, 48000);
    EXPECT_EQ(stats.channels, 2);
    EXPECT_DOUBLE_EQ(stats.peak, 1.25);
    EXPECT_NEAR(stats.rms, 0.5, 0.001);
    std::remove(path.c_str());
}

TEST(WavWriter, Pcm24ClipsInsteadOfWrapping)
{
    const std::string path = tempPath("ostrel_render_pcm24.wav");
    std::string error;
    WavWriter writer;
    ASSERT_TRUE(writer.open(path, 44100, SampleFormat::Pcm24, error)) << error;
    std::vector<float> left = {0.0f, 1.5f, -3.0f, 0.25f}, right = {0.0f, 0.0f, 0.0f, 0.0f};
    ASSERT_TRUE(writer.write(left.data(), right.data(), 4, error)) << error;
    ASSERT_TRUE(writer.close(error)) << error;
    AudioStats stats;
    ASSERT_TRUE(measureWav(path, stats, error)) << error;
    EXPECT_EQ(stats.frames, 4);
    EXPECT_LE(stats.peak, 1.0);
    EXPECT_GT(stats.peak, 0.99);
    std::remove(path.c_str());
}

TEST(WavWriter, ErrorsAndDecibels)
{
    std::string error;
    WavWriter writer;
    EXPECT_FALSE(writer.open("/nonexistent-folder/x.wav", 44100, SampleFormat::Float32, error));
    EXPECT_NE(error.find("/nonexistent-folder/x.wav"), std::string::npos) << error;
    AudioStats stats;
    EXPECT_FALSE(measureWav("/nonexistent-folder/x.wav", stats, error));

    EXPECT_EQ(formatDecibels(0.0), "-inf");
    EXPECT_EQ(formatDecibels(-1.0), "-inf");
    EXPECT_EQ(formatDecibels(1.0), "0.00");
    EXPECT_EQ(formatDecibels(0.5), "-6.02");
}

TEST(PluginHost, RefusesWhatIsNotAPlugin)
{
    std::string error;
    EXPECT_EQ(PluginHost::load("/nonexistent/ostrel.so", error), nullptr);
    EXPECT_NE(error.find("cannot load"), std::string::npos) << error;

    // A shared library that is no plug-in: the C math library exports neither entry.
    error.clear();
    EXPECT_EQ(PluginHost::load("libm.so.6", error), nullptr);
    EXPECT_NE(error.find("neither"), std::string::npos) << error;
}

TEST(PluginHost, DrivesTheBuiltPlugin)
{
    const char* binary = std::getenv("OSTREL_BINARY_DIR");
    if (!binary)
        GTEST_SKIP() << "OSTREL_BINARY_DIR not set (run through ctest)";
    std::string error;
    auto host = PluginHost::load(std::string(binary) + "/plugin/ostrel.so", error);
    if (!host)
        GTEST_SKIP() << error;
    host->open(44100.0, 256);
    EXPECT_EQ(host->effectName(), "Ostrel");
    ASSERT_GE(host->numPrograms(), 16);
    host->setProgram(5);
    EXPECT_EQ(host->program(), 5);
    EXPECT_EQ(host->findProgram(host->programName(5)), 5);
    EXPECT_EQ(host->findProgram("no such program name"), -1);
    EXPECT_EQ(host->programName(host->numPrograms()), "") << "refused index gives no name";
    host->resume();
    std::vector<float> left(256, 9.0f), right(256, 9.0f);
    host->process(left.data(), right.data(), 256);
    for (std::size_t i = 0; i < left.size(); ++i)
        ASSERT_EQ(left[i], 0.0f) << "no notes, silence at " << i;
    EXPECT_GT(host->processTime().count(), 0);
}

namespace {

std::string builtPlugin()
{
    const char* binary = std::getenv("OSTREL_BINARY_DIR");
    return binary ? std::string(binary) + "/plugin/ostrel.so" : std::string();
}

} // namespace

TEST(PresetFileRender, ProgramAndBankFilesReachThePlugin)
{
    const std::string plugin = builtPlugin();
    std::string error;
    auto source = plugin.empty() ? nullptr : PluginHost::load(plugin, error);
    if (!source)
        GTEST_SKIP() << "built plug-in not available (run through ctest) " << error;
    source->open(44100.0, 512);
    source->setProgram(7);
    const std::string name = source->programName(7);
    const std::vector<std::uint8_t> program = source->getChunk(true);
    const std::vector<std::uint8_t> bank = source->getChunk(false);
    ASSERT_FALSE(program.empty());
    ASSERT_GT(bank.size(), program.size());
    source.reset();

    const std::string fxp = tempPath("ostrel_render_program.fxp");
    const std::string fxb = tempPath("ostrel_render_bank.fxb");
    ASSERT_TRUE(ostrel::writePresetFile(fxp, ostrel::programPreset(program.data(), program.size(), name)));
    ASSERT_TRUE(ostrel::writePresetFile(fxb, ostrel::bankPreset(bank.data(), bank.size())));

    std::vector<std::uint8_t> chunk;
    ASSERT_TRUE(loadPresetChunk(fxp, true, chunk, error)) << error;
    EXPECT_EQ(chunk, program);
    ASSERT_TRUE(loadPresetChunk(fxb, false, chunk, error)) << error;
    EXPECT_EQ(chunk, bank);
    EXPECT_FALSE(loadPresetChunk(fxp, false, chunk, error));
    EXPECT_NE(error.find("--preset"), std::string::npos) << error;
    EXPECT_FALSE(loadPresetChunk(fxb, true, chunk, error));
    EXPECT_NE(error.find("--bank"), std::string::npos) << error;
    EXPECT_FALSE(loadPresetChunk(plugin, true, chunk, error)) << "a file that is no preset";
    EXPECT_TRUE(chunk.empty());

    // The program file's chunk makes the current program of a fresh plug-in that sound.
    auto target = PluginHost::load(plugin, error);
    ASSERT_NE(target, nullptr) << error;
    target->open(44100.0, 512);
    ASSERT_TRUE(loadPresetChunk(fxp, true, chunk, error)) << error;
    target->setChunk(chunk, true);
    EXPECT_EQ(target->program(), 0);
    EXPECT_EQ(target->currentProgramName(), name);
    target.reset();

    // Whole renders: the demo phrase once with the program file, and the demo of the bank.
    Options o;
    o.plugin = plugin;
    o.demo = true;
    o.quiet = true;
    o.sampleRate = 8000;
    o.tailSeconds = 0.5;
    o.presetFile = fxp;
    o.outFile = tempPath("ostrel_render_preset.wav");
    ASSERT_EQ(runRender(o), 0);
    AudioStats stats;
    ASSERT_TRUE(measureWav(o.outFile, stats, error)) << error;
    EXPECT_EQ(stats.frames, 8000 * 4) << "one phrase of 3.5 s and the tail";
    EXPECT_GT(stats.peak, 0.0) << "the phrase is heard";
    o.presetFile.clear();
    o.bankFile = fxb;
    ASSERT_EQ(runRender(o), 0);
    ASSERT_TRUE(measureWav(o.outFile, stats, error)) << error;
    EXPECT_EQ(stats.frames, 8000 * 56 + 4000) << "sixteen phrases and the tail";
    o.bankFile = fxp;
    EXPECT_EQ(runRender(o), 1) << "a program file given as bank";
    std::remove(o.outFile.c_str());
    std::remove(fxp.c_str());
    std::remove(fxb.c_str());
}
