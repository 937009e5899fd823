#include "FileHandler/FileErrorTrap.h"

#include "FileHandler/Syntax/FileContext.h"
#include "Zorf/TZorfOutputLayer.h"

TFileErrorTrap::TFileErrorTrap(std::ostream& outStream, std::ostream& errStream,
                               std::string_view programName)
    : TErrorTrap(programName, outStream, errStream) {}

void TFileErrorTrap::ReportBadArgument(const TException& failure) {
    err << failure.message << '\n'
        << failure.category.value_or("") << '\n'
        << failure.where.value_or("") << '\n';
    if (context) {
        err << *context << '\n';
    }
}

void TFileErrorTrap::ReportFileError(const FileTools::Error& failure) {
    out << failure.message << '\n';
    if (failure.fileName) {
        err << FileTools::ContextLine(program, failure) << '\n';
    }
}

void TFileErrorTrap::ReportCheckFailure(const TCheckFailure& failure) {
    if (const auto* range = dynamic_cast<const TOutputRangeFailure*>(&failure)) {
        out << range->shownValue << '\n';
    }
    err << failure.what() << '\n';
}

void TFileErrorTrap::ReportRefusal(const TRefusal& failure) {
    err << failure.what() << '\n';
}
