#include "patch/bank_chunk.h"

#include "patch/byte_stream.h"

#include <algorithm>

namespace ostrel {

std::vector<unsigned char> writeBankChunk(const std::vector<BankEntry>& entries, std::int32_t current)
{
    std::int32_t total = kBankHeaderSize;
    for (const BankEntry& e : entries)
        total += kBankEntryHeaderSize + e.size;
    ByteStream s(total);
    for (const unsigned char byte : kBankChunkMagic)
        s.writeByte(byte);
    s.writeU32(static_cast<std::uint32_t>(total));
    s.writeU32(0); // reserved
    s.writeInt(static_cast<std::int32_t>(entries.size()));
    s.writeInt(current);
    for (const BankEntry& e : entries) {
        s.writeU32(static_cast<std::uint32_t>(kBankEntryHeaderSize + e.size));
        const std::size_t nameLength = std::min(e.name.size(), kPatchNameLength);
        for (std::size_t i = 0; i < kBankEntryNameField; ++i)
            s.writeByte(i < nameLength ? static_cast<std::uint8_t>(e.name[i]) : 0);
        s.writeBytes(e.chunk, e.size);
    }
    return s.release();
}

BankReader::BankReader(const unsigned char* data, std::int32_t size) : data_(data), size_(std::max(size, 0))
{
    if (size_ < kBankHeaderSize || !startsWithMagic(data_, static_cast<std::size_t>(size_), kBankChunkMagic))
        return;
    ByteStream s(data_, size_);
    s.skip(12); // magic, total size and the reserved word are not used
    count_ = s.readInt();
    current_ = s.readInt();
    isBank_ = true;
}

bool BankReader::next(BankEntry& entry)
{
    if (!isBank_ || taken_ >= count_)
        return false;
    ByteStream s(data_, size_);
    s.skip(position_);
    if (s.remaining() < 4)
        return false;
    const std::uint32_t entrySize = s.readU32();
    if (entrySize < static_cast<std::uint32_t>(kBankEntryHeaderSize)
        || entrySize - 4 > static_cast<std::uint32_t>(s.remaining()))
        return false;
    const auto* name = reinterpret_cast<const char*>(data_ + s.position());
    entry.name.assign(name, static_cast<std::size_t>(std::find(name, name + kPatchNameLength, '\0') - name));
    entry.chunk = data_ + s.position() + kBankEntryNameField;
    entry.size = static_cast<std::int32_t>(entrySize) - kBankEntryHeaderSize;
    position_ += static_cast<std::int32_t>(entrySize);
    ++taken_;
    return true;
}

} // namespace ostrel
