// A program's whole job run in-process, as its main runs it, with what it reports on its
// two streams.
#pragma once

#include <sstream>
#include <string>
#include <vector>

struct TRun {
    int status;
    std::string out;
    std::string err;
};

// `job` is the program's Run function: (argc, argv, out, err) -> exit status.
template <class Job>
TRun RunInProcess(Job job, const char* program, const std::vector<std::string>& arguments) {
    std::vector<const char*> argv{program};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    const int status = job(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}
