#pragma once

#include <cstdint>
#include <vector>

namespace ostrel {

// Little-endian reader and writer over a byte buffer. Reads past the end give 0 and leave the
// position where it was; writes never go past the capacity (excess bytes are dropped and
// counted by overflowed()).
class ByteStream {
public:
    // An owned, zeroed buffer of the given capacity, length 0.
    explicit ByteStream(std::int32_t capacity);
    // Over caller data of the given length; not owned.
    ByteStream(const unsigned char* data, std::int32_t length);

    std::uint8_t readByte();
    std::uint32_t readU32();
    std::int32_t readInt() { return static_cast<std::int32_t>(readU32()); }
    float readFloat();
    // Moves forward by n bytes, never past the end of the data; a negative n moves nothing.
    void skip(std::int64_t n);

    void writeByte(std::uint8_t value);
    void writeU32(std::uint32_t value);
    void writeInt(std::int32_t value) { writeU32(static_cast<std::uint32_t>(value)); }
    void writeFloat(float value);
    // n bytes at once, as n writeByte calls would write them.
    void writeBytes(const unsigned char* bytes, std::int32_t n);

    std::int32_t position() const { return position_; }
    std::int32_t length() const { return length_; }
    std::int32_t remaining() const { return length_ - position_; }
    bool overflowed() const { return overflowed_; }
    const unsigned char* data() const { return data_; }
    // The bytes written into an owned buffer, handed over without a copy; the stream is empty
    // afterwards.
    std::vector<unsigned char> release();

private:
    std::vector<unsigned char> owned_;
    const unsigned char* data_;
    unsigned char* writable_;
    std::int32_t capacity_;
    std::int32_t position_ = 0;
    std::int32_t length_;
    bool overflowed_ = false;
};

} // namespace ostrel
