// Every message text of the block syntax and data set file handling, raised as
// FileTools::Error. Texts composed with a name ("[DATA] expected") are built by the
// checkers in ParseTools from the pieces here.
#pragma once

namespace FileTools::Messages {

inline constexpr const char* kUnexpectedEndInComment = "Unexpected end of file during comment";
inline constexpr const char* kUnexpectedEnd = "Unexpected end of file";
inline constexpr const char* kUnexpectedSpecial = "Unexpected special character";
inline constexpr const char* kIllegalFormatVersion = "Illegal Format Version";
inline constexpr const char* kUnexpectedEndTag = "Unexpected End Tag";
inline constexpr const char* kExpectedCloseBracket = "Expected ']'";
inline constexpr const char* kBlockExpected = "] expected";
inline constexpr const char* kStartOfBlockExpected = "start of block expected";
inline constexpr const char* kEndTagExpected = "End Tag expected";
inline constexpr const char* kStringValueExpected = " = <string>] expected";
inline constexpr const char* kIntegerValueExpected = " = <integer>] expected";
inline constexpr const char* kNumberValueExpected = " = <number>] expected";
inline constexpr const char* kNumberTokenExpected = "Token (number) expected";
inline constexpr const char* kIntegerExpected = "integer-expected";
inline constexpr const char* kNumberExpected = "number-expected";
inline constexpr const char* kNoLabelsInInputs = "No labels in inputs";
inline constexpr const char* kWordTooLong = "Word longer than 1027 characters";
inline constexpr const char* kReadFailed = "Error on File Read";

// Network file writer.
inline constexpr const char* kIllegalBiasNodes = "Illegal number of bias nodes";
// Followed by the key, "=" and the number text.
inline constexpr const char* kNumberTooLong = "Number text longer than 19 characters: ";
// Followed by the file name.
inline constexpr const char* kNetworkWriteFailed = "Unable to write the network file ";

}  // namespace FileTools::Messages
