"""Six-layer fuzzy neural networks: recall numpy arrays through the RecallZorf library.

    import numpy as np
    import zorf

    network = zorf.load("examples/comfort.net")
    outputs = network.recall(np.array([[0.2, 0.5], [0.5, 0.5]]))

Networks come from zorf.load (a network file) or zorf.make (a new network, as MakeZorf
makes it) and are written back with Network.save. Data set files are read and written with
zorf.read_data_set and zorf.write_data_set; zorf.train trains a network in place. The
weight layers are named zorf.CONDITION_CENTRES, RULE_WEIGHTS, ACTION_WEIGHTS and
OUTPUT_CENTRES (1 to 4). Refusals of the library raise zorf.Error:
zorf.FileError (also an OSError), zorf.BadArgumentError (also a ValueError; attributes
category and where) and zorf.CheckFailure. Wrong shapes raise ValueError, values that are
not numbers TypeError.

zorf.sklearn holds scikit-learn estimators, ZorfRegressor and ZorfClassifier; zorf.dask
recalls dask arrays and data frames block by block on a cluster, and trains on them there
(zorf.dask.train); each epoch's rows are summed in blocks of TRAIN_BLOCK_ROWS, so the network
trained does not depend on threads or workers.
"""

from ._training import Layer, train
from ._version import __version__
from ._zorf import (
    TRAIN_BLOCK_ROWS,
    BadArgumentError,
    CheckFailure,
    Error,
    FileError,
    Network,
    load,
    make,
    read_data_set,
    write_data_set,
)

CONDITION_CENTRES, RULE_WEIGHTS, ACTION_WEIGHTS, OUTPUT_CENTRES = Layer

__all__ = [
    "ACTION_WEIGHTS",
    "BadArgumentError",
    "CONDITION_CENTRES",
    "CheckFailure",
    "Error",
    "FileError",
    "Layer",
    "Network",
    "OUTPUT_CENTRES",
    "RULE_WEIGHTS",
    "TRAIN_BLOCK_ROWS",
    "load",
    "make",
    "read_data_set",
    "train",
    "write_data_set",
    "__version__",
]
