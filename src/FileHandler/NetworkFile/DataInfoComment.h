// The data description of a fuzzy network, kept in a network file as a comment at its start,
// opened by a marker of its own, so that every reader of the format skips it:
//
//   /* ZorfData
//   input "alcohol" range 11.03 14.83 labels "low" "high"
//   output "species=a"
//   classes "species" 0 "a" "b" "c"
//   */
//
// A name is written in double quotes with '%', '"', '*', '/' and control characters as %XX
// (two hex digits), so that no name can end the comment or open a nested one. Numbers are
// written in the shortest form that reads back as the same double, so that a file read and
// written again keeps the description as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "FileHandler/Syntax/InputStream.h"
#include "FileHandler/Syntax/OutputStream.h"
#include "KQmessage/Export.h"
#include "Zorf/ZorfDataInfo.h"

namespace FileTools {

inline constexpr std::string_view kDataInfoMarker = "/* ZorfData";

// Reads the description when the input starts with it, leaving the input after its "*/"; none
// (and the input as it was) otherwise. A description that breaks its form is refused with
// FileTools::Error at its byte position.
ZORF_EXPORT std::optional<TZorfDataInfo> ReadDataInfoComment(InputStream& in);
// Writes nothing for an empty description.
ZORF_EXPORT void WriteDataInfoComment(OutputStream& out, const TZorfDataInfo& info);
// Refuses (FileTools::Error) a description whose counts disagree with the network's.
ZORF_EXPORT void RequireDataInfoFits(const TZorfDataInfo& info, std::int32_t inputs,
                                     std::int32_t outputs);

}  // namespace FileTools
