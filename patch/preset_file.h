#pragma once

#include "patch/chunk_format.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

class Patch;

// Preset files in the VST 2 exchange format, holding our chunks opaquely:
//   program file (.fxp): 'CcnK', byteSize, 'FPCh', 1, plug-in id, plug-in version, 1,
//                        28-byte program name, chunk size, program chunk ("ORP\0" ...)
//   bank file (.fxb):    'CcnK', byteSize, 'FBCh', 1, plug-in id, plug-in version, 128,
//                        128 reserved bytes, chunk size, bank chunk ("ORB\0" ...)
// Header words are big-endian; byteSize counts the bytes after itself. The chunks inside are
// the ones effGetChunk hands out and effSetChunk takes (isPreset true for a program file).

inline constexpr std::int32_t kPresetPluginVersion = 1;
inline constexpr std::size_t kPresetNameField = 28;
inline constexpr std::size_t kProgramFileHeaderSize = 60;
inline constexpr std::size_t kBankFileHeaderSize = 160;
// Files larger than this are refused before they are read: a full bank file is about 116 KB.
inline constexpr std::size_t kMaxPresetFileSize = 16u << 20;

enum class PresetKind { Program, Bank };

struct PresetFile {
    PresetKind kind = PresetKind::Program;
    // Program files: the name field up to its terminator (at most 27 characters are written).
    std::string name;
    // The numPrograms word as stored: 1 for our program files, 128 for our banks. Not checked
    // when reading, since hosts fill it in different ways.
    std::int32_t programCount = 1;
    std::int32_t pluginVersion = kPresetPluginVersion;
    // The program chunk or bank chunk.
    std::vector<unsigned char> chunk;
};

// Result of reading: the file when ok, otherwise a reason fit to show to a user.
struct PresetReadResult {
    bool ok = false;
    std::string error;
    PresetFile preset;
};

// The program file of the patch as it stands (its chunk and its name).
PresetFile programPreset(const Patch& patch);
// A program or bank file around a chunk taken from the plug-in.
PresetFile programPreset(const unsigned char* chunk, std::size_t size, const std::string& name);
PresetFile bankPreset(const unsigned char* chunk, std::size_t size, std::int32_t programCount = 128);

// The file bytes of a preset. Names longer than 27 characters are cut.
std::vector<unsigned char> encodePresetFile(const PresetFile& preset);

// Reads a program or bank file from bytes. Refuses, with a reason, anything that is not one
// of ours: wrong magics or version, another plug-in's id, a size field that is negative or
// points past the data, a chunk that is not a program chunk (program files) or a bank chunk
// (bank files). Never reads outside data[0..size).
PresetReadResult decodePresetFile(const unsigned char* data, std::size_t size);

// The same through files. Reading refuses files above kMaxPresetFileSize.
PresetReadResult readPresetFile(const std::string& path);
// Writes encodePresetFile(preset); returns false with a reason when the file cannot be written.
bool writePresetFile(const std::string& path, const PresetFile& preset, std::string* error = nullptr);

} // namespace ostrel
