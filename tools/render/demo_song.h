#pragma once

// The built-in demo: a short phrase (a strummed seventh chord, then a melody over it with
// varied velocities, a mod-wheel swell and a bend on the last note) played once per program,
// each phrase followed by a short rest.

#include "tools/render/midi_file.h"

#include <vector>

namespace ostrel::render {

inline constexpr int kDemoBeatsPerPhrase = 6;  // 3 s at 120 beats per minute
inline constexpr int kDemoBeatsPerSegment = 7; // phrase and a rest of one beat
inline constexpr double kDemoSegmentSeconds = 3.5;

// One segment per entry of `programs`, each beginning with a program change to it. With no
// programs, one segment without program change: the phrase in the current program.
Song makeDemoSong(const std::vector<int>& programs);

} // namespace ostrel::render
