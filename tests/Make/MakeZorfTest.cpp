#include "Make/MakeZorfProgram.h"
#include "Zorf/MakeZorf.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/FilesIn.h"
#include "FileHandler/NetworkFile/NetworkFile.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "KQmessage/TException.h"
#include "NeuralNets/TIterateObj.h"
#include "Support/InProcessRun.h"

namespace {

TRun RunTool(const std::vector<std::string>& arguments) {
    return RunInProcess(RunMakeZorf, "MakeZorf", arguments);
}

std::string WrittenText(TBasicNetwork& network) {
    FileTools::OutputStream out;
    FileTools::WriteNetwork(out, network);
    return out.Text();
}

std::int32_t ExistingArcs(TBasicNetwork& network, std::int32_t from, std::int32_t to) {
    TIterateObjGetNumWeights counter;
    network.GetConnections(from, to).IterateAll(counter, FMaskExists);
    return counter.count;
}

// Every network MakeZorf writes loads again, including those whose membership layers are
// wide: the fixed arcs to and from them are not a grid of every pair.
TEST(MakeZorf, WideNetworksItWritesLoad) {
    TTempDir folder;
    const std::vector<std::vector<std::string>> recipes = {
        {"--inputs", "1866x2", "--rules", "1", "--outputs", "2"},
        {"--inputs", "5000x3", "--rules", "2", "--outputs", "3x2"},
    };
    for (std::vector<std::string> arguments : recipes) {
        arguments.push_back(folder.File("wide.net"));
        ASSERT_EQ(RunTool(arguments).status, 0) << arguments[1];
        FileTools::ScratchBuffer scratch;
        EXPECT_NO_THROW(FileTools::LoadNetwork(scratch, folder.File("wide.net"))) << arguments[1];
    }
}

TEST(MakeZorf, RefusesEveryBadArgumentWithAReason) {
    TTempDir folder;
    const std::string file = folder.File("n.net");
    const std::vector<std::string> base = {"--inputs", "3,3", "--rules", "4", "--outputs", "3"};
    const auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = base;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    };
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{}, "name exactly one network file to write (see MakeZorf --help)"},
        {with({file, file}), "name exactly one network file to write (see MakeZorf --help)"},
        {{"--rules", "4", "--outputs", "3", file}, "--inputs is required (see MakeZorf --help)"},
        {with({"--size", "3", file}), "unknown option --size (see MakeZorf --help)"},
        {with({file, "--seed"}), "--seed needs a value"},
        {with({"--rules=5", file}), "--rules given twice"},
        {{"--inputs", "3,1", "--rules", "4", "--outputs", "3", file},
         "--inputs: each membership-function count must be a whole number from 2 to 1000, "
         "not \"1\""},
        {{"--inputs", "3,,3", "--rules", "4", "--outputs", "3", file},
         "--inputs: each membership-function count must be a whole number from 2 to 1000, "
         "not \"\""},
        {{"--inputs", "0x3", "--rules", "4", "--outputs", "3", file},
         "--inputs: the N of NxM must be a whole number from 1 to 10000, not \"0\""},
        {{"--inputs", "5000x2,5001x2", "--rules", "4", "--outputs", "3", file},
         "--inputs may name at most 10000 inputs or outputs"},
        {{"--inputs", "3", "--rules", "4.5", "--outputs", "3", file},
         "--rules must be a whole number from 1 to 1000000, not \"4.5\""},
        {{"--inputs", "3", "--rules", "4", "--outputs", "3a", file},
         "--outputs: each membership-function count must be a whole number from 2 to 1000, "
         "not \"3a\""},
        {with({"--seed", "-1", file}),
         "--seed must be a whole number from 0 to 4294967295, "
         "not \"-1\""},
        {with({"--min", "inf", file}), "--min must be a number, not \"inf\""},
        {with({"--max", "-2", file}), "--min -1 is above --max -2"},
        {with({"--min=0.5", "--max=0.25", file}), "--min 0.5 is above --max 0.25"},
        {with({"--prune", "1.01", file}), "--prune must be a share from 0 to 1, not \"1.01\""},
        {{"--inputs", "1000x100", "--rules", "1001", "--outputs", "2", file},
         "the network would have 100100000 arcs from the conditions to the rules; at most "
         "100000000 are supported"},
        {with({folder.File("missing/n.net")}),
         "Unable to write the network file " + folder.File("missing/n.net")},
    };
    for (const auto& c : cases) {
        const TRun run = RunTool(c.arguments);
        EXPECT_EQ(run.status, 1) << c.err;
        EXPECT_EQ(run.err, "MakeZorf: " + c.err + "\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(FilesIn(folder).empty());
}

TEST(MakeZorf, RefusesARecipeItCannotBuild) {
    const auto with = [](auto change) {
        TZorfRecipe recipe{{3, 3}, 4, {3}};
        change(recipe);
        return recipe;
    };
    const TZorfRecipe recipes[] = {
        with([](TZorfRecipe& r) { r.mfPerInput.clear(); }),
        with([](TZorfRecipe& r) {
            r.mfPerOutput = {3, 1001};
        }),
        with([](TZorfRecipe& r) { r.numRules = 0; }),
        with([](TZorfRecipe& r) { r.minimum = 2.0; }),
        with([](TZorfRecipe& r) { r.maximum = std::numeric_limits<double>::infinity(); }),
        with([](TZorfRecipe& r) { r.pruneShare = std::numeric_limits<double>::quiet_NaN(); }),
        with([](TZorfRecipe& r) {
            r.mfPerInput.assign(1000, 100);
            r.numRules = 1001;
        }),
    };
    for (const TZorfRecipe& recipe : recipes) {
        try {
            MakeZorf(recipe);
            ADD_FAILURE() << "made a network of a recipe it cannot build";
        } catch (const TException& e) {
            EXPECT_EQ(e.category, kBadParameter);
            EXPECT_EQ(e.where, "MakeZorf");
        }
    }
}

TEST(MakeZorf, HelpGoesToStandardOutput) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--help"}, std::vector<std::string>{"--rules", "x", "--help"}}) {
        const TRun run = RunTool(arguments);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.rfind("Usage: MakeZorf [options] network.file\n", 0), 0U);
        EXPECT_EQ(run.err, "");
    }
}

TEST(MakeZorf, WritesTheNetworkOfTheRecipe) {
    TTempDir folder;
    const TRun run =
        RunTool({"--inputs", "2x3,4", "--rules=5", "--outputs", "3,2", "--seed", "7", "--min",
                 "-0.5", "--max", "0.5", "--prune", "0.25", folder.File("n.net")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out + run.err, "");

    const TZorfRecipe recipe{{3, 3, 4}, 5, {3, 2}, 7, -0.5, 0.5, 0.25};
    const std::unique_ptr<TZorf> network = MakeZorf(recipe);
    EXPECT_EQ(folder.Read("n.net"), WrittenText(*network));
    const TZorfArchitecture architecture = network->GetArchitecture();
    EXPECT_EQ(architecture.mfPerInput, (std::vector<std::int32_t>{3, 3, 4}));
    EXPECT_EQ(architecture.numRules, 5);
    EXPECT_EQ(architecture.mfPerOutput, (std::vector<std::int32_t>{3, 2}));
    for (const double weight : network->GetWeightLayer(3)) {
        EXPECT_GE(weight, -0.5);
        EXPECT_LT(weight, 0.5);
    }
}

TEST(MakeZorf, PrunesTheShareOfArcsTheSeedChooses) {
    TZorfRecipe recipe{{7, 7, 7, 7, 7, 7, 7, 7}, 40, {7, 7, 7, 7}, 11, -1.0, 1.0, 0.5};
    const std::unique_ptr<TZorf> first = MakeZorf(recipe);
    EXPECT_EQ(ExistingArcs(*first, 2, 3), 56 * 40 / 2);
    EXPECT_EQ(ExistingArcs(*first, 3, 4), 40 * 28 / 2);
    EXPECT_EQ(WrittenText(*MakeZorf(recipe)), WrittenText(*first));
    recipe.seed = 12;
    EXPECT_NE(WrittenText(*MakeZorf(recipe)), WrittenText(*first));

    for (const double share : {0.0, 0.001, 1.0}) {
        recipe.pruneShare = share;
        const std::unique_ptr<TZorf> network = MakeZorf(recipe);
        EXPECT_EQ(ExistingArcs(*network, 2, 3), 56 * 40 - std::llround(share * 56 * 40)) << share;
    }
}

// Runs the command line in `folder`; its exit status, -1 when it did not exit.
int RunIn(const TTempDir& folder, const std::string& commandLine) {
    const int raw = std::system(
        ("cd '" + folder.Path().string() + "' && " + commandLine + " >reports.txt 2>&1").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(MakeZorf, ANetworkItMakesRecallsThroughRecallZorf) {
    TTempDir folder;
    ASSERT_EQ(RunIn(folder, "'" ZORF_MAKE_BINARY "' --inputs 2x3 --rules 6 --outputs 2,3 "
                            "--prune 0.5 --seed 3 made.net"),
              0)
        << folder.Read("reports.txt");
    folder.Write("rows.dat",
                 "[DataSet] [Rows = 4] [Inputs = 2] [Data] 0.5 0.2  0 0  1 1  -0.3 1.7 [~Data] "
                 "[~DataSet]");
    folder.Write("recall.par", "WeightFile = made.net RecallFile = rows.dat OutputFile = out.dat");
    ASSERT_EQ(RunIn(folder, "'" ZORF_RECALL_BINARY "' recall.par"), 0)
        << folder.Read("reports.txt");
    EXPECT_EQ(folder.Read("reports.txt"), "");

    FileTools::ScratchBuffer scratch;
    const FileTools::LoadedDataSet recalled =
        FileTools::LoadDataSet(scratch, folder.File("out.dat"));
    ASSERT_NE(recalled.data, nullptr);
    ASSERT_EQ(recalled.data->MbrNdxDataRows, 4);
    const std::unique_ptr<TZorf> network = MakeZorf({{3, 3}, 6, {2, 3}, 3, -1.0, 1.0, 0.5});
    const double rows[4][2] = {{0.5, 0.2}, {0, 0}, {1, 1}, {-0.3, 1.7}};
    for (std::int32_t r = 0; r < 4; ++r) {
        double outputs[2] = {};
        network->Propagate(rows[r], outputs);
        for (std::int32_t k = 0; k < 2; ++k) {
            EXPECT_NEAR(recalled.data->GetOutputDatum(r, k), outputs[k], 1e-12) << r << " " << k;
        }
    }
}

}  // namespace

namespace {

// A data set file of `rows` rows: x in raw units, y = x / 100 expected.
std::string Rows(std::int32_t rows, const std::string& badRow = "") {
    std::string text = "[DataSet]\n[Rows = " + std::to_string(rows) +
                       "]\n[Inputs = 1]\n[ExpectedOutputs = 1]\n[GeneratedOutputs = 0]\n"
                       "[Error = 0]\n[Data]\n";
    for (std::int32_t r = 0; r < rows; ++r) {
        text += r == 1 && !badRow.empty()
                    ? badRow
                    : std::to_string(r * 10) + " " + std::to_string(r * 10 / 100.0) + "\n";
    }
    return text + "[~Data]\n[~DataSet]\n";
}

TEST(MakeZorf, StartsFromTheRowsOfADataSetFile) {
    TTempDir folder;
    const std::string data = folder.Write("rows.dat", Rows(10));
    for (const char* name : {"a.net", "b.net"}) {
        const TRun run = RunTool({"--data", data, "--rules", "3", folder.File(name)});
        ASSERT_EQ(run.status, 0) << run.err;
    }
    EXPECT_EQ(folder.Read("a.net"), folder.Read("b.net"));
    FileTools::ScratchBuffer scratch;
    const auto network = FileTools::LoadRecallableZorf(scratch, folder.File("a.net"));
    EXPECT_EQ(network->GetWeightLayer(TZorf::kConditionCentres),
              (std::vector<double>{0.0, 45.0, 90.0}));
}

TEST(MakeZorf, RefusesDataItCannotStartFrom) {
    TTempDir folder;
    const struct {
        std::string text;
        std::vector<std::string> options;
        std::string err;
    } cases[] = {
        {Rows(2), {"--rules", "3"}, "there are 2 rows for 3 rules; a rule needs a row at least"},
        {Rows(4),
         {"--inputs", "3,3"},
         "the rows have 1 inputs and 1 expected outputs; the network is to have 2 and 1"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.options;
        const std::string data = folder.Write("rows.dat", c.text);
        arguments.insert(arguments.end(), {"--data", data, folder.File("n.net")});
        const TRun run = RunTool(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "MakeZorf: " + data + ": " + c.err + "\n");
    }
    const TRun missing = RunTool({"--data", folder.File("none.dat"), folder.File("n.net")});
    EXPECT_EQ(missing.err,
              "MakeZorf: " + folder.File("none.dat") + ": Unable to open the data set file\n");
    EXPECT_FALSE(std::filesystem::exists(folder.File("n.net")));
}

}  // namespace
