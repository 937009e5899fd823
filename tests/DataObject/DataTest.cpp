#include "DataObject/Data.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"

namespace {

struct Refusal {
    const char* message;
    const char* where;
};

void ExpectRefused(const std::function<void()>& call, Refusal expected) {
    try {
        call();
        ADD_FAILURE() << "no TException, expected " << expected.message;
    } catch (const TException& e) {
        EXPECT_EQ(e.message, expected.message);
        EXPECT_EQ(e.category, "Bad Parameter");
        EXPECT_EQ(e.where, expected.where);
    }
}

// Appends rows whose inputs are {r, r + 0.5} and whose output is {-r}.
void AppendNumbered(Data& data, std::initializer_list<double> numbers) {
    for (const double r : numbers) {
        const std::array<double, 2> inputs = {r, r + 0.5};
        const std::array<double, 1> outputs = {-r};
        data.AppendRow(inputs, outputs, nullptr);
    }
}

std::vector<double> NextInputs(Data& data, std::size_t count) {
    std::vector<double> inputs(count);
    data.GetNext(inputs, {});
    return inputs;
}

TEST(Data, EveryRowOperationRefusesASlotWithoutStoredRow) {
    Data data(3, 2, 1, true);
    std::array<double, 2> buffer{};
    std::array<double*, 1> rows = {buffer.data()};
    const std::array<std::int32_t, 1> column = {0};
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"Data::GetInputDatum", [&] { data.GetInputDatum(0, 0); }},
        {"Data::GetOutputDatum", [&] { data.GetOutputDatum(0, 0); }},
        {"Data::SetInputDatum", [&] { data.SetInputDatum(0, 0, 1.0); }},
        {"Data::SetOutputDatum", [&] { data.SetOutputDatum(0, 0, 1.0); }},
        {"Data::GetLabels", [&] { data.GetLabels(0); }},
        {"Data::SetLabels", [&] { data.SetLabels(0, nullptr); }},
        {"Data::ClearLabels", [&] { data.ClearLabels(0); }},
        {"Data::AppendLabel", [&] { data.AppendLabel(0, 1.0, "x"); }},
        {"Data::SetRow", [&] { data.SetRow(0, {}, {}, nullptr); }},
        {"Data::GetInputRow", [&] { data.GetInputRow(0, buffer); }},
        {"Data::GetInputRow", [&] { data.GetInputRow(0, buffer, column); }},
        {"Data::GetOutputRow", [&] { data.GetOutputRow(0, buffer); }},
        {"Data::GetOutputRow", [&] { data.GetOutputRow(0, buffer, column); }},
    };
    for (const auto& [where, call] : calls) {
        ExpectRefused(call, {"Invalid Data Row", where});
    }
    ExpectRefused([&] { data.GetBlock(rows, rows, 0, 0); }, {"Data Block Fault", "Data::GetBlock"});
    ExpectRefused([&] { data.GetNext(buffer, {}); }, {"No Data Rows", "Data::GetNext"});
    ExpectRefused([&] { data.GetPrevious(buffer, {}); }, {"No Data Rows", "Data::GetPrevious"});
    ExpectRefused([&] { data.GetCurrent(buffer, {}); }, {"No Data Rows", "Data::GetCurrent"});
    ExpectRefused([&] { data.Advance(1); }, {"No Data Rows", "Data::Advance"});

    data.AppendRow({}, {}, nullptr);
    EXPECT_EQ(data.GetInputDatum(0, 1), 0.0);
    EXPECT_EQ(data.GetOutputDatum(0, 0), 0.0);
    ExpectRefused([&] { data.GetInputDatum(1, 0); }, {"Invalid Data Row", "Data::GetInputDatum"});
}

TEST(Data, ColumnsOutsideTheSetAreRefused) {
    Data data(2, 4, 1, false);
    std::array<double, 4> buffer{};
    data.AppendRow(buffer, {}, nullptr);
    const std::array<std::int32_t, 2> tooFar = {0, 4};
    const std::array<std::int32_t, 1> negative = {-1};
    const std::vector<std::pair<Refusal, std::function<void()>>> calls = {
        {{"Invalid Input Data Column", "Data::GetInputDatum"}, [&] { data.GetInputDatum(0, -1); }},
        {{"Invalid Input Data Column", "Data::GetInputDatum"}, [&] { data.GetInputDatum(0, 4); }},
        {{"Invalid Data Row", "Data::GetInputDatum"}, [&] { data.GetInputDatum(5, 4); }},
        {{"Invalid Input Data Column", "Data::SetInputDatum"},
         [&] { data.SetInputDatum(0, 4, 0); }},
        {{"Invalid Output Data Column", "Data::GetOutputDatum"},
         [&] { data.GetOutputDatum(0, 1); }},
        {{"Invalid Output Data Column", "Data::SetOutputDatum"},
         [&] { data.SetOutputDatum(0, -1, 0); }},
        {{"Invalid Input Data Column", "Data::GetInputRow"},
         [&] { data.GetInputRow(0, buffer, tooFar); }},
        {{"Invalid Output Data Column", "Data::GetOutputRow"},
         [&] { data.GetOutputRow(0, buffer, negative); }},
        {{"Invalid Input Data Column", "Data::SelectFeatures"},
         [&] { data.SelectFeatures(tooFar); }},
        {{"Invalid Output Data Column", "Data::SetFeatures"},
         [&] { data.SetFeatures(std::nullopt, tooFar); }},
        {{"No Data Row Slots", "Data::AppendRow"},
         [&] { Data(0, 1, 1, false).AppendRow({}, {}, nullptr); }},
        {{"Invalid Data Set Size", "Data::Data"}, [&] { Data(-1, 1, 1, false); }},
    };
    for (const auto& [refusal, call] : calls) {
        ExpectRefused(call, refusal);
    }
}

TEST(Data, FullSetRecyclesItsOldestSlotAndReadsInStorageOrder) {
    Data data(3, 2, 1, false);
    AppendNumbered(data, {1, 2, 3});
    EXPECT_EQ(data.MbrNdxDataRows, 3);
    AppendNumbered(data, {4});
    EXPECT_EQ(data.MbrNdxDataRows, 3);
    EXPECT_EQ(data.GetInputDatum(0, 0), 4.0);  // R4 took R1's slot

    data.Rewind();
    for (const double expected : {2.0, 3.0, 4.0, 2.0}) {
        EXPECT_EQ(NextInputs(data, 2)[0], expected);
    }
    data.Rewind();
    data.GetNext({}, {});
    std::array<double, 2> previous{};
    data.GetPrevious(previous, {});
    EXPECT_EQ(previous[0], 4.0);  // from the oldest row back to the newest

    std::array<double, 1> output{};
    data.GetCurrent({}, output);
    EXPECT_EQ(output[0], -4.0);

    // A row appended without values keeps what the recycled slot held.
    data.AppendRow({}, {}, nullptr);
    EXPECT_EQ(data.GetInputDatum(1, 0), 2.0);
}

TEST(Data, CursorOfAPartlyFilledSetWrapsOverTheStoredRowsOnly) {
    Data data(5, 2, 1, false);
    AppendNumbered(data, {1});
    data.Rewind();
    EXPECT_EQ(NextInputs(data, 2)[0], 1.0);
    EXPECT_EQ(NextInputs(data, 2)[0], 1.0);
    std::array<double, 2> previous{};
    data.GetPrevious(previous, {});
    EXPECT_EQ(previous[0], 1.0);

    AppendNumbered(data, {2, 3});
    data.Rewind();
    for (const double expected : {1.0, 2.0, 3.0, 1.0}) {
        EXPECT_EQ(NextInputs(data, 2)[0], expected);
    }
}

TEST(Data, SelectionsPickColumnsInTheirOrder) {
    Data data(2, 4, 3, false);
    const std::array<double, 4> inputs = {10, 11, 12, 13};
    const std::array<double, 3> outputs = {20, 21, 22};
    data.AppendRow(inputs, outputs, nullptr);

    const std::array<std::int32_t, 2> features = {3, 0};
    data.SelectFeatures(features);
    data.Rewind();
    EXPECT_EQ(NextInputs(data, 2), (std::vector<double>{13, 10}));
    EXPECT_EQ(data.GetInputDatum(0, 2), 12.0);
    EXPECT_EQ(data.GetFeatures(), (std::vector<std::int32_t>{3, 0}));

    const std::array<std::int32_t, 3> outFeatures = {2, 2, 1};
    data.SetFeatures(std::nullopt, outFeatures);
    std::vector<double> all(4);
    std::vector<double> picked(3);
    data.GetNext(all, picked);
    EXPECT_EQ(all, (std::vector<double>{10, 11, 12, 13}));
    EXPECT_EQ(picked, (std::vector<double>{22, 22, 21}));
    EXPECT_FALSE(data.GetFeatures().has_value());

    data.SelectFeatures({});
    std::vector<double> none = {-1};
    data.GetNext(none, {});
    EXPECT_EQ(none[0], -1.0);  // an empty selection delivers no input
}

TEST(Data, LabelsFollowTheirRows) {
    Data data(2, 1, 0, true);
    const TLabelList high("high", 1.0);
    data.AppendRow({}, {}, &high);
    data.AppendLabel(0, 1.0, "x");
    data.AppendLabel(0, 1.0, "x");
    ASSERT_EQ(data.GetLabels(0)->Count(), 2);
    EXPECT_EQ(data.GetLabels(0)->Labels()[1].value, 2.0);

    data.Rewind();
    const TLabelList* delivered = data.GetNext({}, {});
    EXPECT_EQ(delivered, data.GetLabels(0));

    data.SetRow(0, {}, {}, nullptr);
    EXPECT_EQ(data.GetLabels(0)->Count(), 0);

    Data unlabelled(1, 1, 0, false);
    unlabelled.AppendRow({}, {}, &high);
    EXPECT_EQ(unlabelled.GetLabels(0), nullptr);
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"Data::SetLabels", [&] { unlabelled.SetLabels(0, &high); }},
        {"Data::ClearLabels", [&] { unlabelled.ClearLabels(0); }},
        {"Data::AppendLabel", [&] { unlabelled.AppendLabel(0, 1.0, "x"); }},
    };
    for (const auto& [where, call] : calls) {
        ExpectRefused(call, {"Data Set Keeps No Labels", where});
    }
}

TEST(Data, GetBlockStopsAtTheNewestRow) {
    Data data(10, 2, 1, false);
    AppendNumbered(data, {0, 1, 2, 3});
    std::vector<std::array<double, 2>> inputs(10);
    std::vector<std::array<double, 1>> outputs(10);
    std::vector<double*> inputRows;
    std::vector<double*> outputRows;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        inputRows.push_back(inputs[i].data());
        outputRows.push_back(outputs[i].data());
    }
    EXPECT_EQ(data.GetBlock(inputRows, outputRows, 1, 10), 3);
    EXPECT_EQ(inputs[2][1], 3.5);
    EXPECT_EQ(outputs[2][0], -3.0);
    ExpectRefused([&] { data.GetBlock(inputRows, outputRows, 7, 9); },
                  {"Data Block Fault", "Data::GetBlock"});
}

TEST(Data, CloneIsAnIndependentEqualSet) {
    Data data(3, 2, 1, true);
    AppendNumbered(data, {1, 2, 3, 4});
    data.AppendLabel(2, 0.5, "mid");
    const std::array<std::int32_t, 1> features = {1};
    data.SelectFeatures(features);
    data.Rewind();
    data.GetNext({}, {});

    const std::unique_ptr<Data> clone = data.Clone();
    data.SetInputDatum(2, 1, 99.0);
    data.AppendLabel(2, 0.5, "mid");
    EXPECT_EQ(clone->MbrNdxDataRows, 3);
    EXPECT_EQ(clone->GetLabels(2)->Labels()[0].value, 0.5);
    EXPECT_EQ(NextInputs(*clone, 1), (std::vector<double>{3.5}));
    EXPECT_EQ(NextInputs(*clone, 1), (std::vector<double>{4.5}));
    EXPECT_EQ(NextInputs(*clone, 1), (std::vector<double>{2.5}));
    EXPECT_FALSE(clone->IsValidRow(3));
}

TEST(Data, AppendRowsTakesOneEntryOfEachArrayPerRow) {
    Data data(4, 1, 1, true);
    const double a[] = {1.0};
    const double b[] = {2.0};
    const std::array<const double*, 2> inputs = {a, nullptr};
    const std::array<const double*, 2> outputs = {b, b};
    const std::array<TLabelList, 2> labels = {TLabelList("p", 1.0), TLabelList("q", 0.5)};
    data.AppendRows(inputs, outputs, 2, labels);
    EXPECT_EQ(data.GetInputDatum(0, 0), 1.0);
    EXPECT_EQ(data.GetInputDatum(1, 0), 0.0);
    EXPECT_EQ(data.GetOutputDatum(1, 0), 2.0);
    EXPECT_EQ(data.GetLabels(1)->Labels()[0].name, "q");
}

// Storage follows the rows that arrive, so a set announced far larger than its
// content costs no more than its content.
TEST(Data, HugeCapacityCostsOnlyTheRowsStored) {
    Data data(2000000000, 1000, 0, true);
    std::vector<double> row(1000, 0.25);
    data.AppendRow(row, {}, nullptr);
    data.AppendRow(row, {}, nullptr);
    EXPECT_EQ(data.GetInputDatum(1, 999), 0.25);
    EXPECT_FALSE(data.IsValidRow(2));
}

}  // namespace
