#pragma once

#include "patch/chunk_format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

// One program of a bank: its name (at most 24 characters are kept) and its program chunk.
struct BankEntry {
    std::string name;
    const unsigned char* chunk = nullptr;
    std::int32_t size = 0;
};

// The bank chunk of the given entries with `current` as the current program.
std::vector<unsigned char> writeBankChunk(const std::vector<BankEntry>& entries, std::int32_t current);

// Walks a bank chunk without copying it. The header must be complete; the entries are taken
// one by one by their sizes and only whole: an entry whose size cannot hold its own header, or
// that runs past the data, ends the walk, as does the header's entry count.
class BankReader {
public:
    BankReader(const unsigned char* data, std::int32_t size);

    // The data starts with the bank magic and holds the whole header.
    bool isBank() const { return isBank_; }
    // As stored, unchecked: the caller bounds them.
    std::int32_t count() const { return count_; }
    std::int32_t current() const { return current_; }

    // The next complete entry (its chunk points into the data); false when the walk ends.
    bool next(BankEntry& entry);

private:
    const unsigned char* data_;
    std::int32_t size_;
    std::int32_t position_ = kBankHeaderSize;
    std::int32_t count_ = 0;
    std::int32_t current_ = 0;
    std::int32_t taken_ = 0;
    bool isBank_ = false;
};

} // namespace ostrel
