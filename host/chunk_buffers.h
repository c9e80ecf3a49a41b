#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace ostrel {

// The buffers effGetChunk hands to the host. The host copies from the pointer after the call
// has returned, so two threads asking at once must not share a buffer: each calling thread
// gets one of its own, valid until that thread asks again or the plug-in is closed. Up to
// kThreads threads keep theirs; beyond that the buffer used longest ago is reused.
class ChunkBuffers {
public:
    static constexpr std::size_t kThreads = 8;

    // Keeps bytes for the calling thread and returns where they are.
    unsigned char* hold(std::vector<unsigned char> bytes);

private:
    struct Slot {
        std::thread::id thread;
        std::vector<unsigned char> bytes;
        std::uint64_t lastUse = 0;
    };

    std::mutex lock_;
    std::array<Slot, kThreads> slots_;
    std::uint64_t uses_ = 0;
};

} // namespace ostrel
