#include "KQmessage/StrCaseCmp.h"

#include <gtest/gtest.h>

namespace {

struct CompareCase {
    const char* a;
    const char* b;
    int expected;
};

TEST(StrCaseCmp, OrdersUpperCaseFormsAsUnsignedBytes) {
    const CompareCase cases[] = {
        {"WeightFile", "weightfile", 0},
        {"abc", "ABD", -1},
        {"b", "A", 1},
        {"", "", 0},
        {"ab", "abc", -1},
        {"abc", "ab", 1},
        {"a", "_", -1},
        {"_", "z", 1},
        {"\xe9", "e", 1},
    };
    for (const CompareCase& c : cases) {
        EXPECT_EQ(KQML::strcasecmp(c.a, c.b), c.expected) << c.a << " vs " << c.b;
    }
}

}  // namespace
