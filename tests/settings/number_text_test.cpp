#include "platform/core/error.h"
#include "settings/number_text.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>

namespace {

using settings::numberInText;
using settings::roundToInt16;
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

TEST(RoundToInt16, NearestWithinSixteenBits)
{
    EXPECT_EQ(roundToInt16(1000.0), 1000);
    EXPECT_EQ(roundToInt16(1229.9999999), 1230);
    EXPECT_EQ(roundToInt16(32767.0), 32767);
    EXPECT_EQ(roundToInt16(-32768.0), -32768);
    EXPECT_EQ(roundToInt16(2.5), 2);
    EXPECT_EQ(roundToInt16(3.5), 4);
    for (double bad : {32767.6, -32768.6, 1e9, std::numeric_limits<double>::quiet_NaN()}) {
        try {
            roundToInt16(bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), platform::errc::Overflow);
        }
    }
}

} // namespace
