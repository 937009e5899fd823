#include "FileHandler/DataSetFile/Filer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileHandler/FilesIn.h"
#include "FileHandler/ReadFailure.h"
#include "KQmessage/TException.h"
#include "Support/FileSizeLimit.h"

namespace {

using namespace FileTools;

std::string DataSetText(const std::string& header, const std::string& rows,
                        const std::string& trailer = "[~Data]\n[~DataSet]\n") {
    return "[DataSet]\n" + header + "\n[Data]\n" + rows + "\n" + trailer;
}

// "rows x inputs x outputs", with " labels" for a labelled set; "none" when not built.
std::string Shape(const Data* data) {
    if (data == nullptr) {
        return "none";
    }
    return std::to_string(data->MbrNdxRows) + "x" + std::to_string(data->MbrNdxInputs) + "x" +
           std::to_string(data->MbrNdxOutputs) + (data->MbrFlgLabels ? " labels" : "");
}

// The shapes of both data sets read from `text`, or what the load stopped with.
std::string LoadOutcome(const std::string& text) {
    TTempDir folder;
    const std::string path = folder.Write("set.dat", text);
    ScratchBuffer scratch;
    std::string shapes;
    const std::string failure = ReadFailure([&] {
        const LoadedDataSets loaded = LoadDataSets(scratch, path);
        EXPECT_EQ(loaded.status, SUCCESS);
        shapes = Shape(loaded.first.get()) + " / " + Shape(loaded.second.get());
    });
    return failure.empty() ? shapes : failure;
}

TEST(Filer, HeaderItemsFollowTheirRules) {
    struct Case {
        std::string header;
        std::string rows;
        std::string outcome;
    };
    const Case cases[] = {
        {"[Rows = 0]", "", "none / none"},
        {"[Inputs = 2][Rows = 3][ExpectedOutputs = 1]", "1 2 3 4 5 6 7 8 9", "3x2x1 / none"},
        {"[rows = 1] [INPUTS = 1] [rows = 2]", "1 2", "2x1x0 / none"},
        {"[Rows = 1][ExpectedOutputs = Labels]", "[a]", "1x0x0 labels / none"},
        {"[Rows = 1][ExpectedOutputs = -1][GeneratedOutputs = labels]", "[a] [b]",
         "1x0x0 labels / 1x0x0 labels"},
        {"[Rows = 1][ExpectedOutputs = -5][Error = 1]", "7", "none / 1x0x1"},
        {"[Rows = 1][GeneratedOutputs = 2]", "1 2", "none / 1x2x0"},
        {"[FormatVersion = 1.0][Rows = 1][Inputs = 1]", "[FormatVersion = 0.5] 1", "1x1x0 / none"},
        {"[Rows = 3][ExpectedOutputs = 1][Inputs = 2]", "", "[DATA] expected"},
        {"[Rows = 1][Inputs = 1][Inputs = 1]", "", "[DATA] expected"},
        {"[Rows = 1][Error = 1][GeneratedOutputs = 1]", "", "[DATA] expected"},
        {"[Rows = 1][Columns = 1]", "", "[DATA] expected"},
        {"[Rows = 1][Inputs = 2 3]", "", "[DATA] expected"},
        {"[Rows = 1] 5", "", "[DATA] expected"},
        {"[ExpectedOutputs = 1][Inputs = 2]", "", "LngRows>=0"},
        {"[Inputs = 1]", "", "LngRows>=0"},
        {"[Rows = 1][Inputs = Labels]", "", "No labels in inputs"},
        {"[Rows = Labels]", "", "No labels in inputs"},
        {"[Rows = -1]", "", "No labels in inputs"},
        {"[Rows = 1][Error = -2]", "", "No labels in inputs"},
        {"[Rows = x]", "", "integer-expected"},
        {"[Rows = 3000000000]", "", "integer-expected"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadOutcome(DataSetText(c.header, c.rows)), c.outcome) << c.header;
    }
    EXPECT_EQ(LoadOutcome("[Data]"), "[DATASET] expected");
    EXPECT_EQ(LoadOutcome("/* empty */"), "[DATASET] expected");
}

TEST(Filer, RowsAndTrailerFollowTheirRules) {
    const std::string labelled = "[Rows = 1][Inputs = 2][ExpectedOutputs = Labels]";
    const std::string plain = "[Rows = 2][Inputs = 1][ExpectedOutputs = 1]";
    struct Case {
        std::string text;
        std::string outcome;
    };
    const Case cases[] = {
        {DataSetText(plain, "1 2\n3 4"), "2x1x1 / none"},
        {DataSetText(plain, "1,2,3,4 /* four */"), "2x1x1 / none"},
        {DataSetText(plain, "1 2 3 4 5"), "End Tag expected"},
        {DataSetText(plain, "1 2 3"), "Token (number) expected"},
        {DataSetText(plain, "1 2 abc 4"), "number-expected"},
        {DataSetText(plain, "1 2 [x] 4"), "Token (number) expected"},
        {DataSetText(plain, "1 2 3 4", "[~Data]\n[~DataSet]\n[Extra]"), "End Tag expected"},
        {DataSetText(plain, "1 2 3 4", "[~Data]\n[~DataSet]\n[FormatVersion = 1.0]"),
         "2x1x1 / none"},
        {DataSetText(plain, "1 2 3 4", "[~Data]\n"), "Unexpected end of file"},
        {DataSetText(plain, "1 2 3 4", "[~Data] [~Data]"), "Unexpected End Tag"},
        {DataSetText(plain, "1 2 3 4", "[~DataSet]"), "Unexpected End Tag"},
        {DataSetText(plain, "1 2 3 4", "[~Data] [Data]"), "End Tag expected"},
        {DataSetText(labelled, "0.1 0.2 [high]"), "1x2x0 labels / none"},
        {DataSetText(labelled, "0.1 0.2 /* c */ [ ]"), "1x2x0 labels / none"},
        {DataSetText(labelled, "0.1 0.2 high"), "ch == '['"},
        {DataSetText(labelled, "0.1 0.2 / [high]"), "ch == '['"},
        {"[DataSet][Rows = 1][Inputs = 2][ExpectedOutputs = Labels][Data] 0.1 0.2", "streamOK"},
        {"[DataSet][Rows = 1][Inputs = 2][ExpectedOutputs = Labels][Data] 0.1 0.2 [", "streamOK"},
        {"[DataSet][Rows = 1][Inputs = 2][ExpectedOutputs = Labels][Data] 0.1 0.2 [a b", "false"},
        {DataSetText(labelled, "0.1 0.2 [a = ]"), "Unexpected special character"},
        {DataSetText(labelled, "0.1 0.2 [a = x]"), "number-expected"},
        {DataSetText(labelled, "0.1 0.2 []]"), "strcasecmp(s,\"]\") != 0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadOutcome(c.text), c.outcome) << c.text;
    }
}

struct LabelView {
    std::string name;
    double value;
    bool operator==(const LabelView&) const = default;
};

std::vector<LabelView> LabelsOf(const TLabelList* list) {
    std::vector<LabelView> labels;
    for (const TLabel& label : list->Labels()) {
        labels.push_back({label.name, label.value});
    }
    return labels;
}

TEST(Filer, LoadDataSetDeliversValuesAndLabels) {
    TTempDir folder;
    const std::string path =
        folder.Write("set.dat", DataSetText("[Rows = 2][Inputs = 2][ExpectedOutputs = Labels]",
                                            "0.1 -2e-3 [a a=0.5 B]\n.5 0x10 [low=0.25,high]"));
    ScratchBuffer scratch;
    const LoadedDataSet loaded = LoadDataSet(scratch, path);
    EXPECT_EQ(loaded.status, SUCCESS);
    ASSERT_NE(loaded.data, nullptr);
    EXPECT_EQ(loaded.data->GetInputDatum(0, 1), -2e-3);
    EXPECT_EQ(loaded.data->GetInputDatum(1, 0), 0.5);
    EXPECT_EQ(loaded.data->GetInputDatum(1, 1), 16.0);
    EXPECT_EQ(LabelsOf(loaded.data->GetLabels(0)),
              (std::vector<LabelView>{{"a", 1.5}, {"B", 1.0}}));
    EXPECT_EQ(LabelsOf(loaded.data->GetLabels(1)),
              (std::vector<LabelView>{{"low", 0.25}, {"high", 1.0}}));
}

TEST(Filer, LoadDataSetStatuses) {
    TTempDir folder;
    ScratchBuffer scratch;
    const LoadedDataSet missing = LoadDataSet(scratch, folder.File("missing.dat"));
    EXPECT_EQ(missing.status, ERR_OPEN_FAILED);
    EXPECT_EQ(missing.data, nullptr);

    const std::string path = folder.Write(
        "two.dat", DataSetText("[Rows = 1][Inputs = 1][GeneratedOutputs = 2]", "1 2 3"));
    const LoadedDataSet withSecond = LoadDataSet(scratch, path);
    EXPECT_EQ(withSecond.status, ERR_BAD_HEADER);
    EXPECT_EQ(Shape(withSecond.data.get()), "1x1x0");

    const LoadedDataSets both = LoadDataSets(scratch, path);
    EXPECT_EQ(both.second->GetInputDatum(0, 1), 3.0);
    EXPECT_EQ(LoadDataSets(scratch, folder.File("missing.dat")).status, ERR_OPEN_FAILED);
}

// A header may claim far more than the file holds; the load must then fail at the end of
// the rows present without first taking the memory the claim would need.
TEST(Filer, HugeClaimsFailAtTheRowsPresent) {
    const std::string twoRows = "1 2 3\n4 5 6";
    const std::string headers[] = {
        "[Rows = 2000000000][Inputs = 1000]",
        "[Rows = 2000000000][Inputs = 1000][ExpectedOutputs = Labels]",
        "[Rows = 2][Inputs = 2000000000]",
        "[Rows = 2000000000][GeneratedOutputs = 1000][Error = 1000]",
    };
    for (const std::string& header : headers) {
        EXPECT_EQ(LoadOutcome(DataSetText(header, twoRows)), "Token (number) expected") << header;
    }
}

TEST(Filer, ReadsTheExampleRecallFile) {
    ScratchBuffer scratch;
    const LoadedDataSet loaded = LoadDataSet(scratch, ZORF_EXAMPLES_DIR "/comfort.dat");
    ASSERT_EQ(loaded.status, SUCCESS);
    EXPECT_EQ(Shape(loaded.data.get()), "8x2x0");
    EXPECT_EQ(loaded.data->GetInputDatum(3, 1), 0.95);
}

TEST(Filer, LoadDataSetRowsReadsSuccessiveRuns) {
    TTempDir folder;
    const std::string path = folder.Write(
        "set.dat", DataSetText("[Rows = 5][Inputs = 1][ExpectedOutputs = Labels][Error = 1]",
                               "1 -1 [a]\n2 -2 [b]\n3 -3 [c]\n4 -4 [d]\n5 -5 [e]"));
    ScratchBuffer scratch;
    std::int64_t offset = 0;
    std::vector<double> inputs;
    for (const std::int32_t count : {2, 2, 1}) {
        const LoadedRows run = LoadDataSetRows(scratch, path, offset, count);
        ASSERT_EQ(run.status, SUCCESS);
        EXPECT_EQ(Shape(run.first.get()), std::to_string(count) + "x1x0 labels");
        EXPECT_EQ(Shape(run.second.get()), std::to_string(count) + "x0x1");
        for (std::int32_t r = 0; r < count; ++r) {
            inputs.push_back(run.first->GetInputDatum(r, 0));
            EXPECT_EQ(run.second->GetOutputDatum(r, 0), -inputs.back());
        }
        offset = run.offset;
    }
    EXPECT_EQ(inputs, (std::vector<double>{1, 2, 3, 4, 5}));
    EXPECT_EQ(ReadFailure([&] { LoadDataSetRows(scratch, path, offset, 1); }),
              "Token (number) expected");
    EXPECT_EQ(LoadDataSetRows(scratch, path, -1, 1).status, ERR_BAD_ARGUMENTS);
    EXPECT_EQ(LoadDataSetRows(scratch, folder.File("missing"), 0, 1).status, ERR_OPEN_FAILED);

    // Label lists without a data set to take them are read over.
    const std::string labelsOnly =
        folder.Write("labels.dat", DataSetText("[Rows = 2][ExpectedOutputs = Labels]", "[a] [b]"));
    const LoadedRows run = LoadDataSetRows(scratch, labelsOnly, 0, 2);
    EXPECT_EQ(run.first, nullptr);
    EXPECT_EQ(run.second, nullptr);
}

// A set of `rows` rows whose slot r holds inputs {r + 0.5, r * 1.25} and output r / 4.
std::unique_ptr<Data> NumberedSet(std::int32_t rows, std::int32_t inputs, std::int32_t outputs,
                                  bool labels) {
    auto data = std::make_unique<Data>(rows, inputs, outputs, labels);
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::vector<double> in = {r + 0.5, r * 1.25};
        const std::vector<double> out = {r / 4.0};
        data->AppendRow(std::span(in).first(static_cast<std::size_t>(inputs)),
                        std::span(out).first(static_cast<std::size_t>(outputs)), nullptr);
    }
    return data;
}

std::string Saved(const Data* first, const Data* second) {
    TTempDir folder;
    const std::string path = folder.File("out.dat");
    EXPECT_EQ(SaveDataSet(path, first, second), SUCCESS);
    return folder.Read("out.dat");
}

TEST(Filer, SaveDataSetWritesTheFormatByteForByte) {
    const std::unique_ptr<Data> first = NumberedSet(2, 2, 1, false);
    first->SetOutputDatum(0, 0, 0.75);
    first->SetInputDatum(0, 1, 1.25);
    first->SetInputDatum(1, 0, 1.0 / 3.0);
    first->SetInputDatum(1, 1, -1e-7);
    EXPECT_EQ(Saved(first.get(), nullptr),
              "[FormatVersion = 1.0]\n"
              "\n"
              "[DataSet]\n"
              "[Rows = 2]\n"
              "[Inputs = 2]\n"
              "[ExpectedOutputs = 1]\n"
              "[GeneratedOutputs = 0]\n"
              "[Error = 0]\n"
              "\n"
              "[Data]\n"
              "0.5 1.25   0.75 \n"
              "0.333333333333333 -1e-07   0.25 \n"
              "[~Data]\n"
              "\n"
              "[~DataSet]\n");

    const std::unique_ptr<Data> labelled = NumberedSet(1, 1, 0, true);
    labelled->AppendLabel(0, 1.0, "low");
    labelled->AppendLabel(0, 0.25, "medium");
    const std::unique_ptr<Data> second = NumberedSet(1, 2, 1, false);
    const std::unique_ptr<Data> labelledSecond = NumberedSet(1, 0, 1, true);
    labelledSecond->AppendLabel(0, 2.0, "x");
    const std::string header = "[DataSet]\n[Rows = 1]\n";
    const auto rowsOf = [&](const std::string& saved) { return saved.substr(saved.find(header)); };
    EXPECT_EQ(rowsOf(Saved(labelled.get(), second.get())),
              header +
                  "[Inputs = 1]\n[ExpectedOutputs = Labels]\n[GeneratedOutputs = 2]\n"
                  "[Error = 1]\n\n[Data]\n"
                  "0.5   [low medium=0.250000000 ]   0.5 0   0 \n[~Data]\n\n[~DataSet]\n");
    EXPECT_EQ(rowsOf(Saved(nullptr, labelledSecond.get())),
              header +
                  "[Inputs = 0]\n[ExpectedOutputs = 0]\n[GeneratedOutputs = Labels]\n"
                  "[Error = 1]\n\n[Data]\n"
                  "  [x=2.000000000 ]   0 \n[~Data]\n\n[~DataSet]\n");
}

TEST(Filer, LabelledDataSetRoundTrips) {
    const std::unique_ptr<Data> data = NumberedSet(3, 2, 0, true);
    data->AppendLabel(0, 1.0, "low");
    data->AppendLabel(0, 0.25, "Low");
    data->AppendLabel(2, -0.125, "x_1");
    TTempDir folder;
    const std::string path = folder.File("out.dat");
    ASSERT_EQ(SaveDataSet(path, data.get(), nullptr), SUCCESS);
    ScratchBuffer scratch;
    const LoadedDataSet loaded = LoadDataSet(scratch, path);
    ASSERT_EQ(loaded.status, SUCCESS);
    ASSERT_EQ(Shape(loaded.data.get()), "3x2x0 labels");
    for (std::int32_t r = 0; r < 3; ++r) {
        EXPECT_EQ(loaded.data->GetInputDatum(r, 1), data->GetInputDatum(r, 1));
        EXPECT_EQ(LabelsOf(loaded.data->GetLabels(r)), LabelsOf(data->GetLabels(r)));
    }
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"out.dat"}));
}

TEST(Filer, SaveDataSetRefusesWhatItCannotWrite) {
    TTempDir folder;
    const std::unique_ptr<Data> three = NumberedSet(3, 1, 1, false);
    const std::unique_ptr<Data> two = NumberedSet(2, 1, 1, false);
    EXPECT_EQ(SaveDataSet(folder.File("a"), nullptr, nullptr), ERR_BAD_ARGUMENTS);
    EXPECT_EQ(SaveDataSet(folder.File("a"), three.get(), two.get()), ERR_BAD_ARGUMENTS);
    EXPECT_EQ(SaveDataSet(folder.File("missing/a"), three.get(), nullptr), ERR_WRITE_FAILED);
    EXPECT_TRUE(FilesIn(folder).empty());

    // A slot that holds no row cannot be written; the earlier file stays as it was.
    folder.Write("out.dat", "old");
    Data partial(3, 1, 1, false);
    partial.AppendRow({}, {}, nullptr);
    try {
        SaveDataSet(folder.File("out.dat"), &partial, nullptr);
        ADD_FAILURE() << "no TException";
    } catch (const TException& e) {
        EXPECT_EQ(e.message, "Invalid Data Row");
        EXPECT_EQ(e.where, "Data::GetInputDatum");
    }
    EXPECT_EQ(folder.Read("out.dat"), "old");
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"out.dat"}));
}

TEST(Filer, AFailedWriteLeavesTheEarlierFileUntouched) {
    TTempDir folder;
    const std::string path = folder.Write("out.dat", "earlier result");
    const std::unique_ptr<Data> large = NumberedSet(20000, 2, 1, false);
    {
        const FileSizeLimit limit(100000);
        EXPECT_EQ(SaveDataSet(path, large.get(), nullptr), ERR_WRITE_FAILED);
    }
    EXPECT_EQ(folder.Read("out.dat"), "earlier result");
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"out.dat"}));
    {
        // Appending cannot keep the earlier file, but reports the failure all the same.
        const FileSizeLimit limit(100000);
        EXPECT_EQ(SaveDataSetRows(path, large.get(), nullptr), ERR_WRITE_FAILED);
    }
}

TEST(Filer, SaveDataSetInPartsGivesTheSameFile) {
    const std::unique_ptr<Data> data = NumberedSet(4, 2, 1, false);
    TTempDir folder;
    const std::string path = folder.File("parts.dat");
    EXPECT_EQ(SaveDataSetHeader(path, *HeaderOf(data.get(), nullptr)), SUCCESS);
    EXPECT_EQ(SaveDataSetRows(path, data.get(), nullptr), SUCCESS);
    EXPECT_EQ(SaveDataSetTrailer(path), SUCCESS);
    EXPECT_EQ(folder.Read("parts.dat"), Saved(data.get(), nullptr));
    EXPECT_EQ(SaveDataSetHeader(path, DataSetHeader{}), ERR_BAD_ARGUMENTS);
    EXPECT_EQ(SaveDataSetRows(path, nullptr, nullptr), ERR_BAD_ARGUMENTS);
}

// The pieces a streaming recall uses, row by row, give what the whole-file operations give.
TEST(Filer, RowByRowReadingAndWritingMatchTheWholeFileOperations) {
    const std::unique_ptr<Data> data = NumberedSet(5, 2, 1, false);
    TTempDir folder;
    const std::string path = folder.File("whole.dat");
    ASSERT_EQ(SaveDataSet(path, data.get(), nullptr), SUCCESS);

    ScratchBuffer scratch;
    std::optional<DataSetFile> file = OpenDataSetFile(scratch, path);
    ASSERT_TRUE(file.has_value());
    const DataSetLayout layout = LayoutOf(file->header);
    OutputStream out = OutputStream::ReplaceFile(folder.File("streamed.dat"));
    WriteDataSetHeader(out, file->header);
    DataSetRow row;
    for (std::int32_t r = 0; r < file->header.rows; ++r) {
        ReadDataSetRow(scratch, file->in, file->dataName, layout, r, row);
        EXPECT_EQ(row.inputs[1], data->GetInputDatum(r, 1));
        WriteDataSetRow(out, layout, row);
    }
    ReadDataSetTrailer(scratch, *file);
    WriteDataSetTrailer(out);
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(folder.Read("streamed.dat"), folder.Read("whole.dat"));
    EXPECT_FALSE(OpenDataSetFile(scratch, folder.File("missing")).has_value());
}

TEST(Filer, ProbeFileHeaderTellsWhatAFileHolds) {
    TTempDir folder;
    ScratchBuffer scratch;
    struct Case {
        std::string text;
        std::string description;
    };
    const Case cases[] = {
        {DataSetText("[Rows = 3][Inputs = 2][ExpectedOutputs = Labels]", ""),
         "(data :rows 3 :inputs 2 :actual-outputs -1 :calc-outputs 0 :errors 0)"},
        {DataSetText("[Inputs = 2][Inputs = 2]", ""), "(error :type bad-header)"},
        {"[FormatVersion = 1.0]\n[NeuralNetwork]\n[NetworkType = Zorf]", "network"},
        {"[network]", "network"},
        {"[Weights]", "(error :type unknown-header :header Weights)"},
    };
    for (const Case& c : cases) {
        const std::string path = folder.Write("probe.dat", c.text);
        EXPECT_EQ(ProbeFileHeader(scratch, path)->ToText(), c.description);
    }
    EXPECT_EQ(ProbeFileHeader(scratch, folder.File("missing"))->ToText(),
              "(error :type file-read-error)");
    const std::string bare = folder.Write("bare.dat", "5");
    EXPECT_EQ(ReadFailure([&] { ProbeFileHeader(scratch, bare); }), "start of block expected");
}

}  // namespace
