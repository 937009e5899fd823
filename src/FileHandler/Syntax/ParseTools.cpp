#include "FileHandler/Syntax/ParseTools.h"

#include <cstring>

#include "FileHandler/Syntax/FileMessages.h"
#include "KQmessage/Check.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/StrCaseCmp.h"

namespace FileTools {

namespace {

enum class CharClass : unsigned char { Separator, Special, Word };

constexpr std::array<CharClass, 256> MakeCharClasses() {
    std::array<CharClass, 256> classes{};
    for (int byte = 0; byte < 256; ++byte) {
        classes[static_cast<std::size_t>(byte)] =
            byte < 33 || byte > 126 || byte == ',' ? CharClass::Separator : CharClass::Word;
    }
    for (const char special : std::string_view("[]/*=<>")) {
        classes[static_cast<unsigned char>(special)] = CharClass::Special;
    }
    return classes;
}

constexpr std::array<CharClass, 256> kCharClasses = MakeCharClasses();

CharClass ClassOf(char byte) {
    return kCharClasses[static_cast<unsigned char>(byte)];
}

[[noreturn]] void Raise(const InputStream& in, std::string message) {
    throw Error(std::move(message), in.Position());
}

void UngetUnlessEnd(InputStream& in, int byte) {
    if (byte != InputStream::kEnd) {
        in.Unget();
    }
}

std::size_t WordRun(std::string_view bytes) {
    std::size_t run = 0;
    while (run < bytes.size() && ClassOf(bytes[run]) == CharClass::Word) {
        ++run;
    }
    return run;
}

// Consumes the byte that ended a word: a separator is part of the word's reading, a special
// byte is the next token.
void SkipWordEnd(InputStream& in, char end) {
    if (ClassOf(end) == CharClass::Separator) {
        in.Skip(1);
    }
}

// A word starting at the next byte. It is handed out from the reader's block where it lies
// there whole, and gathered in the scratch buffer where it crosses into the next block.
std::string_view ScanWord(ScratchBuffer& scratch, InputStream& in) {
    const std::string_view first = in.Buffered();
    const std::size_t firstRun = WordRun(first);
    if (firstRun < first.size() && firstRun <= kMaxWordLength) {
        in.Skip(firstRun);
        SkipWordEnd(in, first[firstRun]);
        return first.substr(0, firstRun);
    }
    std::size_t length = 0;
    for (std::string_view rest = first; !rest.empty(); rest = in.Buffered()) {
        const std::size_t run = WordRun(rest);
        if (length + run > kMaxWordLength) {
            Raise(in, Messages::kWordTooLong);
        }
        std::memcpy(scratch.data() + length, rest.data(), run);
        length += run;
        in.Skip(run);
        if (run < rest.size()) {
            SkipWordEnd(in, rest[run]);
            break;
        }
        // The block is used up: read the next one, if there is any.
        if (in.Get() == InputStream::kEnd) {
            break;
        }
        in.Unget();
    }
    return {scratch.data(), length};
}

// A name or value: present, and not starting with a special character.
void RequireWord(const InputStream& in, std::string_view word) {
    if (word.empty()) {
        Raise(in, Messages::kUnexpectedEnd);
    }
    if (ClassOf(word[0]) == CharClass::Special) {
        Raise(in, Messages::kUnexpectedSpecial);
    }
}

// What follows the name of a Tag or KeyValue inside its bracket. Only separators are
// skipped here, not comments.
BlockItem ReadItemRest(ScratchBuffer& scratch, InputStream& in, std::string name) {
    BlockItem item{ItemKind::Tag, std::move(name), {}, true};
    int byte = SkipSeparators(in);
    if (byte == ']') {
        item.more = false;
        return item;
    }
    if (byte != '=') {
        UngetUnlessEnd(in, byte);
        return item;
    }
    item.kind = ItemKind::KeyValue;
    const std::string_view value = ScanToken(scratch, in);
    RequireWord(in, value);
    item.value = value;
    byte = SkipSeparators(in);
    item.more = byte != ']';
    if (item.more) {
        UngetUnlessEnd(in, byte);
    }
    return item;
}

// After "[~": the name of the open block and the closing "]".
void ReadEndTag(ScratchBuffer& scratch, InputStream& in, std::string_view blockdef) {
    if (blockdef.empty()) {
        ZORF_REFUSE("blockdef != NULL");
    }
    if (KQML::strcasecmp(ScanToken(scratch, in), blockdef) != 0) {
        Raise(in, Messages::kUnexpectedEndTag);
    }
    if (ScanToken(scratch, in) != "]") {
        Raise(in, Messages::kExpectedCloseBracket);
    }
}

bool IsFormatVersion(const BlockItem& item) {
    return !item.more && IsItem(item, ItemKind::KeyValue, "FormatVersion");
}

// ReadBlockItem from its first token on.
BlockItem CompleteBlockItem(ScratchBuffer& scratch, InputStream& in, std::string_view token,
                            std::string_view blockdef, bool bracket) {
    for (;;) {
        if (token == "]") {
            ZORF_REFUSE("strcasecmp(s,\"]\") != 0");
        }
        if (token.empty()) {
            if (!blockdef.empty()) {
                Raise(in, Messages::kUnexpectedEnd);
            }
            return {};
        }
        if (!bracket && token == "[~") {
            ReadEndTag(scratch, in, blockdef);
            return {};
        }
        if (!bracket && token != "[") {
            return {ItemKind::BareToken, std::string(token), {}, false};
        }
        std::string name(bracket ? token : ScanToken(scratch, in));
        RequireWord(in, name);
        BlockItem item = ReadItemRest(scratch, in, std::move(name));
        if (bracket || !IsFormatVersion(item)) {
            return item;
        }
        // A format version declaration stands wherever an item may; it is checked and
        // the item after it is the one read.
        if (ParseNumber(in, item.value) > 1.0) {
            Raise(in, Messages::kIllegalFormatVersion);
        }
        token = ScanToken(scratch, in);
    }
}

std::string Bracketed(std::string_view key, std::string_view rest) {
    return "[" + std::string(key) + std::string(rest);
}

// Room for any value in fixed notation with any number of decimals the writers take.
using FixedText = std::array<char, NumberText::FixedTextSize(NumberText::kMaxDecimals)>;

}  // namespace

bool IsItem(const BlockItem& item, ItemKind kind, std::string_view name) {
    return item.kind == kind && KQML::strcasecmp(item.name, name) == 0;
}

bool IsSeparator(int byte) {
    return byte != InputStream::kEnd && ClassOf(static_cast<char>(byte)) == CharClass::Separator;
}

bool IsSpecial(int byte) {
    return byte != InputStream::kEnd && ClassOf(static_cast<char>(byte)) == CharClass::Special;
}

int SkipSeparators(InputStream& in) {
    int byte = in.Get();
    while (IsSeparator(byte)) {
        byte = in.Get();
    }
    return byte;
}

std::string ReadToken(ScratchBuffer& scratch, InputStream& in) {
    return std::string(ScanToken(scratch, in));
}

std::string_view ScanToken(ScratchBuffer& scratch, InputStream& in) {
    for (;;) {
        const int byte = SkipSeparators(in);
        if (byte == InputStream::kEnd) {
            return {};
        }
        if (!IsSpecial(byte)) {
            in.Unget();
            return ScanWord(scratch, in);
        }
        scratch[0] = static_cast<char>(byte);
        const int second = in.Get();
        if (second == InputStream::kEnd) {
            return {scratch.data(), 1};
        }
        if (byte == '/' && second == '*') {
            SkipComment(in);
            continue;
        }
        if (byte == '[' && second == '~') {
            scratch[1] = '~';
            return {scratch.data(), 2};
        }
        in.Unget();
        return {scratch.data(), 1};
    }
}

void SkipComment(InputStream& in) {
    int depth = 1;
    int previous = ' ';
    for (;;) {
        const int byte = in.Get();
        if (byte == InputStream::kEnd) {
            Raise(in, Messages::kUnexpectedEndInComment);
        }
        if (previous == '*' && byte == '/') {
            if (--depth == 0) {
                return;
            }
            previous = ' ';
        } else if (previous == '/' && byte == '*') {
            ++depth;
            previous = ' ';
        } else {
            previous = byte;
        }
    }
}

BlockItem ReadBlockItem(ScratchBuffer& scratch, InputStream& in, std::string_view blockdef,
                        bool bracket) {
    return CompleteBlockItem(scratch, in, ScanToken(scratch, in), blockdef, bracket);
}

double ReadNumberItem(ScratchBuffer& scratch, InputStream& in, std::string_view blockdef) {
    // The common case, a plain decimal number that lies whole in the reader's block after some
    // separators, is read straight from the block, the conversion finding the end of the word:
    // what ScanToken and ParseNumber do, without a call per byte.
    const std::string_view bytes = in.Buffered();
    std::size_t start = 0;
    while (start < bytes.size() && ClassOf(bytes[start]) == CharClass::Separator) {
        ++start;
    }
    const std::optional<NumberText::LeadingReal> number =
        NumberText::ScanLeadingDecimal(bytes.substr(start));
    if (number && number->length <= kMaxWordLength &&
        ClassOf(bytes[start + number->length]) != CharClass::Word) {
        in.Skip(start + number->length);
        SkipWordEnd(in, bytes[start + number->length]);
        return number->value;
    }
    const std::string_view token = ScanToken(scratch, in);
    if (!token.empty() && ClassOf(token[0]) == CharClass::Word) {
        return ParseNumber(in, token);
    }
    return ReadNumberToken(in, CompleteBlockItem(scratch, in, token, blockdef, false));
}

std::string ExpectBlockStart(const InputStream& in, const BlockItem& item, std::string_view name) {
    if (name.empty()) {
        if (item.kind != ItemKind::Tag) {
            Raise(in, Messages::kStartOfBlockExpected);
        }
    } else if (!IsItem(item, ItemKind::Tag, name)) {
        Raise(in, Bracketed(name, Messages::kBlockExpected));
    }
    return item.name;
}

void ExpectBlockEnd(const InputStream& in, const BlockItem& item) {
    if (item.kind != ItemKind::EndOfBlock) {
        Raise(in, Messages::kEndTagExpected);
    }
}

std::string ReadStringValue(const InputStream& in, const BlockItem& item, std::string_view key) {
    if (!IsItem(item, ItemKind::KeyValue, key)) {
        Raise(in, Bracketed(key, Messages::kStringValueExpected) + item.name);
    }
    return item.value;
}

void ReadStringValue(const InputStream& in, const BlockItem& item, std::string_view key,
                     std::string_view expected) {
    if (!IsItem(item, ItemKind::KeyValue, key) || KQML::strcasecmp(item.value, expected) != 0) {
        Raise(in, Bracketed(key, " = " + std::string(expected) + Messages::kBlockExpected));
    }
}

std::int32_t ReadIntegerValue(const InputStream& in, const BlockItem& item, std::string_view key) {
    if (!IsItem(item, ItemKind::KeyValue, key)) {
        Raise(in, Bracketed(key, Messages::kIntegerValueExpected));
    }
    return ParseInteger(in, item.value);
}

double ReadNumberValue(const InputStream& in, const BlockItem& item, std::string_view key) {
    if (!IsItem(item, ItemKind::KeyValue, key)) {
        Raise(in, Bracketed(key, Messages::kNumberValueExpected));
    }
    return ParseNumber(in, item.value);
}

double ReadNumberToken(const InputStream& in, const BlockItem& item) {
    if (item.kind != ItemKind::BareToken) {
        Raise(in, Messages::kNumberTokenExpected);
    }
    return ParseNumber(in, item.name);
}

std::int32_t ParseInteger(const InputStream& in, std::string_view word) {
    const NumberText::ScannedInteger scanned = NumberText::ScanInteger(word);
    if (scanned.status != NumberText::IntegerScan::Found) {
        Raise(in, Messages::kIntegerExpected);
    }
    return scanned.value;
}

double ParseNumber(const InputStream& in, std::string_view word) {
    const std::optional<double> value = NumberText::ScanReal(word);
    if (!value) {
        Raise(in, Messages::kNumberExpected);
    }
    return *value;
}

void WriteItem(OutputStream& out, ItemKind kind, std::string_view name, std::string_view value,
               bool bracket) {
    switch (kind) {
        case ItemKind::EndOfBlock:
            if (!name.empty()) {
                out.Write("[~");
                out.Write(name);
                out.Write("]\n");
            }
            return;
        case ItemKind::BareToken:
            WriteBareToken(out, name);
            return;
        case ItemKind::Tag:
        case ItemKind::KeyValue:
            WriteOpenBracket(out, bracket);
            out.Write(name);
            if (kind == ItemKind::KeyValue) {
                out.Write(bracket ? " = " : "=");
                out.Write(value);
            }
            if (!bracket) {
                out.Put(' ');
            }
            WriteCloseBracket(out, bracket, true);
            return;
    }
}

void WriteFormatVersion(OutputStream& out) {
    WriteStringValue(out, "FormatVersion", "1.0", true);
    out.Put('\n');
}

void WriteTag(OutputStream& out, std::string_view name, bool bracket) {
    WriteItem(out, ItemKind::Tag, name, {}, bracket);
}

void WriteEndTag(OutputStream& out, std::string_view name) {
    WriteItem(out, ItemKind::EndOfBlock, name, {}, true);
}

void WriteStringValue(OutputStream& out, std::string_view key, std::string_view value,
                      bool bracket) {
    WriteItem(out, ItemKind::KeyValue, key, value, bracket);
}

void WriteIntegerValue(OutputStream& out, std::string_view key, std::int64_t value, bool bracket) {
    std::array<char, NumberText::kIntegerTextSize> text{};
    WriteStringValue(out, key, NumberText::FormatInteger(text, value), bracket);
}

void WriteNumberValue(OutputStream& out, std::string_view key, double value, int decimals,
                      bool bracket) {
    FixedText text{};
    WriteStringValue(out, key, NumberText::FormatFixed(text, value, decimals), bracket);
}

void WriteLimitedNumberValue(OutputStream& out, std::string_view key, double value, int decimals,
                             bool bracket) {
    FixedText text{};
    std::string_view number = NumberText::FormatFixed(text, value, decimals);
    if (number.size() > kMaxNumberText) {
        // Fewer decimals, as many as fit: at least 17 significant digits stay, which is all
        // a double has, so the value reads back the same.
        const auto over = static_cast<int>(number.size() - kMaxNumberText);
        if (over <= decimals) {
            FixedText shorter{};
            const std::string_view fitted =
                NumberText::FormatFixed(shorter, value, decimals - over);
            if (fitted.size() <= kMaxNumberText) {
                WriteStringValue(out, key, fitted, bracket);
                return;
            }
        }
        throw Error(Messages::kNumberTooLong + std::string(key) + "=" + std::string(number));
    }
    WriteStringValue(out, key, number, bracket);
}

void WriteBareToken(OutputStream& out, std::string_view word) {
    out.Write(word);
    out.Put(' ');
}

void WriteOpenBracket(OutputStream& out, bool bracket) {
    if (bracket) {
        out.Put('[');
    }
}

void WriteCloseBracket(OutputStream& out, bool bracket, bool lineEnd) {
    if (!bracket) {
        return;
    }
    out.Put(']');
    if (lineEnd) {
        out.Put('\n');
    }
}

}  // namespace FileTools
