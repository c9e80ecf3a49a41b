// The test host's global allocation functions: plain malloc and free, counted while counting
// is on. A file of its own, so that no allocation of the test host is compiled beside them.
// The library's other forms (arrays, nothrow) call these; aligned allocations are not counted.
#include "lv2_host.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
} // namespace

void* operator new(std::size_t size)
{
    if (gCounting.load(std::memory_order_relaxed))
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace lv2host {

void countAllocations(bool on)
{
    gCounting = on;
}

long allocationsCounted()
{
    return gAllocations.load();
}

} // namespace lv2host
