// The block syntax shared by the network and data set files: named blocks [Name] ... [~Name],
// key items [Key = Value], bare words and numbers, nested comments /* ... */. A tokenizer, a
// reader that returns the next item of a block, checkers that turn an item into a typed
// value or raise FileTools::Error, and the writers of the same syntax.
//
// Keywords, tag and key names and fixed values are matched ignoring letter case; the texts
// handed back keep the case in which they were written.
#pragma once

#include "KQmessage/Export.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FileHandler/Syntax/InputStream.h"
#include "FileHandler/Syntax/OutputStream.h"

namespace FileTools {

// Words are assembled in a scratch buffer of the caller's, one per file being read; a word
// must leave room for the terminating byte the format was defined with.
inline constexpr std::size_t kScratchSize = 1028;
inline constexpr std::size_t kMaxWordLength = kScratchSize - 1;
using ScratchBuffer = std::array<char, kScratchSize>;

enum class ItemKind { EndOfBlock, BareToken, Tag, KeyValue };

struct ZORF_EXPORT BlockItem {
    ItemKind kind = ItemKind::EndOfBlock;
    // The key or tag name, or the bare token itself.
    std::string name;
    // The value of a KeyValue.
    std::string value;
    // For Tag and KeyValue: the bracket goes on; its further words are read by calling
    // ReadBlockItem again with bracket set.
    bool more = false;
};

// ---- Reading

// Whether the item is of that kind and has that name, ignoring case.
ZORF_EXPORT bool IsItem(const BlockItem& item, ItemKind kind, std::string_view name);

// Separators (white space, control bytes, bytes above 126 and the comma) between tokens.
ZORF_EXPORT bool IsSeparator(int byte);
ZORF_EXPORT bool IsSpecial(int byte);
// The first byte that is not a separator (consumed), or InputStream::kEnd.
ZORF_EXPORT int SkipSeparators(InputStream& in);

// The next token: a word, "[~", a single special character, or empty at the end of input.
ZORF_EXPORT std::string ReadToken(ScratchBuffer& scratch, InputStream& in);
// As ReadToken, without a copy: the text is valid until the next read from `in`.
ZORF_EXPORT std::string_view ScanToken(ScratchBuffer& scratch, InputStream& in);
// Consumes the comment just opened, up to and including its "*/"; comments nest.
ZORF_EXPORT void SkipComment(InputStream& in);

// The next item. `blockdef` names the innermost open block (empty at the outermost level);
// `bracket` continues a bracket that an item with `more` left open.
ZORF_EXPORT BlockItem ReadBlockItem(ScratchBuffer& scratch, InputStream& in,
                                    std::string_view blockdef, bool bracket);
// ReadBlockItem followed by ReadNumberToken, without building an item for the common case
// of a bare number.
ZORF_EXPORT double ReadNumberItem(ScratchBuffer& scratch, InputStream& in,
                                  std::string_view blockdef);

// ---- Checkers: each returns the typed value or raises FileTools::Error.

// The tag's name, which the caller keeps as the blockdef of the block's items. Without a
// name, any tag is accepted.
std::string ExpectBlockStart(const InputStream& in, const BlockItem& item,
                             std::string_view name = {});
ZORF_EXPORT void ExpectBlockEnd(const InputStream& in, const BlockItem& item);
ZORF_EXPORT std::string ReadStringValue(const InputStream& in, const BlockItem& item,
                                        std::string_view key);
ZORF_EXPORT void ReadStringValue(const InputStream& in, const BlockItem& item, std::string_view key,
                                 std::string_view expected);
ZORF_EXPORT std::int32_t ReadIntegerValue(const InputStream& in, const BlockItem& item,
                                          std::string_view key);
ZORF_EXPORT double ReadNumberValue(const InputStream& in, const BlockItem& item,
                                   std::string_view key);
ZORF_EXPORT double ReadNumberToken(const InputStream& in, const BlockItem& item);
// "%ld" (a value outside 32 bits is refused) and "%f" acceptance with the full value.
ZORF_EXPORT std::int32_t ParseInteger(const InputStream& in, std::string_view word);
ZORF_EXPORT double ParseNumber(const InputStream& in, std::string_view word);

// ---- Writing. Items without bracket are the parts of a compound bracket, written between
// WriteOpenBracket and WriteCloseBracket.

ZORF_EXPORT void WriteItem(OutputStream& out, ItemKind kind, std::string_view name,
                           std::string_view value, bool bracket);
ZORF_EXPORT void WriteFormatVersion(OutputStream& out);
ZORF_EXPORT void WriteTag(OutputStream& out, std::string_view name, bool bracket);
// Nothing when no name is given.
ZORF_EXPORT void WriteEndTag(OutputStream& out, std::string_view name);
ZORF_EXPORT void WriteStringValue(OutputStream& out, std::string_view key, std::string_view value,
                                  bool bracket);
ZORF_EXPORT void WriteIntegerValue(OutputStream& out, std::string_view key, std::int64_t value,
                                   bool bracket);
// Fixed notation with the given number of decimals, never an exponent.
ZORF_EXPORT void WriteNumberValue(OutputStream& out, std::string_view key, double value,
                                  int decimals, bool bracket);
// The longest number text the network file format was defined with.
inline constexpr std::size_t kMaxNumberText = 19;
// As WriteNumberValue, for the network file, whose readers were built for number texts of
// at most kMaxNumberText characters: a value whose text would be longer (1000 or more, below
// -100, with 15 decimals) takes as many decimals as fit, which keeps 17 significant digits
// and so the value itself; one whose integer part alone is longer is refused (FileTools::Error
// with the stream) before anything of the item is written, never cut.
ZORF_EXPORT void WriteLimitedNumberValue(OutputStream& out, std::string_view key, double value,
                                         int decimals, bool bracket);
ZORF_EXPORT void WriteBareToken(OutputStream& out, std::string_view word);
ZORF_EXPORT void WriteOpenBracket(OutputStream& out, bool bracket);
ZORF_EXPORT void WriteCloseBracket(OutputStream& out, bool bracket, bool lineEnd);

}  // namespace FileTools
