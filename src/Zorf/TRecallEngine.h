// Recall of rows held in memory, on several threads: the one propagation path that RecallZorf
// takes for the rows it reads and that library callers (the Python module) take for arrays of
// their own. Each thread propagates a contiguous share of the rows through a copy of the
// network of its own, in batches of rows where the network has the standard shape (TZorfBatch),
// so the outputs are bit for bit those of TZorf::Propagate row after row, whatever the number of
// threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "NeuralNets/TPackedPropagation.h"
#include "Zorf/TJobThreads.h"
#include "Zorf/TZorf.h"
#include "Zorf/TZorfBatch.h"

// Whether propagating a row writes a warning: a plain layer at the input position, or an
// input layer away from it. Such warnings would come in any order from several threads, and
// before an error further down a recall file, where loading reports the error alone.
bool WarnsOnEveryRow(const TBasicNetwork& network);

class TRecallEngine {
  public:
    // Every core when threads <= 0. A network whose propagation writes a warning on every row
    // keeps to one thread, so that its warnings come in row order. The engine holds copies of
    // the network: later changes to `network` do not reach it.
    TRecallEngine(const TZorf& network, int threads);
    TRecallEngine(const TRecallEngine&) = delete;
    TRecallEngine& operator=(const TRecallEngine&) = delete;

    std::int32_t NumInputs() const { return numInputs; }
    std::int32_t NumOutputs() const { return numOutputs; }
    int NumThreads() const { return static_cast<int>(copies.size()); }

    // outputs[r * NumOutputs() + k] = output k of row r, for the `rows` rows of NumInputs()
    // values each in `inputs`. A refusal of propagation (an output outside [0, 1], a check of
    // the network's structure) is raised as TZorf::Propagate raises it, and an input that is
    // not a finite number as TNonFiniteInput, for the first refused row in row order; the outputs
    // of the rows before it are written, the others may be. Not to be called from two threads at
    // once.
    void Recall(const double* inputs, std::size_t rows, double* outputs);

    // Work on the outputs of a share of rows, done on the thread that propagated them, once
    // all rows of the share were propagated: `share` is below NumThreads(), the shares of a
    // call cover the rows in order (`first` ascending), and a share without rows gets no call.
    // What it raises counts as a refusal of the share's rows.
    class TShareTask {
      public:
        virtual void Run(std::size_t share, std::size_t first, std::size_t count) = 0;

      protected:
        ~TShareTask() = default;
    };
    // Recall followed by `task` on each share's outputs.
    void Recall(const double* inputs, std::size_t rows, double* outputs, TShareTask& task);

  private:
    struct TShare {
        std::size_t first = 0;
        std::size_t count = 0;
        std::exception_ptr refusal;
    };

    void Propagate(std::size_t copy);

    std::int32_t numInputs = 0;
    std::int32_t numOutputs = 0;
    // Fewer rows than this per thread are not worth waking a thread for.
    std::size_t minRowsPerShare = 1;
    std::vector<std::unique_ptr<TZorf>> copies;
    // Released before the copies they pack.
    std::vector<std::unique_ptr<TPackedPropagation>> packings;
    std::vector<std::unique_ptr<TZorfBatch>> batches;
    std::vector<TShare> shares;

    // The job of the current call.
    const double* jobInputs = nullptr;
    double* jobOutputs = nullptr;
    TShareTask* jobTask = nullptr;
    // The caller's thread propagates with copies[0], the others with copies[k].
    TJobThreads pool;
};
