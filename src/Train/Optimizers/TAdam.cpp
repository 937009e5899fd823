// Adam: steps scaled by running means of the gradient and of its square, both corrected for
// starting at 0.
#include <cmath>
#include <cstdint>
#include <vector>

#include "Train/Optimizer.h"

namespace {

constexpr double kBeta1 = 0.9;
constexpr double kBeta2 = 0.999;
constexpr double kEpsilon = 1e-8;

}  // namespace

class TAdam final : public TOptimizer {
  public:
    explicit TAdam(const TOptimizerSetup& setup)
        : learningRate(setup.learningRate),
          unitOf(setup.unitOf.begin(), setup.unitOf.end()),
          firstMoment(setup.layerOf.size(), 0.0),
          secondMoment(setup.layerOf.size(), 0.0) {}

    void Step(std::span<double> parameters, std::span<const double> gradient, double) override {
        ++steps;
        const double correction1 = 1.0 - std::pow(kBeta1, static_cast<double>(steps));
        const double correction2 = 1.0 - std::pow(kBeta2, static_cast<double>(steps));
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            // In the parameter's unit the moments (and the epsilon beside them) see the gradient an
            // input over [0, 1] would give.
            const double g = gradient[p] * unitOf[p];
            firstMoment[p] = kBeta1 * firstMoment[p] + (1.0 - kBeta1) * g;
            secondMoment[p] = kBeta2 * secondMoment[p] + (1.0 - kBeta2) * g * g;
            const double m = firstMoment[p] / correction1;
            const double v = secondMoment[p] / correction2;
            parameters[p] -= learningRate * unitOf[p] * m / (std::sqrt(v) + kEpsilon);
        }
    }

  private:
    double learningRate;
    // An input in its own units takes steps in those units.
    std::vector<double> unitOf;
    std::vector<double> firstMoment;
    std::vector<double> secondMoment;
    std::int64_t steps = 0;
};

template std::unique_ptr<TOptimizer> MakeOptimizer<TAdam>(const TOptimizerSetup&);
