// Arbitrary bytes fed to each reader of the program, the way the fuzz targets in fuzz/ do
// and the regression replays in tests/Regressions repeat. A reader must either accept its
// input or refuse it cleanly (FileTools::Error, a refused internal check, TException,
// TKQstructure::Error, TParameterFileError). Anything else escapes: an abort, a sanitizer
// report or an unexpected exception is the fault the fuzzer looks for. Where an accepted
// input can be written back, the written text must read again to the same text; a
// violation raises TReadBackMismatch, which is no clean refusal either.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "DataObject/Data.h"
#include "FileHandler/Filer.h"
#include "FileHandler/ParseTools.h"
#include "KQmessage/Check.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"
#include "Recall/ParameterFile.h"
#include "Support/FailedCondition.h"

namespace FeedReaders {

inline constexpr std::string_view kAccepted = "accepted";

class TReadBackMismatch : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

// "accepted", or the text of the clean refusal that `read` ended with.
inline std::string Outcome(const std::function<void()>& read) {
    try {
        read();
        return std::string(kAccepted);
    } catch (const FileTools::Error& e) {
        return e.message;
    } catch (const TCheckFailure& e) {
        return FailedCondition(e);
    } catch (const TException& e) {
        return e.message;
    } catch (const TKQstructure::Error& e) {
        return e.report ? e.report->ToText() : std::string("structured error");
    } catch (const TParameterFileError& e) {
        return e.what();
    }
}

// ---- The structured-message text form

inline void CheckStructureReadsBack(const TKQstructure& parsed) {
    const std::string text = parsed.ToText();
    const char* cursor = text.c_str();
    const std::unique_ptr<TKQstructure> again = TKQstructure::ParseText(cursor);
    const TKQstructure copy(*again);
    if (again->ToText() != text || copy.ToText() != text) {
        throw TReadBackMismatch("structured message reads back differently: " + text);
    }
}

inline std::string StructuredMessage(std::string_view input) {
    // The parser reads a C text: it ends at the first zero byte.
    const std::string text(input);
    return Outcome([&] {
        const char* cursor = text.c_str();
        CheckStructureReadsBack(*TKQstructure::ParseText(cursor));
    });
}

// ---- The block syntax

// Every value converted both ways; a value that is no number is no reason to stop.
inline void ConvertValue(const FileTools::InputStream& in, std::string_view word) {
    try {
        FileTools::ParseInteger(in, word);
    } catch (const FileTools::Error&) {
    }
    try {
        FileTools::ParseNumber(in, word);
    } catch (const FileTools::Error&) {
    }
}

// Items until the end of the input, opening a block at every complete tag and closing the
// innermost one at every end tag, as the file readers do.
inline void ReadAllItems(std::string_view input) {
    FileTools::ScratchBuffer scratch;
    FileTools::InputStream in(input);
    std::vector<std::string> openBlocks;
    bool bracket = false;
    for (;;) {
        const std::string_view blockdef =
            openBlocks.empty() ? std::string_view() : std::string_view(openBlocks.back());
        const FileTools::BlockItem item = FileTools::ReadBlockItem(scratch, in, blockdef, bracket);
        switch (item.kind) {
            case FileTools::ItemKind::EndOfBlock:
                if (openBlocks.empty()) {
                    return;
                }
                openBlocks.pop_back();
                break;
            case FileTools::ItemKind::BareToken:
                ConvertValue(in, item.name);
                break;
            case FileTools::ItemKind::Tag:
                if (!bracket && !item.more) {
                    openBlocks.push_back(item.name);
                }
                break;
            case FileTools::ItemKind::KeyValue:
                ConvertValue(in, item.value);
                break;
        }
        bracket = item.more;
    }
}

inline std::string BlockSyntax(std::string_view input) {
    return Outcome([&] { ReadAllItems(input); });
}

// ---- Data set files

// The written form of a file reads back to the same data sets except where the format
// cannot hold them: a label list followed by numbers of a later group.
inline bool WrittenFormReadsBack(const Data* first, const Data* second) {
    if (first == nullptr && second == nullptr) {
        return false;
    }
    if (first != nullptr && first->MbrFlgLabels && second != nullptr) {
        return false;
    }
    return second == nullptr || !second->MbrFlgLabels || second->MbrNdxOutputs == 0;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Saving what was loaded, loading that and saving it again gives the same text.
inline void CheckDataSetsReadBack(const FileTools::LoadedDataSets& loaded,
                                  const std::string& scratchPath) {
    if (!WrittenFormReadsBack(loaded.first.get(), loaded.second.get())) {
        return;
    }
    if (FileTools::SaveDataSet(scratchPath, loaded.first.get(), loaded.second.get()) !=
        FileTools::SUCCESS) {
        throw TReadBackMismatch("a loaded data set could not be saved");
    }
    const std::string written = ReadFile(scratchPath);
    FileTools::ScratchBuffer scratch;
    const FileTools::LoadedDataSets again = FileTools::LoadDataSets(scratch, scratchPath);
    FileTools::SaveDataSet(scratchPath, again.first.get(), again.second.get());
    if (ReadFile(scratchPath) != written) {
        throw TReadBackMismatch("a saved data set reads back differently");
    }
}

// Runs of a few rows from the start of the rows, while they keep coming.
inline void ReadRowsInRuns(const std::string& path) {
    constexpr int kRuns = 4;
    constexpr std::int32_t kRowsPerRun = 2;
    FileTools::ScratchBuffer scratch;
    std::int64_t offset = 0;
    for (int run = 0; run < kRuns; ++run) {
        offset = FileTools::LoadDataSetRows(scratch, path, offset, kRowsPerRun).offset;
    }
}

// The file at `path` through every reading operation of the data set files; the first
// refusal is the outcome. `scratchPath` names a file the read-back check may write.
inline std::string DataSetFile(const std::string& path, const std::string& scratchPath) {
    FileTools::ScratchBuffer scratch;
    Outcome([&] { FileTools::ProbeFileHeader(scratch, path); });
    Outcome([&] { ReadRowsInRuns(path); });
    return Outcome([&] {
        const FileTools::LoadedDataSets loaded = FileTools::LoadDataSets(scratch, path);
        CheckDataSetsReadBack(loaded, scratchPath);
    });
}

// ---- The parameter file

inline std::string ParameterText(std::string_view input) {
    return Outcome([&] { ParseParameterText(std::string(input), "fuzz.par"); });
}

}  // namespace FeedReaders
