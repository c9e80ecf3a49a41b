// Parameter views are used from the host's threads, the editor and the audio thread at once.
// These tests hammer one patch from several threads; under ThreadSanitizer they prove the
// per-parameter locking, and in any build they check that no view ever returns a torn or
// impossible value.
#include "patch/patch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

using namespace ostrel;

namespace {

struct CountingSink final : AutomationSink {
    std::atomic<int> reports{0};
    void setParameterAutomated(std::int32_t, float) override { reports.fetch_add(1, std::memory_order_relaxed); }
};

// A listener that reads the parameter again from inside the notification, as controls do.
struct RereadingListener final : vellum::xListener {
    explicit RereadingListener(xFloatParam* p) : param(p) { }
    void valueChanged() override { lastText = param->text().get().size(); }
    xFloatParam* param;
    std::atomic<std::size_t> lastText{0};
};

} // namespace

TEST(Concurrency, ViewsFromManyThreadsStayConsistent)
{
    CountingSink sink;
    Patch patch(&sink);
    patch.initPatch();
    auto* listener = new RereadingListener(patch.cutoff);
    patch.cutoff->normalized().addListener(listener);

    constexpr int kIterations = 4000;
    std::atomic<bool> bad{false};
    std::vector<std::thread> threads;
    // Host thread: automation through the registry.
    threads.emplace_back([&] {
        for (int i = 0; i < kIterations; ++i) {
            patch.registry().set(28, static_cast<float>(i % 101) / 100.0f);
            patch.registry().set(63, static_cast<float>(i % 61) / 60.0f);
        }
    });
    // Editor thread: knobs write normalized values and read texts.
    threads.emplace_back([&] {
        for (int i = 0; i < kIterations; ++i) {
            patch.cutoff->normalized().set(static_cast<float>(i % 7) / 7.0f);
            const std::string t = patch.volume->text().get();
            if (t.empty())
                bad = true;
            patch.setName(i % 2 ? "Even" : "Odd name");
        }
    });
    // Audio thread: reads value views only, as the snapshot does.
    threads.emplace_back([&] {
        for (int i = 0; i < kIterations; ++i) {
            const float c = patch.cutoff->value().get();
            const float v = patch.volume->value().get();
            if (!(c >= 0.0f && c <= 10.0f) || !(v >= -40.0f && v <= 20.0f))
                bad = true;
            if (patch.oscWaveform[0]->value().get() < 0)
                bad = true;
        }
    });
    // Chunk loads: whole-patch writes through the value views.
    threads.emplace_back([&] {
        std::vector<unsigned char> chunk(static_cast<std::size_t>(patch.chunkSize()));
        for (int i = 0; i < kIterations / 20; ++i) {
            patch.writeChunk(chunk.data());
            patch.readChunk(chunk.data(), static_cast<std::int32_t>(chunk.size()));
            const std::string n = patch.name();
            if (n != "Even" && n != "Odd name" && n != "Init")
                bad = true;
        }
    });
    for (auto& t : threads)
        t.join();

    EXPECT_FALSE(bad.load());
    EXPECT_GT(sink.reports.load(), 2 * kIterations);
    EXPECT_GT(listener->lastText.load(), 0u);
    patch.cutoff->normalized().removeListener(listener);
    listener->release();
}

TEST(Concurrency, ListenersComeAndGoWhileNotifying)
{
    Patch patch(nullptr);
    patch.initPatch();
    std::atomic<bool> stop{false};
    std::thread notifier([&] {
        do
            patch.resonance->normalized().set(0.5f);
        while (!stop.load());
    });
    struct Quiet final : vellum::xListener {
        void valueChanged() override { }
    };
    for (int i = 0; i < 2000; ++i) {
        auto* l = new Quiet;
        patch.resonance->value().addListener(l);
        patch.resonance->value().removeListener(l);
        l->release();
    }
    stop = true;
    notifier.join();
    EXPECT_EQ(patch.resonance->value().get(), 0.5f);
}
