"""Recall of the compute case's 100,000 rows from a numpy array against RecallZorf end to end.

    PYTHONPATH=build/bench/python /usr/bin/python3 bench/recall-python-bench.py \
        build/bench/src/RecallZorf WORK_DIR [REPEAT]

WORK_DIR holds the cases bench/recall-bench.sh makes (compute.net, compute.dat, compute.par).
Each side runs REPEAT times (default 5), alternating, and keeps its fastest run; the module's
outputs, rounded to the 15 significant digits RecallZorf writes, are compared with its file's.
"""
import os
import subprocess
import sys
import time

import numpy as np
import zorf

recall_zorf, folder, repeat = os.path.abspath(sys.argv[1]), sys.argv[2], int((sys.argv[3:] or [5])[0])
network = zorf.load(f"{folder}/compute.net")
rows, _ = zorf.read_data_set(f"{folder}/compute.dat")
best_cli = best_py = float("inf")
for _ in range(repeat):
    start = time.perf_counter()
    subprocess.run([recall_zorf, "compute.par"], cwd=folder, check=True)
    best_cli = min(best_cli, time.perf_counter() - start)
    start = time.perf_counter()
    outputs = network.recall(rows)
    best_py = min(best_py, time.perf_counter() - start)
written = zorf.read_data_set(f"{folder}/compute.out")[1]
same = np.array_equal(written, np.vectorize(lambda value: float(f"{value:.15g}"))(outputs))
n = len(rows)
print(f"RecallZorf end to end: {best_cli:.3f} s ({n / best_cli:,.0f} rows/s)")
print(f"Network.recall(numpy): {best_py:.3f} s ({n / best_py:,.0f} rows/s), "
      f"{best_cli / best_py:.2f}x; same file: {same}")
