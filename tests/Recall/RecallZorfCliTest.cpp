// The RecallZorf program run as a user runs it: on files in a folder of its own, with the
// reports read from its two streams.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "FileHandler/FilesIn.h"
#include "FileHandler/NetworkFileText.h"
#include "Recall/RecallRuns.h"
#include "Support/TempDir.h"

namespace {

struct TCliRun {
    int status;
    std::string out;
    std::string err;
};

std::string TestData(const std::string& name) {
    return TestDataFile("Recall/" + name);
}

// Runs the program in `folder` with the parameter file named there.
TCliRun RunProgram(const std::filesystem::path& folder, const std::string& parameterFile) {
    TTempDir captures;
    const std::string command = "cd '" + folder.string() + "' && '" ZORF_RECALL_BINARY "' '" +
                                parameterFile + "' >'" + captures.File("out") + "' 2>'" +
                                captures.File("err") + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, captures.Read("out"), captures.Read("err")};
}

const std::string kRecallParameters =
    "WeightFile = net.net\nRecallFile = rows.dat\nOutputFile = out.dat\n";

// The recall rows of the small network's tests.
const std::string kRows =
    "[DataSet] [Rows = 5] [Inputs = 2] [Data] 0.5 0.2  0 0  1 1  0.3 0.7  -1 2 [~Data] "
    "[~DataSet]";

// Recalls `rows` through `network` in a fresh folder; the output file's text, or the reports
// of a failed run.
struct TRecall {
    TCliRun run;
    std::string output;
    std::vector<std::string> files;
};

// The program recalls row by row; the same files recalled the loaded way give the same
// reports, status and bytes.
TRecall Recall(const std::string& network, const std::string& rows,
               const std::string& parameters = kRecallParameters) {
    TTempDir folder;
    folder.Write("net.net", network);
    folder.Write("rows.dat", rows);
    folder.Write("recall.par", parameters);
    const TRecallOutcome loaded = RunInFolder(folder, "recall.par", "out.dat", TRecallPath::Loaded);
    TRecall recall{RunProgram(folder.Path(), "recall.par"), folder.Read("out.dat"), {}};
    recall.files = FilesIn(folder);
    const TRecallOutcome program{recall.run.status, recall.run.out, recall.run.err, recall.output,
                                 recall.files};
    EXPECT_EQ(program, loaded);
    return recall;
}

TEST(RecallZorfProgram, RecallsEveryRowIntoTheOutputFile) {
    const TRecall recall = Recall(TestData("small.net"), kRows);
    EXPECT_EQ(recall.run.status, 0);
    EXPECT_EQ(recall.run.out, "");
    EXPECT_EQ(recall.run.err, "");
    EXPECT_EQ(recall.output, TestData("small.out"));
}

TEST(RecallZorfProgram, SelectedFeaturesFeedTheNetworkInTheirOrder) {
    // Column 2 and then column 0 are the rows of kRows.
    const std::string rows =
        "[DataSet] [Rows = 5] [Inputs = 3] [Data] 0.2 9 0.5  0 9 0  1 9 1  0.7 9 0.3  2 9 -1 "
        "[~Data] [~DataSet]";
    const TRecall recall =
        Recall(TestData("small.net"), rows, kRecallParameters + "#Features = 2\nFeatures = 2 0\n");
    EXPECT_EQ(recall.run.status, 0);
    EXPECT_EQ(recall.run.err, "");
    EXPECT_EQ(recall.output, TestData("small.out"));
}

TEST(RecallZorfProgram, LabelsOfTheRecallFileAreRead) {
    const std::string rows =
        "[DataSet] [Rows = 5] [Inputs = 2] [ExpectedOutputs = Labels] [Data]\n"
        "0.5 0.2 [fair]\n0 0 [cold=0.75, dry]\n1 1 []\n0.3 0.7 [mild humid=0.5]\n"
        "-1 2 /* outside */ [odd]\n[~Data] [~DataSet]";
    const TRecall recall = Recall(TestData("small.net"), rows);
    EXPECT_EQ(recall.run.status, 0);
    EXPECT_EQ(recall.run.err, "");
    EXPECT_EQ(recall.output, TestData("small.out"));
}

}  // namespace

namespace {

// A refused internal check as the program reports it, up to the source line.
std::string RefusedCheck(const std::string& err) {
    return err.substr(0, err.rfind(", line "));
}

const std::string kSmall = TestData("small.net");
const std::string kLayer3 = kSmall.substr(kSmall.find("[Layer = 3]"),
                                          kSmall.find("[Layer = 4]") - kSmall.find("[Layer = 3]"));
// The n-th connection-layer block of the small network, with its line end.
std::string ConnectionBlock(int n) {
    std::size_t start = kSmall.find("[ConnectionLayer]");
    for (int k = 0; k < n; ++k) {
        start = kSmall.find("[ConnectionLayer]", start + 1);
    }
    const std::string end = "[~ConnectionLayer]\n";
    return kSmall.substr(start, kSmall.find(end, start) + end.size() - start);
}

// The small network with its first `from` replaced by `to`.
std::string With(const std::string& from, const std::string& to) {
    return Replaced(kSmall, from, to);
}

struct TRefusal {
    std::string network;
    // The report on standard output, or the refused condition (with its unit) on standard
    // error.
    std::string out;
    std::string check;
};

void ExpectRefused(const TRefusal& refusal) {
    const TRecall recall = Recall(refusal.network, kRows);
    const std::string where = refusal.out + refusal.check;
    EXPECT_EQ(recall.run.status, 1) << where;
    EXPECT_EQ(recall.run.out, refusal.out) << where;
    if (refusal.check.empty()) {
        EXPECT_TRUE(IsContextLine(recall.run.err, refusal.out)) << where << recall.run.err;
    } else {
        EXPECT_EQ(RefusedCheck(recall.run.err), "Assertion failed: " + refusal.check) << where;
    }
    EXPECT_EQ(recall.files, (std::vector<std::string>{"net.net", "recall.par", "rows.dat"}))
        << where;
}

void ExpectEachRefused(std::span<const TRefusal> refusals) {
    for (const TRefusal& refusal : refusals) {
        ExpectRefused(refusal);
    }
}

const std::string kLayer0 = "[Layer = 0]\n[LayerType = Simple]\n[NumberOfNeurons = 0]\n[~Layer]\n";
const std::string kInputLayer = "[LayerType = Input]\n[NumberOfNeurons = 2]";
const std::string kActionRow2 = "                   - -                  0.2 T  /* 2 */";
const std::string kNeuron2 = "[Neuron=2 ActivationFunction=tanh ]";
const std::string kRuleMatrix = "[Matrix Weights TrainableInfo ]\n/* To->              0 ";
const std::string kRuleWeight = "[From=0 To=0 Weight=4.000000000000000 Trainable ]";

TEST(RecallZorfProgram, NetworkFileHeaderAndLayerErrorsAreRefused) {
    const std::string unit = ", file FileHandler/NetworkFile/NetworkFile.cpp";
    const TRefusal refusals[] = {
        {With("[NeuralNetwork]", "[Network]"), "[NEURALNETWORK] expected\n", ""},
        {With("[NetworkType = Zorf]\n", ""),
         "[NETWORKTYPE = <string>] expectedNetworkInformation\n", ""},
        {With("[NetworkType = Zorf]", "[NetworkType = Fuzzy]"), "Unknown network type\n", ""},
        {With("[NetworkInformation]", "[Information]"), "[NETWORKINFORMATION] expected\n", ""},
        {With("[NumberOfLayers = 6]", "[NumberOfLayers = 6 7]"), "Too complicated statement\n", ""},
        {With("[InputLayer = 1]", "[InputLayers = 1]"), "Unknown keyword\n", ""},
        {With("[InputLayer = 1]", "[InputLayer = one]"), "integer-expected\n", ""},
        {With("[NumberOfLayers = 6]", ""), "Must specify number of layers\n", ""},
        {With("[NumberOfLayers = 6]", "[NumberOfLayers = 5]"), "",
         "numlayers == 6, file FileHandler/NetworkFile/NetworkTypes.cpp"},
        {With("[InputLayer = 1]", "[InputLayer = 6]"), "", "inlayer < numlayers" + unit},
        {With("[InputLayer = 1]", "[InputLayer = -1]"), "InputLayer outside the layers\n", ""},
        {With("[OutputLayer = 5]", "[OutputLayer = 6]"), "OutputLayer outside the layers\n", ""},
        {With("[NumberOfInputs = 2]", "[NumberOfInputs = 3]"), "wrong number inputs in header\n",
         ""},
        {With("[NumberOfOutputs = 2]", "[NumberOfOutputs = 1]"), "wrong number outputs in header\n",
         ""},
        {With("[Layer = 0]", "[Layer = -1]"), "", "layernum >= 0" + unit},
        {With("[Layer = 0]", "[Layer = 6]"), "", "layernum < numlayers" + unit},
        {With("[Layer = 1]", kLayer0 + "[Layer = 1]"), "Layer defined twice\n", ""},
        {With("[Layer = 0]\n", "[Layer = 0]\n[Gain = 1]\n"), "", "numneurons >= 0" + unit},
        {With("[Layer = 0]\n", "[Layer = 0]\n[NumberOfNeurons = 0]\n[Gain = 1]\n"), "",
         "layer != NULL" + unit},
        {With("[NumberOfNeurons = 4]\n", "[NumberOfNeurons = 4]\n[Gain = 1]\n"), "",
         "found" + unit},
        {With("[NumberOfNeurons = 4]\n", "[NumberOfNeurons = 4]\n[NumberOfNeurons = 5]\n"),
         "NumberOfNeurons repeated after the layer exists\n", ""},
        {With("[NumberOfNeurons = 4]\n", "[NumberOfNeurons = 4]\n[LayerType = Gain]\n"),
         "LayerType repeated after the layer exists\n", ""},
        {With("[Layer = 0]\n[LayerType = Simple]\n", "[Layer = 0]\n"), "",
         "NN -> layers[layernum] != NULL" + unit},
        {With("[LayerType = Simple]\n[NumberOfNeurons = 4]",
              "[LayerType = Complex]\n[NumberOfNeurons = 4]"),
         "Unknown layer type\n", ""},
        {With("[LayerType = Simple]\n[NumberOfNeurons = 4]",
              "[LayerType = Gain]\n[NumberOfNeurons = 4]"),
         "Incomplete Layer information\n", ""},
        {With("[All ActivationFunction=sigmoid ]", "[All]"), "[ALL] is incomplete statment\n", ""},
        {With("[All ActivationFunction=sigmoid ]", "[All ActivationFunction]"),
         "Required syntax is [ALL <keyword>=<val>]\n", ""},
        {With("[All ActivationFunction=sigmoid ]", "[All ActivationFunction=sigmod ]"),
         "Unknown activation function sigmod\n", ""},
        {With("[InputMF]", "[InputMFs]"), "membership array missing in condition layer\n", ""},
        {With("[OutputMF]", "[OutputMFs]"), "membership array missing in output layer\n", ""},
        {With(kNeuron2, "[Neuron=0 ActivationFunction=tanh ]"), "repeated neuron\n", ""},
        {With(kNeuron2, "[Neuron=2 tanh ]"), "Equals clause expected in neuron parameter\n", ""},
        {With(kNeuron2, "[Neuron=2 ]"), "No activation function defined\n", ""},
        {With(kNeuron2, ""), "Neuron not defined\n", ""},
        {With(kNeuron2, "[Neuron=3 ActivationFunction=tanh ]"), "", "neuronnum<numneurons" + unit},
        {With(kNeuron2, "[Neuron=-2 ActivationFunction=tanh ]"), "", "neuronnum>=0" + unit},
        {With(kNeuron2, "[Neuron=2 Gain=1 ActivationFunction=tanh ]"), "", "found" + unit},
        {With("[~NeuralNetwork]", "[~NeuralNetwork] [Layer = 6]"), "End Tag expected\n", ""},
        {With("[~ConnectionLayer]\n", "[~ConnectionLayer]\n[Layer = 0]\n"), "End Tag expected\n",
         ""},
    };
    ExpectEachRefused(refusals);
}

TEST(RecallZorfProgram, ConnectionLayerErrorsAreRefused) {
    const std::string unit = ", file FileHandler/NetworkFile/ConnectionLayerFile.cpp";
    const TRefusal refusals[] = {
        {With("[LayerFrom = 2]", "[LayerFrom = 2 3]"), "Too complicated statement\n", ""},
        {With("[LayerFrom = 2]", "[From = 2]"), "Unknown keyword in connections\n", ""},
        {With("[ConnectionType = Pruneable]", "[ConnectionType = Sparse]"),
         "Insufficient information to construct layer\n", ""},
        {With("[LayerFrom = 3]\n[LayerTo = 4]", "[LayerFrom = 2]\n[LayerTo = 3]"),
         "Connections already defined\n", ""},
        {With("[LayerTo = 3]", "[LayerTo = 7]"), "Connection layer outside the network\n", ""},
        {With(kLayer3, ""), "Connection layer not defined\n", ""},
        {With(kRuleMatrix, "[Matrix Weights = 1]\n/* To->              0 "),
         "Keyword expected in matrix parameter\n", ""},
        {With(kRuleMatrix, "[Matrix Weights Biases]\n/* To->              0 "),
         "Unknown matrix attribute\n", ""},
        {With(kRuleMatrix,
              "[Matrix Weights Weights Weights Weights Weights Weights Weights Weights Weights "
              "TrainableInfo]\n/* To->              0 "),
         "", "wnum < 10" + unit},
        {With("- -  /* 4 */", "-  /* 4 */"), "Token Expected\n", ""},
        {With("- -  /* 4 */", "- - 5 /* 4 */"), "End Tag expected\n", ""},
        {With("2.5 T", "2.5 -"), "", "!conn -> IsValid(from,to)" + unit},
        {With(kRuleWeight, "[From=0 To=0 Weight=4 Frozen ]"),
         "Frozen\nUnknown keyword in weights list\n", ""},
        {With(kRuleWeight, "[From=0 To=0 Bias=4 ]"), "Unknown keyword in weights list\n", ""},
        {With(kRuleWeight, "[To=0 Weight=4 ]"), "Insufficient information in weights list\n", ""},
        {With(kRuleWeight, "[From=3 To=0 Weight=4 ]"), "Weights list index outside the layers\n",
         ""},
        {With("[From=1 To=3 Weight", "[From=0 To=3 Weight"),
         "Arc outside the fixed arcs of the matrix\n", ""},
        {With(kActionRow2, "                 0.5 -                  0.2 T  /* 2 */"),
         "Arc outside the fixed arcs of the matrix\n", ""},
        {With(kActionRow2, "                   - F                  0.2 T  /* 2 */"),
         "Arc outside the fixed arcs of the matrix\n", ""},
        {With("[LayerFrom = 1]\n[LayerTo = 2]", "[LayerFrom = 1]\n[LayerTo = 3]"),
         "ToConditionConnections must lead to a FuzzyCondition layer\n", ""},
        {With("[LayerFrom = 4]\n[LayerTo = 5]", "[LayerFrom = 4]\n[LayerTo = 2]"),
         "ToOutputConnections must lead to a Defuzzify layer\n", ""},
        {Replaced(With("[NumberOfInputs = 2]", "[NumberOfInputs = 1]"), kInputLayer,
                  "[LayerType = Input]\n[NumberOfNeurons = 1]"),
         "Condition layer covers more inputs than its source layer has\n", ""},
        {With("[Output=1 MF=2 ]", "[Output=1 MF=3 ]"),
         "Output membership functions do not match the size of their source layer\n", ""},
    };
    ExpectEachRefused(refusals);
}

TEST(RecallZorfProgram, MembershipArrayErrorsAreRefused) {
    const std::string unit = ", file FileHandler/NetworkFile/SaveZorf.cpp";
    const TRefusal refusals[] = {
        {With("[Input=0 MF=2 ]", "[Output=0 MF=2 ]"), "invalid tag in membership1\n", ""},
        {With("[Input=0 MF=2 ]", "[Input=0 Count=2 ]"), "invalid tag in membership2\n", ""},
        {With("[Input=0 MF=2 ]", "[Input=0 MF=2 Count=2 ]"), "invalid tag in membership2\n", ""},
        {With("[Input=0 MF=2 ]", "[Input=0 ]"), "End Tag expected\n", ""},
        {With("[Input=0 MF=2 ]", "[Input=0 MF=two ]"), "integer-expected\n", ""},
        {With("[Input=1 MF=3 ]", "[Input=5 MF=3 ]"), "", "i<numnodes" + unit},
        {With("[Input=1 MF=3 ]\n[Input=0 MF=2 ]", "[Input=1 MF=4 ]\n[Input=0 MF=1 ]"), "",
         "NdxMF >= 2, file Zorf/TConditionLayer.cpp"},
        {With("[Input=0 MF=2 ]", "[Input=-1 MF=2 ]"), "Negative index in membership array\n", ""},
        {With("[Input=0 MF=2 ]", ""), "Missing entry in membership array\n", ""},
        {With("[Input=0 MF=2 ]", "[Input=1 MF=2 ]"), "Repeated entry in membership array\n", ""},
        {With("[Input=1 MF=3 ]", "[Input=1 MF=4 ]"),
         "Membership functions do not add up to the layer's neurons\n", ""},
        {With("[Output=1 MF=2 ]", ""), "Missing entry in membership array\n", ""},
    };
    ExpectEachRefused(refusals);
}

TEST(RecallZorfProgram, NetworksRecallCannotRunAreRefusedBeforeRecall) {
    const std::string basic =
        NetworkText("Basic", "[NumberOfLayers = 2]",
                    "[Layer = 0][LayerType = Simple][NumberOfNeurons = 0][~Layer]"
                    "[Layer = 1][LayerType = Input][NumberOfNeurons = 2][~Layer]");
    const TRefusal refusals[] = {
        {basic, "Not a Zorf network: Basic\n", ""},
        {Replaced(basic, "Basic", "Connected"), "Not a Zorf network: Connected\n", ""},
        {With(kLayer0, ""), "Layer 0: no layer block defines it\n", ""},
        {With("[ConnectionType = ToOutputConnections]", "[ConnectionType = Pruneable]"),
         "Layer 5: Defuzzify layer without ToOutputConnections from the layer below\n", ""},
        {With("[All ActivationFunction=sigmoid ]", ""), "Layer 4: No activation function defined\n",
         ""},
        {With("[All ActivationFunction=sigmoid ]", "[All ActivationFunction=cog ]"),
         "Layer 4: cannot run the activation function cog\n", ""},
        {With("[All ActivationFunction=sigmoid ]", "[All ActivationFunction=zorf-condition ]"),
         "Layer 4: cannot run the activation function Zorf-condition\n", ""},
        {With("[All ActivationFunction=sigmoid ]", "[All ActivationFunction=Null ]"),
         "Layer 4: cannot run the activation function null\n", ""},
        {Replaced(Replaced(With("[NumberOfInputs = 2]", "[NumberOfInputs = 1]"), kInputLayer,
                           "[LayerType = Input]\n[NumberOfNeurons = 1]"),
                  ConnectionBlock(0), ""),
         "Layer 2: Condition layer covers more inputs than the layer below has\n", ""},
        // Numbers the format reads but no recall can use, refused before the first row.
        {With("Weight=0.900000000000000", "Weight=nan"),
         "Layer 2: weight not a finite number (from node 0 of layer 1 to node 1)\n", ""},
        {With("0.75 T", "-inf T"),
         "Layer 3: weight not a finite number (from node 3 of layer 2 to node 1)\n", ""},
        {With("Weight=0.400000000000000", "Weight=-0.4"),
         "Layer 2: membership function centres out of order (node 3 below node 2)\n", ""},
    };
    ExpectEachRefused(refusals);
}

TEST(RecallZorfProgram, WhatTheFormatDefinesStaysAccepted) {
    // Without the 1 to 2 block the inputs keep their default centres; without a rule block
    // there are simply no arcs.
    for (const int block : {0, 1, 2}) {
        const TRecall recall = Recall(With(ConnectionBlock(block), ""), kRows);
        EXPECT_EQ(recall.run.status, 0) << block;
        EXPECT_EQ(recall.run.out + recall.run.err, "") << block;
        EXPECT_NE(recall.output.find("[Rows = 5]"), std::string::npos) << block;
        EXPECT_NE(recall.output, TestData("small.out")) << block;
    }
}

TEST(RecallZorfProgram, TheExampleOfTheReadmeRuns) {
    TTempDir folder;
    const std::filesystem::path examples(ZORF_EXAMPLES_DIR);
    std::filesystem::copy(examples, folder.Path() / "examples");
    const TCliRun run = RunProgram(folder.Path(), "examples/comfort.par");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(folder.Read("comfort.out"), TestData("comfort.out"));
}

// The output block the README shows under "What the example writes": the code block that
// starts with the file's first line.
std::string ReadmeOutputBlock() {
    std::ifstream in(std::filesystem::path(ZORF_EXAMPLES_DIR) / ".." / "README.md");
    std::ostringstream text;
    text << in.rdbuf();
    const std::string readme = text.str();
    const std::size_t start =
        readme.find("```\n[FormatVersion", readme.find("## What the example writes"));
    if (start == std::string::npos) {
        return "";
    }
    const std::size_t first = start + 4;
    return readme.substr(first, readme.find("```", first) - first);
}

TEST(RecallZorfProgram, TheReadmeShowsWhatTheExampleWrites) {
    TTempDir folder;
    std::filesystem::copy(std::filesystem::path(ZORF_EXAMPLES_DIR), folder.Path() / "examples");
    ASSERT_EQ(RunProgram(folder.Path(), "examples/comfort.par").status, 0);
    EXPECT_EQ(ReadmeOutputBlock(), folder.Read("comfort.out"));
}

}  // namespace
