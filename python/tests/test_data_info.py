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
