#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The identity and the fixed sizes of what the plug-in stores and exchanges: the id the host
// and preset files know it by, the magics of program and bank chunks, and the bank's layout.
// The program chunk's sub-chunks are listed field by field in patch/program_chunk.h, which
// checks kProgramChunkSize against that list.
namespace ostrel {

// The plug-in's unique id, announced to the host and stamped into preset files.
inline constexpr std::int32_t kPluginId = 0x58797A76; // 'Xyzv'

inline constexpr unsigned char kProgramChunkMagic[4] = {'O', 'R', 'P', 0};
inline constexpr unsigned char kBankChunkMagic[4] = {'O', 'R', 'B', 0};

inline bool startsWithMagic(const unsigned char* data, std::size_t size, const unsigned char (&magic)[4])
{
    return data && size >= 4 && std::memcmp(data, magic, 4) == 0;
}

// A program chunk as written: magic, format word, sub-chunks 1..9 and the end marker.
inline constexpr std::int32_t kProgramChunkSize = 876;
// Room kept for one stored program: twice a chunk as written, so that a chunk carrying
// sub-chunks this version does not know still fits. Longer chunks are cut to this size.
inline constexpr std::int32_t kProgramCapacity = 2 * kProgramChunkSize;
// Characters of a program name (the patch's name, a bank entry's name); longer names are cut.
inline constexpr std::size_t kPatchNameLength = 24;

// Bank chunk: header (magic, total size, a reserved word, entry count, current program), then
// per entry its size (32 + chunk size), a 28-byte zero-padded name field and a program chunk.
inline constexpr std::int32_t kBankHeaderSize = 20;
inline constexpr std::int32_t kBankEntryHeaderSize = 32;
inline constexpr std::size_t kBankEntryNameField = 28;

// The size of a bank of `count` programs whose chunks are all as written.
constexpr std::int32_t bankChunkSize(std::int32_t count)
{
    return kBankHeaderSize + count * (kBankEntryHeaderSize + kProgramChunkSize);
}

} // namespace ostrel
