// Numbers that must fill their whole text, as settings, options and log fields do: the number
// parser of the system reads a leading number and ignores what follows it. Every program reads
// its whole-text numbers here.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "KQmessage/NumberText.h"

namespace WholeNumber {

// A plain decimal number ("0.25", "-3", "1e-05"); none when anything else stands in the text.
inline std::optional<double> Decimal(std::string_view text) {
    // The scanner wants to see where the number ends.
    const std::string terminated = std::string(text) + ' ';
    const auto leading = NumberText::ScanLeadingDecimal(terminated);
    if (!leading || leading->length != text.size()) {
        return std::nullopt;
    }
    return leading->value;
}

// A decimal number, or the "%g" spellings of infinities and not-a-number; none when anything
// else stands in the text.
inline std::optional<double> Real(std::string_view text) {
    if (const std::optional<double> decimal = Decimal(text)) {
        return decimal;
    }
    if (text == "inf" || text == "-inf" || text == "nan" || text == "-nan") {
        return NumberText::ScanReal(text);
    }
    return std::nullopt;
}

// Decimal digits after an optional '-', within 64 bits.
inline std::optional<std::int64_t> Integer(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Decimal digits only, within 32 bits.
inline std::optional<std::int32_t> Count(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    const NumberText::ScannedInteger scanned = NumberText::ScanInteger(text);
    if (scanned.status != NumberText::IntegerScan::Found) {
        return std::nullopt;
    }
    return scanned.value;
}

}  // namespace WholeNumber
