// Internal checks.
//
// Two kinds, chosen per check site:
//   ZORF_ASSERT(cond)   a programming error no input can reach: reports and aborts.
//   ZORF_CHECK(cond)    a condition the content of a file or text can reach: throws
//                       TCheckFailure, so the load is refused and the caller decides.
//   ZORF_FAIL(text)     as ZORF_ASSERT, for sites whose condition text is given verbatim.
//   ZORF_REFUSE(text)   as ZORF_CHECK, for sites whose condition text is given verbatim.
// Both report "Assertion failed: <condition>, file <unit>, line <n>".
#pragma once

#include "KQmessage/Export.h"

#include <stdexcept>
#include <string>

// A refused load: the text names the failed condition, its source unit and line.
class ZORF_EXPORT TCheckFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

namespace ZorfCheck {

// The source unit as reports name it: the path below "src/" ("Zorf/TZorf.cpp").
constexpr const char* SourceUnit(const char* path) {
    const char* unit = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (p[0] == 's' && p[1] == 'r' && p[2] == 'c' && p[3] == '/') {
            unit = p + 4;
        }
    }
    return unit;
}

ZORF_EXPORT std::string FailureText(const char* condition, const char* unit, int line);
[[noreturn]] void Abort(const char* condition, const char* unit, int line);
[[noreturn]] void Refuse(const char* condition, const char* unit, int line);

}  // namespace ZorfCheck

#define ZORF_ASSERT(cond) \
    ((cond) ? (void)0 : ZorfCheck::Abort(#cond, ZorfCheck::SourceUnit(__FILE__), __LINE__))
#define ZORF_CHECK(cond) \
    ((cond) ? (void)0 : ZorfCheck::Refuse(#cond, ZorfCheck::SourceUnit(__FILE__), __LINE__))
#define ZORF_FAIL(conditionText) \
    ZorfCheck::Abort(conditionText, ZorfCheck::SourceUnit(__FILE__), __LINE__)
#define ZORF_REFUSE(conditionText) \
    ZorfCheck::Refuse(conditionText, ZorfCheck::SourceUnit(__FILE__), __LINE__)
