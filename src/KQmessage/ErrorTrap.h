// The error trap every program runs its job in: whatever the job raises is reported on the
// program's streams and ends the run with status 1, so no failure aborts a program or goes
// unreported. Each kind of failure has its own report; the defaults write
// "<program>: <reason>" on the error stream, and a program whose habits differ for a kind
// overrides that report only.
#pragma once

#include <exception>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "KQmessage/Check.h"
#include "KQmessage/Export.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/TException.h"
#include "KQmessage/TRefusal.h"

class ZORF_EXPORT TErrorTrap {
  public:
    TErrorTrap(std::string_view program, std::ostream& out, std::ostream& err);
    virtual ~TErrorTrap() = default;
    TErrorTrap(const TErrorTrap&) = delete;
    TErrorTrap& operator=(const TErrorTrap&) = delete;

    // The job's exit status, or 1 once a failure was reported.
    int Run(const std::function<int()>& job);

  protected:
    // A bad argument of the network, fuzzy-network or data set classes.
    virtual void ReportBadArgument(const TException& failure);
    // A file that cannot be opened or written, or whose text breaks its format.
    virtual void ReportFileError(const FileTools::Error& failure);
    // A refused internal check ("Assertion failed: ...").
    virtual void ReportCheckFailure(const TCheckFailure& failure);
    // A refused parameter file, setting, argument or training data.
    virtual void ReportRefusal(const TRefusal& failure);
    // An allocation that failed or a size no container can hold.
    virtual void ReportOutOfMemory();
    // Anything else.
    virtual void ReportOther(const std::exception& failure);

    // "<program>: <text>" on the error stream.
    void ReportLine(std::string_view text);

    std::string program;
    std::ostream& out;
    std::ostream& err;
};
