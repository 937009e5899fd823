// Where and why a file failed, for the one line on standard error that follows a report:
// "RecallZorf: a.net, line 12: No such file or directory". The reports themselves keep their
// texts; this line adds the file, the line the reader stopped in and the system's reason.
#pragma once

#include <string>
#include <string_view>

#include "KQmessage/Check.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/TArgumentError.h"
#include "KQmessage/TException.h"

namespace FileTools {

// Why the file cannot be opened for reading, in the system's words; empty when it can.
std::string OpenFailureReason(const std::string& path);

// Names `path` as the failed file, unless the error names one already, with the line of its
// byte position and, for a file that could not be opened, the reason.
void AddFileContext(Error& error, const std::string& path);

// "<program>: <file>[, line <n>][, row <r>][, column <c>]: <reason, or else the message>".
std::string ContextLine(std::string_view program, const Error& error);
// The same without the program.
std::string Located(const Error& error);

// Runs `read` on the file and refuses (TArgumentError) whatever it raises about the file's
// content, naming the file and, for a format error, where in it: for the programs whose every
// refusal is one line on standard error.
template <class Read>
auto RefusingFileFailures(const std::string& fileName, Read read) {
    try {
        return read();
    } catch (Error& e) {
        AddFileContext(e, fileName);
        Arguments::Refuse(Located(e));
    } catch (const TException& e) {
        Arguments::Refuse(fileName + ": " + e.message);
    } catch (const TCheckFailure& e) {
        Arguments::Refuse(fileName + ": " + e.what());
    }
}

}  // namespace FileTools
