#pragma once

// Reads a .fxp program file or a .fxb bank file and extracts the plug-in chunk it carries,
// ready for effSetChunk.

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::render {

// False with `error` set when the file cannot be read or holds no chunk.
bool loadPresetChunk(const std::string& path, bool isPreset, std::vector<std::uint8_t>& chunk, std::string& error);

} // namespace ostrel::render
