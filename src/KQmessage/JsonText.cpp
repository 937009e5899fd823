#include "KQmessage/JsonText.h"

#include <array>
#include <cmath>

#include "KQmessage/Check.h"
#include "KQmessage/NumberText.h"

TJsonText& TJsonText::Open(char bracket) {
    Separate();
    text += bracket;
    closers.push_back(bracket == '{' ? '}' : ']');
    first = true;
    return *this;
}

TJsonText& TJsonText::End() {
    ZORF_ASSERT(!closers.empty());
    text += closers.back();
    closers.pop_back();
    first = false;
    return *this;
}

TJsonText& TJsonText::Key(std::string_view name) {
    String(name);
    text += ':';
    first = true;
    return *this;
}

TJsonText& TJsonText::Number(double value) {
    Separate();
    if (!std::isfinite(value)) {
        text += "null";
        return *this;
    }
    std::array<char, NumberText::kGeneralTextSize> digits{};
    text += NumberText::FormatGeneral(digits, value, 17);
    return *this;
}

TJsonText& TJsonText::Integer(std::int64_t value) {
    Separate();
    std::array<char, NumberText::kIntegerTextSize> digits{};
    text += NumberText::FormatInteger(digits, value);
    return *this;
}

TJsonText& TJsonText::String(std::string_view value) {
    Separate();
    text += '"';
    for (const char c : value) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            constexpr std::string_view kHex = "0123456789abcdef";
            text += "\\u00";
            text += kHex[static_cast<unsigned char>(c) >> 4];
            text += kHex[static_cast<unsigned char>(c) & 0xf];
        } else {
            text += c;
        }
    }
    text += '"';
    return *this;
}

TJsonText& TJsonText::Boolean(bool value) {
    Separate();
    text += value ? "true" : "false";
    return *this;
}

TJsonText& TJsonText::Numbers(const std::vector<double>& values) {
    BeginArray();
    for (const double value : values) {
        Number(value);
    }
    return End();
}

void TJsonText::Separate() {
    if (!first) {
        text += ',';
    }
    first = false;
}
