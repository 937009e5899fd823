#include "KQmessage/TException.h"

#include <gtest/gtest.h>

#include "KQmessage/KQML.h"

namespace {

TEST(TException, ConstructorFormsSetTheirFields) {
    const TException none;
    EXPECT_EQ(none.message, "");
    EXPECT_FALSE(none.category.has_value());
    EXPECT_FALSE(none.where.has_value());
    EXPECT_EQ(none.details, nullptr);

    const TException twoTexts("Invalid Data Row", nullptr);
    EXPECT_EQ(twoTexts.message, "Invalid Data Row");
    EXPECT_FALSE(twoTexts.category.has_value());

    const TException full("Invalid weight layer", kBadParameter, "TZorf::GetWeightValue",
                          MakeErrorMessage("bad"));
    EXPECT_EQ(full.message, "Invalid weight layer");
    EXPECT_EQ(full.category, "Bad Parameter");
    EXPECT_EQ(full.where, "TZorf::GetWeightValue");
    EXPECT_EQ(full.details->ToText(), "(error :type bad)");
    EXPECT_STREQ(full.what(), "Invalid weight layer");
}

TEST(TException, CopiesOwnTheirDetails) {
    TException original("m", kNullPointerParameter, "TZorf::Recall", MakeErrorMessage("a"));
    TException copy(original);
    TException assigned;
    assigned = original;
    original.details->SetString("type", "changed");
    EXPECT_EQ(copy.details->ToText(), "(error :type a)");
    EXPECT_EQ(assigned.details->ToText(), "(error :type a)");
    EXPECT_EQ(assigned.category, "Null Pointer Parameter");

    try {
        throw copy;
    } catch (const TException& caught) {
        const TException handed = caught;
        EXPECT_EQ(handed.details->ToText(), "(error :type a)");
    }
}

}  // namespace
