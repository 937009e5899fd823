#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

class TKQstructure;
struct TPenaltyKind;

// A weight penalty read once from its settings, with its value and its derivative by each
// weight side by side: what the error measures add and what training descends come from the
// same numbers. Copies are cheap; a default one is no penalty.
class TPenalty {
  public:
    TPenalty() = default;
    // The settings as ComputePenalty reads them: none or "NONE" is no penalty,
    // "QUADPENALTY" (keys EPSILON1, EPSILON2, BETA) or "LWF" (keys LEARNINGRATE,
    // FORGETTINGRATE); a key whose value is not a number raises TKQstructure::Error, another
    // head is refused (TCheckFailure).
    explicit TPenalty(const TKQstructure* settings);

    bool IsNone() const { return kind == nullptr; }
    // The penalty of the n weights, as ComputePenalty defines it.
    double Value(std::int32_t n, const double* weights, double scale) const;
    // The derivative of Value(..., 1.0) by one of the weights; where the absolute value of
    // "LWF" has a kink, at 0, it is 0.
    double Derivative(double weight) const;

    // The keys a penalty of this name reads, its head matched in any letter case ("NONE"
    // reads none); none for a name that is no penalty.
    static std::optional<std::vector<std::string_view>> KeysOf(std::string_view name);

    bool operator==(const TPenalty&) const = default;

  private:
    const TPenaltyKind* kind = nullptr;
    // The values of the kind's keys, in the kind's order.
    std::array<double, 3> values{};
};

// Accumulates, row by row, how far generated outputs lie from expected outputs. Owners hold
// the concrete measure; there is no deletion through the base.
class TErrorObj {
  public:
    virtual void Reset() = 0;
    virtual void AddPattern(const double* expected, const double* generated) = 0;
    virtual double GetError() = 0;
    // Adds ComputePenalty(n, weights, penalty, 1.0); no penalty means none.
    virtual void AddPenalty(std::int32_t n, const double* weights, const TKQstructure* penalty) = 0;
    // The same for a penalty read before.
    virtual void AddPenalty(std::int32_t n, const double* weights, const TPenalty& penalty) = 0;
    // The sum GetError turns into the error, and the rows it holds.
    virtual double GetErrorSum() const = 0;
    // Adds another measure's sum over `patterns` rows of its own: sums taken over parts of the
    // rows combine in the order they are added, whichever thread or machine took them.
    void AddErrorSum(double sum, std::int32_t patterns) {
        AddToSum(sum);
        numPatterns += patterns;
    }

    // The weight penalty named by the head of the penalty settings: "NONE", "QUADPENALTY" (keys
    // EPSILON1, EPSILON2, BETA) or "LWF" (keys LEARNINGRATE, FORGETTINGRATE). A key whose
    // value is not a number raises TKQstructure::Error; another head is refused
    // (TCheckFailure).
    double ComputePenalty(std::int32_t n, const double* weights, const TKQstructure* penalty,
                          double scale) const;

    std::int32_t GetNumOutputs() const { return numOutputs; }
    std::int32_t GetNumPatterns() const { return numPatterns; }

  protected:
    std::int32_t numOutputs;
    std::int32_t numPatterns = 0;

    explicit TErrorObj(std::int32_t outputs) : numOutputs(outputs) {}
    virtual void AddToSum(double sum) = 0;
    TErrorObj(const TErrorObj&) = default;
    TErrorObj& operator=(const TErrorObj&) = default;
    ~TErrorObj() = default;
};

// The root mean square error over the rows seen.
class TErrorRMSObj final : public TErrorObj {
  public:
    explicit TErrorRMSObj(std::int32_t outputs) : TErrorObj(outputs) {}

    void Reset() override;
    void AddPattern(const double* expected, const double* generated) override;
    // 0 before any row.
    double GetError() override;
    void AddPenalty(std::int32_t n, const double* weights, const TKQstructure* penalty) override;
    void AddPenalty(std::int32_t n, const double* weights, const TPenalty& penalty) override;

    double GetErrorSum() const override { return errorSum; }

  private:
    double errorSum = 0.0;

    void AddToSum(double sum) override { errorSum += sum; }
};

// The summed cross-entropy over the rows seen.
class TErrorCrossEntropyObj final : public TErrorObj {
  public:
    explicit TErrorCrossEntropyObj(std::int32_t outputs) : TErrorObj(outputs) {}

    void Reset() override;
    void AddPattern(const double* expected, const double* generated) override;
    double GetError() override;
    void AddPenalty(std::int32_t n, const double* weights, const TKQstructure* penalty) override;
    void AddPenalty(std::int32_t n, const double* weights, const TPenalty& penalty) override;
    double GetErrorSum() const override { return errorSum; }

  private:
    double errorSum = 0.0;

    void AddToSum(double sum) override { errorSum += sum; }
};
