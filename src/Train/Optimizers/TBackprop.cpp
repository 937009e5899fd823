// Gradient descent with momentum: the velocity keeps `Momentum` of the last step.
#include <vector>

#include "Train/Optimizer.h"
#include "Train/TrainSettings.h"

class TBackprop final : public TOptimizer {
  public:
    explicit TBackprop(const TOptimizerSetup& setup)
        : learningRate(setup.learningRate),
          momentum(setup.settings.momentum),
          velocity(setup.layerOf.size(), 0.0) {
        // The derivative by a centre in units u is 1/u of that in [0, 1], and the step wanted u
        // times as long: the rate goes with u squared.
        for (const double unit : setup.unitOf) {
            rateOf.push_back(learningRate * unit * unit);
        }
    }

    void Step(std::span<double> parameters, std::span<const double> gradient, double) override {
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            velocity[p] = momentum * velocity[p] - rateOf[p] * gradient[p];
            parameters[p] += velocity[p];
        }
    }

  private:
    double learningRate;
    double momentum;
    std::vector<double> velocity;
    std::vector<double> rateOf;
};

template std::unique_ptr<TOptimizer> MakeOptimizer<TBackprop>(const TOptimizerSetup&);
