"""Recall and training on a Dask cluster: Network.recall mapped over the blocks of a dask
array or the partitions of a dask data frame, and zorf.train with each epoch's sums taken by
the workers that hold the rows.

The network travels to the workers pickled (as its network file text); each worker recalls
its blocks, or sums its rows, with the library, so the result is bit for bit that of one
process.
"""

import concurrent.futures

import dask.array as da
import numpy as np
import pandas as pd

from ._zorf import TRAIN_BLOCK_ROWS, BadArgumentError, _train_block_sums, _train_on_sums


def _moved(refusal, row, text):
    """The refusal of a value with its row counted in the whole input, not in one block."""
    moved = BadArgumentError(text)
    moved.category, moved.where = refusal.category, refusal.where
    moved.row, moved.column = row, refusal.column
    return moved


def _recall_block(block, network, threads, block_info=None):
    try:
        return network.recall(block, threads=threads)
    except BadArgumentError as refusal:
        if refusal.row is None:
            raise
        row = refusal.row + block_info[0]["array-location"][0][0]
        raise _moved(refusal, row, str(refusal).replace(f"row {refusal.row},", f"row {row},", 1)) from None


def _recall_partition(partition, network, columns, names, threads):
    # Nullable columns (Float64, Int64) hold pd.NA where a value is missing: as NaN it is
    # refused like any value that is not a finite number.
    inputs = partition[columns].to_numpy(dtype=np.float64, na_value=np.nan)
    try:
        outputs = network.recall(inputs, threads=threads)
    except BadArgumentError as refusal:
        if refusal.row is None:
            raise
        # A partition does not know where it starts among the frame's rows: its index does.
        label = partition.index[refusal.row]
        moved = _moved(refusal, None, f"{refusal.args[0].split(':', 1)[0]}: index {label!r}, "
                                      f"column {columns[refusal.column]!r}")
        moved.index = label
        raise moved from None
    return pd.DataFrame(outputs, index=partition.index, columns=names)


def recall(network, array, threads=1):
    """The generated outputs of the rows of a 2-D dask array, as a lazy dask array.

    Each block is recalled on `threads` threads (0: every core of the worker); one suits
    workers that run as many blocks at once as they have cores. A value that is not a finite
    number raises zorf.BadArgumentError with its row counted in the whole array.

    The array is chunked by rows (it is rechunked to hold every input column in one chunk
    when it is not); the result has the same row chunks and one column per output.
    """
    if threads < 0:
        raise ValueError(f"threads must be 0 (every core) or more, not {threads}")
    array = da.asarray(array)
    inputs = network.architecture["inputs"]
    outputs = network.architecture["outputs"]
    if array.ndim != 2 or array.shape[1] != inputs:
        raise ValueError(
            f"array must be a 2-D dask array of shape (rows, {inputs}) for {inputs} inputs, "
            f"not of shape {array.shape}"
        )
    if len(array.chunks[1]) != 1:
        array = array.rechunk({1: -1})
    return array.map_blocks(
        _recall_block,
        network,
        threads,
        dtype=np.float64,
        chunks=(array.chunks[0], (outputs,)),
    )


def recall_frame(network, frame, columns=None, names=None, threads=1):
    """The generated outputs of the rows of a dask data frame, as a lazy dask data frame.

    columns are the input columns in the order the network takes them (default: every
    column of the frame), each of a numeric dtype (nullable ones too: a missing value is
    refused as a value that is not a finite number); names are the distinct output columns
    (default output_0, output_1, ...). Both are checked when the graph is built. The result
    keeps the frame's index and partitions; threads as for recall. A refused value raises
    zorf.BadArgumentError naming the row by its index label (attribute index) and the column.
    """
    if threads < 0:
        raise ValueError(f"threads must be 0 (every core) or more, not {threads}")
    inputs = network.architecture["inputs"]
    outputs = network.architecture["outputs"]
    columns = list(frame.columns if columns is None else columns)
    if len(columns) != inputs:
        raise ValueError(f"columns must name {inputs} input columns, not {len(columns)}")
    missing = [column for column in columns if column not in frame.columns]
    if missing:
        raise ValueError(f"columns names columns the frame does not have: {missing}")
    for column in columns:
        dtype = frame.dtypes[column]
        if not pd.api.types.is_numeric_dtype(dtype):
            raise TypeError(f"column {column!r} must hold numbers, not {dtype}")
    names = [f"output_{k}" for k in range(outputs)] if names is None else list(names)
    if len(names) != outputs:
        raise ValueError(f"names must name {outputs} output columns, not {len(names)}")
    repeated = sorted({name for name in names if names.count(name) > 1}, key=str)
    if repeated:
        raise ValueError(f"names must be distinct, not repeat {repeated}")
    meta = pd.DataFrame({name: pd.Series(dtype="float64") for name in names})
    return frame.map_partitions(_recall_partition, network, columns, names, threads, meta=meta)


def _block_sums(network, inputs, outputs, parameters, row_weight, with_gradient, classify,
                settings):
    return _train_block_sums(network, inputs, outputs, parameters, row_weight, with_gradient,
                             classify, **settings)


def _whole_blocks(chunks):
    """Row chunks of whole blocks (the last may be shorter) near the sizes given."""
    if all(size % TRAIN_BLOCK_ROWS == 0 for size in chunks[:-1]):
        return chunks
    step = max(TRAIN_BLOCK_ROWS, max(chunks) // TRAIN_BLOCK_ROWS * TRAIN_BLOCK_ROWS)
    rows = sum(chunks)
    return (step,) * (rows // step) + ((rows % step,) if rows % step else ())


def _rows_array(values, name, width, unit):
    if hasattr(values, "to_dask_array"):
        # A data frame's partitions (its columns as chosen) become chunks of known lengths.
        values = values.to_dask_array(lengths=True)
    array = da.asarray(values)
    if array.ndim != 2 or array.shape[1] != width:
        raise ValueError(f"{name} must be a 2-D array of shape (rows, {width}) for {width} "
                         f"{unit}, not of shape {array.shape}")
    return array


def train(network, X, Y, *, validation=None, **settings):
    """zorf.train on a Dask cluster: the same keywords, return value and network, bit for bit.

    X and Y are dask arrays, dask data frames of the columns wanted (frame[columns]), or
    anything dask.array.asarray takes, of the same rows; their row
    chunks are kept on the workers of the default distributed client for the whole run. Each
    epoch every worker sums its chunks' rows in blocks of zorf.TRAIN_BLOCK_ROWS, and the client
    adds the blocks' sums in row order and takes the step, exactly as zorf.train does on one
    machine. Row chunks that are not whole blocks are rechunked. validation, a pair (X, Y) of
    numpy or dask arrays, is measured on the client. Only optimizers that step on all rows at
    once (RPROP, or batch_size=0) run here. A worker lost during the run ends it with
    RuntimeError unless Dask recomputes its rows elsewhere (the epoch is then summed again).
    """
    import distributed

    client = distributed.default_client()
    inputs = network.architecture["inputs"]
    outputs = network.architecture["outputs"]
    X = _rows_array(X, "X", inputs, "inputs")
    Y = _rows_array(Y, "Y", outputs, "outputs")
    if X.shape[0] != Y.shape[0]:
        raise ValueError(f"X has {X.shape[0]} rows, Y {Y.shape[0]}")
    chunks = _whole_blocks(X.chunks[0])
    X = X.rechunk({0: chunks, 1: -1}).astype(np.float64)
    Y = Y.rechunk({0: chunks, 1: -1}).astype(np.float64)
    if validation is not None:
        if not isinstance(validation, (tuple, list)) or len(validation) != 2:
            raise TypeError("validation must be a pair (X, Y) of arrays, or None")
        validation = tuple(np.asarray(da.asarray(part).compute() if isinstance(part, da.Array)
                                      else part) for part in validation)
    state = {}

    def use_network(copy):
        state["network"] = client.scatter(copy, broadcast=True, hash=False)
        if "parts" not in state:
            # Computed once: the chunks stay on the workers until the run ends.
            state["parts"] = list(zip(client.compute(list(X.to_delayed()[:, 0])),
                                      client.compute(list(Y.to_delayed()[:, 0]))))

    def sums(parameters, row_weight, with_gradient, classify):
        futures = [client.submit(_block_sums, state["network"], x, y, parameters, row_weight,
                                 with_gradient, classify, settings, pure=False)
                   for x, y in state["parts"]]
        try:
            return client.gather(futures)
        except (concurrent.futures.CancelledError, distributed.scheduler.KilledWorker,
                distributed.comm.CommClosedError) as lost:
            raise RuntimeError(f"zorf.dask.train: a worker holding training rows was lost: "
                               f"{lost}") from lost

    # Decides, as for zorf.train, whether the run keeps its most accurate network.
    one_hot = outputs >= 2 and bool((((Y == 0) | (Y == 1)).all() & (Y.sum(axis=1) == 1).all())
                                    .compute())
    try:
        return _train_on_sums(network, X.shape[0], one_hot, validation, sums, use_network,
                              **settings)
    finally:
        for x, y in state.get("parts", ()):
            x.release()
            y.release()
