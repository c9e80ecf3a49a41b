#pragma once

namespace ostrel {

// Floating-point environment of an audio callback, for the lifetime of the object: rounding
// toward minus infinity (float-to-integer conversions in the DSP are floors) and, on x86-64,
// denormals flushed to zero on input and output. The destructor restores the rounding mode
// and the SSE control register the caller had. Affects the calling thread only; makes no
// system call.
class RealtimeFpScope {
public:
    RealtimeFpScope() noexcept;
    ~RealtimeFpScope();
    RealtimeFpScope(const RealtimeFpScope&) = delete;
    RealtimeFpScope& operator=(const RealtimeFpScope&) = delete;

private:
    int savedRounding;
    unsigned savedControl;
};

// The SSE control register (0 where there is none), for tests.
unsigned currentSseControl() noexcept;
inline constexpr unsigned kFlushToZeroBit = 0x8000u;
inline constexpr unsigned kDenormalsAreZeroBit = 0x0040u;

} // namespace ostrel
