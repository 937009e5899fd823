import os
import pickle
import signal

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


def test_refusals_name_rows_of_the_whole_input_and_arguments_when_built():
    network = zorf.make(inputs=[3, 3], rules=4, outputs=[2, 2], seed=3)
    rows = np.random.default_rng(4).random((800, 2))
    bad = rows.copy()
    bad[700, 1] = np.nan
    with pytest.raises(zorf.BadArgumentError, match="row 700, column 1,") as raised:
        zorf.dask.recall(network, da.from_array(bad, chunks=(100, 2))).compute(scheduler="sync")
    assert (raised.value.row, raised.value.column) == (700, 1)

    def frame_of(values):
        return dd.from_pandas(pd.DataFrame({"a": values[:, 0], "b": pd.array(values[:, 1], dtype="Float64"),
                                            "s": ["x"] * len(values)}), npartitions=4)

    cases = [
        (dict(columns=["a", "c"]), ValueError, r"does not have: \['c'\]"),
        (dict(columns=["a", "s"]), TypeError, "'s' must hold numbers, not object"),
        (dict(columns=["a", "b"], names=["o", "o"]), ValueError, r"distinct, not repeat \['o'\]"),
        (dict(columns=["a", "b"], threads=-5), ValueError, "threads must be 0"),
    ]
    for arguments, kind, text in cases:
        with pytest.raises(kind, match=text):
            zorf.dask.recall_frame(network, frame_of(rows), **arguments)
    with pytest.raises(ValueError, match="threads must be 0"):
        zorf.dask.recall(network, da.from_array(rows), threads=-5)
    generated = zorf.dask.recall_frame(network, frame_of(rows), columns=["a", "b"])
    assert np.array_equal(generated.compute(scheduler="sync").to_numpy(), network.recall(rows))
    with pytest.raises(zorf.BadArgumentError, match="index 700, column 'b'") as raised:
        zorf.dask.recall_frame(network, frame_of(bad), columns=["a", "b"]).compute(scheduler="sync")
    assert raised.value.index == 700


def test_trains_on_two_worker_processes_as_one_process_does(monkeypatch):
    rng = np.random.default_rng(8)
    rows = rng.random((9 * zorf.TRAIN_BLOCK_ROWS + 37, 3))
    expected = np.column_stack([0.2 + 0.6 * rows[:, 0] * rows[:, 1], rows[:, 2] ** 2])
    held_out = rng.random((300, 3))
    validation = (held_out, np.column_stack([0.2 + 0.6 * held_out[:, 0] * held_out[:, 1],
                                             held_out[:, 2] ** 2]))
    start = zorf.make(inputs=[3, 3, 3], rules=12, outputs=[3, 3], seed=2)
    # One-hot rows without validation rows keep the epoch that classifies the training rows
    # best, counted by the workers.
    classes = np.eye(2)[(rows[:, 0] > rows[:, 1]).astype(int)]
    cases = [(dict(epochs=15), expected, validation),
             (dict(epochs=8, error_measure="CrossEntropy", prune_below=0.3, fine_tune_epochs=3),
              expected, (da.from_array(validation[0]), validation[1])),
             (dict(epochs=10, restarts=2), classes, None)]
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  host="127.0.0.1", dashboard_address=None) as cluster, \
            distributed.Client(cluster, timeout=120) as client:
        for settings, wanted, checked in cases:
            local = pickle.loads(pickle.dumps(start))
            history = zorf.train(local, rows, wanted, validation=checked and
                                 tuple(np.asarray(part) for part in checked), **settings)
            remote = pickle.loads(pickle.dumps(start))
            # Chunks of 1000 rows are no whole number of blocks: they are rechunked.
            got = zorf.dask.train(remote, da.from_array(rows, chunks=(1000, 3)),
                                  da.from_array(wanted, chunks=(1000, 2)), validation=checked,
                                  **settings)
            assert pickle.dumps(remote) == pickle.dumps(local), settings
            for key in ("training_error", "validation_error", "accuracy"):
                assert np.array_equal(got[key], history[key], equal_nan=True), (settings, key)
            for key in ("best_epoch", "kept_run"):
                assert got[key] == history[key], (settings, key)
        # A data frame's chosen columns train as the array of them does.
        frame = dd.from_pandas(pd.DataFrame(rows[:, ::-1], columns=["c", "b", "a"]), npartitions=3)
        remote = pickle.loads(pickle.dumps(start))
        zorf.dask.train(remote, frame[["a", "b", "c"]], da.from_array(expected), epochs=3)
        local = pickle.loads(pickle.dumps(start))
        zorf.train(local, rows, expected, epochs=3)
        assert pickle.dumps(remote) == pickle.dumps(local)
        with pytest.raises(zorf.BadArgumentError, match="BatchSize must be 0"):
            zorf.dask.train(start, da.from_array(rows), expected, algorithm="Adam", batch_size=64)

        # A worker killed during the third epoch: its chunks are read again elsewhere and the
        # epoch summed again, to the same network.
        victim = next(iter(client.run(os.getpid).values()))
        summing = zorf.dask._train_on_sums

        def killing(network, count, one_hot, validation, sums, use_network, **settings):
            epochs = []

            def sums_then_kill(*arguments):
                epochs.append(1)
                if len(epochs) == 3:
                    os.kill(victim, signal.SIGKILL)
                return sums(*arguments)
            return summing(network, count, one_hot, validation, sums_then_kill, use_network,
                           **settings)
        monkeypatch.setattr(zorf.dask, "_train_on_sums", killing)
        remote = pickle.loads(pickle.dumps(start))
        zorf.dask.train(remote, da.from_array(rows, chunks=(512, 3)), expected, epochs=15)
        local = pickle.loads(pickle.dumps(start))
        zorf.train(local, rows, expected, epochs=15)
        assert pickle.dumps(remote) == pickle.dumps(local)
