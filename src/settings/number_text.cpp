#include "settings/number_text.h"

#include "platform/core/error.h"
#include "platform/core/int16.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace settings {

QString secondsOneDecimal(int milliseconds)
{
    // Work in whole tenths so no binary fraction decides a tie.
    const long long magnitude = std::llabs(static_cast<long long>(milliseconds));
    const long long tenths = (magnitude + 50) / 100;
    QString text = QString::number(tenths / 10) + QLatin1Char('.') + QString::number(tenths % 10);
    if (milliseconds < 0 && tenths != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

QString shortestDecimal(float value)
{
    if (!std::isfinite(value))
        return QString();
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (res.ec != std::errc())
        return QString();
    return QString::fromLatin1(buf, static_cast<int>(res.ptr - buf));
}

std::optional<double> numberInText(const QString& text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

int intervalMilliseconds(const QString& secondsText)
{
    const auto seconds = numberInText(secondsText);
    if (!seconds)
        throw platform::Error(platform::errc::TypeMismatch);
    if (const auto ms = platform::toInt32(*seconds * 1000.0))
        return *ms;
    throw platform::Error(platform::errc::Overflow);
}

} // namespace settings
