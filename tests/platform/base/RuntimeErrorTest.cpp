#include "RuntimeError.h"

#include <gtest/gtest.h>
#include <limits>

TEST(RuntimeErrorTest, RaiseThrowsNumberDescriptionAndSourceTogether) {
    try {
        raiseError(10048, "Address already in use.", "CSocket.Listen");
        FAIL() << "raiseError returned";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 10048);
        EXPECT_EQ(error.description(), "Address already in use.");
        EXPECT_EQ(error.source(), "CSocket.Listen");
    }
}

TEST(RuntimeErrorTest, CheckedAdditionOverflowsInsteadOfWrapping) {
    std::int32_t counter = std::numeric_limits<std::int32_t>::max() - 1;
    addChecked(counter, 1, "numbers");
    EXPECT_EQ(counter, std::numeric_limits<std::int32_t>::max());
    try {
        addChecked(counter, 1, "numbers");
        FAIL() << "no overflow";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), kOverflowError);
        EXPECT_EQ(error.source(), "numbers");
    }
    EXPECT_EQ(counter, std::numeric_limits<std::int32_t>::max());
}
