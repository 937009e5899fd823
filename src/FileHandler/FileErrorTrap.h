// The error trap of the programs that read and write the project's files (RecallZorf,
// TrainZorf), reporting as RecallZorf does under each program's own name: a file format error
// on `out` with its context line (file, line, row, column) on `err`, a bad argument as its
// message, category and place on `err`, a refused check bare on `err` (a defuzzified value out
// of range shown on `out` first), a refusal (parameter file, setting, training data) bare on
// `err`, the rest as "<program>: <reason>".
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "KQmessage/ErrorTrap.h"
#include "KQmessage/Export.h"

class ZORF_EXPORT TFileErrorTrap : public TErrorTrap {
  public:
    TFileErrorTrap(std::ostream& out, std::ostream& err, std::string_view program);

    // A line on standard error after a bad argument's report: what caused it.
    std::optional<std::string> context;

  protected:
    void ReportBadArgument(const TException& failure) override;
    void ReportFileError(const FileTools::Error& failure) override;
    void ReportCheckFailure(const TCheckFailure& failure) override;
    void ReportRefusal(const TRefusal& failure) override;
};
