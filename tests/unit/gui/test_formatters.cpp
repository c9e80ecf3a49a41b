#include "gui/formatters.h"
#include "gui/subject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vellum;

TEST(DecimalFormatter, PrintsFixedDecimalsAndInfinityWords)
{
    EXPECT_EQ(DecimalFormatter(2).format(0.5f), "0.50");
    EXPECT_EQ(DecimalFormatter(0).format(-3.0f), "-3");
    EXPECT_EQ(DecimalFormatter(0).format(316.2278f), "316");
    EXPECT_EQ(DecimalFormatter(3).format(-1.0f), "-1.000");
    EXPECT_EQ(DecimalFormatter(1).format(10.9f), "10.9");
    EXPECT_EQ(DecimalFormatter(0).format(99999.99f), "100000"); // still a number below the sentinel
    EXPECT_EQ(DecimalFormatter(0).format(100000.0f), "+inf");
    EXPECT_EQ(DecimalFormatter(2).format(1.0e9f), "+inf");
    EXPECT_EQ(DecimalFormatter(0).format(-100000.0f), "-inf");
    EXPECT_EQ(DecimalFormatter(0).format(-std::numeric_limits<float>::infinity()), "-inf");
}

TEST(DecimalFormatter, ParsesSentinelsNumbersAndJunk)
{
    DecimalFormatter f(2);
    EXPECT_EQ(f.parse("+infinity and beyond"), 100000.0f);
    EXPECT_EQ(f.parse("-inf"), -100000.0f);
    EXPECT_FLOAT_EQ(f.parse("  3.25"), 3.25f);
    EXPECT_FLOAT_EQ(f.parse("-0.5dB"), -0.5f);
    EXPECT_FLOAT_EQ(f.parse("1e2"), 100.0f);
    EXPECT_FLOAT_EQ(f.parse("+7"), 7.0f);
    EXPECT_EQ(f.parse("abc"), 0.0f);
    EXPECT_EQ(f.parse(""), 0.0f);
}

TEST(RangeTextFormatter, FirstMatchingRangeNamesTheValue)
{
    RangeTextFormatter f(0);
    f.addRange(0.0f, 0.5f, "Off");
    f.addRange(0.5f, 1.5f, "On");
    EXPECT_EQ(f.format(0.5f), "On");
    EXPECT_EQ(f.format(0.49f), "Off");
    EXPECT_EQ(f.format(2.0f), "2");
    EXPECT_EQ(f.format(std::nanf("")).find("nan") != std::string::npos, true);
    EXPECT_EQ(f.parse("On"), 0.5f);
    EXPECT_EQ(f.parse("on"), 0.0f); // case matters: falls through to the decimal reader
    EXPECT_EQ(f.parse("1"), 1.0f);
}

TEST(Parsing, IntegersStopAtTheFirstNonDigit)
{
    EXPECT_EQ(parseInteger("33 Saw"), 33);
    EXPECT_EQ(parseInteger("  -12x"), -12);
    EXPECT_EQ(parseInteger("90. BellVox"), 90);
    EXPECT_EQ(parseInteger("x"), 0);
    EXPECT_EQ(parseInteger("99999999999"), std::numeric_limits<int>::max());
}

namespace {
struct CountingListener final : xListener {
    int calls = 0;
    xSubject* removeFrom = nullptr;
    void valueChanged() override
    {
        ++calls;
        if (removeFrom)
            removeFrom->removeListener(this);
    }
};
} // namespace

TEST(Subject, NotifiesEachListenerAndHoldsReferences)
{
    auto* listener = new CountingListener;
    {
        xSubject subject;
        subject.addListener(listener);
        EXPECT_EQ(listener->refCount(), 2);
        subject.notify();
        subject.notify();
        EXPECT_EQ(listener->calls, 2);
        subject.removeListener(listener);
        subject.notify();
        EXPECT_EQ(listener->calls, 2);
        subject.addListener(listener);
    } // the subject lets its listeners go
    EXPECT_EQ(listener->refCount(), 1);
    listener->release();
}

TEST(Subject, ListenerMayRemoveItselfWhileBeingNotified)
{
    xSubject subject;
    auto* listener = new CountingListener;
    listener->removeFrom = &subject;
    subject.addListener(listener);
    subject.notify();
    subject.notify();
    EXPECT_EQ(listener->calls, 1);
    EXPECT_EQ(subject.listenerCount(), 0u);
    listener->release();
}

namespace {
struct Counted final : xRefCounted {
    explicit Counted(int initial, bool* deleted) : xRefCounted(initial), flag(deleted) { }
    ~Counted() override { *flag = true; }
    bool* flag;
};
} // namespace

TEST(RefCounted, SharedResourcesStartUnheldAndDieWithTheirLastHolder)
{
    bool deleted = false;
    auto* image = new Counted(0, &deleted); // as bitmaps and fonts are made
    EXPECT_EQ(image->refCount(), 0);
    image->addRef(); // first control takes it
    image->addRef(); // second control
    image->release();
    EXPECT_FALSE(deleted);
    image->release(); // the last holder lets go
    EXPECT_TRUE(deleted);

    deleted = false;
    auto* unheld = new Counted(0, &deleted);
    unheld->release(); // nobody took it: the asker lets it go
    EXPECT_TRUE(deleted);
}
