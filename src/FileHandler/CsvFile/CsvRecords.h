// The records of a CSV file (RFC 4180): fields separated by commas, records by LF or CRLF, a
// field in double quotes may hold commas, line ends and doubled quotes (""). A byte-order mark
// before the first record is skipped. The text of each field is given as it stands, unquoted;
// what a field means (a name, a number, a class) is for the reader of the columns above this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FileHandler/Syntax/InputStream.h"
#include "KQmessage/Export.h"

namespace FileTools {

class ZORF_EXPORT TCsvRecords {
  public:
    explicit TCsvRecords(InputStream& input);

    // The next record's fields (reusing the strings' room), or false at the end of the input.
    // An empty line is a record of one empty field. Raises FileTools::Error, with the line and
    // column (both from 1) where it stopped, for a quote left open at the end of the input or
    // a character after a closing quote other than a comma or a line end.
    bool Next(std::vector<std::string>& fields);

    // The line where the record last returned starts, from 1.
    std::int64_t Line() const { return recordLine; }

  private:
    // Reads one field into `field`; returns the byte that ended it (',', '\n' or
    // InputStream::kEnd).
    int Field(std::string& field);
    int Quoted(std::string& field);
    int Plain(std::string& field);
    int Get();
    // The next byte without reading it.
    int Peek();
    [[noreturn]] void Refuse(const std::string& problem) const;

    InputStream& in;
    std::int64_t line = 1;
    std::int64_t column = 0;
    std::int64_t recordLine = 0;
    bool started = false;
};

}  // namespace FileTools
