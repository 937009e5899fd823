import pytest

import zorf
from conftest import EXAMPLES, run_program


def test_data_info_round_trips_through_the_file_as_makezorf_records_it(tmp_path):
    made = tmp_path / "wine.net"
    run = run_program("ZORF_MAKE_BINARY", "--data", EXAMPLES / "wine-train.csv",
                      "--targets", "cultivar", made)
    assert run.returncode == 0, run.stderr
    network = zorf.load(made)
    info = network.data_info
    assert [i["name"] for i in info["inputs"]][:2] == ["alcohol", "malic_acid"]
    assert info["inputs"][0]["range"] == (11.03, 14.83)
    assert info["classes"] == [{"name": "cultivar", "first_output": 0,
                                "classes": ["barbera", "barolo", "grignolino"]}]
    network.save(tmp_path / "again.net")
    assert (tmp_path / "again.net").read_bytes() == made.read_bytes()
    network.data_info = None
    assert network.data_info == {"inputs": [], "outputs": [], "classes": []}
    network.data_info = info
    assert network.data_info == info
    with pytest.raises(ValueError):
        network.data_info = {"inputs": [{"name": "only one"}]}


def test_recall_answers_in_the_units_recallzorf_writes(tmp_path):
    import numpy as np
    from conftest import as_written, recall_zorf

    network = zorf.make(inputs=[3, 3], rules=4, outputs=[3, 2], seed=5)
    rows = np.random.default_rng(5).uniform(0.0, 1.0, (50, 2))
    plain = network.recall(rows)
    network.data_info = {"inputs": [{"name": "a"}, {"name": "b"}],
                         "outputs": [{"name": "price", "range": (1000.0, 5000.0)}, {"name": "share"}]}
    in_units = network.recall(rows)
    assert np.allclose(in_units[:, 0], 1000.0 + 4000.0 * plain[:, 0], rtol=1e-15)
    assert np.array_equal(in_units[:, 1], plain[:, 1])
    network.save(tmp_path / "units.net")
    zorf.write_data_set(tmp_path / "rows.dat", rows)
    written = recall_zorf(tmp_path, tmp_path / "units.net", tmp_path / "rows.dat")
    assert np.array_equal(as_written(zorf.load(tmp_path / "units.net").recall(rows)), written)


def train_zorf(folder, epochs):
    """TrainZorf from folder/start.net on folder/rows.dat to folder/trained.net."""
    (folder / "train.par").write_text(
        f"WeightFile = {folder / 'start.net'}\nTrainFile = {folder / 'rows.dat'}\n"
        f"OutputWeightFile = {folder / 'trained.net'}\nEpochs = {epochs}\n")
    run = run_program("ZORF_TRAIN_BINARY", folder / "train.par")
    assert run.returncode == 0, run.stdout + run.stderr


def test_trainzorf_takes_a_data_set_files_targets_in_the_recorded_units(tmp_path):
    import numpy as np

    rng = np.random.default_rng(8)
    rows = rng.uniform(0.0, 1.0, (60, 2))
    targets = 100.0 * (0.2 + 0.6 * rows[:, :1] * rows[:, 1:])
    start = zorf.make(inputs=[3, 3], rules=4, outputs=[3], seed=8)
    start.data_info = {"inputs": [{"name": "x"}, {"name": "y"}],
                       "outputs": [{"name": "z", "range": (0.0, 100.0)}]}
    start.save(tmp_path / "start.net")
    zorf.write_data_set(tmp_path / "rows.dat", rows, targets)
    train_zorf(tmp_path, epochs=5)

    plain = zorf.load(tmp_path / "start.net")
    plain.data_info = None
    _, read_targets = zorf.read_data_set(tmp_path / "rows.dat")
    read_rows, _ = zorf.read_data_set(tmp_path / "rows.dat")
    zorf.train(plain, read_rows, read_targets / 100.0, epochs=5)
    plain.save(tmp_path / "plain.net")
    trained, expected = zorf.load(tmp_path / "trained.net"), zorf.load(tmp_path / "plain.net")
    for layer in (1, 2, 3, 4):
        assert np.array_equal(trained.weights(layer), expected.weights(layer)), layer


def test_trainzorf_records_the_range_of_a_data_set_files_targets(tmp_path):
    import numpy as np

    rows = np.random.default_rng(9).uniform(0.0, 1.0, (40, 2))
    targets = 250.0 + 500.0 * rows[:, :1]
    zorf.make(inputs=[3, 3], rules=4, outputs=[3], seed=9).save(tmp_path / "start.net")
    zorf.write_data_set(tmp_path / "rows.dat", rows, targets)
    train_zorf(tmp_path, epochs=50)
    trained = zorf.load(tmp_path / "trained.net")
    low, high = trained.data_info["outputs"][0]["range"]
    assert (low, high) == (targets.min(), targets.max())
    assert abs(trained.recall(rows)[:, 0] - targets[:, 0]).max() < 0.1 * (high - low)
