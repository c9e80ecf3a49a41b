#include "patch/patch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ostrel;

namespace {

struct RecordingSink final : AutomationSink {
    std::vector<std::pair<int, float>> reports;
    std::vector<std::string> gestures;
    void setParameterAutomated(std::int32_t index, float value) override { reports.emplace_back(index, value); }
    void gestureBegan(std::int32_t index) override { gestures.push_back("begin " + std::to_string(index)); }
    void gestureEnded(std::int32_t index) override { gestures.push_back("end " + std::to_string(index)); }
};

// The host's view of the parameters, written out independently of the construction code.
std::vector<std::pair<std::string, std::string>> expectedNamesAndLabels()
{
    std::vector<std::pair<std::string, std::string>> t;
    for (int i = 0; i < 4; ++i) {
        t.emplace_back("Waveform", "");
        t.emplace_back("Tune", "Semitone");
        t.emplace_back("Finetune", "Cents");
    }
    for (int i = 0; i < 4; ++i)
        t.emplace_back("Time", "ms");
    for (int i = 0; i < 5; ++i) {
        t.emplace_back("X", "");
        t.emplace_back("Y", "");
    }
    t.emplace_back("MixLoop", "");
    t.emplace_back("MixRepeat", "");
    t.emplace_back("Cutoff", "");
    t.emplace_back("Resonance", "");
    t.emplace_back("Flt Env Amt", "");
    t.emplace_back("Level 0", "");
    for (int i = 1; i <= 4; ++i) {
        t.emplace_back("Time", "");
        t.emplace_back("Level " + std::to_string(i), "");
    }
    t.emplace_back("FilterLoop", "");
    t.emplace_back("FilterRepeat", "");
    for (int i = 0; i < 4; ++i) {
        t.emplace_back("Level", "");
        t.emplace_back("Time", "");
    }
    t.emplace_back("AmpLoop", "");
    t.emplace_back("AmpRepeat", "");
    for (int i = 0; i < 2; ++i) {
        t.emplace_back("LFO Rate", "Hz");
        t.emplace_back("LFO Wave", "");
    }
    for (int i = 0; i < 7; ++i)
        t.emplace_back("ModAmount " + std::to_string(i), "");
    t.emplace_back("Volume", "dB");
    t.emplace_back("Chorus rate", "Hz");
    t.emplace_back("Chorus depth", "");
    t.emplace_back("Chorus on", "");
    for (int i = 0; i < 8; ++i)
        t.emplace_back("Pan" + std::to_string(i), "");
    const char* rows[7] = {"ooooooo  oo o  ", "ooooooooo   o  ", "ooooooooooooooo", "    ooo    oo  ",
                           "    ooo     o  ", "oooo        o  ", "        o o   o"};
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 15; ++c)
            if (rows[r][c] == 'o')
                t.emplace_back("Mod" + std::to_string(r) + "-" + std::to_string(c), "");
    t.emplace_back("FilterMode", "");
    return t;
}

} // namespace

TEST(ParameterTable, NamesAndLabelsOfAllHostIndices)
{
    RecordingSink sink;
    Patch patch(&sink);
    const auto expected = expectedNamesAndLabels();
    ASSERT_EQ(expected.size(), 128u);
    ASSERT_EQ(patch.registry().count(), 128);
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(patch.registry().name(i), expected[static_cast<std::size_t>(i)].first) << "index " << i;
        EXPECT_EQ(patch.registry().label(i), expected[static_cast<std::size_t>(i)].second) << "index " << i;
    }
    EXPECT_EQ(patch.registry().name(75), "Mod0-0");
    EXPECT_EQ(patch.registry().name(84), "Mod0-12");
    EXPECT_EQ(patch.registry().name(124), "Mod6-8");
    EXPECT_EQ(patch.registry().name(126), "Mod6-14");
}

TEST(ParameterTable, IndicesWithoutParameterAreInert)
{
    RecordingSink sink;
    Patch patch(&sink);
    patch.initPatch();
    sink.reports.clear();
    for (int index : {128, 129, -1, -1000, 1 << 30}) {
        EXPECT_EQ(patch.registry().get(index), 0.0f);
        EXPECT_EQ(patch.registry().name(index), "");
        EXPECT_EQ(patch.registry().label(index), "");
        EXPECT_EQ(patch.registry().display(index), "");
        patch.registry().set(index, 0.5f);
    }
    EXPECT_TRUE(sink.reports.empty());
}

TEST(ParameterTable, HostValuesMapAndDisplayAsSpecified)
{
    RecordingSink sink;
    Patch patch(&sink);
    patch.initPatch();
    auto& r = patch.registry();
    auto setAndShow = [&](int index, float x) {
        r.set(index, x);
        return r.display(index);
    };
    EXPECT_EQ(setAndShow(0, 0.5f), "80 Nice"); // wave 48
    EXPECT_EQ(setAndShow(0, 1.0f), "127 Noise");
    EXPECT_EQ(setAndShow(28, 1.0f), "10.00");
    EXPECT_EQ(patch.cutoff->value().get(), 10.0f);
    EXPECT_EQ(setAndShow(63, 0.0f), "-oo");
    EXPECT_EQ(setAndShow(63, 1.0f / 60.0f), "-39");
    EXPECT_EQ(setAndShow(63, 1.0f), "20");
    EXPECT_EQ(setAndShow(52, 0.5f), "1.00");
    EXPECT_EQ(setAndShow(12, 0.5f), "316");
    EXPECT_EQ(patch.mixTime[0]->value().get(), 316.0f);
    EXPECT_EQ(setAndShow(42, 1.0f), "1");
    EXPECT_EQ(setAndShow(42, 0.25f), "0");
    EXPECT_EQ(patch.ampLevel[0]->value().get(), 0.25f); // the value keeps its decimals
    EXPECT_EQ(setAndShow(2, 0.5f + 0.013f / 100.0f), "0.0");
    EXPECT_EQ(setAndShow(66, 1.0f), "on");
    EXPECT_EQ(setAndShow(75, 0.4f), "off");
    EXPECT_EQ(setAndShow(127, 1.0f), "15");
    EXPECT_EQ(setAndShow(26, 0.5f), "3");
    EXPECT_EQ(setAndShow(16, 0.25f), "-0.500");
    EXPECT_EQ(setAndShow(64, 0.0f), "0.05");
}

TEST(Patch, InitPatchDefaults)
{
    RecordingSink sink;
    Patch patch(&sink);
    patch.initPatch();
    EXPECT_EQ(patch.oscWaveform[0]->value().get(), 1);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(patch.oscWaveform[i]->value().get(), 94);
    for (auto* t : patch.mixTime)
        EXPECT_EQ(t->value().get(), 10.0f);
    EXPECT_EQ(patch.ampTime[3]->value().get(), 0.1f);
    EXPECT_EQ(patch.ampLevel[0]->value().get(), 0.0f);
    EXPECT_EQ(patch.ampLevel[3]->value().get(), 1.0f);
    EXPECT_EQ(patch.cutoff->value().get(), 7.0f);
    EXPECT_EQ(patch.volume->value().get(), -6.0f);
    EXPECT_EQ(patch.lfoRate[1]->value().get(), 1.0f);
    EXPECT_EQ(patch.chorusRate->value().get(), 0.2f);
    EXPECT_EQ(patch.chorusDepth->value().get(), 0.5f);
    EXPECT_EQ(patch.polyphony->value().get(), 8.0f);
    int on = 0;
    for (auto& row : patch.modRoute)
        for (auto* cell : row)
            if (cell)
                on += cell->value().get();
    EXPECT_EQ(on, 1);
    EXPECT_EQ(patch.modRoute[6][8]->value().get(), 1);
    EXPECT_EQ(patch.modRoute[0][7], nullptr);
    EXPECT_EQ(patch.name(), "Init");
}

TEST(Patch, EveryChangeIsEchoedAsAutomation)
{
    RecordingSink sink;
    Patch patch(&sink);
    patch.initPatch();
    // Each of the 128 registered parameters was written at least once by the defaults.
    std::vector<int> seen(128, 0);
    for (auto& [index, value] : sink.reports)
        ++seen[static_cast<std::size_t>(index)];
    for (int i = 0; i < 128; ++i)
        EXPECT_GE(seen[static_cast<std::size_t>(i)], 1) << i;

    sink.reports.clear();
    patch.registry().set(29, 0.5f);
    ASSERT_EQ(sink.reports.size(), 1u);
    EXPECT_EQ(sink.reports[0].first, 29);
    EXPECT_FLOAT_EQ(sink.reports[0].second, 0.5f);

    // A value-view write reports the derived normalized value.
    sink.reports.clear();
    patch.volume->value().set(20.0f);
    ASSERT_EQ(sink.reports.size(), 1u);
    EXPECT_EQ(sink.reports[0].first, 63);
    EXPECT_FLOAT_EQ(sink.reports[0].second, 1.0f);

    // Unregistered parameters report nothing.
    sink.reports.clear();
    patch.polyphony->value().set(4.0f);
    patch.filterType->value().set(2);
    EXPECT_TRUE(sink.reports.empty());
}

TEST(Patch, NameIsCutAtTwentyFourCharacters)
{
    Patch patch(nullptr);
    patch.setName("abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_EQ(patch.name(), "abcdefghijklmnopqrstuvwx");
    patch.setName(std::string("ab\0cd", 5));
    EXPECT_EQ(patch.name(), "ab");
}

TEST(PatchGestures, AGestureOnAnyViewReachesTheHostOnceOverlappingOnesAsOne)
{
    RecordingSink sink;
    Patch patch(&sink);
    const int cutoff = 28; // the host index of cutoff
    ASSERT_EQ(patch.registry().find(cutoff)->param, patch.cutoff);

    // Through the value view and the text view as well as the normalized one.
    patch.cutoff->value().beginGesture();
    patch.cutoff->normalized().set(0.5f);
    patch.cutoff->value().endGesture();
    EXPECT_EQ(sink.gestures, (std::vector<std::string>{"begin 28", "end 28"}));
    EXPECT_EQ(sink.reports.back().first, cutoff);

    // Two controls of one parameter overlapping: one begin at the first, one end at the last.
    sink.gestures.clear();
    patch.cutoff->normalized().beginGesture();
    patch.cutoff->text().beginGesture();
    patch.cutoff->normalized().endGesture();
    EXPECT_EQ(sink.gestures, (std::vector<std::string>{"begin 28"}));
    patch.cutoff->text().endGesture();
    patch.cutoff->text().endGesture(); // one too many: nothing
    EXPECT_EQ(sink.gestures, (std::vector<std::string>{"begin 28", "end 28"}));

    // An int parameter's index view; an unregistered parameter tells the host nothing.
    sink.gestures.clear();
    patch.chorusOn->value().beginGesture();
    patch.chorusOn->value().endGesture();
    patch.polyphony->normalized().beginGesture();
    patch.polyphony->normalized().endGesture();
    int chorusOn = -1;
    for (int i = 0; i < patch.registry().count(); ++i)
        chorusOn = patch.registry().find(i)->param == patch.chorusOn ? i : chorusOn;
    EXPECT_EQ(sink.gestures,
              (std::vector<std::string>{"begin " + std::to_string(chorusOn), "end " + std::to_string(chorusOn)}));
}
