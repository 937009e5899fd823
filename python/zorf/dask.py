"""Recall on a Dask cluster: Network.recall mapped over the blocks of a dask array or the
partitions of a dask data frame.

The network travels to the workers pickled (as its network file text); each worker recalls
its blocks with the library, so the result is bit for bit that of one process.
"""

import dask.array as da
import numpy as np
import pandas as pd

from ._zorf import BadArgumentError


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
