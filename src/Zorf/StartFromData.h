// A start network made from the rows it is to learn, so that training begins where the data
// are instead of from random weights over [0, 1]:
//
// - each input's centres at that input's own quantiles, so every function covers data in the
//   input's own units (inputs need no scaling);
// - one rule per cluster of the rows (k-means++ from the seed, then Lloyd's passes, over the
//   inputs scaled by their spans and the expected outputs), each rule's condition weights
//   favouring the functions its cluster's centre belongs to;
// - the action weights from the outputs each cluster's rows expect, and the output centres by
//   least squares bounded to [0, 1] (FitOutputCentres).
//
// The same recipe and rows give the same network bit for bit.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "Zorf/MakeZorf.h"
#include "Zorf/TZorf.h"

// Rows held by the caller, row-major: count rows of numInputs inputs and of numOutputs expected
// outputs each.
struct ZORF_EXPORT TZorfRows {
    std::int64_t count = 0;
    std::int32_t numInputs = 0;
    std::int32_t numOutputs = 0;
    std::span<const double> inputs;
    std::span<const double> outputs;

    const double* Inputs(std::int64_t row) const {
        return inputs.data() + row * static_cast<std::int64_t>(numInputs);
    }
    const double* Outputs(std::int64_t row) const {
        return outputs.data() + row * static_cast<std::int64_t>(numOutputs);
    }
};

// What the start took from the rows beyond the recipe, for the caller to tell the user.
struct ZORF_EXPORT TStartReport {
    // Inputs (from 0) with one value in every row: their centres are spread evenly over that
    // value - 0.5 to that value + 0.5.
    std::vector<std::int32_t> constantInputs;
};

// The network of the recipe (its counts, seed and prune share; its weight range is not used)
// made from the rows. Refused with a TException ("Bad Parameter", where "MakeZorf") before
// anything is built: a recipe RequireMakeable refuses, rows whose counts differ from the
// recipe's inputs or outputs, fewer rows than rules, a value that is not a finite number and an
// expected output outside [0, 1] (each named by its row, counted from 1, and column).
ZORF_EXPORT std::unique_ptr<TZorf> MakeZorfFromData(const TZorfRecipe& recipe,
                                                    const TZorfRows& rows,
                                                    TStartReport* report = nullptr);

// Sets the trainable output centres (weight layer 4) to the values in [0, 1] that give the
// least sum of squared errors over the rows with every other weight as it is: an output is
// linear in its centres (the centre of gravity of fixed action values), so this is a bounded
// linear least-squares problem per output, solved by coordinate descent on its normal
// equations. Centres of action nodes no row activates, and frozen ones, keep their values.
ZORF_EXPORT void FitOutputCentres(TZorf& network, const TZorfRows& rows);

// Counts for a start network when the caller names none, small enough not to learn the noise
// of a few hundred rows: 2 functions per input (3 from 1000 rows on or with at most 4 inputs,
// except for an input of two values), 2 per output, and one rule per 40 rows, from 3 to 32 and
// never more than the rows.
ZORF_EXPORT TZorfRecipe DefaultRecipe(const TZorfRows& rows, std::uint32_t seed);
