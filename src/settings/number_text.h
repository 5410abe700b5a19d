#pragma once
// How the settings window turns numbers into text and back. The text boxes
// always use '.' whatever the user's locale: the reader reads the same text
// back as a number when auto-play starts.
#include <QString>
#include <optional>

namespace settings {

// Milliseconds as seconds with exactly one decimal; ties round away from zero
// (500 -> "0.5", 1000 -> "1.0", 1250 -> "1.3", 30000 -> "30.0").
QString secondsOneDecimal(int milliseconds);

// The shortest text that reads back as the same single-precision number
// (1.5f -> "1.5", 1.0f -> "1", 1.23f -> "1.23"), never in exponent form.
QString shortestDecimal(float value);

// The number a text box holds: surrounding blanks allowed, '.' as decimal
// separator. Empty when the text is no finite number.
std::optional<double> numberInText(const QString& text);

// The auto-play interval a text box gives in seconds, as whole milliseconds
// rounded half to even ("1.5" -> 1500). Throws platform::Error: a type mismatch
// when the text is no number, an overflow beyond a 32-bit integer.
int intervalMilliseconds(const QString& secondsText);

} // namespace settings
