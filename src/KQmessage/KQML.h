// KQML-style structured messages: a head word followed by keyword-value pairs whose
// values are structures again, with the text form (error :type invalid-message :expected rows).
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ZORF_EXPORT TKQstructure {
  public:
    struct Pair {
        std::string key;
        std::unique_ptr<TKQstructure> value;
    };

    // Raised with a structured report; whoever handles it takes over the report.
    struct Error {
        std::unique_ptr<TKQstructure> report;
    };

    TKQstructure();
    explicit TKQstructure(std::string_view headText);
    TKQstructure(const TKQstructure& other);
    TKQstructure& operator=(const TKQstructure& other);
    TKQstructure(TKQstructure&&) noexcept = default;
    TKQstructure& operator=(TKQstructure&&) noexcept = default;
    ~TKQstructure();

    const std::string& Head() const { return head; }
    void SetHead(std::string_view text) { head = text; }
    bool IsAtom() const { return pairs.empty(); }
    std::int32_t Count() const { return static_cast<std::int32_t>(pairs.size()); }
    std::int32_t Capacity() const { return capacity; }
    const Pair& PairAt(std::int32_t i) const { return pairs[static_cast<std::size_t>(i)]; }

    void SetValue(std::string_view key, std::unique_ptr<TKQstructure> value);
    void SetString(std::string_view key, std::string_view text);
    void SetInteger(std::string_view key, std::int32_t value);
    void SetReal(std::string_view key, double value);
    void SetBoolean(std::string_view key, bool value);

    TKQstructure* FindValue(std::string_view key) const;
    TKQstructure& GetValue(std::string_view key) const;
    TKQstructure& GetRequiredValue(std::string_view key) const;
    void RemoveKey(std::string_view key);
    void CheckKeyValue(std::string_view key, std::string_view expected) const;

    // The text form; Print writes it to standard output.
    std::string ToText() const;
    void Print() const;
    void PrintLine() const;

    // Lists inside lists that a text may hold; Parse refuses a deeper text.
    static constexpr std::int32_t kMaxNesting = 1000;

    // Reads one expression at the cursor and advances it past the expression.
    static std::unique_ptr<TKQstructure> Parse(const char*& cursor);
    // As Parse; the rest of the text must hold no further token.
    static std::unique_ptr<TKQstructure> ParseText(const char*& cursor);

  private:
    std::string head;
    std::vector<Pair> pairs;
    std::int32_t capacity = kInitialCapacity;

    static constexpr std::int32_t kInitialCapacity = 16;
    static std::unique_ptr<TKQstructure> ParseNested(const char*& cursor, std::int32_t depth);

    std::int32_t IndexOf(std::string_view key) const;
    void AppendText(std::string& out) const;
};

// (error :type <type>)
ZORF_EXPORT std::unique_ptr<TKQstructure> MakeErrorMessage(std::string_view type);

ZORF_EXPORT bool AtomToBoolean(std::string_view text);
ZORF_EXPORT std::int32_t AtomToInteger(std::string_view text);
ZORF_EXPORT std::int32_t RequireInteger(std::string_view text);
ZORF_EXPORT double AtomToReal(std::string_view text);
ZORF_EXPORT double RequireReal(std::string_view text);

// Arguments 1 to argc-1, each followed by one blank.
ZORF_EXPORT std::string JoinArguments(int argc, const char* const* argv);
