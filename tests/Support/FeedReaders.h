// Arbitrary bytes fed to each reader of the program, the way the fuzz targets in fuzz/ do
// and the regression replays in tests/Regressions repeat. A reader must either accept its
// input or refuse it cleanly (FileTools::Error, a refused internal check, TException,
// TKQstructure::Error, TParameterFileError). Anything else escapes: an abort, a sanitizer
// report or an unexpected exception is the fault the fuzzer looks for. Where an accepted
// input can be written back, the written text must read again to the same text, and the
// two ways of recalling must agree; a violation raises TInconsistentResult, which is no
// clean refusal either.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "DataObject/Data.h"
#include "FileHandler/CsvFile/CsvDataSet.h"
#include "FileHandler/CsvFile/CsvRecords.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/FilesIn.h"
#include "FileHandler/NetworkFile/NetworkFile.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "FileHandler/Syntax/FileMessages.h"
#include "FileHandler/Syntax/ParseTools.h"
#include "FileHandler/TrainingLog/TrainingLog.h"
#include "KQmessage/Check.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"
#include "NeuralNets/TBasicNetwork.h"
#include "Recall/ParameterFile.h"
#include "Recall/RecallZorf.h"
#include "Support/FailedCondition.h"
#include "Support/InProcessRun.h"
#include "Train/TrainZorf.h"

namespace FeedReaders {

inline constexpr std::string_view kAccepted = "accepted";

class TInconsistentResult : public std::logic_error {
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

// "accepted", or the text of the one refusal a reader's documented contract allows: a caller
// that catches just that must not see any other exception escape.
template <class Refusal>
std::string OutcomeRefusedOnlyAs(const std::function<void()>& read) {
    try {
        read();
        return std::string(kAccepted);
    } catch (const Refusal& e) {
        if constexpr (std::is_same_v<Refusal, FileTools::Error>) {
            return e.message;
        } else {
            return e.what();
        }
    }
}

// ---- The structured-message text form

inline void CheckStructureReadsBack(const TKQstructure& parsed) {
    const std::string text = parsed.ToText();
    const char* cursor = text.c_str();
    const std::unique_ptr<TKQstructure> again = TKQstructure::ParseText(cursor);
    const TKQstructure copy(*again);
    if (again->ToText() != text || copy.ToText() != text) {
        throw TInconsistentResult("structured message reads back differently: " + text);
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
        throw TInconsistentResult("a loaded data set could not be saved");
    }
    const std::string written = ReadFile(scratchPath);
    FileTools::ScratchBuffer scratch;
    const FileTools::LoadedDataSets again = FileTools::LoadDataSets(scratch, scratchPath);
    FileTools::SaveDataSet(scratchPath, again.first.get(), again.second.get());
    if (ReadFile(scratchPath) != written) {
        throw TInconsistentResult("a saved data set reads back differently");
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

// ---- Network files

inline std::unique_ptr<TBasicNetwork> ReadNetworkText(std::string_view text) {
    FileTools::ScratchBuffer scratch;
    FileTools::InputStream in(text);
    return FileTools::ReadNetwork(scratch, in);
}

inline std::string WrittenNetwork(TBasicNetwork& network) {
    FileTools::OutputStream out;
    FileTools::WriteNetwork(out, network);
    return out.Text();
}

// The written form of a network reads back and is written again to the same text. Only
// the size limit may refuse it: a network whose file was padded can be written shorter
// than its neurons and fixed arcs need.
inline void CheckNetworkReadsBack(TBasicNetwork& network) {
    const std::string written = WrittenNetwork(network);
    std::unique_ptr<TBasicNetwork> again;
    try {
        again = ReadNetworkText(written);
    } catch (const FileTools::Error& e) {
        if (e.message == FileTools::Messages::kNetworkTooLarge) {
            return;
        }
        throw TInconsistentResult("a written network is refused: " + e.message + "\n" + written);
    } catch (const TCheckFailure& e) {
        throw TInconsistentResult("a written network is refused: " + FailedCondition(e) + "\n" +
                                  written);
    }
    if (WrittenNetwork(*again) != written) {
        throw TInconsistentResult("a written network reads back differently:\n" + written);
    }
}

// Read, written back, then checked as recall checks it before the first row.
inline std::string NetworkFile(std::string_view input) {
    return Outcome([&] {
        const std::unique_ptr<TBasicNetwork> network = ReadNetworkText(input);
        CheckNetworkReadsBack(*network);
        FileTools::RequireRecallable(*network);
    });
}

// ---- The whole recall

// One input holds the network file, then the data set file and, optionally, settings added
// to the parameter file, each part after a line "=====".
inline constexpr std::string_view kPartSeparator = "\n=====\n";

struct TRecallInput {
    std::string network;
    std::string rows;
    std::string settings;
};

inline TRecallInput SplitRecallInput(std::string_view input) {
    std::string parts[3];
    for (std::string& part : parts) {
        const std::size_t end = input.find(kPartSeparator);
        part = input.substr(0, end);
        input.remove_prefix(end == std::string_view::npos ? input.size()
                                                          : end + kPartSeparator.size());
    }
    return {parts[0], parts[1], parts[2]};
}

struct TRecallResult {
    TRun run;
    // The output file's bytes after a completed run.
    std::string output;
};

// RecallZorf along one path, in `folder`, which holds the three input files and nothing
// else. A completed run leaves an output file that loads again; a failed one leaves none,
// and no run leaves anything else behind.
inline TRecallResult RunRecall(const std::filesystem::path& folder, TRecallPath path) {
    const std::string output = (folder / "out.dat").string();
    std::filesystem::remove(output);
    const TRun run = RunInProcess(
        [path](int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
            return RunRecallZorfAlong(argc, argv, out, err, path);
        },
        "RecallZorf", {(folder / "recall.par").string()});
    std::vector<std::string> expected{"net.net", "recall.par", "rows.dat"};
    if (run.status == 0) {
        expected = {"net.net", "out.dat", "recall.par", "rows.dat"};
        FileTools::ScratchBuffer scratch;
        FileTools::LoadDataSets(scratch, output);
    }
    const std::vector<std::string> left = FilesIn(folder);
    if (left != expected) {
        std::string names;
        for (const std::string& name : left) {
            names += " " + name;
        }
        throw TInconsistentResult("recall with status " + std::to_string(run.status) + " left" +
                                  names);
    }
    return {run, run.status == 0 ? ReadFile(output) : std::string()};
}

// RecallZorf run on the parts, written to files in `folder`, once row by row and once with
// the whole recall file loaded: both must report the same on the same streams and write the
// same bytes. The outcome is "accepted" or the run's first report.
inline std::string Recall(std::string_view input, const std::filesystem::path& folder) {
    const TRecallInput parts = SplitRecallInput(input);
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream((folder / name).string(), std::ios::binary | std::ios::trunc) << text;
        return (folder / name).string();
    };
    write("recall.par", "WeightFile = " + write("net.net", parts.network) +
                            "\nRecallFile = " + write("rows.dat", parts.rows) + "\nOutputFile = " +
                            (folder / "out.dat").string() + "\n" + parts.settings);
    const TRecallResult rowByRow = RunRecall(folder, TRecallPath::RowByRow);
    const TRecallResult loaded = RunRecall(folder, TRecallPath::Loaded);
    const TRun& run = rowByRow.run;
    if (run.status != loaded.run.status || run.out != loaded.run.out || run.err != loaded.run.err ||
        rowByRow.output != loaded.output) {
        throw TInconsistentResult("recall row by row and loaded differ: status " +
                                  std::to_string(run.status) + " / " +
                                  std::to_string(loaded.run.status) + "\n" + run.out + run.err +
                                  " / " + loaded.run.out + loaded.run.err);
    }
    if (run.status == 0) {
        return std::string(kAccepted);
    }
    const std::string report = run.out + run.err;
    return report.substr(0, report.find('\n'));
}

// ---- The parameter file

inline std::string ParameterText(std::string_view input) {
    return Outcome([&] { ParseParameterText(std::string(input), "fuzz.par"); });
}

// ---- TrainZorf's parameter file, settings included, without training

// TrainZorf catches only TParameterFileError while it reads its parameter file.
inline std::string TrainParameterText(std::string_view input) {
    return OutcomeRefusedOnlyAs<TParameterFileError>(
        [&] { ParseTrainParameterText(std::string(input), "fuzz.par"); });
}

// ---- Training logs

// A log is refused only with FileTools::Error, and an accepted one written again reads back
// to the same text: the writer's 15 digits must survive the reader, whatever the input gave.
inline std::string TrainingLogText(std::string_view input) {
    return OutcomeRefusedOnlyAs<FileTools::Error>([&] {
        const std::string written =
            TrainingLog::Text(TrainingLog::Parse(std::string(input), "fuzz.log"));
        if (TrainingLog::Text(TrainingLog::Parse(written, "written.log")) != written) {
            throw TInconsistentResult("a written training log reads back differently:\n" + written);
        }
    });
}

// The records of a CSV text, and the same records written back with every field quoted,
// which must read back as they were.
inline std::string CsvText(std::string_view input) {
    const auto read = [](std::string_view text) {
        FileTools::InputStream in(text);
        FileTools::TCsvRecords records(in);
        std::vector<std::vector<std::string>> all;
        std::vector<std::string> fields;
        while (records.Next(fields)) {
            all.push_back(fields);
        }
        return all;
    };
    return OutcomeRefusedOnlyAs<FileTools::Error>([&] {
        const std::vector<std::vector<std::string>> records = read(input);
        std::string written;
        for (const std::vector<std::string>& fields : records) {
            for (std::size_t k = 0; k < fields.size(); ++k) {
                written += k == 0 ? "\"" : ",\"";
                for (const char c : fields[k]) {
                    written += c == '"' ? std::string("\"\"") : std::string(1, c);
                }
                written += '"';
            }
            written += "\r\n";
        }
        if (read(written) != records) {
            throw TInconsistentResult("CSV records written back read differently:\n" + written);
        }
        // The same text as a data set: the first column the target (numbers, or words as
        // classes), every other column an input.
        FileTools::InputStream in(input);
        FileTools::TCsvColumnChoice choice;
        choice.targets = {"#1"};
        FileTools::ReadCsvDataSet(in, choice);
    });
}

}  // namespace FeedReaders
