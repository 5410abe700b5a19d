#pragma once
// Where the reader stands in the book: the page last chosen by hand and the
// page last shown by auto-play, two 16-bit row positions that move on their
// own. The buttons and the timer turn with wrap-around at either end; a step
// beyond 16 bits is an overflow. No widgets: the book's length is passed in.
#include <QVector>
#include <cstdint>

namespace reader {

class PageCursor {
public:
    enum class Turn {
        Next,      // "下一页": the hand-chosen page + 1, none chosen yet counting as page 1
        Previous,  // "上一页": the hand-chosen page - 1
        AutoPlay,  // a tick of auto-play: its own page + 1
    };

    int16_t currentPage() const { return currentPage_; }
    int16_t autoPlayPage() const { return autoPlayPage_; }
    // A page chosen by hand: a click in the list, the help command.
    void choose(int16_t position) { currentPage_ = position; }

    // Moves the counter this turn moves, in a book of `rows` pages. A book of
    // one page or none has nothing to turn to: false, and nothing moves. A
    // step beyond 16 bits throws platform::Error (overflow) and moves nothing.
    bool turn(Turn how, int rows);
    // The page a turn of this kind shows: auto-play's own, or the hand-chosen one.
    int16_t pageOf(Turn how) const { return how == Turn::AutoPlay ? autoPlayPage_ : currentPage_; }

    // The rows the next turn can show, most likely first: the next and the
    // previous page of the buttons and, while auto-play runs, its next page;
    // each once, and only rows of the book.
    QVector<int> neighbours(int rows, bool autoPlayRunning) const;

private:
    int16_t currentPage_ = 0;
    int16_t autoPlayPage_ = 0;
};

} // namespace reader
