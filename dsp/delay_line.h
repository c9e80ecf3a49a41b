#pragma once

#include <cstdint>
#include <vector>

namespace ostrel {

// Circular buffer of floats whose size is a power of two, addressed with a mask. The
// buffer is allocated at construction only.
class DelayLine {
public:
    static constexpr std::uint32_t kMinimumSize = 2048;

    // Holds at least max(minimumSize, 2048) samples (rounded up to a power of two), all zero.
    explicit DelayLine(std::uint32_t minimumSize = kMinimumSize);

    std::uint32_t size() const noexcept { return mask + 1u; }
    std::uint32_t indexMask() const noexcept { return mask; }
    std::uint32_t writePosition() const noexcept { return writePos; }

    // Stores one sample at the write position and moves it on.
    void write(float sample) noexcept
    {
        buffer[writePos] = sample;
        writePos = (writePos + 1u) & mask;
    }

    // The sample written `samplesBack` writes ago (1 = the latest), wrapped into the buffer.
    float read(std::uint32_t samplesBack) const noexcept { return buffer[(writePos - samplesBack) & mask]; }

    // For block loops that keep the position in a register.
    float* data() noexcept { return buffer.data(); }
    void setWritePosition(std::uint32_t position) noexcept { writePos = position & mask; }

    void clear() noexcept;

private:
    std::vector<float> buffer;
    std::uint32_t mask;
    std::uint32_t writePos = 0;
};

} // namespace ostrel
