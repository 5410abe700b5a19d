#include "reader/page_cursor.h"

#include "platform/core/error.h"
#include "platform/core/int16.h"

#include <algorithm>

namespace reader {

// The page counters are 16-bit: a step beyond their range is an overflow, and the turn fails.
using platform::step16;

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
