#include "KQmessage/KQML.h"

#include "KQmessage/Check.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/StrCaseCmp.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

TKQstructure::TKQstructure() : head("unknown") {
    pairs.reserve(kInitialCapacity);
}

TKQstructure::TKQstructure(std::string_view headText) : head(headText) {
    pairs.reserve(kInitialCapacity);
}

TKQstructure::TKQstructure(const TKQstructure& other) : head(other.head), capacity(other.Count()) {
    pairs.reserve(other.pairs.size());
    for (const Pair& pair : other.pairs) {
        pairs.push_back({pair.key, std::make_unique<TKQstructure>(*pair.value)});
    }
}

TKQstructure& TKQstructure::operator=(const TKQstructure& other) {
    if (this != &other) {
        TKQstructure copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TKQstructure::~TKQstructure() = default;

std::int32_t TKQstructure::IndexOf(std::string_view key) const {
    for (std::int32_t i = Count() - 1; i >= 0; --i) {
        if (KQML::strcasecmp(pairs[static_cast<std::size_t>(i)].key, key) == 0) {
            return i;
        }
    }
    return -1;
}

void TKQstructure::SetValue(std::string_view key, std::unique_ptr<TKQstructure> value) {
    ZORF_ASSERT(value != nullptr);
    const std::int32_t index = IndexOf(key);
    if (index >= 0) {
        pairs[static_cast<std::size_t>(index)].value = std::move(value);
        return;
    }
    if (Count() == capacity) {
        capacity = capacity < kInitialCapacity ? kInitialCapacity : capacity * 2;
        pairs.reserve(static_cast<std::size_t>(capacity));
    }
    pairs.push_back({std::string(key), std::move(value)});
}

void TKQstructure::SetString(std::string_view key, std::string_view text) {
    SetValue(key, std::make_unique<TKQstructure>(text));
}

void TKQstructure::SetBoolean(std::string_view key, bool value) {
    SetString(key, value ? "true" : "false");
}

TKQstructure* TKQstructure::FindValue(std::string_view key) const {
    const std::int32_t index = IndexOf(key);
    return index < 0 ? nullptr : pairs[static_cast<std::size_t>(index)].value.get();
}

TKQstructure& TKQstructure::GetValue(std::string_view key) const {
    TKQstructure* value = FindValue(key);
    if (value == nullptr) {
        ZORF_ASSERT(0);
    }
    return *value;
}

TKQstructure& TKQstructure::GetRequiredValue(std::string_view key) const {
    TKQstructure* value = FindValue(key);
    if (value == nullptr) {
        auto report = MakeErrorMessage("invalid-message");
        report->SetString("expected", key);
        throw Error{std::move(report)};
    }
    return *value;
}

void TKQstructure::RemoveKey(std::string_view key) {
    const std::int32_t index = IndexOf(key);
    if (index < 0) {
        return;
    }
    // The last pair moves into the freed slot, so the order of the others may change.
    auto slot = pairs.begin() + index;
    if (slot + 1 != pairs.end()) {
        *slot = std::move(pairs.back());
    }
    pairs.pop_back();
}

void TKQstructure::CheckKeyValue(std::string_view key, std::string_view expected) const {
    const TKQstructure& value = GetRequiredValue(key);
    if (expected.empty() || KQML::strcasecmp(value.head, expected) == 0) {
        return;
    }
    auto report = MakeErrorMessage("invalid-message");
    report->SetString("tag", key);
    report->SetString("expected-value", expected);
    throw Error{std::move(report)};
}

void TKQstructure::AppendText(std::string& out) const {
    if (pairs.empty()) {
        out += head;
        return;
    }
    out += '(';
    out += head;
    for (const Pair& pair : pairs) {
        out += " :";
        out += pair.key;
        out += ' ';
        pair.value->AppendText(out);
    }
    out += ')';
}

std::string TKQstructure::ToText() const {
    std::string text;
    AppendText(text);
    return text;
}

void TKQstructure::Print() const {
    std::fputs(ToText().c_str(), stdout);
}

void TKQstructure::PrintLine() const {
    Print();
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

namespace {

// Bytes 33 to 126 are visible; every other byte separates tokens.
bool IsVisible(char c) {
    return c >= 33 && c <= 126;
}

bool IsSpecial(char c, std::string_view specials) {
    return specials.find(c) != std::string_view::npos;
}

// The next token of the text form: a special alone, or a word. A ':' after the first
// character of a word belongs to the word (a:b is one word).
std::string_view NextToken(const char*& cursor, std::string_view specials) {
    while (*cursor != '\0' && !IsVisible(*cursor)) {
        ++cursor;
    }
    const char* start = cursor;
    if (*cursor == '\0') {
        return {};
    }
    if (IsSpecial(*cursor, specials)) {
        ++cursor;
        return {start, 1};
    }
    while (IsVisible(*cursor) && (!IsSpecial(*cursor, specials) || *cursor == ':')) {
        ++cursor;
    }
    return {start, static_cast<std::size_t>(cursor - start)};
}

constexpr std::string_view kParserSpecials = "():";

// A word must stand here: not the end of the text and not a special character.
std::string_view CheckWord(std::string_view token) {
    if (token.empty() || IsSpecial(token.front(), kParserSpecials)) {
        std::fputs("special character unexpected\n", stderr);
        ZORF_REFUSE("0");
    }
    return token;
}

}  // namespace

std::unique_ptr<TKQstructure> TKQstructure::Parse(const char*& cursor) {
    return ParseNested(cursor, 0);
}

// Each level of nesting is a level of recursion here and in every operation that walks
// the structure; a text of a few kilobytes must not exhaust the stack.
std::unique_ptr<TKQstructure> TKQstructure::ParseNested(const char*& cursor, std::int32_t depth) {
    auto structure = std::make_unique<TKQstructure>();
    std::string_view token = NextToken(cursor, kParserSpecials);
    if (token != "(") {
        structure->head = CheckWord(token);
        return structure;
    }
    ZORF_CHECK(depth < kMaxNesting);
    structure->head = CheckWord(NextToken(cursor, kParserSpecials));
    for (token = NextToken(cursor, kParserSpecials); token != ")";
         token = NextToken(cursor, kParserSpecials)) {
        if (token != ":") {
            ZORF_REFUSE("*s == ')'");
        }
        const std::string key(CheckWord(NextToken(cursor, kParserSpecials)));
        structure->SetValue(key, ParseNested(cursor, depth + 1));
    }
    return structure;
}

std::unique_ptr<TKQstructure> TKQstructure::ParseText(const char*& cursor) {
    auto structure = Parse(cursor);
    if (!NextToken(cursor, {}).empty()) {
        ZORF_REFUSE("*s == '\\0'");
    }
    return structure;
}

std::unique_ptr<TKQstructure> MakeErrorMessage(std::string_view type) {
    auto message = std::make_unique<TKQstructure>("error");
    message->SetString("type", type);
    return message;
}

namespace {

// The "%ld" conversion into a 32-bit integer; nothing when the text holds no integer
// or one that does not fit.
std::optional<std::int32_t> ScanInteger(std::string_view text) {
    const NumberText::ScannedInteger scanned = NumberText::ScanInteger(text);
    if (scanned.status != NumberText::IntegerScan::Found) {
        return std::nullopt;
    }
    return scanned.value;
}

[[noreturn]] void RaiseNotA(const char* key, std::string_view text) {
    auto report = MakeErrorMessage("invalid-message");
    report->SetString(key, text);
    throw TKQstructure::Error{std::move(report)};
}

}  // namespace

std::int32_t AtomToInteger(std::string_view text) {
    const std::optional<std::int32_t> value = ScanInteger(text);
    if (!value) {
        ZORF_REFUSE("err == 1");
    }
    return *value;
}

std::int32_t RequireInteger(std::string_view text) {
    const std::optional<std::int32_t> value = ScanInteger(text);
    if (!value) {
        RaiseNotA("integer-expected", text);
    }
    return *value;
}

double AtomToReal(std::string_view text) {
    const std::optional<double> value = NumberText::ScanReal(text);
    if (!value) {
        ZORF_REFUSE("err == 1");
    }
    return *value;
}

double RequireReal(std::string_view text) {
    const std::optional<double> value = NumberText::ScanReal(text);
    if (!value) {
        RaiseNotA("number-expected", text);
    }
    return *value;
}

void TKQstructure::SetInteger(std::string_view key, std::int32_t value) {
    std::array<char, NumberText::kIntegerTextSize> text{};
    SetString(key, NumberText::FormatInteger(text, value));
}

void TKQstructure::SetReal(std::string_view key, double value) {
    std::array<char, NumberText::FixedTextSize(6)> text{};
    SetString(key, NumberText::FormatFixed(text, value, 6));
}

bool AtomToBoolean(std::string_view text) {
    if (KQML::strcasecmp(text, "TRUE") == 0) {
        return true;
    }
    if (KQML::strcasecmp(text, "FALSE") == 0) {
        return false;
    }
    auto report = MakeErrorMessage("type-error");
    report->SetString("expected", "boolean");
    throw TKQstructure::Error{std::move(report)};
}

std::string JoinArguments(int argc, const char* const* argv) {
    std::string joined;
    for (int i = 1; i < argc; ++i) {
        joined += argv[i];
        joined += ' ';
    }
    return joined;
}
