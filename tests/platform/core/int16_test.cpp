#include "platform/core/error.h"
#include "platform/core/int16.h"

#include <gtest/gtest.h>
#include <limits>

using namespace platform;

TEST(Int16, RoundsHalfToEvenAndRefusesOverflow)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.6), 3);
    EXPECT_EQ(toInt16(32767.4).value(), 32767);
    EXPECT_FALSE(toInt16(32767.5).has_value());  // rounds to 32768
    EXPECT_FALSE(toInt16(40000).has_value());
    EXPECT_EQ(toInt16(-32768).value(), -32768);
}

TEST(Int16, NearestWithinSixteenBitsOrOverflow)
{
    EXPECT_EQ(int16OrOverflow(1000.0), 1000);
    EXPECT_EQ(int16OrOverflow(1229.9999999), 1230);
    EXPECT_EQ(int16OrOverflow(32767.0), 32767);
    EXPECT_EQ(int16OrOverflow(-32768.0), -32768);
    EXPECT_EQ(int16OrOverflow(2.5), 2);
    EXPECT_EQ(int16OrOverflow(3.5), 4);
    for (double bad : {32767.6, -32768.6, 1e9, std::numeric_limits<double>::quiet_NaN()}) {
        try {
            int16OrOverflow(bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), errc::Overflow);
        }
    }
}
