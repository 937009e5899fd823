#include "Train/TrainCallbacks.h"

double SelectionError(const TEpochRecord& record) {
    return record.validationError.value_or(record.trainingError);
}

bool TReportProgress::EpochEnds(const TEpochRecord& record, std::span<const double>) {
    if (progress) {
        progress(record);
    }
    return false;
}

bool TKeepBest::EpochEnds(const TEpochRecord& record, std::span<const double> parameters) {
    const double error = SelectionError(record);
    const double share = record.accuracy.value_or(-1.0);
    if (Outranks(share, error, accuracy, lowest)) {
        best.assign(parameters.begin(), parameters.end());
        epoch = record.epoch;
        lowest = error;
        accuracy = share;
    }
    return false;
}

bool TStopAtTarget::EpochEnds(const TEpochRecord& record, std::span<const double>) {
    return SelectionError(record) <= target;
}

bool TStopWithoutProgress::EpochEnds(const TEpochRecord& record, std::span<const double>) {
    return epochs > 0 && record.epoch - best.Epoch() >= epochs;
}
