#include "platform/core/int16.h"

#include "platform/core/error.h"

namespace platform {

int16_t int16OrOverflow(double v)
{
    if (const auto r = toInt16(v))
        return *r;
    throw Error(errc::Overflow);
}

} // namespace platform
