import errno
import inspect
import os
import pathlib
import pickle
import signal
import subprocess
import sys
import textwrap
import threading
import time

import numpy as np
import pytest

import zorf
from conftest import EXAMPLES, as_written, recall_zorf, run_program


def test_recalls_the_example_as_recallzorf_does(tmp_path):
    network = zorf.load(EXAMPLES / "comfort.net")
    inputs, _ = zorf.read_data_set(EXAMPLES / "comfort.dat")
    expected = recall_zorf(tmp_path, EXAMPLES / "comfort.net", EXAMPLES / "comfort.dat")
    assert np.array_equal(as_written(network.recall(inputs)), expected)


@pytest.mark.parametrize(
    "recipe",
    [
        dict(inputs=[3, 3], rules=4, outputs=[3], seed=7),
        dict(inputs=[2, 7, 4, 5], rules=40, outputs=[3, 7], seed=11, low=-3.0, high=2.5, prune=0.5),
    ],
)
def test_makes_and_recalls_as_the_programs_do(tmp_path, recipe):
    network = zorf.make(**recipe)
    network.save(tmp_path / "py.net")
    options = ["--inputs", ",".join(map(str, recipe["inputs"])), "--rules", recipe["rules"],
               "--outputs", ",".join(map(str, recipe["outputs"])), "--seed", recipe["seed"],
               "--min", recipe.get("low", -1.0), "--max", recipe.get("high", 1.0),
               "--prune", recipe.get("prune", 0.0)]
    assert run_program("ZORF_MAKE_BINARY", *options, tmp_path / "cli.net").returncode == 0
    assert (tmp_path / "py.net").read_bytes() == (tmp_path / "cli.net").read_bytes()

    rows = np.random.default_rng(recipe["seed"]).uniform(-0.1, 1.1, (500, len(recipe["inputs"])))
    zorf.write_data_set(tmp_path / "rows.dat", rows)
    inputs, _ = zorf.read_data_set(tmp_path / "rows.dat")
    expected = recall_zorf(tmp_path, tmp_path / "cli.net", tmp_path / "rows.dat")
    assert np.array_equal(as_written(zorf.load(tmp_path / "py.net").recall(inputs)), expected)


def test_starts_from_data_as_makezorf_does(tmp_path):
    rng = np.random.default_rng(4)
    inputs = rng.normal(50.0, 20.0, (200, 3))
    expected = (inputs[:, :1] > 50.0) * np.array([[1.0, 0.0]]) + (inputs[:, :1] <= 50.0) * np.array([[0.0, 1.0]])
    zorf.write_data_set(tmp_path / "rows.dat", inputs, expected)
    read_inputs, read_expected = zorf.read_data_set(tmp_path / "rows.dat")
    zorf.make(data=(read_inputs, read_expected), rules=6, seed=3).save(tmp_path / "py.net")
    assert run_program("ZORF_MAKE_BINARY", "--data", tmp_path / "rows.dat", "--rules", 6, "--seed", 3,
                       tmp_path / "cli.net").returncode == 0
    assert (tmp_path / "py.net").read_bytes() == (tmp_path / "cli.net").read_bytes()
    with pytest.raises(ValueError, match="inputs, rules and outputs are required"):
        zorf.make(rules=3)


def test_takes_any_numeric_dtype_and_order():
    network = zorf.make(inputs=[3, 4], rules=6, outputs=[3, 2])
    base = np.random.default_rng(1).integers(0, 2, (40, 2))
    expected = network.recall(base.astype(np.float64))
    for variant in (base, base.astype(np.float32), base.astype(bool), np.asfortranarray(base),
                    base.astype(np.float64)[::-1][::-1], base.tolist()):
        assert np.array_equal(network.recall(variant), expected)
    assert network.recall(np.empty((0, 2))).shape == (0, 2)


def test_pickles_and_copies_weights_and_flags(tmp_path):
    network = zorf.make(inputs=[3, 3], rules=5, outputs=[4], prune=0.3, seed=3)
    rows = np.random.default_rng(2).random((100, 2))
    twin = pickle.loads(pickle.dumps(network))
    assert np.array_equal(twin.recall(rows), network.recall(rows))

    weights = network.weights(3)
    twin.set_weights(3, weights * 0.5)
    assert not np.array_equal(twin.recall(rows), network.recall(rows))
    twin.set_weights(3, weights)
    assert np.array_equal(twin.recall(rows), network.recall(rows))

    flags = (np.arange(network.weights(2).size) % 3 == 0).reshape(network.weights(2).shape)
    twin.set_frozen(2, flags)
    exists = twin.frozen(2) | ~flags
    assert np.array_equal(twin.frozen(2), flags & exists)
    network.save(tmp_path / "a.net")
    pickle.loads(pickle.dumps(network)).save(tmp_path / "b.net")
    assert (tmp_path / "a.net").read_bytes() == (tmp_path / "b.net").read_bytes()


def test_measures_the_rms_error():
    network = zorf.load(EXAMPLES / "comfort.net")
    inputs = np.random.default_rng(4).random((50, 2))
    expected = np.random.default_rng(5).random((50, 1))
    error = np.sqrt(np.mean((network.recall(inputs) - expected) ** 2))
    assert network.rms_error(inputs, expected) == pytest.approx(error, rel=1e-12)


def test_threads_share_a_network():
    network = zorf.make(inputs=[5] * 6, rules=60, outputs=[4, 4], seed=9)
    rows = np.random.default_rng(6).random((3000, 6))
    expected = network.recall(rows, threads=1)
    assert np.array_equal(network.recall(rows, threads=3), expected)
    results = [None] * 4

    def work(k):
        results[k] = network.recall(rows)

    threads = [threading.Thread(target=work, args=(k,)) for k in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert all(np.array_equal(result, expected) for result in results)


def test_data_sets_read_back_to_the_same_doubles(tmp_path):
    rng = np.random.default_rng(7)
    rows = np.concatenate([rng.normal(size=(30, 3)) * 1e3, rng.random((30, 3))])
    rows[:3] = [[np.finfo(float).max, -np.finfo(float).tiny, 5e-324],
                [-0.0, np.nan, -np.inf], [0.1, 1 / 3, 2.0 ** 60]]
    zorf.write_data_set(tmp_path / "a.dat", rows, rows[:, :1])
    first = zorf.read_data_set(tmp_path / "a.dat")
    zorf.write_data_set(tmp_path / "b.dat", *first)
    assert np.array_equal(first[0], rows, equal_nan=True)
    assert np.array_equal(np.signbit(first[0]), np.signbit(rows))
    assert (tmp_path / "a.dat").read_bytes() == (tmp_path / "b.dat").read_bytes()
    # A set no reader takes is not written; a file that holds none is refused for what it is.
    with pytest.raises(ValueError, match="no columns"):
        zorf.write_data_set(tmp_path / "c.dat", np.zeros((3, 0)))
    (tmp_path / "c.dat").write_text((tmp_path / "a.dat").read_text().split("[Data]")[0]
                                    .replace("[Inputs = 3]", "[Inputs = 0]")
                                    .replace("[ExpectedOutputs = 1]", "[ExpectedOutputs = 0]")
                                    + "[Data]\n[~Data]\n[~DataSet]\n")
    with pytest.raises(zorf.FileError, match="holds no inputs and no expected outputs") as raised:
        zorf.read_data_set(tmp_path / "c.dat")
    assert "Success" not in str(raised.value)


def test_refuses_with_the_named_exceptions(tmp_path):
    network = zorf.load(EXAMPLES / "comfort.net")
    (tmp_path / "broken.net").write_text("[NeuralNetwork]\n[NetworkType = Basic]\n")
    cases = [
        (lambda: zorf.load(tmp_path / "missing.net"), zorf.FileError, "Error on File Open"),
        (lambda: zorf.load(tmp_path / "broken.net"), zorf.FileError, ""),
        (lambda: zorf.load(EXAMPLES / "comfort.dat"), zorf.FileError, ""),
        (lambda: zorf.read_data_set(tmp_path / "missing.dat"), OSError, "Unable to open"),
        (lambda: network.save(tmp_path / "no" / "such.net"), zorf.FileError, "Unable to write"),
        (lambda: zorf.write_data_set(tmp_path / "no" / "x.dat", [[1.0]]), OSError, "Unable to write"),
        (lambda: network.weights(5), zorf.BadArgumentError, "Invalid weight layer"),
        (lambda: network.frozen(0), zorf.BadArgumentError, "Invalid weight layer"),
        (lambda: zorf.make(inputs=[1], rules=2, outputs=[2]), zorf.BadArgumentError, "membership"),
        (lambda: zorf.make(inputs=[2], rules=2, outputs=[2], seed=-1), ValueError, "seed"),
        (lambda: network.recall(np.zeros(2)), ValueError, "shape (rows, 2) for 2 inputs"),
        (lambda: network.recall(np.zeros((3, 3))), ValueError, "not of shape (3, 3)"),
        (lambda: network.recall([["a", "b"]]), TypeError, "must hold numbers"),
        (lambda: network.recall(np.zeros((1, 2), complex)), TypeError, "complex"),
        (lambda: network.rms_error(np.zeros((2, 2)), np.zeros((3, 1))), ValueError, "as many rows"),
        (lambda: network.set_weights(1, np.zeros(5)), ValueError, "1-D array of 6 values"),
        (lambda: zorf.write_data_set(tmp_path / "x.dat", np.zeros((2, 1)), np.zeros((3, 1))), ValueError, "rows"),
        (lambda: zorf.load("bad\0name"), ValueError, "NUL"),
        (lambda: zorf.Network(), TypeError, ""),
    ]
    for action, kind, text in cases:
        with pytest.raises(kind) as raised:
            action()
        assert text in str(raised.value)
    # An output centre no training makes: set_weights refuses it, a network file may hold it.
    with pytest.raises(ValueError, match=r"within \[0, 1\]: weights\[2\] \(30.0\)"):
        network.set_weights(4, [0.0, 0.5, 30.0])
    head, _, tail = (EXAMPLES / "comfort.net").read_text().rpartition(" 1 T ")
    (tmp_path / "wide.net").write_text(head + " 30 T " + tail)
    wide = zorf.load(tmp_path / "wide.net")
    with pytest.raises(zorf.CheckFailure, match="Assertion failed") as raised:
        wide.recall(np.full((5, 2), 0.5))
    assert raised.value.value is not None
    with pytest.raises(zorf.BadArgumentError) as raised:
        network.set_weights(0, [])
    assert (raised.value.category, raised.value.where) == ("Bad Parameter", "TZorf::GetWeightLayer")


@pytest.mark.parametrize("value", [np.nan, np.inf, -np.inf])
def test_an_input_that_is_not_finite_is_refused_with_its_place(value):
    network = zorf.make(inputs=[3, 2], rules=4, outputs=[3])
    rows = np.full((40, 2), 0.5)
    rows[37, 1] = value
    with pytest.raises(zorf.BadArgumentError, match="not a finite number") as raised:
        network.recall(rows)
    assert (raised.value.row, raised.value.column) == (37, 1)


@pytest.mark.filterwarnings("ignore::RuntimeWarning")
def test_no_input_crashes_the_interpreter(tmp_path):
    rng = np.random.default_rng(8)
    network = zorf.make(inputs=[3, 2], rules=4, outputs=[3])
    specials = np.array([np.nan, np.inf, -np.inf, 1e308, -1e308, 0.0, 1.0])
    texts = [(EXAMPLES / name).read_bytes() for name in ("comfort.net", "comfort.dat")]
    refusals = (zorf.Error, ValueError, TypeError)
    for _ in range(1000):
        shape = tuple(rng.integers(0, 4, rng.integers(0, 4)))
        values = rng.choice(specials, shape) if rng.random() < 0.5 else rng.normal(size=shape)
        dtype = rng.choice([np.float64, np.float32, np.int8, np.uint64, bool, object])
        for action in (lambda: network.recall(values.astype(dtype)),
                       lambda: network.rms_error(values, values),
                       lambda: network.set_weights(int(rng.integers(0, 6)), values.ravel()),
                       lambda: network.set_frozen(int(rng.integers(0, 6)), values.ravel()),
                       lambda: zorf.write_data_set(tmp_path / "f.dat", values, values)):
            try:
                action()
            except refusals:
                pass
        text = bytearray(texts[int(rng.integers(0, 2))])
        for _ in range(int(rng.integers(1, 8))):
            text[int(rng.integers(0, len(text)))] = int(rng.integers(0, 256))
        (tmp_path / "f.bin").write_bytes(bytes(text[: int(rng.integers(0, len(text) + 1))]))
        for action in (lambda: zorf.load(tmp_path / "f.bin").recall(rng.random((3, 2))),
                       lambda: zorf.read_data_set(tmp_path / "f.bin"),
                       lambda: pickle.loads(pickle.dumps(network)[:-7] + bytes(text[:7]))):
            try:
                action()
            except refusals + (pickle.UnpicklingError, EOFError):
                pass


def test_trains_in_place_and_keeps_the_best_network():
    rng = np.random.default_rng(10)
    inputs = rng.random((300, 2))
    expected = 0.2 + 0.6 * inputs[:, :1] * inputs[:, 1:]
    validation = (inputs[:100], expected[:100])
    runs = []
    for _ in range(2):
        network = zorf.make(inputs=[3, 3], rules=6, outputs=[3], seed=2)
        history = zorf.train(network, inputs[100:], expected[100:], validation=validation,
                             epochs=40, algorithm="Adam", learning_rate=0.05, batch_size=50)
        runs.append((history, network.weights(2)))
    history, weights = runs[0]
    assert np.array_equal(weights, runs[1][1])
    assert all(np.array_equal(history[key], runs[1][0][key], equal_nan=True)
               for key in ("epoch", "training_error", "validation_error"))
    assert list(history["epoch"]) == list(range(41))
    best = history["best_epoch"]
    assert history["validation_error"][best] == history["validation_error"].min()
    assert network.rms_error(*validation) == pytest.approx(history["validation_error"][best])
    assert history["validation_error"][best] < history["validation_error"][0] / 2


def test_trains_as_trainzorf_does(tmp_path):
    assert run_program("ZORF_MAKE_BINARY", "--inputs", "4,4", "--rules", "12", "--outputs", "5",
                       "--seed", "3", tmp_path / "start.net").returncode == 0
    settings = dict(epochs=25, algorithm="Adam", learning_rate=0.02, batch_size=64, seed=9,
                    patience=10, train_layers=[2, 3, 4])
    (tmp_path / "train.par").write_text(
        f"WeightFile = {tmp_path / 'start.net'}\nTrainFile = {EXAMPLES / 'surface-train.dat'}\n"
        f"ValidationFile = {EXAMPLES / 'surface-test.dat'}\nOutputWeightFile = {tmp_path / 'cli.net'}\n"
        "Epochs = 25\nAlgorithm = Adam\nLearningRate = 0.02\nBatchSize = 64\nSeed = 9\n"
        "Patience = 10\nTrainLayers = 2 3 4\n")
    run = run_program("ZORF_TRAIN_BINARY", tmp_path / "train.par")
    assert run.returncode == 0, run.stdout + run.stderr
    network = zorf.load(tmp_path / "start.net")
    zorf.train(network, *zorf.read_data_set(EXAMPLES / "surface-train.dat"),
               validation=zorf.read_data_set(EXAMPLES / "surface-test.dat"), **settings)
    network.save(tmp_path / "py.net")
    assert (tmp_path / "py.net").read_bytes() == (tmp_path / "cli.net").read_bytes()


def test_ctrl_c_ends_training_with_the_best_network():
    import _thread
    rng = np.random.default_rng(11)
    inputs, expected = rng.random((2000, 4)), rng.random((2000, 1))
    network = zorf.make(inputs=[5] * 4, rules=50, outputs=[4], seed=2)
    timer = threading.Timer(0.3, _thread.interrupt_main)
    timer.start()
    history = zorf.train(network, inputs, expected, epochs=10_000_000)
    timer.join()
    assert history["interrupted"] and len(history["epoch"]) < 10_000_001
    best = history["best_epoch"]
    assert network.rms_error(inputs, expected) == pytest.approx(history["training_error"][best])


def test_refuses_bad_training_arguments():
    network = zorf.make(inputs=[3], rules=2, outputs=[2])
    rows, good = np.zeros((4, 1)), np.full((4, 1), 0.5)
    cases = [
        (dict(learning_rat=0.1), TypeError, "unexpected keyword argument 'learning_rat'"),
        (dict(LearningRate=0.1), TypeError, "unexpected keyword argument 'LearningRate'"),
        (dict(l_earning_rate=0.1), TypeError, "unexpected keyword argument 'l_earning_rate'"),
        (dict(algorithm="foo"), zorf.BadArgumentError, "^algorithm must be"),
        (dict(train_layers=[2, 5]), zorf.BadArgumentError, '^train_layers must be .*, not "2 5"'),
        (dict(learning_rate=0), zorf.BadArgumentError, "^learning_rate must be a number above 0"),
        (dict(epochs=True), TypeError, "bool"),
        (dict(epochs="5"), TypeError, "^epochs takes a whole number .int., not str"),
        (dict(epochs=5.0), TypeError, "^epochs takes a whole number .int., not float"),
        (dict(learning_rate="0.1"), TypeError, "^learning_rate takes a number"),
        (dict(algorithm=1), TypeError, "^algorithm takes a name"),
        (dict(train_layers="2 3"), TypeError, "^train_layers takes a list"),
        (dict(validation=rows), TypeError, "pair"),
    ]
    for settings, kind, text in cases:
        with pytest.raises(kind, match=text):
            zorf.train(network, rows, good, **settings)
    with pytest.raises(zorf.BadArgumentError, match="outside"):
        zorf.train(network, rows, good * 3)


def test_train_names_every_setting_of_the_trainer_with_its_default():
    parameters = inspect.signature(zorf.train).parameters
    for keyword, default, _ in zorf._zorf._train_settings():
        name = zorf._training.snake_case(keyword)
        assert parameters[name].kind is inspect.Parameter.KEYWORD_ONLY, name
        assert f"{name}: " in zorf.train.__doc__
        given = parameters[name].default
        if given is None:  # the optimizer's own learning rate; no penalty; patience by the rows
            assert keyword in ("LearningRate", "Penalty", "Patience")
        elif isinstance(given, tuple):
            assert " ".join(map(str, given)) == default, name
        elif isinstance(given, str):
            assert given == default, name
        else:
            assert given == float(default), name


def test_the_history_carries_the_accuracy_of_one_hot_targets():
    rng = np.random.default_rng(6)
    inputs = rng.random((80, 2))
    one_hot = np.eye(2)[(inputs[:, 0] > inputs[:, 1]).astype(int)]
    network = zorf.make(inputs=[3, 3], rules=6, outputs=[2, 2], seed=4)
    history = zorf.train(network, inputs, one_hot, epochs=15)
    right = network.recall(inputs).argmax(axis=1) == one_hot.argmax(axis=1)
    assert history["accuracy"][history["best_epoch"]] == right.mean()
    assert np.isnan(zorf.train(network, inputs, one_hot * 0.5, epochs=2)["accuracy"]).all()


def test_weight_layers_are_matrices_from_sources_to_targets():
    network = zorf.make(inputs=[3, 2], rules=4, outputs=[3, 2], prune=0.3, seed=2)
    flat = network.__getstate__()[1]
    shapes = {zorf.CONDITION_CENTRES: (5,), zorf.RULE_WEIGHTS: (5, 4), zorf.ACTION_WEIGHTS: (4, 5),
              zorf.OUTPUT_CENTRES: (5,)}
    for layer, shape in shapes.items():
        assert network.weights(layer).shape == network.frozen(layer).shape == shape
        assert np.array_equal(network.weights(layer).ravel(), flat[layer - 1])
    # Entry [source, target] is the arc from source to target: an arc that pruning removed
    # is 0.0 where the network says it is missing.
    rules = network.weights(zorf.RULE_WEIGHTS)
    missing = [(s, t) for s in range(5) for t in range(4) if rules[s, t] == 0.0]
    assert missing and all(not network.frozen(zorf.RULE_WEIGHTS)[s, t] for s, t in missing)
    network.set_frozen(zorf.RULE_WEIGHTS, np.ones((5, 4)))
    assert np.array_equal(network.frozen(zorf.RULE_WEIGHTS), rules != 0.0)


def test_the_readme_example_runs(tmp_path, monkeypatch):
    readme = (EXAMPLES.parent / "README.md").read_text()
    section = readme.split("## Python\n", 1)[1].split("\n## ", 1)[0]
    (tmp_path / "examples").symlink_to(EXAMPLES)
    monkeypatch.chdir(tmp_path)
    for example in section.split("```python\n")[1:]:
        exec(compile(example.split("```", 1)[0], "README.md", "exec"), {})
    assert zorf.load("comfort-copy.net").weights(2).size == 30


def run_script(script, *arguments, signal_after_ready=None):
    """Runs a Python script in a process of its own; with signal_after_ready, sends that
    signal once the script printed its line "ready"."""
    process = subprocess.Popen([sys.executable, "-c", textwrap.dedent(script), *map(str, arguments)],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if signal_after_ready is not None:
        assert process.stdout.readline() == "ready\n"
        time.sleep(0.5)
        process.send_signal(signal_after_ready)
    try:
        output, _ = process.communicate(timeout=120)
    except subprocess.TimeoutExpired:
        process.kill()
        raise
    return process.returncode, output


def test_readers_and_training_share_a_network_without_deadlock():
    status, output = run_script("""
        import pickle, threading
        import numpy as np
        import zorf
        rng = np.random.default_rng(1)
        inputs, expected = rng.random((2000, 4)), rng.random((2000, 1))
        network = zorf.make(inputs=[5] * 4, rules=50, outputs=[4], seed=2)
        trainer = threading.Thread(target=zorf.train, args=(network, inputs, expected),
                                   kwargs=dict(epochs=100))
        trainer.start()
        reads = 0
        while trainer.is_alive() or reads < 20:
            network.architecture, network.weights(2), network.frozen(1), repr(network)
            pickle.dumps(network), network.recall(inputs[:5])
            reads += 1
        trainer.join()
        print("done")
    """)
    assert (status, output) == (0, "done\n")


def test_recalls_on_one_network_run_side_by_side():
    network = zorf.make(inputs=[7] * 8, rules=400, outputs=[7] * 4, prune=0.5, seed=4)
    many = np.random.default_rng(12).random((200_000, 8))
    expected = network.recall(many[:3], threads=1)
    started, finished = threading.Event(), threading.Event()

    def long_recall():
        started.set()
        network.recall(many, threads=1)
        finished.set()

    long = threading.Thread(target=long_recall)
    long.start()
    started.wait()
    time.sleep(0.3)  # the long recall takes a second; it is on the network by now
    # One recall holding the network alone would let the short ones through only after it.
    short = 0
    while not finished.is_set():
        assert np.array_equal(network.recall(many[:3], threads=1), expected)
        short += 1
    long.join()
    assert short >= 50


SAVED = """
    import os, signal, sys, time
    import numpy as np
    import zorf
    folder = sys.argv[1]
    signal.signal(signal.SIGTERM, lambda *_: (print("own handler"), sys.exit(3)))
    rng = np.random.default_rng(11)
    inputs, expected = rng.random((2000, 4)), rng.random((2000, 1))
    network = zorf.make(inputs=[5] * 4, rules=50, outputs=[4], seed=2)
    network.save(os.path.join(folder, "a.net"))
    zorf.write_data_set(os.path.join(folder, "a.dat"), inputs, expected)
    print("ready", flush=True)
    try:
        {}
    except KeyboardInterrupt:
        print("KeyboardInterrupt")
    finally:
        print("finally")
"""


@pytest.mark.parametrize("body, sent, status, output", [
    ("time.sleep(60)", signal.SIGINT, 0, "KeyboardInterrupt\nfinally\n"),
    ("time.sleep(60)", signal.SIGTERM, 3, "own handler\nfinally\n"),
    ("history = zorf.train(network, inputs, expected, epochs=10_000_000)\n"
     "        best = history['training_error'][history['best_epoch']]\n"
     "        # The trainer sums its rows in blocks, rms_error row after row.\n"
     "        print(history['interrupted'],\n"
     "              abs(network.rms_error(inputs, expected) - best) <= 1e-12 * best)",
     signal.SIGINT, 0, "True True\nfinally\n"),
])
def test_signals_reach_python_after_a_save(tmp_path, body, sent, status, output):
    assert run_script(SAVED.format(body), tmp_path, signal_after_ready=sent) == (status, output)
    assert sorted(os.listdir(tmp_path)) == ["a.dat", "a.net"]


def test_set_weights_refuses_what_training_never_makes():
    network = zorf.make(inputs=[3, 2], rules=4, outputs=[3], seed=5)
    cases = [
        (1, [0.0, 0.5, 1.0, 0.0, np.nan], r"finite numbers: weights\[4\] \(nan\)"),
        (1, [0.0, 0.6, 0.5, 0.0, 1.0], r"ascend: weights\[2\] \(0.5\) is below weights\[1\] \(0.6\)"),
        (2, np.full((5, 4), np.inf), r"finite numbers: weights\[0, 0\] \(inf\)"),
        (3, np.zeros(12), r"2-D array of shape \(4, 3\) for \(sources, targets\), not of shape \(12,\)"),
        (3, np.zeros((3, 4)), r"2-D array of shape \(4, 3\) for \(sources, targets\), not of shape \(3, 4\)"),
        (4, [0.0, 0.5, 1.5], r"within \[0, 1\]: weights\[2\] \(1.5\)"),
        (4, [-0.0, 0.5, np.nan], r"finite numbers: weights\[2\] \(nan\)"),
    ]
    before = [network.weights(layer) for layer in range(1, 5)]
    for layer, weights, message in cases:
        with pytest.raises(ValueError, match=message):
            network.set_weights(layer, weights)
    assert all(np.array_equal(network.weights(k + 1), w) for k, w in enumerate(before))
    # Each input's centres are refused out of order only within the input.
    network.set_weights(1, [0.0, 0.5, 1.0, 0.0, 0.0])


def test_weights_show_what_recall_uses():
    network = zorf.make(inputs=[3, 3], rules=6, outputs=[3], prune=0.5, seed=8)
    rows = np.random.default_rng(3).random((50, 2))
    expected = network.recall(rows)
    for layer in (2, 3):
        weights = network.weights(layer)
        pruned = weights == 0.0
        assert pruned.any()
        network.set_weights(layer, np.where(pruned, 7.0, weights))
        assert np.array_equal(network.weights(layer), weights)
    assert np.array_equal(network.recall(rows), expected)
    with pytest.raises(ValueError, match="threads must be 0 .every core. or more, not -5"):
        network.recall(rows, threads=-5)


def test_an_empty_network_object_raises_instead_of_crashing():
    empty = zorf.Network.__new__(zorf.Network)
    live = zorf.make(inputs=[2], rules=2, outputs=[2])
    actions = [repr, lambda n: n.architecture, lambda n: n.save("x.net"), pickle.dumps,
               lambda n: n.recall([[0.5]]), lambda n: n.weights(1), lambda n: n.set_frozen(1, [0, 0]),
               lambda n: zorf.train(n, [[0.5]], [[0.5]]), lambda n: zorf.Network.recall(42, [[0.5]])]
    for action in actions:
        with pytest.raises(TypeError, match="holds no network|expected a zorf.Network"):
            action(empty)
    with pytest.raises(TypeError, match="only when it is unpickled"):
        live.__setstate__(zorf.make(inputs=[3], rules=2, outputs=[2]).__getstate__())
    assert live.architecture["input_functions"] == [2]
    empty.__setstate__(live.__getstate__())
    assert np.array_equal(empty.recall([[0.3]]), live.recall([[0.3]]))


def test_refusals_say_where(tmp_path):
    network = zorf.make(inputs=[3], rules=2, outputs=[2])
    rows = np.full((5, 2), 0.5)
    zorf.write_data_set(tmp_path / "rows.dat", rows, rows[:, :1])
    head, _, tail = (tmp_path / "rows.dat").read_text().rpartition("0.5 0.5   0.5")
    (tmp_path / "bad.dat").write_text(head + "0.5 x   0.5" + tail)
    (tmp_path / "folder.net").mkdir()
    inputs = np.full((4, 1), 0.5)
    inputs[2, 0] = np.nan
    missing = str(tmp_path / "missing.dat")
    cases = [
        (lambda: zorf.read_data_set(missing), dict(filename=missing, errno=errno.ENOENT)),
        (lambda: zorf.load(missing), dict(filename=missing, errno=errno.ENOENT)),
        (lambda: zorf.read_data_set(tmp_path / "bad.dat"),
         dict(filename=str(tmp_path / "bad.dat"), line=head.count("\n") + 1, row=5, column=2,
              errno=None)),
        (lambda: network.save(tmp_path / "no" / "x.net"), dict(errno=errno.ENOENT)),
        (lambda: network.save(tmp_path / "folder.net"), dict(errno=errno.EISDIR)),
        (lambda: zorf.write_data_set(tmp_path / "no" / "x.dat", rows), dict(errno=errno.ENOENT)),
        (lambda: zorf.train(network, inputs, inputs), dict(row=2, column=0, where="train")),
        (lambda: zorf.train(network, rows[:, :1], rows[:, :1], validation=(inputs, inputs * 3)),
         dict(row=2, column=0)),
    ]
    for action, attributes in cases:
        with pytest.raises(zorf.Error) as raised:
            action()
        assert {name: getattr(raised.value, name) for name in attributes} == attributes, raised.value


def test_the_type_stubs_name_what_the_module_holds():
    import ast

    stubs = ast.parse((pathlib.Path(zorf.__file__).parent / "_zorf.pyi").read_text())
    stubbed = {node.name: node for node in stubs.body if isinstance(node, (ast.FunctionDef, ast.ClassDef))}
    constants = {node.target.id for node in stubs.body if isinstance(node, ast.AnnAssign)}
    held = {name for name in dir(zorf._zorf) if not name.startswith("__")}
    assert set(stubbed) | constants == held
    methods = {node.name for node in stubbed["Network"].body if isinstance(node, ast.FunctionDef)}
    assert methods == {name for name in dir(zorf.Network) if not name.startswith("_")}
