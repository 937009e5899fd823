#include "KQmessage/KQML.h"

#include <gtest/gtest.h>

#include <functional>

#include "KQmessage/Check.h"

namespace {

std::unique_ptr<TKQstructure> ParseAll(const std::string& text) {
    const char* cursor = text.c_str();
    return TKQstructure::ParseText(cursor);
}

TEST(KQstructure, TextFormRoundTrips) {
    const struct {
        const char* text;
        const char* printed;
    } cases[] = {
        {"(error :type invalid-message :expected rows)",
         "(error :type invalid-message :expected rows)"},
        {"hello", "hello"},
        {"(hello)", "hello"},
        {"  (a :K 1 :k 2)  ", "(a :K 2)"},
        {"(a:b)", "a:b"},
        {"(a :x (b :y c) :z d)", "(a :x (b :y c) :z d)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseAll(c.text)->ToText(), c.printed) << c.text;
    }
}

TEST(KQstructure, ParseReadsOneExpressionAndAdvancesTheCursor) {
    const std::string text = "first\x80second (x :k v)";
    const char* cursor = text.c_str();
    EXPECT_EQ(TKQstructure::Parse(cursor)->ToText(), "first");
    EXPECT_EQ(TKQstructure::Parse(cursor)->ToText(), "second");
    EXPECT_EQ(TKQstructure::Parse(cursor)->ToText(), "(x :k v)");
    EXPECT_EQ(*cursor, '\0');
}

TEST(KQstructure, MalformedTextIsRefusedWithItsCondition) {
    const struct {
        const char* text;
        const char* condition;
        const char* console;
    } cases[] = {
        {"()", "Assertion failed: 0,", "special character unexpected\n"},
        {"(a :)", "Assertion failed: 0,", "special character unexpected\n"},
        {"", "Assertion failed: 0,", "special character unexpected\n"},
        {":", "Assertion failed: 0,", "special character unexpected\n"},
        {"(a b)", "Assertion failed: *s == ')',", ""},
        {"(a :k v", "Assertion failed: *s == ')',", ""},
        {"a b", "Assertion failed: *s == '\\0',", ""},
        {"(a :k v) )", "Assertion failed: *s == '\\0',", ""},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        try {
            ParseAll(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const TCheckFailure& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.condition, 0), 0U) << e.what();
            EXPECT_NE(std::string(e.what()).find("file KQmessage/KQML.cpp, line "),
                      std::string::npos);
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.console) << c.text;
    }
}

TEST(KQstructure, PairArrayGrowsByDoublingAndKeepsOrder) {
    TKQstructure s;
    EXPECT_EQ(s.Head(), "unknown");
    EXPECT_EQ(s.Capacity(), 16);
    std::string expected = "(unknown";
    for (int i = 0; i < 17; ++i) {
        s.SetInteger("k" + std::to_string(i), i);
        expected += " :k" + std::to_string(i) + " " + std::to_string(i);
        EXPECT_EQ(s.Capacity(), i < 16 ? 16 : 32);
    }
    EXPECT_EQ(s.ToText(), expected + ")");
    const TKQstructure copy(s);
    EXPECT_EQ(copy.Capacity(), 17);
    EXPECT_EQ(copy.ToText(), s.ToText());
}

TEST(KQstructure, RemoveKeyMovesTheLastPairIntoTheGap) {
    TKQstructure s("h");
    s.SetString("a", "1");
    s.SetString("b", "2");
    s.SetString("c", "3");
    s.RemoveKey("A");
    EXPECT_EQ(s.ToText(), "(h :c 3 :b 2)");
    s.RemoveKey("absent");
    s.RemoveKey("b");
    EXPECT_EQ(s.ToText(), "(h :c 3)");
}

TEST(KQstructure, CopiesAreDeepAndSelfAssignmentChangesNothing) {
    auto original = ParseAll("(a :x (b :y c))");
    TKQstructure copy;
    copy = *original;
    original->GetValue("x").SetString("y", "changed");
    EXPECT_EQ(copy.ToText(), "(a :x (b :y c))");
    TKQstructure& self = copy;
    copy = self;
    EXPECT_EQ(copy.ToText(), "(a :x (b :y c))");
}

TEST(KQstructure, ValuesAreFormattedAsTheConversionsWrite) {
    TKQstructure s("v");
    s.SetReal("x", 0.25);
    s.SetInteger("rows", -3);
    s.SetBoolean("flag", true);
    s.SetString("expected", "two words");
    EXPECT_EQ(s.ToText(), "(v :x 0.250000 :rows -3 :flag true :expected two words)");
}

std::string ReportOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TKQstructure::Error& e) {
        return e.report->ToText();
    }
    return "no error";
}

TEST(KQstructure, ErrorsCarryTheirReports) {
    auto s = ParseAll("(m :type Data)");
    EXPECT_EQ(ReportOf([&] { s->GetRequiredValue("rows"); }),
              "(error :type invalid-message :expected rows)");
    EXPECT_EQ(ReportOf([&] { s->CheckKeyValue("rows", ""); }),
              "(error :type invalid-message :expected rows)");
    EXPECT_EQ(ReportOf([&] { s->CheckKeyValue("TYPE", "data"); }), "no error");
    EXPECT_EQ(ReportOf([&] { s->CheckKeyValue("type", ""); }), "no error");
    EXPECT_EQ(ReportOf([&] { s->CheckKeyValue("type", "net"); }),
              "(error :type invalid-message :tag type :expected-value net)");
    EXPECT_EQ(ReportOf([] { AtomToBoolean("yes"); }), "(error :type type-error :expected boolean)");
    EXPECT_EQ(ReportOf([] { RequireInteger("abc"); }),
              "(error :type invalid-message :integer-expected abc)");
    EXPECT_EQ(ReportOf([] { RequireReal("x1"); }),
              "(error :type invalid-message :number-expected x1)");
}

TEST(KQstructure, ConversionsAcceptWhatTheScanningConversionsAccept) {
    EXPECT_TRUE(AtomToBoolean("True"));
    EXPECT_TRUE(AtomToBoolean("TRUE"));
    EXPECT_FALSE(AtomToBoolean("false"));
    EXPECT_EQ(RequireInteger("12abc"), 12);
    EXPECT_EQ(RequireInteger("  -7"), -7);
    EXPECT_EQ(AtomToInteger("+5"), 5);
    EXPECT_DOUBLE_EQ(RequireReal("2.5e-1x"), 0.25);
    EXPECT_DOUBLE_EQ(AtomToReal(".5"), 0.5);
    EXPECT_THROW(AtomToInteger("abc"), TCheckFailure);
    EXPECT_THROW(AtomToInteger("99999999999"), TCheckFailure);
    EXPECT_THROW(AtomToReal("abc"), TCheckFailure);
}

TEST(KQstructure, JoinArgumentsSkipsTheProgramName) {
    const char* argv[] = {"prog", "a", "b"};
    EXPECT_EQ(JoinArguments(3, argv), "a b ");
    EXPECT_EQ(JoinArguments(1, argv), "");
    EXPECT_EQ(JoinArguments(0, argv), "");
}

TEST(KQstructure, MakeErrorMessage) {
    EXPECT_EQ(MakeErrorMessage("file-read-error")->ToText(), "(error :type file-read-error)");
}

}  // namespace
