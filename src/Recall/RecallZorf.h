#pragma once

#include "KQmessage/Export.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "FileHandler/Syntax/InputStream.h"
#include "FileHandler/Syntax/ParseTools.h"
#include "KQmessage/ErrorTrap.h"
#include "Zorf/TZorf.h"

// How the rows travel through recall. RowByRow reads, recalls and writes one row at a time,
// so memory does not grow with the rows; Loaded loads the whole recall file, recalls it into
// a result data set and saves that. Both report the same errors on the same streams and write
// the same bytes. Automatic is the program's choice: RowByRow, except for a network that
// writes a warning on every row it propagates (a layer out of the input position), whose
// warnings must not come before an error further down the recall file.
enum class TRecallPath { Automatic, RowByRow, Loaded };

// The whole recall job of `RecallZorf parameter.file`. Reports go to `out` (file format
// errors) and `err` (everything else); returns the process exit status.
ZORF_EXPORT int RunRecallZorf(int argc, const char* const* argv, std::ostream& out,
                              std::ostream& err);
// The same job along a chosen path.
ZORF_EXPORT int RunRecallZorfAlong(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err, TRecallPath path);

// The program's reports: a file format error on `out`, a bad argument as its message, category
// and place on `err`, a refused check bare on `err` (a defuzzified value out of range shown on
// `out` first), a refused parameter file bare on `err`, the rest as "RecallZorf: <reason>".
// The programs that read recall's files (TrainZorf) report as it does, under their own name.
class ZORF_EXPORT TRecallErrorTrap : public TErrorTrap {
  public:
    TRecallErrorTrap(std::ostream& out, std::ostream& err, std::string_view program = "RecallZorf");

    // A line on standard error after a bad argument's report: what caused it.
    std::optional<std::string> context;

  protected:
    void ReportBadArgument(const TException& failure) override;
    void ReportFileError(const FileTools::Error& failure) override;
    void ReportCheckFailure(const TCheckFailure& failure) override;
    void ReportOther(const std::exception& failure) override;
};

// The network of a network file (or of a network file's text), refused with FileTools::Error
// (or TCheckFailure) before any row is read unless it is a fuzzy network that recall can run.
ZORF_EXPORT std::unique_ptr<TZorf> LoadZorfNetwork(FileTools::ScratchBuffer& scratch,
                                                   const std::string& fileName);
ZORF_EXPORT std::unique_ptr<TZorf> ReadZorfNetwork(FileTools::ScratchBuffer& scratch,
                                                   FileTools::InputStream& in);
