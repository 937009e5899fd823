// The pieces a training run consults around its steps, each one rule: report progress, keep the
// best network, stop at a target error, stop when patience runs out, stop on request. The
// loop hands every piece each epoch's record and ends the run when one of them says so; a new
// rule for ending a run is a new piece, not a new line in the loop.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "FileHandler/TrainingLog/TrainingLog.h"
#include "Train/Trainer.h"

// The error that picks the best network: the validation error when the epoch has one, else the
// training error.
double SelectionError(const TEpochRecord& record);

// Whether an epoch of this accuracy (-1 without one) and selection error is better than the
// kept one: the more accurate, the lower error among equals.
inline bool Outranks(double accuracy, double error, double keptAccuracy, double keptError) {
    return accuracy > keptAccuracy || (accuracy == keptAccuracy && error < keptError);
}

// Whether record is a better epoch than kept, by the same rule.
inline bool Outranks(const TEpochRecord& record, const TEpochRecord& kept) {
    return Outranks(record.accuracy.value_or(-1.0), SelectionError(record),
                    kept.accuracy.value_or(-1.0), SelectionError(kept));
}

class TTrainCallback {
  public:
    TTrainCallback() = default;
    TTrainCallback(const TTrainCallback&) = delete;
    TTrainCallback& operator=(const TTrainCallback&) = delete;
    virtual ~TTrainCallback() = default;

    // After an epoch was measured, with the parameters it was measured at: true ends the run
    // there. Every piece sees every epoch, in the order the run holds them.
    virtual bool EpochEnds(const TEpochRecord&, std::span<const double>) { return false; }
    // Before each step: true ends the run as interrupted.
    virtual bool Interrupts() { return false; }
};

class TReportProgress final : public TTrainCallback {
  public:
    explicit TReportProgress(const TEpochProgress& report) : progress(report) {}
    bool EpochEnds(const TEpochRecord& record, std::span<const double>) override;

  private:
    const TEpochProgress& progress;
};

// The parameters of the best epoch: the most accurate where epochs carry an accuracy, the
// lowest selection error among equals (the first of equals); until an epoch has an error below
// infinity, the start parameters as the first epoch.
class TKeepBest final : public TTrainCallback {
  public:
    TKeepBest(std::span<const double> start, std::int32_t firstEpoch)
        : best(start.begin(), start.end()), epoch(firstEpoch) {}
    bool EpochEnds(const TEpochRecord& record, std::span<const double> parameters) override;

    std::int32_t Epoch() const { return epoch; }
    double Error() const { return lowest; }
    std::span<const double> Parameters() const { return best; }

  private:
    std::vector<double> best;
    std::int32_t epoch;
    double lowest = HUGE_VAL;
    double accuracy = -1.0;
};

class TStopAtTarget final : public TTrainCallback {
  public:
    explicit TStopAtTarget(double targetError) : target(targetError) {}
    bool EpochEnds(const TEpochRecord& record, std::span<const double>) override;

  private:
    double target;
};

// Ends the run once `patience` epochs passed since the best one; 0 never ends it.
class TStopWithoutProgress final : public TTrainCallback {
  public:
    TStopWithoutProgress(std::int32_t patience, const TKeepBest& keepBest)
        : epochs(patience), best(keepBest) {}
    bool EpochEnds(const TEpochRecord& record, std::span<const double>) override;

  private:
    std::int32_t epochs;
    const TKeepBest& best;
};

// Interrupts the run once the flag (may be null) is set.
class TStopOnRequest final : public TTrainCallback {
  public:
    explicit TStopOnRequest(const std::atomic<bool>* stopFlag) : flag(stopFlag) {}
    bool Interrupts() override { return flag != nullptr && flag->load(); }

  private:
    const std::atomic<bool>* flag;
};
