#include "platform/core/error.h"
#include "settings/number_text.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

using settings::intervalMilliseconds;
using settings::numberInText;
using settings::secondsOneDecimal;
using settings::shortestDecimal;

TEST(SecondsOneDecimal, AlwaysOneDecimalWithTiesAwayFromZero)
{
    const struct {
        int ms;
        const char* text;
    } cases[] = {
        {500, "0.5"},   {1000, "1.0"},  {2500, "2.5"},   {30000, "30.0"}, {1230, "1.2"},   {1250, "1.3"},
        {1249, "1.2"},  {1350, "1.4"},  {1450, "1.5"},   {1950, "2.0"},   {0, "0.0"},      {49, "0.0"},
        {50, "0.1"},    {32767, "32.8"}, {-1250, "-1.3"}, {-40, "0.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(secondsOneDecimal(c.ms), QString::fromLatin1(c.text)) << c.ms;
}

TEST(SecondsOneDecimal, IgnoresTheUsersLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(secondsOneDecimal(1500), QStringLiteral("1.5"));
    EXPECT_EQ(shortestDecimal(1.5f), QStringLiteral("1.5"));
    EXPECT_EQ(numberInText(QStringLiteral("2.5")), 2.5);
    QLocale::setDefault(previous);
}

TEST(ShortestDecimal, ReadsBackAsTheSameSingle)
{
    EXPECT_EQ(shortestDecimal(1500 / 1000.0f), QStringLiteral("1.5"));
    EXPECT_EQ(shortestDecimal(1000 / 1000.0f), QStringLiteral("1"));
    EXPECT_EQ(shortestDecimal(30000 / 1000.0f), QStringLiteral("30"));
    EXPECT_EQ(shortestDecimal(500 / 1000.0f), QStringLiteral("0.5"));
    // A single 1.23 is 1.2300000190734863 as a double; the short text is what the user expects.
    EXPECT_EQ(shortestDecimal(1230 / 1000.0f), QStringLiteral("1.23"));
    EXPECT_EQ(shortestDecimal(32767 / 1000.0f), QStringLiteral("32.767"));
}

TEST(NumberInText, AcceptsNumbersOnly)
{
    EXPECT_EQ(numberInText(QStringLiteral("1")), 1.0);
    EXPECT_EQ(numberInText(QStringLiteral(" 1.5 ")), 1.5);
    EXPECT_EQ(numberInText(QStringLiteral("30.0")), 30.0);
    EXPECT_EQ(numberInText(QStringLiteral("-2")), -2.0);
    for (const char* bad : {"", " ", "abc", "1.5s", "1,5", "nan", "inf", "1e999"})
        EXPECT_FALSE(numberInText(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(IntervalMilliseconds, SecondsTextAsWholeMillisecondsHalvesToEven)
{
    EXPECT_EQ(intervalMilliseconds(QStringLiteral(" 1.5 ")), 1500);
    EXPECT_EQ(intervalMilliseconds(QStringLiteral("0.0025")), 2);
    EXPECT_EQ(intervalMilliseconds(QStringLiteral("0.0035")), 4);
    EXPECT_EQ(intervalMilliseconds(QStringLiteral("-0.5")), -500);
    const struct {
        const char* text;
        int number;
    } bad[] = {{"abc", platform::errc::TypeMismatch}, {"", platform::errc::TypeMismatch},
               {"3000000", platform::errc::Overflow}};
    for (const auto& c : bad) {
        try {
            intervalMilliseconds(QString::fromLatin1(c.text));
            ADD_FAILURE() << c.text << " was accepted";
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), c.number) << c.text;
        }
    }
}

} // namespace
