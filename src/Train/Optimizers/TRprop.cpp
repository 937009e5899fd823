// iRprop+: every parameter moves by a step of its own, which grows while its gradient keeps its
// sign and shrinks when the sign changes; a parameter whose sign changed steps back when the
// error grew. Steps use the gradient's sign only, so the whole batch's gradient is wanted.
#include <algorithm>
#include <cmath>
#include <vector>

#include "Train/Optimizer.h"
#include "Train/TrainSettings.h"
#include "Zorf/TZorf.h"

namespace {

constexpr double kIncrease = 1.2;
constexpr double kDecrease = 0.5;
constexpr double kMinStep = 1e-9;
// Centres live in the inputs' and outputs' [0, 1], weights on the sigmoid's scale.
constexpr double kCentreStepShare = 0.1;

double Sign(double x) {
    return x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0);
}

}  // namespace

class TRprop final : public TOptimizer {
  public:
    explicit TRprop(const TOptimizerSetup& setup)
        : previousGradient(setup.layerOf.size(), 0.0), previousStep(setup.layerOf.size(), 0.0) {
        for (std::size_t p = 0; p < setup.layerOf.size(); ++p) {
            const std::uint8_t layer = setup.layerOf[p];
            const bool centre = layer == TZorf::kConditionCentres || layer == TZorf::kOutputCentres;
            const double share = centre ? kCentreStepShare * setup.unitOf[p] : 1.0;
            step.push_back(setup.settings.initialStep * share);
            maxStep.push_back(setup.settings.maxStep * share);
        }
    }

    void Step(std::span<double> parameters, std::span<const double> gradient,
              double error) override {
        const bool worse = error > previousError;
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            const double g = gradient[p];
            const double product = previousGradient[p] * g;
            if (product > 0.0) {
                step[p] = std::min(step[p] * kIncrease, maxStep[p]);
                previousStep[p] = -Sign(g) * step[p];
                parameters[p] += previousStep[p];
                previousGradient[p] = g;
            } else if (product < 0.0) {
                step[p] = std::max(step[p] * kDecrease, kMinStep);
                if (worse) {
                    parameters[p] -= previousStep[p];
                }
                previousStep[p] = 0.0;
                previousGradient[p] = 0.0;
            } else {
                previousStep[p] = -Sign(g) * step[p];
                parameters[p] += previousStep[p];
                previousGradient[p] = g;
            }
        }
        previousError = error;
    }

  private:
    std::vector<double> step;
    std::vector<double> maxStep;
    std::vector<double> previousGradient;
    std::vector<double> previousStep;
    double previousError = HUGE_VAL;
};

template std::unique_ptr<TOptimizer> MakeOptimizer<TRprop>(const TOptimizerSetup&);
