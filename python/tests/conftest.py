import os
import pathlib
import subprocess

import pytest

EXAMPLES = pathlib.Path(os.environ.get("ZORF_EXAMPLES_DIR", pathlib.Path(__file__).parents[2] / "examples"))


def run_program(variable, *arguments):
    program = os.environ.get(variable)
    if program is None:
        pytest.skip(f"{variable} names no program (run the tests through ctest)")
    return subprocess.run([program, *map(str, arguments)], capture_output=True, text=True, timeout=300)


def recall_zorf(folder, network_file, rows_file):
    """The output file RecallZorf writes for a network file and a data set file."""
    output = folder / "cli.out"
    parameters = folder / "recall.par"
    parameters.write_text(f"WeightFile = {network_file}\nRecallFile = {rows_file}\nOutputFile = {output}\n")
    run = run_program("ZORF_RECALL_BINARY", parameters)
    assert run.returncode == 0, run.stdout + run.stderr
    return output.read_bytes()
