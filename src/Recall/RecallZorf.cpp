#include "Recall/RecallZorf.h"

#include <fstream>
#include <new>

#include "KQmessage/Check.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/TException.h"
#include "Recall/ParameterFile.h"

namespace {

// Loading, recall and saving; everything they raise unwinds to the error trap.
void Recall(const TRecallParameters& parameters, std::ostream& err) {
    std::ifstream network(parameters.weightFile);
    if (!network) {
        throw FileTools::Error("Error on File Open");
    }
    err << "RecallZorf: this build cannot read network files yet\n";
    throw TCheckFailure("network file reader missing");
}

// The error trap: each failure is reported on its own stream, and the run fails.
int RecallReportingErrors(const TRecallParameters& parameters, std::ostream& out,
                          std::ostream& err) {
    try {
        Recall(parameters, err);
        return 0;
    } catch (const TException& e) {
        err << e.message << '\n' << e.category.value_or("") << '\n' << e.where.value_or("") << '\n';
    } catch (const FileTools::Error& e) {
        out << e.message << '\n';
    } catch (const TCheckFailure& e) {
        err << e.what() << '\n';
    } catch (const std::bad_alloc&) {
        err << "RecallZorf: out of memory\n";
    }
    return 1;
}

}  // namespace

int RunRecallZorf(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc != 2) {
        err << "Usage: RecallZorf parameter.file\n";
        return 1;
    }
    TRecallParameters parameters;
    try {
        parameters = ReadParameterFile(argv[1]);
    } catch (const TParameterFileError& e) {
        err << e.what() << '\n';
        return 1;
    }
    if (parameters.weightFile.empty()) {
        err << "No weight file specified\n";
        return 1;
    }
    if (parameters.recallFile.empty()) {
        err << "No data file specified\n";
        return 1;
    }
    return RecallReportingErrors(parameters, out, err);
}
