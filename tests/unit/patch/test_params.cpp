#include "dsp/wave_names.h"
#include "patch/mapping.h"
#include "patch/param.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ostrel;

TEST(Mappings, LinearExponentialAndDecibel)
{
    LinearMapping lin(-24.0, 24.0);
    EXPECT_DOUBLE_EQ(lin.toValue(0.5), 0.0);
    EXPECT_DOUBLE_EQ(lin.toNormalized(24.0), 1.0);

    ExponentialMapping exp(10.0, 10000.0);
    EXPECT_NEAR(exp.toValue(0.5), 316.2278, 1e-3);
    EXPECT_NEAR(exp.toNormalized(1000.0), 2.0 / 3.0, 1e-12);

    DecibelMapping db(-40.0, 20.0);
    EXPECT_DOUBLE_EQ(db.toValue(0.0), -40.0);
    EXPECT_DOUBLE_EQ(db.toNormalized(-39.0), 1.0 / 60.0);

    // Bounds beyond the sentinels are held at them, and the ends then mean infinity.
    DecibelMapping inf(-1.0e9, 1.0e9);
    EXPECT_DOUBLE_EQ(inf.toValue(0.0), -100000.0);
    EXPECT_DOUBLE_EQ(inf.toValue(1.0), 100000.0);
    EXPECT_DOUBLE_EQ(inf.toNormalized(-2.0e5), 0.0);
    EXPECT_DOUBLE_EQ(inf.toNormalized(2.0e5), 1.0);
}

TEST(Mappings, IntRoundsHalvesAwayFromZeroAndSurvivesOddInput)
{
    IntMapping two(2);
    EXPECT_EQ(two.toValue(0.49), 0);
    EXPECT_EQ(two.toValue(0.5), 1);
    IntMapping waves(96);
    EXPECT_EQ(waves.toValue(0.5), 48); // round(47.5)
    EXPECT_EQ(waves.toValue(1.0), 95);
    IntMapping one(1);
    EXPECT_EQ(one.toValue(0.7), 0);
    EXPECT_EQ(one.toNormalized(0), 0.0);
    EXPECT_EQ(waves.toValue(std::nan("")), 0);
    EXPECT_EQ(waves.toValue(1.0e300), 2147483647);
}

namespace {
xFloatParam* makeFloat(float min, float max, int decimals, int formatDecimals)
{
    auto* p = new xFloatParam("P", "", min, max, decimals);
    p->setMapping(new LinearMapping(min, max));
    p->setFormatter(new vellum::DecimalFormatter(formatDecimals));
    return p;
}
} // namespace

TEST(FloatParam, NeverSetViewsAreInvalid)
{
    std::unique_ptr<xFloatParam> p(makeFloat(0.0f, 1.0f, 2, 2));
    EXPECT_EQ(p->normalized().get(), -1.0f);
    EXPECT_EQ(p->value().get(), -1.0f);
    EXPECT_EQ(p->text().get(), "invalid");
}

TEST(FloatParam, NormalizedSetRoundsToPrecision)
{
    std::unique_ptr<xFloatParam> tune(makeFloat(-24.0f, 24.0f, 0, 0));
    tune->normalized().set(0.51f);
    EXPECT_EQ(tune->value().get(), 0.0f); // 0.48 rounds to a whole semitone
    tune->normalized().set(0.53f);
    EXPECT_EQ(tune->value().get(), 1.0f); // 1.44
    EXPECT_FLOAT_EQ(tune->normalized().get(), 25.0f / 48.0f);
    tune->normalized().set(0.0f);
    EXPECT_EQ(tune->text().get(), "-24");
}

TEST(FloatParam, ValueViewStoresAsGivenAndDerivesTheOthersLazily)
{
    std::unique_ptr<xFloatParam> cutoff(makeFloat(0.0f, 10.0f, 2, 2));
    cutoff->value().set(11.0f); // outside the range: kept as it is, shown as the top
    EXPECT_EQ(cutoff->value().get(), 11.0f);
    EXPECT_EQ(cutoff->normalized().get(), 1.0f);
    EXPECT_EQ(cutoff->text().get(), "10.00");
    cutoff->value().set(std::nanf("")); // NaN is shown as the bottom, never reaches the host
    EXPECT_TRUE(std::isnan(cutoff->value().get()));
    EXPECT_EQ(cutoff->normalized().get(), 0.0f);
    EXPECT_EQ(cutoff->text().get(), "0.00");
    cutoff->value().set(-1e30f);
    EXPECT_EQ(cutoff->normalized().get(), 0.0f);
    cutoff->value().set(2.345f);
    EXPECT_EQ(cutoff->value().get(), 2.345f); // no rounding through the value view
}

TEST(FloatParam, TextViewParsesThroughTheFormatter)
{
    std::unique_ptr<xFloatParam> p(makeFloat(0.0f, 10.0f, 2, 2));
    p->text().set("4.5 units");
    EXPECT_EQ(p->text().get(), "4.5 units");
    EXPECT_EQ(p->value().get(), 4.5f);
    EXPECT_FLOAT_EQ(p->normalized().get(), 0.45f);
}

TEST(FloatParam, EverySetNotifiesAllThreeViews)
{
    struct Counter final : vellum::xListener {
        int n = 0;
        void valueChanged() override { ++n; }
    };
    std::unique_ptr<xFloatParam> p(makeFloat(0.0f, 1.0f, 2, 2));
    Counter* counters[3] = {new Counter, new Counter, new Counter};
    p->normalized().addListener(counters[0]);
    p->value().addListener(counters[1]);
    p->text().addListener(counters[2]);
    p->normalized().set(0.3f);
    p->value().set(0.1f);
    p->text().set("0.2");
    for (Counter* c : counters) {
        EXPECT_EQ(c->n, 3);
        c->release();
    }
    p->normalized().removeListener(counters[0]);
}

TEST(IntParam, MapsViewsAndTextCallbacks)
{
    xIntParam wave("Waveform", "", 96);
    wave.setTextCallback(IntTextCallback::waveName());
    EXPECT_EQ(wave.value().get(), -1);
    EXPECT_EQ(wave.text().get(), "invalid");
    wave.normalized().set(0.5f);
    EXPECT_EQ(wave.value().get(), 48);
    EXPECT_FLOAT_EQ(wave.normalized().get(), 48.0f / 95.0f);
    wave.value().set(0);
    EXPECT_EQ(wave.text().get(), "32 Sine");
    wave.text().set("33 Saw");
    EXPECT_EQ(wave.value().get(), 1);
    wave.setOutOfRangeValue(94);
    wave.value().set(500); // out of the table (chunk data): kept, shown as the wave played
    EXPECT_EQ(wave.value().get(), 500);
    EXPECT_EQ(wave.text().get(), waveNames[94]);
    EXPECT_FLOAT_EQ(wave.normalized().get(), 94.0f / 95.0f);

    xIntParam sw("Chorus on", "", 2);
    sw.setTextCallback(IntTextCallback::onOff());
    sw.value().set(0);
    EXPECT_EQ(sw.text().get(), "off");
    sw.value().set(7); // out of range, shown as the first choice unless told otherwise
    EXPECT_EQ(sw.text().get(), "off");
    EXPECT_EQ(sw.normalized().get(), 0.0f);
    sw.setOutOfRangeValue(1);
    sw.value().set(-3);
    EXPECT_EQ(sw.text().get(), "on");
    EXPECT_EQ(sw.normalized().get(), 1.0f);
    sw.text().set("on");
    EXPECT_EQ(sw.value().get(), 1);
    sw.text().set("ON");
    EXPECT_EQ(sw.value().get(), 0);
}

TEST(IntParam, ReplacingTheMappingChangesTheCount)
{
    xIntParam p("P", "", 4);
    p.setMapping(new IntMapping(8));
    EXPECT_EQ(p.count(), 8);
    p.normalized().set(1.0f);
    EXPECT_EQ(p.value().get(), 7);
}

// Plain values from a host whose controls carry the parameter's own units: bounded by the
// range the host reaches, whole numbers where the parameter has no decimals, NaN ignored.
TEST(HostValue, BoundedRoundedOnlyWhereWholeAndNaNIgnored)
{
    std::unique_ptr<xFloatParam> fine(makeFloat(0.0f, 11.0f, 3, 3));
    fine->setMapping(new LinearMapping(0.0, 10.0)); // the host reaches 0..10 of 0..11
    fine->setHostValue(0.0035f);
    EXPECT_EQ(fine->value().get(), 0.0035f); // finer than the display: kept as given
    EXPECT_EQ(fine->hostValue(), 0.0035f);
    fine->setHostValue(10.5f);
    EXPECT_EQ(fine->value().get(), 10.0f);
    fine->setHostValue(-1.0e30f);
    EXPECT_EQ(fine->value().get(), 0.0f);
    fine->setHostValue(std::nanf(""));
    EXPECT_EQ(fine->value().get(), 0.0f);
    fine->setHostValue(INFINITY);
    EXPECT_EQ(fine->value().get(), 10.0f);

    xFloatParam volume("Volume", "dB", -40.0f, 20.0f, 0);
    volume.setMapping(new DecibelMapping(-40.0, 20.0));
    volume.setHostValue(-5.5f);
    EXPECT_EQ(volume.value().get(), -6.0f); // halves away from zero
    volume.setHostValue(-5.4f);
    EXPECT_EQ(volume.value().get(), -5.0f);

    xIntParam wave("Waveform", "", 96);
    wave.setHostValue(2.5f);
    EXPECT_EQ(wave.value().get(), 3);
    EXPECT_EQ(wave.hostValue(), 3.0f);
    wave.setHostValue(1.0e9f);
    EXPECT_EQ(wave.value().get(), 95);
    wave.setHostValue(-3.0f);
    EXPECT_EQ(wave.value().get(), 0);
    wave.setHostValue(std::nanf(""));
    EXPECT_EQ(wave.value().get(), 0);
}
