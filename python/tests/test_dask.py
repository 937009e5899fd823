import numpy as np
import pytest

import zorf
import zorf.dask

dask = pytest.importorskip("dask")
distributed = pytest.importorskip("distributed")
import dask.array as da  # noqa: E402
import dask.dataframe as dd  # noqa: E402
import pandas as pd  # noqa: E402


def test_recalls_on_two_worker_processes_as_one_process_does():
    network = zorf.make(inputs=[7] * 8, rules=50, outputs=[7, 7], prune=0.5, seed=5)
    rows = np.random.default_rng(3).uniform(-0.1, 1.1, (200_000, 8))
    expected = network.recall(rows)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  host="127.0.0.1", dashboard_address=None) as cluster, \
            distributed.Client(cluster, timeout=120) as client:
        assert len(client.scheduler_info()["workers"]) == 2
        generated = zorf.dask.recall(network, da.from_array(rows, chunks=(25_000, 8)))
        assert np.array_equal(generated.compute(), expected)

        frame = pd.DataFrame(rows[:, ::-1], columns=[f"x{k}" for k in range(7, -1, -1)])
        columns = [f"x{k}" for k in range(8)]
        result = zorf.dask.recall_frame(network, dd.from_pandas(frame, npartitions=6),
                                        columns=columns, names=["a", "b"]).compute()
        assert list(result.columns) == ["a", "b"]
        assert np.array_equal(result.to_numpy(), expected)
