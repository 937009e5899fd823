// Recall on several threads against recall on one: the same outputs, bits and files for every
// thread count, also where a row is refused or the recall file breaks late.
#include "Zorf/RecallBatch.h"
#include "Zorf/TRecallEngine.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "KQmessage/TException.h"
#include "Recall/RecallRuns.h"
#include "Zorf/MakeZorf.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

constexpr std::int32_t kRows = 3000;
constexpr std::int32_t kInputs = 3;

// Enough arcs per row that a few hundred rows fill a thread's share.
std::unique_ptr<TZorf> Network(double lastCentre) {
    auto network = MakeZorf({{3, 3, 3}, 200, {3}, 5, -1.0, 1.0, 0.5});
    std::vector<double> centres = network->GetWeightLayer(4);
    centres.back() = lastCentre;
    network->SetWeightLayer(4, centres);
    return network;
}

std::vector<double> Inputs() {
    std::vector<double> inputs(static_cast<std::size_t>(kRows * kInputs));
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        inputs[i] = static_cast<double>((i * 7919) % 1009) / 1008.0;
    }
    return inputs;
}

// The rows `copies` times over: enough copies make the recall take several passes.
std::string RowsText(const std::vector<double>& inputs, int copies = 1) {
    std::string text =
        "[DataSet] [Rows = " + std::to_string(kRows * copies) + "] [Inputs = 3] [Data]\n";
    for (int copy = 0; copy < copies; ++copy) {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            text += std::to_string(inputs[i]) + (i % kInputs == kInputs - 1 ? "\n" : " ");
        }
    }
    return text + "[~Data] [~DataSet]\n";
}

std::string NetworkText(TZorf& network) {
    FileTools::OutputStream out;
    FileTools::WriteNetwork(out, network);
    return out.Text();
}

TEST(RecallBatch, EveryThreadCountGivesThePropagatedBits) {
    const std::unique_ptr<TZorf> network = Network(0.9);
    const std::vector<double> inputs = Inputs();
    std::vector<double> expected(kRows);
    for (std::size_t r = 0; r < kRows; ++r) {
        network->Propagate(&inputs[r * kInputs], &expected[r]);
    }
    for (const int threads : {1, 2, 7, 0}) {
        std::vector<double> outputs(kRows, -1.0);
        RecallBatch(*network, inputs.data(), kRows, kInputs, outputs.data(), threads);
        EXPECT_EQ(std::memcmp(outputs.data(), expected.data(), kRows * sizeof(double)), 0)
            << threads;
    }
    EXPECT_THROW(RecallBatch(*network, inputs.data(), 1, 2, expected.data(), 2), TException);
}

// The first refused row in row order is reported, whichever thread met it: with this centre,
// row 295 is the first of many.
TEST(RecallBatch, TheFirstRefusedRowIsReported) {
    const std::unique_ptr<TZorf> network = Network(7.18);
    const std::vector<double> inputs = Inputs();
    std::vector<double> output(1);
    std::string first;
    for (std::size_t r = 0; r < kRows && first.empty(); ++r) {
        try {
            network->Propagate(&inputs[r * kInputs], output.data());
        } catch (const TOutputRangeFailure& e) {
            first = e.shownValue;
        }
    }
    ASSERT_FALSE(first.empty());
    TRecallEngine engine(*network, 7);
    std::vector<double> outputs(kRows);
    try {
        engine.Recall(inputs.data(), kRows, outputs.data());
        ADD_FAILURE() << "no refusal";
    } catch (const TOutputRangeFailure& e) {
        EXPECT_EQ(e.shownValue, first);
    }
}

TEST(RecallBatch, TheOutputFileIsTheSameForEveryThreadCount) {
    const std::string rows = RowsText(Inputs());
    const std::string manyRows = RowsText(Inputs(), 7);
    const std::string good = NetworkText(*Network(0.9));
    std::vector<double> withNan = Inputs();
    withNan[2500 * kInputs + 1] = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::string network;
        std::string rows;
        std::string parameters;
        int status;
    } cases[] = {
        {good, rows, "", 0},
        {good, rows.substr(0, rows.size() - 30), "", 1},
        {NetworkText(*Network(7.18)), rows, "", 1},
        {good, rows, "#Features = 1 Features = 3", 1},
        {good, RowsText(withNan), "", 1},
        {NetworkText(*Network(7.18)), RowsText(withNan), "", 1},
        {good, manyRows, "", 0},
        {good, manyRows.substr(0, manyRows.size() - 30), "", 1},
    };
    for (const auto& c : cases) {
        TTempDir folder;
        folder.Write("net.net", c.network);
        folder.Write("rows.dat", c.rows);
        const auto run = [&](const std::string& threads) {
            folder.Write("recall.par",
                         "WeightFile = net.net RecallFile = rows.dat "
                         "OutputFile = out.dat Threads = " +
                             threads + " " + c.parameters);
            return RunBothPaths(folder, "recall.par", "out.dat");
        };
        const TRecallOutcome one = run("1");
        EXPECT_EQ(one.status, c.status);
        for (const std::string threads : {"2", "7"}) {
            EXPECT_EQ(run(threads), one) << threads << " threads";
        }
    }
}

}  // namespace
