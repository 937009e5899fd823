import os
import pathlib
import subprocess

import numpy as np
import pytest

EXAMPLES = pathlib.Path(os.environ.get("ZORF_EXAMPLES_DIR", pathlib.Path(__file__).parents[2] / "examples"))


def run_program(variable, *arguments):
    program = os.environ.get(variable)
    if program is None:
        pytest.skip(f"{variable} names no program (run the tests through ctest)")
    return subprocess.run([program, *map(str, arguments)], capture_output=True, text=True, timeout=300)


def recall_zorf(folder, network_file, rows_file):
    """The outputs RecallZorf writes for a network file and a data set file, as read back."""
    import zorf

    output = folder / "cli.out"
    parameters = folder / "recall.par"
    parameters.write_text(f"WeightFile = {network_file}\nRecallFile = {rows_file}\nOutputFile = {output}\n")
    run = run_program("ZORF_RECALL_BINARY", parameters)
    assert run.returncode == 0, run.stdout + run.stderr
    return zorf.read_data_set(output)[1]


def as_written(outputs):
    """Outputs as the programs write them: 15 significant digits."""
    return np.vectorize(lambda value: float(f"{value:.15g}"))(outputs)
