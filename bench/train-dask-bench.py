"""Seconds per RPROP epoch on 100,000 rows of the "compute" architecture: zorf.train on one
thread and on every core, against zorf.dask.train on a LocalCluster of two one-thread worker
processes, the same network bit for bit.

    PYTHONPATH=build/bench/python /usr/bin/python3 bench/train-dask-bench.py [EPOCHS]

Each run trains EPOCHS epochs (default 3) from the same start; the per-epoch figure divides the
whole run, the start's measurement included.
"""
import pickle
import sys
import time

import dask.array as da
import distributed
import numpy as np
import zorf
import zorf.dask


def main():
    epochs = int((sys.argv[1:] or [3])[0])
    rng = np.random.default_rng(7)
    rows, expected = rng.random((100_000, 8)), rng.random((100_000, 4))
    start = zorf.make(inputs=[7] * 8, rules=400, outputs=[7] * 4, prune=0.5, seed=1)
    results = {}
    for threads in (1, 0):
        network = pickle.loads(pickle.dumps(start))
        began = time.perf_counter()
        zorf.train(network, rows, expected, epochs=epochs, threads=threads)
        results[f"zorf.train, threads={threads}"] = (time.perf_counter() - began, network)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  host="127.0.0.1", dashboard_address=None) as cluster, \
            distributed.Client(cluster):
        network = pickle.loads(pickle.dumps(start))
        began = time.perf_counter()
        zorf.dask.train(network, da.from_array(rows, chunks=(25_600, 8)),
                        da.from_array(expected, chunks=(25_600, 4)), epochs=epochs)
        results["zorf.dask.train, 2 workers"] = (time.perf_counter() - began, network)
    one = results["zorf.train, threads=1"][0]
    reference = pickle.dumps(results["zorf.train, threads=1"][1])
    for name, (seconds, network) in results.items():
        print(f"{name}: {seconds / epochs:.3f} s/epoch, {one / seconds:.2f}x one thread; "
              f"same network: {pickle.dumps(network) == reference}")


if __name__ == "__main__":
    main()
