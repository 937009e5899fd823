// JSON text written value by value, for the programs' and the module's data outputs: commas,
// escapes and numbers are this writer's business, the layout the caller's.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ZORF_EXPORT TJsonText {
  public:
    TJsonText& BeginObject() { return Open('{'); }
    TJsonText& BeginArray() { return Open('['); }
    // Closes the innermost object or array.
    TJsonText& End();
    // The name of the next value inside an object.
    TJsonText& Key(std::string_view name);

    // A number reads back as the same double (17 significant digits); JSON has no spelling
    // for nan and the infinities, which become null.
    TJsonText& Number(double value);
    TJsonText& Integer(std::int64_t value);
    TJsonText& String(std::string_view text);
    TJsonText& Boolean(bool value);
    TJsonText& Numbers(const std::vector<double>& values);

    const std::string& Text() const { return text; }

  private:
    std::string text;
    std::vector<char> closers;
    // Whether the next value or key is the first of its object or array, or follows its key.
    bool first = true;

    TJsonText& Open(char bracket);
    void Separate();
};
