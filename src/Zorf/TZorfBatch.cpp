#include "Zorf/TZorfBatch.h"

#include <algorithm>

#include "KQmessage/Check.h"
#include "NeuralNets/TGridConnections.h"

namespace {

// Where row r of neuron t lies in a batch's values.
std::size_t Lane(std::int32_t t, std::int32_t r) {
    return static_cast<std::size_t>(t) * TZorfBatch::kRows + static_cast<std::size_t>(r);
}

const TGridConnections* GridInto(const TZorf& network, std::int32_t to) {
    return dynamic_cast<const TGridConnections*>(&network.GetConnections(to - 1, to));
}

// The matrix into the rule or action layer holds a copy for the batched kernels.
bool HoldsWeightCopies(const TZorf& network, std::int32_t to) {
    const PropagationKernels::TWeightCopies copies = GridInto(network, to)->Copies();
    return copies.packed != nullptr || copies.sparse != nullptr;
}

std::size_t BatchSize(const TZorf& network, std::int32_t k) {
    return static_cast<std::size_t>(network.GetLayer(k)->GetNumNeurons()) * TZorfBatch::kRows;
}

// The batched sums into `to` from `source`; false where the packed copy may not take them.
bool AddSums(const TZorf& network, std::int32_t to, const std::vector<double>& source,
             std::vector<double>& sums) {
    const PropagationKernels::TWeightCopies copies = GridInto(network, to)->Copies();
    std::fill(sums.begin(), sums.end(), 0.0);
    if (copies.sparse != nullptr) {
        PropagationKernels::AddBatchSparse(*copies.sparse, source.data(), sums.data());
        return true;
    }
    // The batch fits only a matrix that holds one copy or the other.
    ZORF_ASSERT(copies.packed != nullptr);
    if (copies.packed->HasAbsentArcs() &&
        !PropagationKernels::AllFinite(source.data(), static_cast<std::int32_t>(source.size()))) {
        return false;
    }
    PropagationKernels::AddBatchVectorized(*copies.packed, source.data(), sums.data());
    return true;
}

// Row r of a batch into a layer's values, as its Compute would have them before the activation:
// net inputs added to a cleared layer.
void LoadNetInputs(TBasicLayer& layer, const std::vector<double>& sums, std::int32_t r) {
    double* values = layer.GetValues();
    for (std::int32_t t = 0; t < layer.GetNumNeurons(); ++t) {
        values[t] = 0.0;
        values[t] += sums[Lane(t, r)];
    }
}

void StoreRow(const TBasicLayer& layer, std::vector<double>& batch, std::int32_t r) {
    const double* values = layer.GetValues();
    for (std::int32_t t = 0; t < layer.GetNumNeurons(); ++t) {
        batch[Lane(t, r)] = values[t];
    }
}

}  // namespace

TZorfBatch::TZorfBatch(TZorf& zorf)
    : network(zorf),
      fits(zorf.HasStandardShape() && HoldsWeightCopies(zorf, TZorf::kRuleLayer) &&
           HoldsWeightCopies(zorf, TZorf::kActionLayer)) {
    if (fits) {
        conditions.resize(BatchSize(network, TZorf::kConditionLayer));
        rules.resize(BatchSize(network, TZorf::kRuleLayer));
        actions.resize(BatchSize(network, TZorf::kActionLayer));
    }
}

bool TZorfBatch::Propagate(const double* inputs, double* outputs) {
    TBasicLayer& input = *network.GetLayer(TZorf::kInputLayer);
    TBasicLayer& condition = *network.GetLayer(TZorf::kConditionLayer);
    TBasicLayer& rule = *network.GetLayer(TZorf::kRuleLayer);
    TBasicLayer& action = *network.GetLayer(TZorf::kActionLayer);
    TBasicLayer& output = *network.GetLayer(TZorf::kOutputLayer);
    const auto inputCount = static_cast<std::size_t>(input.GetNumNeurons());
    for (std::int32_t r = 0; r < kRows; ++r) {
        const double* row = inputs + static_cast<std::size_t>(r) * inputCount;
        input.Compute(row);
        condition.Compute(row);
        StoreRow(condition, conditions, r);
    }
    if (!AddSums(network, TZorf::kRuleLayer, conditions, rules)) {
        return false;
    }
    // Row r's outputs replace its sums, which have been read.
    for (std::int32_t r = 0; r < kRows; ++r) {
        LoadNetInputs(rule, rules, r);
        rule.ApplyActivation(rule.GetValues());
        StoreRow(rule, rules, r);
    }
    if (!AddSums(network, TZorf::kActionLayer, rules, actions)) {
        return false;
    }
    const auto outputCount = static_cast<std::size_t>(output.GetNumNeurons());
    for (std::int32_t r = 0; r < kRows; ++r) {
        LoadNetInputs(action, actions, r);
        action.ApplyActivation(action.GetValues());
        output.Compute(inputs + static_cast<std::size_t>(r) * inputCount);
        std::copy(output.GetValues(), output.GetValues() + outputCount,
                  outputs + static_cast<std::size_t>(r) * outputCount);
    }
    return true;
}
