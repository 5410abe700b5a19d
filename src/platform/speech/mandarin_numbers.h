#pragma once
// Numbers as a Mandarin reader says them. espeak-ng's Mandarin voice drops the
// zeros inside a number (2003 comes out as 二千三, which is 2300), reads "%"
// in English and passes over circled numbers, so the voice hands it the words.
#include <QString>
#include <QVector>

namespace platform {

struct SpokenText {
    QString text;
    // Where each character of text comes from in the original, and one more
    // entry: the original's length. It never goes back, so the characters
    // from a to b (not included) of text stand for the original from
    // origin[a] to origin[b]: espeak reports positions in what it was given,
    // a reader's marker needs them in what it shows.
    QVector<int> origin;
};

// Integers with 零 where zeros fall inside (一百零五); a four-digit number
// before 年 digit by digit (二零零三年); decimals with 点, percentages with
// 百分之, circled numbers as their number; longer strings of digits than a
// count runs to (telephone and serial numbers) and numbers that start with 0
// digit by digit. Everything else is kept as it is.
SpokenText spellNumbersForMandarin(const QString& text);

} // namespace platform
