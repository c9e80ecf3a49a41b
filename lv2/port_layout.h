#pragma once

#include <cstdint>

// The plug-in's ports. The control ports come first so that a port index is the parameter's
// host index, as in the VST 2 build; then the MIDI input and the two audio outputs.
namespace ostrel::lv2 {

inline constexpr std::uint32_t kParameterPortCount = 128;
inline constexpr std::uint32_t kMidiInPort = 128;
inline constexpr std::uint32_t kLeftOutPort = 129;
inline constexpr std::uint32_t kRightOutPort = 130;
inline constexpr std::uint32_t kPortCount = 131;

} // namespace ostrel::lv2
