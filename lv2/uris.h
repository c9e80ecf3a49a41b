#pragma once

// The names the LV2 build is known by: the plug-in, its user interface, its presets and the
// state key of the program chunk. Shared by the plug-in binary, the bundle generator and the
// test host, so each name has one home.
namespace ostrel::lv2 {

inline constexpr const char* kPluginUri = "urn:ostrel:synth";
inline constexpr const char* kUiUri = "urn:ostrel:synth#ui";
// Preset URIs are this prefix followed by the program file's stem ("01-sawpad1").
inline constexpr const char* kPresetUriPrefix = "urn:ostrel:synth:preset:";
// The state property that carries the current program chunk (an atom:Chunk).
inline constexpr const char* kProgramChunkUri = "urn:ostrel:synth#programChunk";

} // namespace ostrel::lv2
