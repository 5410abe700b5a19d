#pragma once
// Whole numbers as the windows' arithmetic makes them: a conversion rounds half
// to even, as integer conversions of single-precision values do, and a value
// beyond a 16-bit integer (the positions, counters and sizes of the windows)
// is an overflow.
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace platform {

inline double roundHalfEven(double v)
{
    const double r = std::round(v);
    if (std::fabs(v - std::trunc(v)) == 0.5)
        return 2.0 * std::round(v / 2.0);
    return r;
}

// The whole number the value rounds to, or nothing when there is none of that
// type (the value is not finite, or beyond the type's range).
template <typename Int>
std::optional<Int> roundedTo(double v)
{
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = roundHalfEven(v);
    if (r < std::numeric_limits<Int>::min() || r > std::numeric_limits<Int>::max())
        return std::nullopt;
    return static_cast<Int>(r);
}

inline std::optional<int16_t> toInt16(double v) { return roundedTo<int16_t>(v); }
inline std::optional<int32_t> toInt32(double v) { return roundedTo<int32_t>(v); }

// The 16-bit integer the value rounds to; throws platform::Error (overflow)
// when there is none, and the step that needs it fails.
int16_t int16OrOverflow(double v);

// A 16-bit counter moved by delta; moving it beyond the range is an overflow.
inline int16_t step16(int16_t value, int delta) { return int16OrOverflow(value + delta); }

} // namespace platform
