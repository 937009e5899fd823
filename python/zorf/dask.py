"""Recall on a Dask cluster: Network.recall mapped over the blocks of a dask array or the
partitions of a dask data frame.

The network travels to the workers pickled (as its network file text); each worker recalls
its blocks with the library, so the result is bit for bit that of one process.
"""

import dask.array as da
import numpy as np
import pandas as pd


def _recall_block(block, network, threads):
    return network.recall(block, threads=threads)


def _recall_partition(partition, network, columns, names, threads):
    outputs = network.recall(partition[columns].to_numpy(), threads=threads)
    return pd.DataFrame(outputs, index=partition.index, columns=names)


def recall(network, array, threads=1):
    """The generated outputs of the rows of a 2-D dask array, as a lazy dask array.

    Each block is recalled on `threads` threads (0: every core of the worker); one suits
    workers that run as many blocks at once as they have cores.

    The array is chunked by rows (it is rechunked to hold every input column in one chunk
    when it is not); the result has the same row chunks and one column per output.
    """
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
    column of the frame); names are the output columns (default output_0, output_1, ...).
    The result keeps the frame's index and partitions; threads as for recall.
    """
    inputs = network.architecture["inputs"]
    outputs = network.architecture["outputs"]
    columns = list(frame.columns if columns is None else columns)
    if len(columns) != inputs:
        raise ValueError(f"columns must name {inputs} input columns, not {len(columns)}")
    names = [f"output_{k}" for k in range(outputs)] if names is None else list(names)
    if len(names) != outputs:
        raise ValueError(f"names must name {outputs} output columns, not {len(names)}")
    meta = pd.DataFrame({name: pd.Series(dtype="float64") for name in names})
    return frame.map_partitions(_recall_partition, network, columns, names, threads, meta=meta)
