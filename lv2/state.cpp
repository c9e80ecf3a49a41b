#include "lv2/state.h"

#include "lv2/synth_lv2.h"
#include "patch/chunk_format.h"

#include <algorithm>
#include <array>

namespace ostrel::lv2 {

namespace {

// May run while run() plays: the patch is read through the parameters' own locks.
LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t flags,
                      const LV2_Feature* const* features)
{
    (void)flags;
    (void)features;
    auto* synth = static_cast<SynthLv2*>(handle);
    if (!synth || !store)
        return LV2_STATE_ERR_UNKNOWN;
    std::array<unsigned char, kProgramCapacity> chunk{};
    const std::int32_t size = synth->instance().patch().writeChunk(chunk.data());
    return store(state, synth->urids().programChunk, chunk.data(), static_cast<std::size_t>(size),
                 synth->urids().atomChunk, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

// Never runs at the same time as run(). Data that is not a program chunk changes nothing; a
// chunk is read only within its size.
LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state,
                         uint32_t flags, const LV2_Feature* const* features)
{
    (void)flags;
    (void)features;
    auto* synth = static_cast<SynthLv2*>(handle);
    if (!synth || !retrieve)
        return LV2_STATE_ERR_UNKNOWN;
    std::size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t valueFlags = 0;
    const void* data = retrieve(state, synth->urids().programChunk, &size, &type, &valueFlags);
    if (!data)
        return LV2_STATE_ERR_NO_PROPERTY;
    if (type != synth->urids().atomChunk)
        return LV2_STATE_ERR_BAD_TYPE;
    const auto length = static_cast<std::int32_t>(std::min<std::size_t>(size, 0x7FFFFFFF));
    synth->instance().programs().loadIntoCurrent(static_cast<const unsigned char*>(data), length);
    return LV2_STATE_SUCCESS;
}

} // namespace

const LV2_State_Interface kStateInterface = {save, restore};

} // namespace ostrel::lv2
