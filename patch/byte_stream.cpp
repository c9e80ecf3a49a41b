#include "patch/byte_stream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace ostrel {

ByteStream::ByteStream(std::int32_t capacity)
    : owned_(static_cast<std::size_t>(std::max(capacity, 0))),
      data_(owned_.data()),
      writable_(owned_.data()),
      capacity_(std::max(capacity, 0)),
      length_(0)
{ }

ByteStream::ByteStream(const unsigned char* data, std::int32_t length)
    : data_(data),
      writable_(nullptr),
      capacity_(data ? std::max(length, 0) : 0),
      length_(data ? std::max(length, 0) : 0)
{ }

std::uint8_t ByteStream::readByte()
{
    if (position_ >= length_)
        return 0;
    return data_[position_++];
}

std::uint32_t ByteStream::readU32()
{
    if (remaining() < 4)
        return 0;
    const unsigned char* p = data_ + position_;
    position_ += 4;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

float ByteStream::readFloat()
{
    const std::uint32_t bits = readU32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void ByteStream::skip(std::int64_t n)
{
    if (n <= 0)
        return;
    position_ = static_cast<std::int32_t>(std::min<std::int64_t>(position_ + n, std::max(length_, position_)));
}

void ByteStream::writeByte(std::uint8_t value)
{
    if (!writable_ || position_ >= capacity_) {
        overflowed_ = true;
        return;
    }
    writable_[position_++] = value;
    length_ = std::max(length_, position_);
}

std::vector<unsigned char> ByteStream::release()
{
    std::vector<unsigned char> bytes = std::move(owned_);
    bytes.resize(static_cast<std::size_t>(std::min<std::int32_t>(length_, static_cast<std::int32_t>(bytes.size()))));
    data_ = writable_ = nullptr;
    capacity_ = position_ = length_ = 0;
    return bytes;
}

void ByteStream::writeBytes(const unsigned char* bytes, std::int32_t n)
{
    if (n <= 0)
        return;
    const std::int32_t room = writable_ ? std::max(capacity_ - position_, 0) : 0;
    const std::int32_t taken = std::min(n, room);
    if (taken > 0) {
        std::memcpy(writable_ + position_, bytes, static_cast<std::size_t>(taken));
        position_ += taken;
        length_ = std::max(length_, position_);
    }
    if (taken < n)
        overflowed_ = true;
}

void ByteStream::writeU32(std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        writeByte(static_cast<std::uint8_t>(value >> shift));
}

void ByteStream::writeFloat(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    writeU32(bits);
}

} // namespace ostrel
