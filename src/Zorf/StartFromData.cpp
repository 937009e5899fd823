#include "Zorf/StartFromData.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <string>

#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"
#include "Zorf/PortableUniform.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

// A rule's net input spans [-kConditionScale, kConditionScale]: its most from a row at its
// cluster's centre, its least from a row that belongs to other functions of every input.
constexpr double kConditionScale = 4.0;
// An action's net input from one fully firing rule spans [-kActionScale, kActionScale].
constexpr double kActionScale = 4.0;
// Neighbouring centres of an input stay this share of its span apart.
constexpr double kCentreGapShare = 0.01;
constexpr int kLloydPasses = 25;
// k-means starts this many times, fewer where rows x rules exceeds the budget (one start at
// least), so that a start network of 10,000 rows stays well under a second.
constexpr std::int64_t kClusteringStarts = 10;
constexpr std::int64_t kClusteringBudget = 3'200'000;
// The default counts: rows per rule, and the rows from which inputs get three functions.
constexpr std::int64_t kRowsPerRule = 40;
constexpr std::int64_t kRowsForThreeFunctions = 1000;
// With this few inputs the conditions of three functions per input stay cheap at any size.
constexpr std::int32_t kInputsForThreeFunctions = 4;
// The action weights are fitted by least squares up to this many rules, towards the logits of
// degrees kept this far inside (0, 1), with a ridge of this share of the row count.
constexpr std::size_t kMaxLeastSquaresRules = 1000;
constexpr double kLeastDegree = 0.1;
constexpr double kRidgeShare = 1e-3;
constexpr int kLeastSquaresSweeps = 500;

[[noreturn]] void Refuse(const std::string& message) {
    throw TException(message, kBadParameter, "MakeZorf");
}

std::string Place(std::int64_t row, const char* side, std::int32_t column) {
    return "row " + std::to_string(row + 1) + ", " + side + " " + std::to_string(column + 1);
}

void RequireRows(const TZorfRecipe& recipe, const TZorfRows& rows) {
    RequireMakeable(recipe);
    if (rows.numInputs != static_cast<std::int32_t>(recipe.mfPerInput.size()) ||
        rows.numOutputs != static_cast<std::int32_t>(recipe.mfPerOutput.size())) {
        Refuse("the rows have " + std::to_string(rows.numInputs) + " inputs and " +
               std::to_string(rows.numOutputs) + " expected outputs; the network is to have " +
               std::to_string(recipe.mfPerInput.size()) + " and " +
               std::to_string(recipe.mfPerOutput.size()));
    }
    if (rows.count < recipe.numRules) {
        Refuse("there are " + std::to_string(rows.count) + " rows for " +
               std::to_string(recipe.numRules) + " rules; a rule needs a row at least");
    }
    for (std::int64_t r = 0; r < rows.count; ++r) {
        for (std::int32_t i = 0; i < rows.numInputs; ++i) {
            if (!std::isfinite(rows.Inputs(r)[i])) {
                Refuse(Place(r, "input", i) + ": not a finite number");
            }
        }
        for (std::int32_t k = 0; k < rows.numOutputs; ++k) {
            const double value = rows.Outputs(r)[k];
            if (!(value >= 0.0 && value <= 1.0)) {
                Refuse(Place(r, "expected output", k) +
                       ": outside [0, 1], which a network's outputs cannot leave");
            }
        }
    }
}

// One input's values, sorted.
std::vector<double> SortedColumn(const TZorfRows& rows, std::int32_t input) {
    std::vector<double> values(static_cast<std::size_t>(rows.count));
    for (std::int64_t r = 0; r < rows.count; ++r) {
        values[static_cast<std::size_t>(r)] = rows.Inputs(r)[input];
    }
    std::sort(values.begin(), values.end());
    return values;
}

// The centres of an input's `count` functions at the quantiles k / (count - 1) of its values,
// the outermost at its least and greatest value, pushed apart to a share of the span where
// values repeat.
std::vector<double> QuantileCentres(const std::vector<double>& sorted, std::int32_t count) {
    std::vector<double> centres(static_cast<std::size_t>(count));
    const double last = static_cast<double>(sorted.size() - 1);
    for (std::int32_t k = 0; k < count; ++k) {
        const double at = last * k / (count - 1);
        const auto below = static_cast<std::size_t>(std::floor(at));
        const std::size_t above = std::min(below + 1, sorted.size() - 1);
        const double share = at - static_cast<double>(below);
        centres[static_cast<std::size_t>(k)] =
            sorted[below] + share * (sorted[above] - sorted[below]);
    }
    const double gap = kCentreGapShare * (sorted.back() - sorted.front());
    for (std::size_t k = 1; k < centres.size(); ++k) {
        centres[k] = std::max(centres[k], centres[k - 1] + gap);
    }
    centres.back() = sorted.back();
    for (std::size_t k = centres.size() - 1; k-- > 0;) {
        centres[k] = std::min(centres[k], centres[k + 1] - gap);
    }
    return centres;
}

std::vector<double> EvenCentres(double low, double high, std::int32_t count) {
    std::vector<double> centres(static_cast<std::size_t>(count));
    for (std::int32_t k = 0; k < count; ++k) {
        centres[static_cast<std::size_t>(k)] = low + (high - low) * k / (count - 1);
    }
    return centres;
}

// The rows as points of the clustering: inputs scaled to [0, 1] by their spans, then the
// expected outputs, which lie in [0, 1] already.
struct TPoints {
    std::int64_t count = 0;
    std::int32_t dimensions = 0;
    std::vector<double> values;

    const double* At(std::int64_t point) const { return values.data() + point * dimensions; }
};

TPoints ScaledPoints(const TZorfRows& rows, const std::vector<double>& low,
                     const std::vector<double>& span) {
    TPoints points;
    points.count = rows.count;
    points.dimensions = rows.numInputs + rows.numOutputs;
    points.values.reserve(static_cast<std::size_t>(rows.count * points.dimensions));
    for (std::int64_t r = 0; r < rows.count; ++r) {
        for (std::int32_t i = 0; i < rows.numInputs; ++i) {
            const auto at = static_cast<std::size_t>(i);
            points.values.push_back(span[at] > 0.0 ? (rows.Inputs(r)[i] - low[at]) / span[at]
                                                   : 0.0);
        }
        points.values.insert(points.values.end(), rows.Outputs(r),
                             rows.Outputs(r) + rows.numOutputs);
    }
    return points;
}

double SquaredDistance(const double* a, const double* b, std::int32_t dimensions) {
    double sum = 0.0;
    for (std::int32_t d = 0; d < dimensions; ++d) {
        const double difference = a[d] - b[d];
        sum += difference * difference;
    }
    return sum;
}

class TClustering {
  public:
    TClustering(const TPoints& rowPoints, std::int32_t clusters, std::uint32_t seed)
        : points(rowPoints),
          count(clusters),
          centres(static_cast<std::size_t>(clusters) * rowPoints.dimensions),
          members(static_cast<std::size_t>(rowPoints.count), 0),
          generator(seed) {
        // Several starts, the tightest clustering kept: the first from the rows alone, the
        // others k-means++ from one generator, so that the seed decides far less of the
        // outcome than a single start's luck would.
        std::vector<double> bestCentres;
        std::vector<std::int32_t> bestMembers;
        double bestSpread = HUGE_VAL;
        const std::int64_t starts = std::clamp<std::int64_t>(
            kClusteringBudget / (points.count * clusters), 1, kClusteringStarts);
        for (std::int64_t start = 0; start < starts; ++start) {
            if (start == 0) {
                SplitCentres();
            } else {
                SeedCentres();
            }
            for (int pass = 0; pass < kLloydPasses && Assign(); ++pass) {
                MoveCentres();
            }
            const double spread = Spread();
            if (spread < bestSpread) {
                bestSpread = spread;
                bestCentres = centres;
                bestMembers = members;
            }
        }
        centres = std::move(bestCentres);
        members = std::move(bestMembers);
        SortClusters();
    }

    const double* Centre(std::int32_t cluster) const {
        return centres.data() + static_cast<std::ptrdiff_t>(cluster) * points.dimensions;
    }
    std::int32_t ClusterOf(std::int64_t point) const {
        return members[static_cast<std::size_t>(point)];
    }

  private:
    const TPoints& points;
    std::int32_t count;
    std::vector<double> centres;
    std::vector<std::int32_t> members;
    std::mt19937 generator;

    double* CentreAt(std::int32_t cluster) {
        return centres.data() + static_cast<std::ptrdiff_t>(cluster) * points.dimensions;
    }

    void CopyPoint(std::int64_t point, std::int32_t cluster) {
        std::copy(points.At(point), points.At(point) + points.dimensions, CentreAt(cluster));
    }

    // A start that depends on the rows alone: the rows split again and again, each time the
    // part farthest spread at the mean of its most varied coordinate, the parts' means the
    // centres.
    void SplitCentres() {
        std::fill(members.begin(), members.end(), 0);
        std::vector<double> spread(static_cast<std::size_t>(count), 0.0);
        MoveCentres();
        spread[0] = PartSpread(0);
        for (std::int32_t parts = 1; parts < count; ++parts) {
            const auto widest = static_cast<std::int32_t>(
                std::max_element(spread.begin(), spread.begin() + parts) - spread.begin());
            const std::int32_t along = MostVariedCoordinate(widest);
            const double cut = Centre(widest)[along];
            for (std::int64_t p = 0; p < points.count; ++p) {
                if (ClusterOf(p) == widest && points.At(p)[along] > cut) {
                    members[static_cast<std::size_t>(p)] = parts;
                }
            }
            MoveCentres();
            spread[static_cast<std::size_t>(widest)] = PartSpread(widest);
            spread[static_cast<std::size_t>(parts)] = PartSpread(parts);
        }
    }

    // The coordinate whose values spread most about the part's mean (the first of equals).
    std::int32_t MostVariedCoordinate(std::int32_t part) const {
        std::vector<double> sums(static_cast<std::size_t>(points.dimensions), 0.0);
        const double* mean = Centre(part);
        for (std::int64_t p = 0; p < points.count; ++p) {
            if (ClusterOf(p) == part) {
                for (std::int32_t d = 0; d < points.dimensions; ++d) {
                    const double offset = points.At(p)[d] - mean[d];
                    sums[static_cast<std::size_t>(d)] += offset * offset;
                }
            }
        }
        return static_cast<std::int32_t>(std::max_element(sums.begin(), sums.end()) - sums.begin());
    }

    double PartSpread(std::int32_t part) const {
        double sum = 0.0;
        for (std::int64_t p = 0; p < points.count; ++p) {
            if (ClusterOf(p) == part) {
                sum += SquaredDistance(points.At(p), Centre(part), points.dimensions);
            }
        }
        return sum;
    }

    // k-means++: the first centre a row drawn evenly, each next one a row drawn with a chance
    // in proportion to its squared distance from the nearest centre so far.
    void SeedCentres() {
        CopyPoint(static_cast<std::int64_t>(PortableUniform(generator) *
                                            static_cast<double>(points.count)),
                  0);
        std::vector<double> nearest(static_cast<std::size_t>(points.count), HUGE_VAL);
        for (std::int32_t c = 1; c < count; ++c) {
            double total = 0.0;
            for (std::int64_t p = 0; p < points.count; ++p) {
                auto& distance = nearest[static_cast<std::size_t>(p)];
                distance = std::min(
                    distance, SquaredDistance(points.At(p), Centre(c - 1), points.dimensions));
                total += distance;
            }
            std::int64_t chosen = 0;
            if (total > 0.0) {
                double threshold = PortableUniform(generator) * total;
                while (chosen < points.count - 1 &&
                       (threshold -= nearest[static_cast<std::size_t>(chosen)]) >= 0.0) {
                    ++chosen;
                }
            } else {
                // Every row sits on a centre already: the remaining clusters repeat rows.
                chosen = c % points.count;
            }
            CopyPoint(chosen, c);
        }
    }

    // Each row to its nearest centre (the first on ties); whether any row moved.
    bool Assign() {
        bool moved = false;
        for (std::int64_t p = 0; p < points.count; ++p) {
            std::int32_t best = 0;
            double bestDistance = HUGE_VAL;
            for (std::int32_t c = 0; c < count; ++c) {
                const double distance = SquaredDistance(points.At(p), Centre(c), points.dimensions);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = c;
                }
            }
            auto& member = members[static_cast<std::size_t>(p)];
            moved = moved || member != best;
            member = best;
        }
        return moved;
    }

    // The clusters in the order of their centres (compared coordinate by coordinate), so that
    // the same clusters make the same rules, in the same order, whichever start found them.
    void SortClusters() {
        std::vector<std::int32_t> order(static_cast<std::size_t>(count));
        std::iota(order.begin(), order.end(), 0);
        const auto dimensions = static_cast<std::ptrdiff_t>(points.dimensions);
        std::sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
            return std::lexicographical_compare(Centre(a), Centre(a) + dimensions, Centre(b),
                                                Centre(b) + dimensions);
        });
        std::vector<double> sorted;
        sorted.reserve(centres.size());
        std::vector<std::int32_t> rank(static_cast<std::size_t>(count));
        for (std::int32_t r = 0; r < count; ++r) {
            const std::int32_t c = order[static_cast<std::size_t>(r)];
            sorted.insert(sorted.end(), Centre(c), Centre(c) + dimensions);
            rank[static_cast<std::size_t>(c)] = r;
        }
        centres = std::move(sorted);
        for (std::int32_t& member : members) {
            member = rank[static_cast<std::size_t>(member)];
        }
    }

    // The sum of the rows' squared distances from their clusters' centres.
    double Spread() const {
        double sum = 0.0;
        for (std::int64_t p = 0; p < points.count; ++p) {
            sum += SquaredDistance(points.At(p), Centre(ClusterOf(p)), points.dimensions);
        }
        return sum;
    }

    // Each centre to the mean of its rows; a cluster without rows keeps its centre.
    void MoveCentres() {
        std::vector<double> sums(centres.size(), 0.0);
        std::vector<std::int64_t> sizes(static_cast<std::size_t>(count), 0);
        for (std::int64_t p = 0; p < points.count; ++p) {
            const std::int32_t c = ClusterOf(p);
            ++sizes[static_cast<std::size_t>(c)];
            for (std::int32_t d = 0; d < points.dimensions; ++d) {
                sums[static_cast<std::size_t>(c) * points.dimensions + d] += points.At(p)[d];
            }
        }
        for (std::int32_t c = 0; c < count; ++c) {
            const std::int64_t size = sizes[static_cast<std::size_t>(c)];
            for (std::int32_t d = 0; size > 0 && d < points.dimensions; ++d) {
                CentreAt(c)[d] = sums[static_cast<std::size_t>(c) * points.dimensions + d] /
                                 static_cast<double>(size);
            }
        }
    }
};

// The degrees of value in the triangular functions of the given ordered centres, as the
// condition layer computes them.
void Degrees(const double* centres, std::int32_t count, double value, double* degrees) {
    std::fill(degrees, degrees + count, 0.0);
    if (value <= centres[0]) {
        degrees[0] = 1.0;
        return;
    }
    if (value >= centres[count - 1]) {
        degrees[count - 1] = 1.0;
        return;
    }
    std::int32_t k = 0;
    while (value >= centres[k + 1]) {
        ++k;
    }
    const double share = (value - centres[k]) / (centres[k + 1] - centres[k]);
    degrees[k] = 1.0 - share;
    degrees[k + 1] = share;
}

// Writes `weight(from, to)` into every existing arc of a rule or action weight layer, leaving
// the weights of pruned arcs as MakeZorf left them.
template <class Weight>
void SetExistingArcs(TZorf& network, std::int32_t weightLayer, Weight weight) {
    std::vector<double> weights = network.GetWeightLayer(weightLayer);
    const std::int32_t targets = network.GetLayer(weightLayer + 1)->GetNumNeurons();
    for (std::size_t i = 0; i < weights.size(); ++i) {
        const auto from = static_cast<std::int32_t>(i / static_cast<std::size_t>(targets));
        const auto to = static_cast<std::int32_t>(i % static_cast<std::size_t>(targets));
        if (network.WeightExists(weightLayer, from, to)) {
            weights[i] = weight(from, to);
        }
    }
    network.SetWeightLayer(weightLayer, weights);
}

// Each input's centres in one array, the condition layer's node order.
std::vector<double> InputCentres(const TZorfRecipe& recipe, const TZorfRows& rows,
                                 TStartReport& report) {
    std::vector<double> centres;
    for (std::int32_t i = 0; i < rows.numInputs; ++i) {
        const std::int32_t count = recipe.mfPerInput[static_cast<std::size_t>(i)];
        const std::vector<double> sorted = SortedColumn(rows, i);
        std::vector<double> placed;
        if (sorted.front() == sorted.back()) {
            report.constantInputs.push_back(i);
            placed = EvenCentres(sorted.front() - 0.5, sorted.front() + 0.5, count);
        } else {
            placed = QuantileCentres(sorted, count);
        }
        centres.insert(centres.end(), placed.begin(), placed.end());
    }
    return centres;
}

// The lower triangle of a symmetric matrix (size x size, row-major) plus `ridge` on its
// diagonal replaced by its Cholesky factor; false when it is not positive definite.
bool CholeskyInPlace(std::vector<double>& matrix, std::size_t size, double ridge) {
    for (std::size_t i = 0; i < size; ++i) {
        matrix[i * size + i] += ridge;
    }
    for (std::size_t j = 0; j < size; ++j) {
        double diagonal = matrix[j * size + j];
        for (std::size_t k = 0; k < j; ++k) {
            diagonal -= matrix[j * size + k] * matrix[j * size + k];
        }
        if (!(diagonal > 0.0)) {
            return false;
        }
        diagonal = std::sqrt(diagonal);
        matrix[j * size + j] = diagonal;
        for (std::size_t i = j + 1; i < size; ++i) {
            double sum = matrix[i * size + j];
            for (std::size_t k = 0; k < j; ++k) {
                sum -= matrix[i * size + k] * matrix[j * size + k];
            }
            matrix[i * size + j] = sum / diagonal;
        }
    }
    return true;
}

// Solves L L^T x = b in place for the factor CholeskyInPlace left.
void CholeskySolve(const std::vector<double>& factor, std::size_t size, std::vector<double>& b) {
    for (std::size_t i = 0; i < size; ++i) {
        double sum = b[i];
        for (std::size_t k = 0; k < i; ++k) {
            sum -= factor[i * size + k] * b[k];
        }
        b[i] = sum / factor[i * size + i];
    }
    for (std::size_t i = size; i-- > 0;) {
        double sum = b[i];
        for (std::size_t k = i + 1; k < size; ++k) {
            sum -= factor[k * size + i] * b[k];
        }
        b[i] = sum / factor[i * size + i];
    }
}

// The action weights that bring each action's net input, over the rows, nearest (least squares,
// with a small ridge) to the logit of the degree to which the row's expected output belongs to
// the action's output function, the rule values fixed: a linear problem in the weights. Networks
// with many rules keep the weights from their clusters.
void FitActionWeights(TZorf& network, const TZorfRows& rows) {
    const TZorfArchitecture architecture = network.GetArchitecture();
    const auto rules = static_cast<std::size_t>(architecture.numRules);
    const auto actions = static_cast<std::size_t>(architecture.numActions);
    if (rules > kMaxLeastSquaresRules) {
        return;
    }
    const std::vector<double> outputCentres = network.GetWeightLayer(TZorf::kOutputCentres);
    std::vector<double> gram(rules * rules, 0.0);
    std::vector<double> moments(rules * actions, 0.0);
    std::vector<double> generated(static_cast<std::size_t>(architecture.numOutputs));
    std::vector<double> wanted(actions);
    for (std::int64_t r = 0; r < rows.count; ++r) {
        network.Propagate(rows.Inputs(r), generated.data());
        const double* values = network.GetLayer(TZorf::kRuleLayer)->GetValues();
        for (std::size_t k = 0, first = 0; k < architecture.mfPerOutput.size();
             first += static_cast<std::size_t>(architecture.mfPerOutput[k++])) {
            Degrees(&outputCentres[first], architecture.mfPerOutput[k], rows.Outputs(r)[k],
                    &wanted[first]);
        }
        for (double& degree : wanted) {
            const double clipped = std::clamp(degree, kLeastDegree, 1.0 - kLeastDegree);
            degree = std::log(clipped / (1.0 - clipped));
        }
        for (std::size_t i = 0; i < rules; ++i) {
            for (std::size_t j = 0; j <= i; ++j) {
                gram[i * rules + j] += values[i] * values[j];
            }
            for (std::size_t a = 0; a < actions; ++a) {
                moments[i * actions + a] += values[i] * wanted[a];
            }
        }
    }
    const double ridge = kRidgeShare * static_cast<double>(rows.count);
    if (!CholeskyInPlace(gram, rules, ridge)) {
        return;
    }
    std::vector<double> weights(rules * actions);
    std::vector<double> column(rules);
    for (std::size_t a = 0; a < actions; ++a) {
        for (std::size_t i = 0; i < rules; ++i) {
            column[i] = moments[i * actions + a];
        }
        CholeskySolve(gram, rules, column);
        for (std::size_t i = 0; i < rules; ++i) {
            weights[i * actions + a] = column[i];
        }
    }
    SetExistingArcs(network, TZorf::kActionWeights, [&](std::int32_t rule, std::int32_t action) {
        return weights[static_cast<std::size_t>(rule) * actions + static_cast<std::size_t>(action)];
    });
}

}  // namespace

std::unique_ptr<TZorf> MakeZorfFromData(const TZorfRecipe& recipe, const TZorfRows& rows,
                                        TStartReport* report) {
    RequireRows(recipe, rows);
    TStartReport made;
    std::unique_ptr<TZorf> network = MakeZorf(recipe);
    const std::vector<double> centres = InputCentres(recipe, rows, made);
    network->SetWeightLayer(TZorf::kConditionCentres, centres);

    std::vector<double> low;
    std::vector<double> span;
    std::vector<std::size_t> firstCentre;
    for (std::size_t i = 0, at = 0; i < recipe.mfPerInput.size(); at += recipe.mfPerInput[i++]) {
        firstCentre.push_back(at);
        low.push_back(centres[at]);
        span.push_back(centres[at + recipe.mfPerInput[i] - 1] - centres[at]);
    }
    const TPoints points = ScaledPoints(rows, low, span);
    const TClustering clusters(points, recipe.numRules, recipe.seed);

    // A rule's condition weight of a function: +1 where its cluster's centre belongs to the
    // function wholly, -1 where not at all, over the number of inputs.
    std::vector<double> memberships(centres.size());
    std::vector<std::int32_t> inputOf;
    for (std::size_t i = 0; i < recipe.mfPerInput.size(); ++i) {
        inputOf.insert(inputOf.end(), static_cast<std::size_t>(recipe.mfPerInput[i]),
                       static_cast<std::int32_t>(i));
    }
    std::vector<double> ruleDegrees(centres.size() * static_cast<std::size_t>(recipe.numRules));
    for (std::int32_t r = 0; r < recipe.numRules; ++r) {
        double* degrees = ruleDegrees.data() + static_cast<std::size_t>(r) * centres.size();
        for (std::size_t i = 0; i < recipe.mfPerInput.size(); ++i) {
            const double value = low[i] + clusters.Centre(r)[i] * span[i];
            Degrees(&centres[firstCentre[i]], recipe.mfPerInput[i], value,
                    degrees + firstCentre[i]);
        }
    }
    const double perInput = kConditionScale / static_cast<double>(rows.numInputs);
    SetExistingArcs(*network, TZorf::kRuleWeights, [&](std::int32_t j, std::int32_t r) {
        return perInput *
               (2.0 * ruleDegrees[static_cast<std::size_t>(r) * centres.size() + j] - 1.0);
    });

    // An action weight: +1 where the outputs the cluster's rows expect lie at the action's
    // output function, -1 where they lie away from it.
    const std::vector<double> outputCentres = network->GetWeightLayer(TZorf::kOutputCentres);
    std::vector<double> actionDegrees(outputCentres.size() *
                                      static_cast<std::size_t>(recipe.numRules));
    for (std::int32_t r = 0, at = 0; r < recipe.numRules; ++r) {
        for (std::size_t k = 0, first = 0; k < recipe.mfPerOutput.size();
             first += recipe.mfPerOutput[k++]) {
            Degrees(&outputCentres[first], recipe.mfPerOutput[k],
                    clusters.Centre(r)[rows.numInputs + static_cast<std::int32_t>(k)],
                    &actionDegrees[static_cast<std::size_t>(at) + first]);
        }
        at += static_cast<std::int32_t>(outputCentres.size());
    }
    SetExistingArcs(*network, TZorf::kActionWeights, [&](std::int32_t r, std::int32_t a) {
        return kActionScale *
               (2.0 * actionDegrees[static_cast<std::size_t>(r) * outputCentres.size() + a] - 1.0);
    });
    FitActionWeights(*network, rows);
    FitOutputCentres(*network, rows);
    if (report != nullptr) {
        *report = made;
    }
    return network;
}

void FitOutputCentres(TZorf& network, const TZorfRows& rows) {
    const TZorfArchitecture architecture = network.GetArchitecture();
    const auto actions = static_cast<std::size_t>(architecture.numActions);
    std::vector<std::int32_t> outputOf;
    for (std::size_t k = 0; k < architecture.mfPerOutput.size(); ++k) {
        outputOf.insert(outputOf.end(), static_cast<std::size_t>(architecture.mfPerOutput[k]),
                        static_cast<std::int32_t>(k));
    }
    // The normal equations of every output at once: an action's share of its output's total
    // action is its weight in the centre of gravity, and pairs of other outputs' actions stay 0.
    std::vector<double> gram(actions * actions, 0.0);
    std::vector<double> moment(actions, 0.0);
    std::vector<double> shares(actions);
    std::vector<double> totals(architecture.mfPerOutput.size());
    std::vector<double> generated(architecture.mfPerOutput.size());
    for (std::int64_t r = 0; r < rows.count; ++r) {
        network.Propagate(rows.Inputs(r), generated.data());
        std::fill(totals.begin(), totals.end(), 0.0);
        const double* values = network.GetLayer(TZorf::kActionLayer)->GetValues();
        for (std::size_t a = 0; a < actions; ++a) {
            totals[static_cast<std::size_t>(outputOf[a])] += values[a];
        }
        for (std::size_t a = 0; a < actions; ++a) {
            const double total = totals[static_cast<std::size_t>(outputOf[a])];
            shares[a] = total != 0.0 ? values[a] / total : 0.0;
        }
        for (std::size_t a = 0; a < actions; ++a) {
            moment[a] += shares[a] * rows.Outputs(r)[outputOf[a]];
            for (std::size_t b = 0; b < actions; ++b) {
                if (outputOf[a] == outputOf[b]) {
                    gram[a * actions + b] += shares[a] * shares[b];
                }
            }
        }
    }
    std::vector<double> centres = network.GetWeightLayer(TZorf::kOutputCentres);
    const std::vector<std::uint8_t> frozen = network.GetFrozenLayer(TZorf::kOutputCentres);
    // Coordinate descent on a convex quadratic with bounds on each coordinate alone reaches its
    // least value; the sweeps end once no centre moves.
    for (int sweep = 0; sweep < kLeastSquaresSweeps; ++sweep) {
        double largestMove = 0.0;
        for (std::size_t a = 0; a < actions; ++a) {
            const double diagonal = gram[a * actions + a];
            if (frozen[a] != 0 || diagonal <= 0.0) {
                continue;
            }
            double residual = moment[a];
            for (std::size_t b = 0; b < actions; ++b) {
                if (b != a) {
                    residual -= gram[a * actions + b] * centres[b];
                }
            }
            const double next = std::clamp(residual / diagonal, 0.0, 1.0);
            largestMove = std::max(largestMove, std::fabs(next - centres[a]));
            centres[a] = next;
        }
        if (largestMove == 0.0) {
            break;
        }
    }
    network.SetWeightLayer(TZorf::kOutputCentres, centres);
}

TZorfRecipe DefaultRecipe(const TZorfRows& rows, std::uint32_t seed) {
    TZorfRecipe recipe;
    for (std::int32_t i = 0; i < rows.numInputs; ++i) {
        bool twoValues = true;
        if (rows.count >= kRowsForThreeFunctions || rows.numInputs <= kInputsForThreeFunctions) {
            const std::vector<double> sorted = SortedColumn(rows, i);
            std::int32_t changes = 0;
            for (std::size_t v = 1; v < sorted.size(); ++v) {
                changes += sorted[v] != sorted[v - 1] ? 1 : 0;
            }
            twoValues = changes <= 1;
        }
        recipe.mfPerInput.push_back(twoValues ? 2 : 3);
    }
    recipe.mfPerOutput.assign(static_cast<std::size_t>(rows.numOutputs), 2);
    recipe.numRules = static_cast<std::int32_t>(std::min<std::int64_t>(
        rows.count, std::clamp<std::int64_t>(rows.count / kRowsPerRule, 3, 32)));
    recipe.seed = seed;
    return recipe;
}
