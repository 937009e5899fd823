#include "KQmessage/NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

// The C library's conversions are the reference: every text and value must agree with
// sscanf, strtod and snprintf exactly.
namespace {

using NumberText::IntegerScan;

std::optional<double> ReferenceReal(const std::string& text) {
    double scanned = 0.0;
    if (std::sscanf(text.c_str(), "%lf", &scanned) != 1) {
        return std::nullopt;
    }
    return std::strtod(text.c_str(), nullptr);
}

NumberText::ScannedInteger ReferenceInteger(const std::string& text) {
    long value = 0;
    if (std::sscanf(text.c_str(), "%ld", &value) != 1) {
        return {IntegerScan::NotFound, 0};
    }
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return {IntegerScan::OutOfRange, 0};
    }
    return {IntegerScan::Found, static_cast<std::int32_t>(value)};
}

void ExpectSameReal(const std::string& text) {
    const std::optional<double> expected = ReferenceReal(text);
    const std::optional<double> actual = NumberText::ScanReal(text);
    ASSERT_EQ(actual.has_value(), expected.has_value()) << '"' << text << '"';
    if (expected) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*actual), std::bit_cast<std::uint64_t>(*expected))
            << '"' << text << "\" gives " << *actual << " instead of " << *expected;
    }
}

void ExpectSameInteger(const std::string& text) {
    const NumberText::ScannedInteger expected = ReferenceInteger(text);
    const NumberText::ScannedInteger actual = NumberText::ScanInteger(text);
    ASSERT_EQ(actual.status, expected.status) << '"' << text << '"';
    EXPECT_EQ(actual.value, expected.value) << '"' << text << '"';
}

std::string RandomText(std::mt19937_64& random, std::string_view alphabet, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text(length(random), ' ');
    for (char& c : text) {
        c = alphabet[pick(random)];
    }
    return text;
}

// A decimal text with many digits and a wide exponent: exercises correct rounding,
// overflow to infinity and underflow to subnormals and zero.
std::string RandomDecimal(std::mt19937_64& random) {
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> digits(1, 30);
    std::uniform_int_distribution<int> exponent(-360, 330);
    std::string text = random() % 2 ? "-" : "";
    const int count = digits(random);
    const int point = static_cast<int>(random() % static_cast<unsigned>(count + 1));
    for (int i = 0; i < count; ++i) {
        if (i == point) {
            text += '.';
        }
        text += static_cast<char>('0' + digit(random));
    }
    if (random() % 3 != 0) {
        text += (random() % 2 ? "e" : "E") + std::to_string(exponent(random));
    }
    return text;
}

double RandomBits(std::mt19937_64& random) {
    return std::bit_cast<double>(static_cast<std::uint64_t>(random()));
}

TEST(NumberTextScanReal, AgreesWithTheCLibraryOnTrickyTexts) {
    const char* const texts[] = {
        "",
        " ",
        "1e",
        "1e+",
        "1e+x",
        "0x",
        "0x.",
        "0xp1",
        "0x1p",
        "0x1p+",
        "0xg",
        "-0x",
        "0x1.8",
        "0X1P-1074",
        "0x.p1",
        "00x1",
        "0x.8",
        "in",
        "inf",
        "infin",
        "infinit",
        "infinity",
        "INFINITYx",
        "-inf",
        "nan",
        "nan(",
        "nan(12)",
        "nan(12",
        "nanx",
        "-nan",
        "+nan",
        "nan()",
        "nan(_a9)",
        "nan(-)",
        "na",
        ".",
        "-.",
        "+",
        "-",
        ".e1",
        "e5",
        "  5",
        "\t5",
        "\v5",
        "\f5",
        "\r\n5",
        "1.",
        ".5",
        "-.5",
        "+.5",
        "1..2",
        "+-1",
        "--1",
        "- 1",
        "12abc",
        "2.5e-1x",
        "1e99999",
        "-1e99999",
        "1e-400",
        "2e-324",
        "4.9e-324",
        "5e-324",
        "0.1",
        "1,5",
        "1e3.5",
        "2.2250738585072011e-308",
        "1.7976931348623157e308",
        "1.7976931348623159e308",
        "0000000000000000000000001.5",
    };
    for (const char* text : texts) {
        ExpectSameReal(text);
    }
}

TEST(NumberTextScanReal, AgreesWithTheCLibraryOnGeneratedTexts) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 200000; ++i) {
        ExpectSameReal(RandomText(random, " \t+-.0123456789eExXpPabcdfFiInNtTyY()_z", 12));
        ExpectSameReal(RandomDecimal(random));
    }
    char text[64];
    for (int i = 0; i < 50000; ++i) {
        const double value = RandomBits(random);
        std::snprintf(text, sizeof text, "%.17g", value);
        ExpectSameReal(text);
        std::snprintf(text, sizeof text, "%a", value);
        ExpectSameReal(text);
    }
}

// A leading plain decimal is what ScanReal reads from exactly its bytes; other forms, and a
// number that may go on past the text, are left to ScanReal.
void ExpectLeadingDecimalAsScanned(const std::string& text) {
    const std::optional<NumberText::LeadingReal> leading = NumberText::ScanLeadingDecimal(text);
    if (!leading) {
        return;
    }
    ASSERT_LT(leading->length, text.size()) << '"' << text << '"';
    const std::optional<double> scanned = NumberText::ScanReal(text.substr(0, leading->length));
    ASSERT_TRUE(scanned.has_value()) << '"' << text << '"';
    EXPECT_EQ(std::bit_cast<std::uint64_t>(leading->value), std::bit_cast<std::uint64_t>(*scanned))
        << '"' << text << '"';
    EXPECT_FALSE(NumberText::ScanLeadingDecimal(text.substr(0, leading->length)).has_value());
}

TEST(NumberTextScanLeadingDecimal, ReadsPlainDecimalsAsScanRealDoes) {
    const struct {
        const char* text;
        double value;
        std::size_t length;
    } found[] = {{"0.5 ", 0.5, 3},   {"-12e-3,", -0.012, 6}, {"7]", 7.0, 1},
                 {"12abc", 12.0, 2}, {"1.5e 2", 1.5, 3},     {"00x1 ", 0.0, 2}};
    for (const auto& f : found) {
        const std::optional<NumberText::LeadingReal> leading =
            NumberText::ScanLeadingDecimal(f.text);
        ASSERT_TRUE(leading.has_value()) << f.text;
        EXPECT_EQ(leading->value, f.value) << f.text;
        EXPECT_EQ(leading->length, f.length) << f.text;
    }
    for (const char* text : {"", "1.5", "+1 ", ".5 ", "-.5 ", "0x10 ", "-0X1 ", "inf ", "nan ",
                             "1e999 ", "-1e99999 ", "- 1", "--1 ", "e5 "}) {
        EXPECT_FALSE(NumberText::ScanLeadingDecimal(text).has_value()) << '"' << text << '"';
    }
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 100000; ++i) {
        ExpectLeadingDecimalAsScanned(RandomText(random, " +-.0123456789eExX,]a", 14));
        ExpectLeadingDecimalAsScanned(RandomDecimal(random) + " ");
    }
    // Numbers as the data set writer and other programs write them: 15 to 17 significant
    // digits and fixed forms with up to 25 decimals, of values of every size.
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> scale(-30, 30);
    std::uniform_int_distribution<int> decimals(0, 25);
    char text[400];
    for (int i = 0; i < 50000; ++i) {
        const double value = std::ldexp(unit(random), scale(random));
        for (const int digits : {15, 17}) {
            std::snprintf(text, sizeof text, "%.*g ", digits, value);
            ExpectLeadingDecimalAsScanned(text);
        }
        std::snprintf(text, sizeof text, "%.*f]", decimals(random), value);
        ExpectLeadingDecimalAsScanned(text);
    }
}

TEST(NumberTextScanInteger, AgreesWithTheCLibrary) {
    const char* const texts[] = {
        "",
        " ",
        "+",
        "-",
        "+-1",
        "- 1",
        "12abc",
        "  -7",
        "\n\t+42",
        "007",
        "0x1F",
        "1.5",
        "1e3",
        "2147483647",
        "2147483648",
        "-2147483648",
        "-2147483649",
        "4294967296",
        "9223372036854775807",
        "9223372036854775808",
        "-9223372036854775809",
        "99999999999999999999999",
        "abc",
        "Labels",
    };
    for (const char* text : texts) {
        ExpectSameInteger(text);
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        ExpectSameInteger(RandomText(random, " +-0123456789x", 14));
    }
}

std::string ReferenceText(const char* format, int precision, double value) {
    std::vector<char> text(NumberText::FixedTextSize(NumberText::kMaxDecimals) + 1);
    const int length = std::snprintf(text.data(), text.size(), format, precision, value);
    return std::string(text.data(), static_cast<std::size_t>(length));
}

std::vector<double> FormattingValues() {
    std::vector<double> values = {
        0.0,
        -0.0,
        0.5,
        1.5,
        2.5,
        -2.5,
        0.125,
        0.375,
        1e-5,
        1e-4,
        0.0001234,
        1e15,
        1e16,
        1e21,
        1e22,
        123456789012345678.0,
        0.1,
        1.0 / 3.0,
        999999.5,
        9.9999999999999995e-7,
        std::numeric_limits<double>::max(),
        std::numeric_limits<double>::min(),
        std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::quiet_NaN(),
    };
    std::mt19937_64 random(99);
    for (int i = 0; i < 3000; ++i) {
        values.push_back(RandomBits(random));
        // Values near the rounding boundaries of short decimal texts.
        const double scale = std::pow(10.0, static_cast<int>(random() % 12) - 4);
        values.push_back((static_cast<double>(random() % 2000001) - 1000000.0) / 8.0 * scale);
    }
    return values;
}

TEST(NumberTextFormat, FixedAndGeneralMatchPrintf) {
    std::vector<char> buffer(NumberText::FixedTextSize(NumberText::kMaxDecimals));
    const int fixedPrecisions[] = {0, 1, 2, 3, 6, 9, 15, 17, 20, 40, 330, NumberText::kMaxDecimals};
    const int generalPrecisions[] = {0, 1, 2, 6, 15, 16, 17, 25, NumberText::kMaxSignificant};
    for (const double value : FormattingValues()) {
        for (const int decimals : fixedPrecisions) {
            ASSERT_EQ(NumberText::FormatFixed(buffer, value, decimals),
                      ReferenceText("%.*f", decimals, value));
        }
        for (const int significant : generalPrecisions) {
            ASSERT_EQ(NumberText::FormatGeneral(buffer, value, significant),
                      ReferenceText("%.*g", significant, value));
        }
    }
}

TEST(NumberTextFormat, IntegerMatchesPrintf) {
    std::vector<std::int64_t> values = {0,
                                        -1,
                                        7,
                                        std::numeric_limits<std::int32_t>::max(),
                                        std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int64_t>::max(),
                                        std::numeric_limits<std::int64_t>::min()};
    std::mt19937_64 random(5);
    for (int i = 0; i < 10000; ++i) {
        values.push_back(static_cast<std::int64_t>(random()) >> (random() % 64));
    }
    char buffer[NumberText::kIntegerTextSize];
    char expected[32];
    for (const std::int64_t value : values) {
        std::snprintf(expected, sizeof expected, "%ld", static_cast<long>(value));
        ASSERT_EQ(NumberText::FormatInteger(buffer, value), expected);
    }
}

}  // namespace
