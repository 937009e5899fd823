import json

import numpy as np
import pytest

import zorf
from conftest import EXAMPLES, run_program


def test_rules_are_explainzorfs_data():
    network = zorf.load(EXAMPLES / "comfort.net")
    for threshold in (0.0, 0.1, 0.5):
        run = run_program("ZORF_EXPLAIN_BINARY", "rules", EXAMPLES / "comfort.net",
                          "--format", "json", "--threshold", threshold)
        assert run.returncode == 0, run.stderr
        assert network.rules(threshold=threshold) == json.loads(run.stdout)["rules"]
    comfortable = next(rule for rule in network.rules() if rule["rule"] == 0)
    assert [c["labels"] for c in comfortable["conditions"]] == [["medium"], ["medium"]]
    with pytest.raises(zorf.BadArgumentError):
        network.rules(threshold=1.5)


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_explained_outputs_are_recalls_bits(seed):
    network = zorf.make(inputs=[3, 4, 2][:seed], rules=9 * seed, outputs=[3, 2], seed=seed,
                        low=-3.0, high=3.0, prune=0.3 * (seed - 1))
    rows = np.random.default_rng(seed).uniform(-0.2, 1.2, (50, seed))
    layers = network.explain(rows)
    architecture = network.architecture
    assert {name: array.shape for name, array in layers.items()} == {
        "memberships": (50, architecture["conditions"]), "rules": (50, architecture["rules"]),
        "actions": (50, architecture["actions"]), "outputs": (50, architecture["outputs"])}
    assert np.array_equal(layers["outputs"], network.recall(rows))
    # Each input's degrees sum to 1, wherever the input stands.
    starts = np.cumsum([0] + architecture["input_functions"])
    for first, end in zip(starts[:-1], starts[1:]):
        assert np.allclose(layers["memberships"][:, first:end].sum(axis=1), 1.0)


def test_explain_refuses_as_recall_does():
    network = zorf.load(EXAMPLES / "comfort.net")
    with pytest.raises(ValueError):
        network.explain(np.zeros((3, 5)))
    with pytest.raises(zorf.BadArgumentError) as refusal:
        network.explain(np.array([[0.1, 0.2], [0.3, np.nan]]))
    assert (refusal.value.row, refusal.value.column) == (1, 1)
