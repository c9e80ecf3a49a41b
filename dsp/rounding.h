#pragma once

namespace ostrel {

// Round toward minus infinity, for values well inside the int range. Table indices of the
// filter and the chorus use it so they do not depend on the processor's rounding mode.
inline int floorToInt(float v) noexcept
{
    const int truncated = static_cast<int>(v);
    return truncated - (v < static_cast<float>(truncated) ? 1 : 0);
}

} // namespace ostrel
