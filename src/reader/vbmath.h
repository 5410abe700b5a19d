#pragma once
// Conversions with the rounding the window's arithmetic relies on: whole numbers
// round half to even, and a value beyond a 16-bit integer is an overflow.
#include <cmath>
#include <cstdint>
#include <optional>

namespace reader {

// Round half to even, as integer conversions of single-precision values do.
inline double roundHalfEven(double v)
{
    const double r = std::round(v);
    if (std::fabs(v - std::trunc(v)) == 0.5)
        return 2.0 * std::round(v / 2.0);
    return r;
}

// A 16-bit integer, or nothing when the value does not fit (the step that needs it fails).
inline std::optional<int16_t> toInt16(double v)
{
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = roundHalfEven(v);
    if (r < -32768.0 || r > 32767.0)
        return std::nullopt;
    return static_cast<int16_t>(r);
}

inline std::optional<int32_t> toInt32(double v)
{
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = roundHalfEven(v);
    if (r < -2147483648.0 || r > 2147483647.0)
        return std::nullopt;
    return static_cast<int32_t>(r);
}

} // namespace reader
