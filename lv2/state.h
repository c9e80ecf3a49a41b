#pragma once

#include <lv2/state/state.h>

namespace ostrel::lv2 {

// The state interface: the current program chunk, the same bytes as the VST 2 build's program
// chunk (the program name included, which no port carries), stored under kProgramChunkUri as
// an atom:Chunk.
extern const LV2_State_Interface kStateInterface;

} // namespace ostrel::lv2
