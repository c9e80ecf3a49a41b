// Counts heap allocations made by the audio callbacks: this test binary replaces the global
// allocation functions with counting ones (active only while a test window is open).
#include "test_audio_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

namespace {

std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};

void* countedAllocate(std::size_t size)
{
    if (gCounting.load(std::memory_order_relaxed))
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* countedAllocateAligned(std::size_t size, std::align_val_t alignment)
{
    if (gCounting.load(std::memory_order_relaxed))
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    const auto a = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size)
{
    return countedAllocate(size);
}
void* operator new[](std::size_t size)
{
    return countedAllocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return countedAllocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void* operator new(std::size_t size, std::align_val_t a)
{
    return countedAllocateAligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a)
{
    return countedAllocateAligned(size, a);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}

namespace ostrel {
namespace {

using audiotest::MidiList;
using audiotest::PluginRig;

TEST(AudioRealtime, NoAllocationOnTheAudioThreadAfterWarmUp)
{
    PluginRig rig;
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> byte(0, 127), block(1, 4096);
    std::vector<float> l(9000), r(9000);

    // MIDI lists are built up front: only the plug-in's calls are counted.
    std::vector<MidiList> lists(600);
    std::vector<int> sizes(lists.size());
    const int statuses[] = {0x90, 0x80, 0xE0, 0xD0, 0xB0};
    for (std::size_t b = 0; b < lists.size(); ++b) {
        sizes[b] = b % 50 == 0 ? 9000 : block(rng);
        for (int k = 0; k < 8; ++k) {
            const int status = statuses[byte(rng) % 5];
            const int data1 = status == 0xB0 ? (k % 2 ? 1 : 123) : byte(rng);
            lists[b].add(byte(rng) * sizes[b] / 128, status, data1, byte(rng));
        }
        lists[b].list();
    }
    // Polyphony 32, chorus on, all voices busy: steals and every code path warmed up.
    rig.plugin->patch().polyphony->value().set(32.0f);
    rig.plugin->patch().chorusOn->value().set(1);
    for (std::size_t b = 0; b < 20; ++b) {
        rig.send(lists[b]);
        rig.replacing(l, r, sizes[b]);
    }

    std::vector<vst::VstEvents*> ready;
    for (std::size_t b = 20; b < lists.size(); ++b)
        ready.push_back(lists[b].list());
    gAllocations = 0;
    gCounting = true;
    for (std::size_t b = 0; b < ready.size(); ++b) {
        rig.call(vst::effProcessEvents, 0, 0, ready[b]);
        if (b % 2)
            rig.replacing(l, r, sizes[b + 20]);
        else
            rig.accumulating(l, r, sizes[b + 20]);
    }
    gCounting = false;
    EXPECT_EQ(gAllocations.load(), 0);
}

TEST(AudioRealtime, CountingWorks)
{
    gAllocations = 0;
    gCounting = true;
    auto* p = new int(3);
    gCounting = false;
    delete p;
    EXPECT_EQ(gAllocations.load(), 1);
}

} // namespace
} // namespace ostrel
