import pickle

import numpy as np
import pandas as pd
import pytest
from sklearn.base import clone
from sklearn.model_selection import GridSearchCV, cross_val_score
from sklearn.pipeline import make_pipeline
from sklearn.preprocessing import StandardScaler
from sklearn.utils.estimator_checks import parametrize_with_checks

import zorf
from conftest import run_program
from zorf.sklearn import ZorfClassifier, ZorfRegressor


# Every check of scikit-learn 1.2 runs: none is skipped, and no tag excuses a poor score.
@parametrize_with_checks([ZorfRegressor(random_state=0), ZorfClassifier(random_state=0)])
def test_follows_scikit_learns_conventions(estimator, check):
    check(estimator)


def kinds(rows=90, seed=4):
    """Three kinds of box by width and height, in centimetres; a string label each."""
    rng = np.random.default_rng(seed)
    label = rng.integers(0, 3, rows)
    width = 40.0 + 30.0 * label + rng.normal(0, 6, rows)
    height = 300.0 - 50.0 * label + rng.normal(0, 10, rows)
    names = np.array(["crate", "carton", "chest"])[label]
    return pd.DataFrame({"width": width, "height": height}), pd.Series(names, name="kind")


def test_a_classifier_on_a_frame_predicts_its_labels_and_survives_the_tools():
    frame, labels = kinds()
    model = ZorfClassifier(rules=6, random_state=1).fit(frame, labels)
    assert list(model.feature_names_in_) == ["width", "height"]
    assert set(model.predict(frame)) <= set(labels) and model.score(frame, labels) > 0.9
    shares = model.predict_proba(frame)
    assert np.allclose(shares.sum(axis=1), 1.0)
    assert np.array_equal(model.classes_[shares.argmax(axis=1)], model.predict(frame))
    copy = pickle.loads(pickle.dumps(model))
    assert np.array_equal(copy.predict_proba(frame), shares)
    assert clone(model).get_params() == model.get_params()

    pipeline = make_pipeline(StandardScaler(), ZorfClassifier(random_state=1))
    assert cross_val_score(pipeline, frame, labels, cv=3).mean() > 0.85
    search = GridSearchCV(ZorfClassifier(random_state=1), {"rules": [3, 8]}, cv=3).fit(frame, labels)
    assert search.best_params_["rules"] in (3, 8) and search.predict(frame).dtype == labels.dtype


def test_a_regressor_predicts_in_the_units_of_its_targets():
    rng = np.random.default_rng(5)
    X = rng.uniform(-300.0, 500.0, (150, 2))
    prices = 2000.0 + 3.0 * X[:, 0] + 0.004 * X[:, 1] ** 2
    model = ZorfRegressor(random_state=2).fit(X, prices)
    assert model.score(X, prices) > 0.9
    assert prices.min() - 200 < model.predict(X).min() and model.predict(X).max() < prices.max() + 200
    both = ZorfRegressor(random_state=2).fit(X, np.column_stack([prices, -prices / 1000]))
    assert both.predict(X).shape == (150, 2) and both.score(X, np.column_stack([prices, -prices / 1000])) > 0.8


def test_binary_shares_are_even_where_every_output_is_zero():
    model = ZorfClassifier(rules=2, max_iter=0, random_state=0).fit([[0.0], [1.0]], ["no", "yes"])
    model.network_.set_weights(zorf.OUTPUT_CENTRES, np.zeros(model.network_.weights(4).size))
    assert np.array_equal(model.predict_proba([[0.2], [0.9]]), np.full((2, 2), 0.5))


@pytest.mark.parametrize("start", ["data", "random"])
def test_the_fitted_network_is_what_makezorf_and_trainzorf_give(tmp_path, start):
    X, y = kinds(60, seed=9)
    model = ZorfClassifier(rules=5, max_iter=40, start=start, n_init=2, random_state=7).fit(X, y)
    model.network_.save(tmp_path / "estimator.net")
    # The estimator's rows: inputs scaled to [0, 1] by the fitted rows, one-hot targets.
    values = X.to_numpy()
    scaled = (values - values.min(axis=0)) / (values.max(axis=0) - values.min(axis=0))
    zorf.write_data_set(tmp_path / "rows.dat", scaled, np.eye(3)[np.unique(y, return_inverse=True)[1]])
    make_seed, train_seed = np.random.RandomState(7).randint(0, 2**32 - 1, size=2, dtype=np.int64)
    # The start from the data gives inputs as few as these three functions each.
    recipe = (["--data", tmp_path / "rows.dat", "--inputs", "3,3"] if start == "data"
              else ["--outputs", "3,3,3", "--inputs", "2,2"])
    made = run_program("ZORF_MAKE_BINARY", *recipe, "--rules", 5, "--seed", make_seed,
                       tmp_path / "start.net")
    assert made.returncode == 0, made.stderr
    (tmp_path / "train.par").write_text(
        f"WeightFile = {tmp_path / 'start.net'}\nTrainFile = {tmp_path / 'rows.dat'}\n"
        f"OutputWeightFile = {tmp_path / 'cli.net'}\n"
        f"Epochs = 40\nPatience = 100\nValidationShare = 0.1\nRestarts = 2\nSeed = {train_seed}\n")
    trained = run_program("ZORF_TRAIN_BINARY", tmp_path / "train.par")
    assert trained.returncode == 0, trained.stdout + trained.stderr
    assert (tmp_path / "estimator.net").read_bytes() == (tmp_path / "cli.net").read_bytes()


@pytest.mark.parametrize("Estimator", [ZorfRegressor, ZorfClassifier])
def test_bad_input_raises_what_scikit_learn_raises(Estimator):
    from sklearn.exceptions import NotFittedError

    X, y = np.random.default_rng(0).random((20, 2)), np.arange(20) % 2
    with pytest.raises(NotFittedError):
        Estimator().predict(X)
    for parameters, kind in [(dict(rules=0), ValueError), (dict(max_iter="5"), TypeError),
                             (dict(solver="Newton"), zorf.BadArgumentError)]:
        with pytest.raises(kind, match=f"(^|'){next(iter(parameters))}"):
            Estimator(**parameters).fit(X, y)
    with pytest.raises(ValueError, match="3 features"):
        Estimator().fit(X, y).predict(np.zeros((2, 3)))
