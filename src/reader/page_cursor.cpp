#include "reader/page_cursor.h"

#include "platform/core/error.h"

#include <algorithm>

namespace reader {

namespace {
// 16-bit page counters: stepping beyond the range is an overflow, and the step fails.
int16_t step16(int16_t value, int delta)
{
    const int v = value + delta;
    if (v < -32768 || v > 32767)
        throw platform::Error(platform::errc::Overflow, QStringLiteral("溢出"));
    return static_cast<int16_t>(v);
}
}

bool PageCursor::turn(Turn how, int rows)
{
    if (rows <= 1)
        return false;
    switch (how) {
    case Turn::Next: {
        const int16_t next = step16(std::max<int16_t>(currentPage_, 1), 1);
        currentPage_ = next > rows ? int16_t(1) : next;
        break;
    }
    case Turn::Previous: {
        const int16_t previous = step16(currentPage_, -1);
        currentPage_ = previous < 1 ? static_cast<int16_t>(rows) : previous;
        break;
    }
    case Turn::AutoPlay: {
        const int16_t next = step16(autoPlayPage_, 1);
        autoPlayPage_ = next > rows ? int16_t(1) : next;
        break;
    }
    }
    return true;
}

QVector<int> PageCursor::neighbours(int rows, bool autoPlayRunning) const
{
    QVector<int> pages;
    for (Turn how : {Turn::Next, Turn::Previous, Turn::AutoPlay}) {
        if (how == Turn::AutoPlay && !autoPlayRunning)
            continue;
        // The turn itself, taken on a copy: what it would show is what to have ready.
        PageCursor ahead = *this;
        bool moved = false;
        platform::tryStep([&] { moved = ahead.turn(how, rows); });
        const int page = ahead.pageOf(how);
        if (moved && page >= 1 && page <= rows && !pages.contains(page))
            pages.append(page);
    }
    return pages;
}

} // namespace reader
