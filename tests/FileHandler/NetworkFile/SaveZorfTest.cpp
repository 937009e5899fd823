#include "FileHandler/NetworkFile/SaveZorf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileHandler/ReadFailure.h"
#include "FileHandler/Syntax/ParseTools.h"
#include "Zorf/TZorf.h"

namespace {

using namespace FileTools;

std::string Counts(std::span<const std::int32_t> counts) {
    std::string text;
    for (const std::int32_t count : counts) {
        text += std::to_string(count) + " ";
    }
    return text;
}

// What a fuzzy layer of `count` nodes in slot `k` installs from the entries of its array,
// or what reading them stops with; a refused block installs nothing.
template <class TLayer, class Describe>
std::string Outcome(std::int32_t k, std::int32_t count, const std::string& blockdef,
                    const std::string& entries, Describe describe) {
    TZorf network;
    auto* layer = new TLayer(&network, k, count);
    network.SetLayer(k, layer);
    InputStream in(entries + "[~" + blockdef + "]");
    const std::string failure = ReadFailure([&] { ReadMembershipArray(in, *layer, blockdef); });
    if (!failure.empty()) {
        EXPECT_FALSE(layer->HasMFs()) << entries;
        return failure;
    }
    return describe(*layer) + Counts(layer->GetMFCounts());
}

std::string InputOutcome(const std::string& entries) {
    return Outcome<TConditionLayer>(2, 6, "InputMF", entries, [](const TConditionLayer& layer) {
        return std::to_string(layer.GetNumInputs()) + " inputs: ";
    });
}

std::string OutputOutcome(const std::string& entries) {
    return Outcome<TZorfOutputLayer>(5, 2, "outputmf", entries, [](const TZorfOutputLayer& layer) {
        return std::to_string(layer.GetNumMFs()) + " MFs: ";
    });
}

TEST(SaveZorf, InputArraysInstallTheirCountsOrStop) {
    const struct {
        std::string entries;
        std::string outcome;
    } cases[] = {
        {"[Input=0 MF=3 ][Input=1 MF=3 ]", "2 inputs: 3 3 "},
        {"[Input=1 MF=3 ]\n[Input=0 MF=3 ]", "2 inputs: 3 3 "},
        {"[input = 0 mf = 2][INPUT=1 Mf=4]", "2 inputs: 2 4 "},
        {"[Input=0 MF=6 ]", "1 inputs: 6 "},
        {"[Input=0 ]", "End Tag expected"},
        {"[Input=0 MF=3 ][Input=1 MF=3 ] 7", "End Tag expected"},
        {"[Input=0 MF=3 ][Input=1 MF=3 ][Input]", "End Tag expected"},
        {"[Input=0 Count=3 ]", "invalid tag in membership2"},
        {"[Input=0 MF]", "invalid tag in membership2"},
        {"[Input=0 MF=3 Count=3 ]", "invalid tag in membership2"},
        {"[Output=0 MF=3 ]", "invalid tag in membership1"},
        {"[Input=0 MF=three ]", "integer-expected"},
        {"[Input=zero MF=3 ]", "integer-expected"},
        {"[Input=0 MF=1 ]", "NdxMF >= 2"},
        {"[Input=0 MF=1 ][Input=1 MF=5 ]", "NdxMF >= 2"},
        {"[Input=6 MF=3 ]", "i<numnodes"},
        {"[Input=-1 MF=3 ]", "Negative index in membership array"},
        {"[Input=1 MF=3 ]", "Missing entry in membership array"},
        {"[Input=0 MF=3 ][Input=0 MF=3 ]", "Repeated entry in membership array"},
        {"[Input=0 MF=3 ][Input=1 MF=4 ]",
         "Membership functions do not add up to the layer's neurons"},
        {"", "Membership functions do not add up to the layer's neurons"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InputOutcome(c.entries), c.outcome) << c.entries;
    }
}

TEST(SaveZorf, OutputArraysInstallTheirCountsOrStop) {
    const struct {
        std::string entries;
        std::string outcome;
    } cases[] = {
        {"[Output=0 MF=3 ][Output=1 MF=2 ]", "5 MFs: 3 2 "},
        {"[Output=1 MF=2 ][Output=0 MF=1 ]", "3 MFs: 1 2 "},
        {"[Output=1 MF=2 ]", "Missing entry in membership array"},
        {"[Output=2 MF=2 ]", "i<numnodes"},
        {"[Input=0 MF=2 ]", "invalid tag in membership1"},
        {"[Output=0 MF=-1 ][Output=1 MF=3 ]", "NdxMF >= 0"},
        {"[Output=0 MF=2147483647 ][Output=1 MF=2 ]",
         "Output membership functions do not match the size of their source layer"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OutputOutcome(c.entries), c.outcome) << c.entries;
    }
}

TEST(SaveZorf, WritersListOneEntryPerInputOrOutput) {
    const std::int32_t mfPerInput[] = {3, 3};
    const std::int32_t mfPerOutput[] = {2, 4};
    TZorf network(2, mfPerInput, 4, mfPerOutput, 2);
    OutputStream out;
    WriteInputMembershipArray(out, *network.GetConditionLayer());
    WriteOutputMembershipArray(out, *network.GetDefuzzifyLayer());
    EXPECT_EQ(out.Text(),
              "[InputMF]\n[Input=0 MF=3 ]\n[Input=1 MF=3 ]\n[~InputMF]\n"
              "[OutputMF]\n[Output=0 MF=2 ]\n[Output=1 MF=4 ]\n[~OutputMF]\n");
}

TEST(SaveZorf, WrittenArraysReadBack) {
    const std::int32_t mfPerInput[] = {2, 5, 3};
    const std::int32_t mfPerOutput[] = {3};
    TZorf network(3, mfPerInput, 2, mfPerOutput, 1);
    OutputStream out;
    WriteInputMembershipArray(out, *network.GetConditionLayer());
    ScratchBuffer scratch;
    InputStream in(out.Text());
    const std::string blockdef = ExpectBlockStart(in, ReadBlockItem(scratch, in, {}, false));
    auto* copy = new TConditionLayer(&network, 2, 10);
    network.SetLayer(2, copy);
    ReadMembershipArray(in, *copy, blockdef);
    EXPECT_EQ(Counts(copy->GetMFCounts()), "2 5 3 ");
}

}  // namespace
