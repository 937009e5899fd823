#pragma once

#include <cstdint>

class TKQstructure;

// Accumulates, row by row, how far generated outputs lie from expected outputs. Owners hold
// the concrete measure; there is no deletion through the base.
class TErrorObj {
  public:
    virtual void Reset() = 0;
    virtual void AddPattern(const double* expected, const double* generated) = 0;
    virtual double GetError() = 0;
    // Adds ComputePenalty(n, weights, penalty, 1.0); no penalty means none.
    virtual void AddPenalty(std::int32_t n, const double* weights, const TKQstructure* penalty) = 0;

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

    double GetErrorSum() const { return errorSum; }

  private:
    double errorSum = 0.0;
};

// The summed cross-entropy over the rows seen.
class TErrorCrossEntropyObj final : public TErrorObj {
  public:
    explicit TErrorCrossEntropyObj(std::int32_t outputs) : TErrorObj(outputs) {}

    void Reset() override;
    void AddPattern(const double* expected, const double* generated) override;
    double GetError() override;
    void AddPenalty(std::int32_t n, const double* weights, const TKQstructure* penalty) override;

  private:
    double errorSum = 0.0;
};
