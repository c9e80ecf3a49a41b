#include "host/chunk_buffers.h"

#include <algorithm>

namespace ostrel {

unsigned char* ChunkBuffers::hold(std::vector<unsigned char> bytes)
{
    const std::thread::id self = std::this_thread::get_id();
    std::lock_guard lock(lock_);
    auto slot = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.thread == self; });
    if (slot == slots_.end())
        slot = std::min_element(slots_.begin(), slots_.end(),
                                [](const Slot& a, const Slot& b) { return a.lastUse < b.lastUse; });
    slot->thread = self;
    slot->bytes = std::move(bytes);
    slot->lastUse = ++uses_;
    return slot->bytes.data();
}

} // namespace ostrel
