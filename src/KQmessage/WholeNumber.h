// Numbers that must fill their whole text, as settings and log fields do: the number parser
// of the system reads a leading number and ignores what follows it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "KQmessage/NumberText.h"

namespace WholeNumber {

// A decimal number ("0.25", "-3", "1e-05"), or the "%g" spellings of infinities and
// not-a-number; none when anything else stands in the text.
inline std::optional<double> Real(std::string_view text) {
    const std::string terminated = std::string(text) + ' ';
    if (const auto leading = NumberText::ScanLeadingDecimal(terminated)) {
        if (leading->length == text.size()) {
            return leading->value;
        }
        return std::nullopt;
    }
    if (text == "inf" || text == "-inf" || text == "nan" || text == "-nan") {
        return NumberText::ScanReal(text);
    }
    return std::nullopt;
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
