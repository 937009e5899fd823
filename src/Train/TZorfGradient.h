// The trainable parameters of a TZorf as one flat vector, and the exact derivative of a row's
// error with respect to each of them. The forward pass is the network's own Propagate; the
// backward pass runs over flat copies of the weights, rows of contiguous doubles, so that it
// costs about two forward passes.
//
// Parameters, in this order: the trainable centres of the condition nodes (weight layer 1),
// the trainable existing arcs of weight layers 2 and 3 (rules in order, each rule's sources in
// order; then actions), the trainable output centres (weight layer 4). Arcs without the exists
// bit take no part; frozen arcs and centres take part in the forward pass but are no
// parameters.
//
// A membership degree has no derivative at its own centre and at its neighbours' centres; the
// derivative taken there is that of the segment the degree itself is computed from: at a centre
// the right-hand segment (the degree falls towards the right neighbour), at the outer ends the
// flat part.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

class TZorf;

class TZorfGradient {
  public:
    // Refuses (TTrainRefusal) a network whose layers are not those the derivative knows: the
    // condition layer with its membership functions, "sigmoid" rules and actions, the
    // defuzzifying output layer, and no matrices besides the four weight layers.
    TZorfGradient(TZorf& network, const std::array<bool, 4>& trainLayers);

    std::int32_t NumParameters() const { return static_cast<std::int32_t>(targets.size()); }
    // The parameters' current values, read from the network.
    std::vector<double> Parameters() const;
    // Writes the parameters into the network; no TPackedPropagation may be alive.
    void SetParameters(std::span<const double> parameters);
    // The weight layer (TZorf::kConditionCentres ... kOutputCentres) of each parameter.
    std::span<const std::uint8_t> LayerOf() const { return layerOf; }

    // After network.Propagate of a row (whose inputs the input layer holds): adds the
    // derivative of the row's error, given as its derivative by each output, to the
    // accumulated gradient.
    void AddRowGradient(std::span<const double> outputGradient);
    // The accumulated gradient by parameter, added into `gradient` (NumParameters() values, or
    // none to discard it); then starts again at 0.
    void CollectGradient(std::span<double> gradient);
    // The same, written into `gradient` rather than added: what CollectGradient would add.
    void TakeGradient(std::span<double> gradient);

    // Keeps the network recallable: each input's trainable centres ascending, neighbours at
    // least `gap` input units apart, and every output centre within [0, 1].
    void Constrain(std::span<double> parameters, double gap) const;

    // The unit of each parameter, by which gaps and steps of its layer's scale are multiplied:
    // for an input's centres the span of its centres when training started, where they lie
    // outside [0, 1] (inputs in their own units), else 1; 1 for every weight and output centre.
    std::span<const double> UnitOf() const { return unitOf; }

  private:
    TZorf& net;
    std::int32_t numInputs = 0;
    std::int32_t numConditions = 0;
    std::int32_t numRules = 0;
    std::int32_t numActions = 0;
    std::int32_t numOutputs = 0;
    std::array<bool, 4> trains{};
    std::vector<std::int32_t> inputOf;
    std::vector<std::uint8_t> hasLeft;
    std::vector<std::uint8_t> hasRight;
    std::vector<std::int32_t> outputOf;
    std::vector<std::int32_t> outputFirst;
    // The weights as propagation uses them (absent arcs 0), rule rows of conditions and action
    // rows of rules, and the centres.
    std::vector<double> ruleWeights;
    std::vector<double> actionWeights;
    std::vector<double> inputCentres;
    std::vector<double> outputCentres;
    // Each parameter's place in the network and in the dense gradient (centres, rule rows,
    // action rows, output centres).
    std::vector<double*> targets;
    std::vector<std::size_t> denseIndex;
    std::vector<std::uint8_t> layerOf;
    std::vector<double> unitOf;
    // The unit of each condition node's input (see UnitOf).
    std::vector<double> centreUnit;
    std::vector<double> dense;
    // Per-row scratch: derivatives by degree, rule and action value.
    std::vector<double> byDegree;
    std::vector<double> byRule;
    std::vector<double> byAction;

    std::size_t RuleBase() const { return static_cast<std::size_t>(numConditions); }
    std::size_t ActionBase() const {
        return RuleBase() + static_cast<std::size_t>(numRules) * numConditions;
    }
    std::size_t OutputBase() const {
        return ActionBase() + static_cast<std::size_t>(numActions) * numRules;
    }
    // Whether the parameters of weight layer TZorf::kConditionCentres ... kOutputCentres train.
    bool Trains(std::int32_t weightLayer) const;
    void RequireTrainableShape() const;
    void CollectParameters();
    void MeasureCentreUnits();
    void AddCentreGradient(const double* inputs, const double* degrees);
};
