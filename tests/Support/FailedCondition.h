// The condition of a refused internal check ("LngRows>=0"), without the source unit and
// line it stands on, so that tests do not depend on line numbers.
#pragma once

#include <string>

#include "KQmessage/Check.h"

inline std::string FailedCondition(const TCheckFailure& failure) {
    const std::string text = failure.what();
    const std::string prefix = "Assertion failed: ";
    return text.substr(prefix.size(), text.rfind(", file ") - prefix.size());
}
