#include "KQmessage/Check.h"

#include <cstdio>
#include <cstdlib>

namespace ZorfCheck {

std::string FailureText(const char* condition, const char* unit, int line) {
    return std::string("Assertion failed: ") + condition + ", file " + unit + ", line " +
           std::to_string(line);
}

void Abort(const char* condition, const char* unit, int line) {
    std::fputs((FailureText(condition, unit, line) + "\n").c_str(), stderr);
    std::fflush(stderr);
    std::abort();
}

void Refuse(const char* condition, const char* unit, int line) {
    throw TCheckFailure(FailureText(condition, unit, line));
}

}  // namespace ZorfCheck
