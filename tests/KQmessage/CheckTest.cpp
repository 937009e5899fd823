#include "KQmessage/Check.h"

#include <gtest/gtest.h>

namespace {

TEST(Check, SourceUnitIsThePathBelowSrc) {
    EXPECT_STREQ(ZorfCheck::SourceUnit("/a/src/Zorf/TZorf.cpp"), "Zorf/TZorf.cpp");
    EXPECT_STREQ(ZorfCheck::SourceUnit("/x/src/b/src/Data.cpp"), "Data.cpp");
    EXPECT_STREQ(ZorfCheck::SourceUnit("plain.cpp"), "plain.cpp");
}

TEST(Check, RefusalNamesConditionUnitAndLine) {
    const int line = __LINE__ + 2;
    try {
        ZORF_CHECK(1 + 1 == 3);
        FAIL();
    } catch (const TCheckFailure& e) {
        EXPECT_EQ(std::string(e.what()), "Assertion failed: 1 + 1 == 3, file " +
                                             std::string(ZorfCheck::SourceUnit(__FILE__)) +
                                             ", line " + std::to_string(line));
    }
    EXPECT_THROW(ZORF_REFUSE("numlayers == 6"), TCheckFailure);
    EXPECT_NO_THROW(ZORF_CHECK(true));
}

TEST(CheckDeathTest, ProgrammingErrorAbortsWithTheReport) {
    EXPECT_DEATH(ZORF_ASSERT(2 < 1), "Assertion failed: 2 < 1, file .*CheckTest.cpp, line [0-9]+");
}

}  // namespace
