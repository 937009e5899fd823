#include "KQmessage/NumberText.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>

#include "KQmessage/Check.h"

namespace NumberText {

namespace {

// Character tests of the C locale, which the conversions were defined in.
constexpr bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool IsHexDigit(char c) {
    return IsDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'f');
}

constexpr bool IsSign(char c) {
    return c == '+' || c == '-';
}

std::string_view SkipSpace(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && IsSpace(text[start])) {
        ++start;
    }
    return text.substr(start);
}

std::string_view SkipSign(std::string_view text) {
    return !text.empty() && IsSign(text[0]) ? text.substr(1) : text;
}

// Case-insensitive; `word` is lower case.
bool StartsWithWord(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (Lower(text[i]) != word[i]) {
            return false;
        }
    }
    return true;
}

bool IsHexPrefix(std::string_view body) {
    return body.size() >= 2 && body[0] == '0' && Lower(body[1]) == 'x';
}

// Whether "%f" matches a number at `body` (the text after white space and sign). The C
// library's scanner commits to what it has read: "inf" followed by "i" must go on to a
// complete "infinity", and "0x" must be followed by a hexadecimal digit or a point, although
// strtod would settle for "inf" or "0" there.
bool FloatConversionAccepts(std::string_view body) {
    if (body.empty()) {
        return false;
    }
    switch (Lower(body[0])) {
        case 'n':
            return StartsWithWord(body, "nan");
        case 'i':
            if (!StartsWithWord(body, "inf")) {
                return false;
            }
            return body.size() == 3 || Lower(body[3]) != 'i' || StartsWithWord(body, "infinity");
        default:
            break;
    }
    if (IsHexPrefix(body)) {
        return body.size() > 2 && (IsHexDigit(body[2]) || body[2] == '.');
    }
    return IsDigit(body[0]) || (body[0] == '.' && body.size() > 1 && IsDigit(body[1]));
}

// The forms std::from_chars does not take (hexadecimal, inf, nan with its payload) and the
// values it reports as out of range go through strtod itself.
double ConvertWithStrtod(std::string_view number) {
    std::array<char, 512> terminated{};
    if (number.size() < terminated.size()) {
        number.copy(terminated.data(), number.size());
        return std::strtod(terminated.data(), nullptr);
    }
    const std::string copy(number);
    return std::strtod(copy.c_str(), nullptr);
}

bool IsPlainDecimal(std::string_view body) {
    return (IsDigit(body[0]) || body[0] == '.') && !IsHexPrefix(body);
}

std::string_view Written(std::span<char> out, std::to_chars_result result) {
    ZORF_ASSERT(result.ec == std::errc{});
    return {out.data(), static_cast<std::size_t>(result.ptr - out.data())};
}

}  // namespace

ScannedInteger ScanInteger(std::string_view text) {
    const std::string_view number = SkipSpace(text);
    const std::string_view digits = SkipSign(number);
    if (digits.empty() || !IsDigit(digits[0])) {
        return {IntegerScan::NotFound, 0};
    }
    // std::from_chars takes a minus sign but no plus sign.
    const char* first = number[0] == '-' ? number.data() : digits.data();
    std::int64_t value = 0;
    const std::from_chars_result result =
        std::from_chars(first, number.data() + number.size(), value);
    if (result.ec != std::errc{} || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return {IntegerScan::OutOfRange, 0};
    }
    return {IntegerScan::Found, static_cast<std::int32_t>(value)};
}

std::optional<double> ScanReal(std::string_view text) {
    const std::string_view number = SkipSpace(text);
    const std::string_view body = SkipSign(number);
    if (!FloatConversionAccepts(body)) {
        return std::nullopt;
    }
    if (IsPlainDecimal(body)) {
        const char* first = number[0] == '-' ? number.data() : body.data();
        double value = 0.0;
        const std::from_chars_result result =
            std::from_chars(first, number.data() + number.size(), value);
        if (result.ec == std::errc{}) {
            return value;
        }
    }
    return ConvertWithStrtod(number);
}

std::string_view FormatInteger(std::span<char> out, std::int64_t value) {
    ZORF_ASSERT(out.size() >= kIntegerTextSize);
    return Written(out, std::to_chars(out.data(), out.data() + out.size(), value));
}

std::string_view FormatFixed(std::span<char> out, double value, int decimals) {
    ZORF_ASSERT(decimals >= 0 && decimals <= kMaxDecimals);
    ZORF_ASSERT(out.size() >= FixedTextSize(decimals));
    return Written(out, std::to_chars(out.data(), out.data() + out.size(), value,
                                      std::chars_format::fixed, decimals));
}

std::string_view FormatGeneral(std::span<char> out, double value, int significant) {
    ZORF_ASSERT(significant >= 0 && significant <= kMaxSignificant);
    ZORF_ASSERT(out.size() >= kGeneralTextSize);
    return Written(out, std::to_chars(out.data(), out.data() + out.size(), value,
                                      std::chars_format::general, significant));
}

std::string_view FormatShortest(std::span<char> out, double value) {
    ZORF_ASSERT(out.size() >= kGeneralTextSize);
    return Written(out, std::to_chars(out.data(), out.data() + out.size(), value));
}

}  // namespace NumberText
