#include "KQmessage/ErrorTrap.h"

#include <new>
#include <stdexcept>

TErrorTrap::TErrorTrap(std::string_view programName, std::ostream& outStream,
                       std::ostream& errStream)
    : program(programName), out(outStream), err(errStream) {}

int TErrorTrap::Run(const std::function<int()>& job) {
    // The order matters: the more special kinds derive from std::exception.
    try {
        return job();
    } catch (const TException& failure) {
        ReportBadArgument(failure);
    } catch (const FileTools::Error& failure) {
        ReportFileError(failure);
    } catch (const TCheckFailure& failure) {
        ReportCheckFailure(failure);
    } catch (const TRefusal& failure) {
        ReportRefusal(failure);
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory();
    } catch (const std::length_error&) {
        ReportOutOfMemory();
    } catch (const std::exception& failure) {
        ReportOther(failure);
    } catch (...) {
        ReportLine("unknown failure");
    }
    return 1;
}

void TErrorTrap::ReportBadArgument(const TException& failure) {
    ReportLine(failure.message);
}

void TErrorTrap::ReportFileError(const FileTools::Error& failure) {
    ReportLine(failure.message);
}

void TErrorTrap::ReportCheckFailure(const TCheckFailure& failure) {
    ReportLine(failure.what());
}

void TErrorTrap::ReportRefusal(const TRefusal& failure) {
    ReportLine(failure.what());
}

void TErrorTrap::ReportOutOfMemory() {
    ReportLine("out of memory");
}

void TErrorTrap::ReportOther(const std::exception& failure) {
    ReportLine(failure.what());
}

void TErrorTrap::ReportLine(std::string_view text) {
    err << program << ": " << text << '\n';
}
