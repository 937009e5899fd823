// The one number parser and formatter of the system. The file formats and messages were
// defined by the C conversions "%ld", "%f" (reading) and "%ld", "%.*f", "%.*g" (writing);
// these functions keep their acceptance and their text byte for byte, but compute with
// std::from_chars / std::to_chars and never allocate on the common forms.
#pragma once

#include "KQmessage/Export.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace NumberText {

enum class IntegerScan { Found, NotFound, OutOfRange };

struct ZORF_EXPORT ScannedInteger {
    IntegerScan status = IntegerScan::NotFound;
    std::int32_t value = 0;
};

// "%ld": leading white space, an optional sign and at least one decimal digit; text after
// the number is ignored. A value outside 32 bits is reported, not wrapped.
ZORF_EXPORT ScannedInteger ScanInteger(std::string_view text);

// Accepted exactly when "%f" accepts the text (leading white space, sign, ".5", exponents,
// inf/infinity, nan, hexadecimal forms; text after the number is ignored); the value is the
// full double conversion of the text, as strtod gives it.
ZORF_EXPORT std::optional<double> ScanReal(std::string_view text);

// A number in plain decimal form (digits first, after an optional minus sign) at the start of
// `text`, with the number of bytes it takes: ScanReal of exactly those bytes gives the same
// value. None for any other form, for a value out of range, and when the number reaches the
// end of `text` (it might go on beyond).
struct ZORF_EXPORT LeadingReal {
    double value = 0.0;
    std::size_t length = 0;
};
// Inline: the data set reader calls it for every number.
inline std::optional<LeadingReal> ScanLeadingDecimal(std::string_view text) {
    const std::size_t sign = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() <= sign || text[sign] < '0' || text[sign] > '9') {
        return std::nullopt;
    }
    // A leading "0x" or "0X" is hexadecimal.
    if (text[sign] == '0' && text.size() > sign + 1 && (text[sign + 1] | 0x20) == 'x') {
        return std::nullopt;
    }
    double value = 0.0;
    const std::from_chars_result result =
        std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc{} || result.ptr == text.data() + text.size()) {
        return std::nullopt;
    }
    return LeadingReal{value, static_cast<std::size_t>(result.ptr - text.data())};
}

// Room the formatters need in the caller's buffer.
inline constexpr std::size_t kIntegerTextSize = 20;  // sign and 19 digits
inline constexpr int kMaxSignificant = 40;
inline constexpr std::size_t kGeneralTextSize = kMaxSignificant + 8;  // sign, point, "e-308"
inline constexpr int kMaxDecimals = 1100;
constexpr std::size_t FixedTextSize(int decimals) {
    return 311 + static_cast<std::size_t>(decimals);  // sign, 309 digits, point
}

// Each writes into `out` and returns the text written there: "%ld", "%.*f" and "%.*g".
ZORF_EXPORT std::string_view FormatInteger(std::span<char> out, std::int64_t value);
ZORF_EXPORT std::string_view FormatFixed(std::span<char> out, double value, int decimals);
ZORF_EXPORT std::string_view FormatGeneral(std::span<char> out, double value, int significant);
// The shortest text that reads back as the same double ("0.1", "1.7976931348623157e+308"),
// for files whose readers must get every bit back; needs kGeneralTextSize.
ZORF_EXPORT std::string_view FormatShortest(std::span<char> out, double value);

}  // namespace NumberText
