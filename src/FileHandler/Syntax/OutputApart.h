// A program must never replace one of its own inputs with its output: the input would be
// gone before (or while) it is read. Files are compared as the system knows them, by device
// and inode, so links and different spellings of a name are caught. Only regular files are
// compared; a device or FIFO is written in place and replaces nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace FileTools {

struct NamedInput {
    std::string role;  // as the message names it: "recall file", "network file", ...
    std::string path;
};

// "The output file is also the <role>" for the first input that is the output's file; none
// when they are all apart (or the output does not exist yet).
std::optional<std::string> OutputAmongInputs(const std::string& output,
                                             const std::vector<NamedInput>& inputs);

// Whether two outputs of one run would be the same file, so that the second replaced the
// first: the same existing regular file, or the same name where neither exists yet. Devices
// and FIFOs are written in place and may take several outputs.
bool SameOutputFile(const std::string& first, const std::string& second);

}  // namespace FileTools
