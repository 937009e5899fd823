#pragma once

#include <string_view>

namespace KQML {

// The case-insensitive comparison behind every keyword, tag, type and function name.
// Compares upper-case forms as unsigned bytes; returns -1, 0 or 1. Because upper-case
// forms are compared, '_' (95) sorts after every letter.
int strcasecmp(std::string_view a, std::string_view b) noexcept;

}  // namespace KQML
