"""scikit-learn estimators over zorf networks: ZorfRegressor and ZorfClassifier.

    from zorf.sklearn import ZorfClassifier
    model = ZorfClassifier(rules=12).fit(frame[["width", "height"]], frame["kind"])
    model.predict(rows), model.predict_proba(rows), model.score(rows, kinds)

They follow scikit-learn's conventions, so Pipeline, GridSearchCV, cross_val_score, clone and
pickle work with them. Inputs and targets may lie in any range: the estimator scales each
input and each regression target to [0, 1] by its minimum and maximum in the fitted rows, and
undoes the scaling of the targets in predict. The fitted network_ is a zorf.Network that takes
the scaled inputs and gives the scaled outputs (for the classifier, one output per class in
classes_ order).
"""

import os
import tempfile
from numbers import Integral, Real

import joblib
import numpy as np
from sklearn.base import BaseEstimator, ClassifierMixin, RegressorMixin
from sklearn.utils import check_random_state
from sklearn.utils._param_validation import Interval, StrOptions
from sklearn.utils.multiclass import check_classification_targets
from sklearn.utils.validation import check_is_fitted

from ._training import train
from ._zorf import BadArgumentError, load, make

__all__ = ["ZorfClassifier", "ZorfRegressor"]

# A random start's counts where they are left to adapt: the rules get at least this many
# rows each.
_ROWS_PER_RULE = 4
_RANDOM_INPUT_FUNCTIONS = 2
_RANDOM_OUTPUT_FUNCTIONS = 3
# The trainer's settings that the estimators call by scikit-learn's names.
_PARAMETER_OF = {"algorithm": "solver", "learning_rate": "learning_rate_init",
                 "epochs": "max_iter", "patience": "n_iter_no_change",
                 "validation_share": "validation_fraction", "restarts": "n_init"}
# Below this many rows, early stopping holds none out: too few would be left to learn from,
# and the validation error of a handful of rows picks a network by chance.
_FEWEST_ROWS_TO_HOLD_OUT = 20


def _as_filed(network):
    """The network as its file holds it (weights to 15 digits), so that TrainZorf, started
    from the file MakeZorf writes, trains the same network to the same bits."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "start.net")
        network.save(path)
        return load(path)


class _ZorfEstimator(BaseEstimator):
    """What the regressor and the classifier share: the parameters, the scaling of the inputs,
    the start network and the training."""

    _parameter_constraints = {
        "input_functions": [Interval(Integral, 2, 1000, closed="both"), StrOptions({"auto"})],
        "rules": [Interval(Integral, 1, 1000000, closed="both"), StrOptions({"auto"})],
        "output_functions": [Interval(Integral, 2, 1000, closed="both"), StrOptions({"auto"})],
        "start": [StrOptions({"data", "random"})],
        "solver": [str],
        "learning_rate_init": [Interval(Real, 0, None, closed="neither"), None],
        "max_iter": [Interval(Integral, 0, 100000000, closed="both")],
        "early_stopping": ["boolean"],
        "validation_fraction": [Interval(Real, 0, 0.9, closed="right")],
        "n_iter_no_change": [Interval(Integral, 0, 100000000, closed="both")],
        "batch_size": [Interval(Integral, 1, None, closed="left"), StrOptions({"auto"})],
        "penalty": [str, None],
        "prune_below": [Interval(Real, 0, None, closed="left")],
        "n_init": [Interval(Integral, 1, 1000, closed="both")],
        "random_state": ["random_state"],
        "n_jobs": [Integral, None],
        "verbose": ["verbose"],
    }

    def __init__(self, *, input_functions="auto", rules="auto", output_functions="auto",
                 start="data", solver="RPROP",
                 learning_rate_init=None, max_iter=500, early_stopping=True,
                 validation_fraction=0.1, n_iter_no_change=100, batch_size="auto", penalty=None,
                 prune_below=0.0, n_init=1, random_state=None, n_jobs=None, verbose=False):
        self.input_functions = input_functions
        self.rules = rules
        self.output_functions = output_functions
        self.start = start
        self.solver = solver
        self.learning_rate_init = learning_rate_init
        self.max_iter = max_iter
        self.early_stopping = early_stopping
        self.validation_fraction = validation_fraction
        self.n_iter_no_change = n_iter_no_change
        self.batch_size = batch_size
        self.penalty = penalty
        self.prune_below = prune_below
        self.n_init = n_init
        self.random_state = random_state
        self.n_jobs = n_jobs
        self.verbose = verbose

    def _scaled(self, X):
        return (X - self._input_low) / self._input_span

    def _fit_network(self, X, Y):
        """Fit network_ to the rows X (any range) and the expected outputs Y (in [0, 1])."""
        self._validate_params()
        rng = check_random_state(self.random_state)
        low, high = X.min(axis=0), X.max(axis=0)
        self._input_low = low
        # A constant input gives every row the same scaled value; it cannot divide by 0.
        self._input_span = np.where(high > low, high - low, 1.0)
        inputs = self._scaled(X)
        make_seed, train_seed = rng.randint(0, 2**32 - 1, size=2, dtype=np.int64)
        network = _as_filed(self._start(inputs, Y, int(make_seed)))
        held_out = self.early_stopping and len(inputs) >= _FEWEST_ROWS_TO_HOLD_OUT
        batch_size = 0 if self.batch_size == "auto" else min(self.batch_size, len(inputs))
        settings = dict(epochs=self.max_iter, algorithm=self.solver,
                        validation_share=self.validation_fraction if held_out else 0.0,
                        learning_rate=self.learning_rate_init, batch_size=batch_size,
                        penalty=self.penalty, patience=self.n_iter_no_change,
                        seed=int(train_seed), prune_below=self.prune_below,
                        restarts=self.n_init,
                        threads=self._threads())
        try:
            self.history_ = train(network, inputs, Y, **settings)
        except BadArgumentError as refusal:
            # The trainer names its own setting; the caller wrote the estimator's parameter.
            text = str(refusal)
            for setting, parameter in _PARAMETER_OF.items():
                if text.startswith(setting + " "):
                    text = parameter + text[len(setting):]
            raise BadArgumentError(text) from refusal
        self.network_ = network
        self.n_iter_ = int(self.history_["epoch"][-1])
        if self.verbose:
            errors = zip(self.history_["epoch"], self.history_["training_error"],
                         self.history_["validation_error"], self.history_["accuracy"])
            for epoch, error, checked, accuracy in errors:
                print(f"Epoch {epoch}: training error {error:.6g}, validation error {checked:.6g}, "
                      f"accuracy {accuracy:.6g}")
        return self

    def _start(self, inputs, Y, seed):
        """The start network: from the training rows, or drawn at random."""
        counts = {}
        if self.input_functions != "auto":
            counts["inputs"] = [self.input_functions] * inputs.shape[1]
        if self.rules != "auto":
            counts["rules"] = self.rules
        if self.output_functions != "auto":
            counts["outputs"] = [self.output_functions] * Y.shape[1]
        if self.start == "data":
            return make(data=(inputs, Y), seed=seed, **counts)
        rows = len(inputs)
        counts.setdefault("inputs", [_RANDOM_INPUT_FUNCTIONS] * inputs.shape[1])
        counts.setdefault("rules", int(np.clip(rows // _ROWS_PER_RULE, 2,
                                               4 * inputs.shape[1] + 2 * Y.shape[1])))
        counts.setdefault("outputs", [_RANDOM_OUTPUT_FUNCTIONS] * Y.shape[1])
        return make(seed=seed, **counts)

    def _threads(self):
        return joblib.effective_n_jobs(self.n_jobs)

    def _outputs(self, X):
        check_is_fitted(self)
        X = self._validate_data(X, reset=False, dtype=np.float64)
        return self.network_.recall(self._scaled(X), threads=self._threads())


class ZorfRegressor(RegressorMixin, _ZorfEstimator):
    """A fuzzy network regressor.

    input_functions: membership functions per input; rules: the number of rules;
    output_functions: membership functions per output ("auto", the defaults: as
    zorf.make(data=...) chooses them, or for a random start 2 per input, one rule per 4 rows
    up to 4 per input and 2 per output, 3 per output); start: "data" starts from the training rows as
    zorf.make(data=...) and MakeZorf --data do, "random" from weights drawn at random;
    solver: the optimizer ("RPROP", "Backprop", "Adam", ...); learning_rate_init: its step
    size (None: the optimizer's own); max_iter: epochs at most; early_stopping: the trainer
    holds validation_fraction of the rows out (by class for the classifier) to pick the best
    network, by its error or, for the classifier, its accuracy (unlike MLPRegressor's, on by
    default; none are held out from fewer than 20 rows);
    n_iter_no_change: stop after this many epochs without a new best error (0: never);
    batch_size: rows per step for the optimizers that take batches ("auto": all); penalty: a
    weight penalty as zorf.train takes it; prune_below: remove the rule and action arcs
    weighing less after training, then fine-tune; n_init: runs of the training, each after
    the first from the start moved at random, the best by the held-out rows (else by the
    training error) kept; random_state: the start network, the shuffling and the validation
    split; n_jobs: threads of training and recall (None: one,
    unless a joblib context says more; -1: every core; the network is the same for any
    number); verbose: print the history.

    Fitted: network_, history_ (zorf.train's history), n_iter_, n_features_in_,
    feature_names_in_ (from a DataFrame with string column names).
    """

    def fit(self, X, y):
        X, y = self._validate_data(X, y, multi_output=True, y_numeric=True, dtype=np.float64)
        Y = y.reshape(len(y), -1)
        self._single_output = y.ndim == 1
        self._target_low = Y.min(axis=0)
        self._target_span = np.where(Y.max(axis=0) > self._target_low,
                                     Y.max(axis=0) - self._target_low, 1.0)
        return self._fit_network(X, (Y - self._target_low) / self._target_span)

    def predict(self, X):
        Y = self._outputs(X) * self._target_span + self._target_low
        return Y[:, 0] if self._single_output else Y

    def _more_tags(self):
        return {"multioutput": True}


class ZorfClassifier(ClassifierMixin, _ZorfEstimator):
    """A fuzzy network classifier: one network output per class, trained on one-hot targets
    (a binary problem has two).

    The parameters are ZorfRegressor's. Fitted: classes_ besides the regressor's attributes.
    """

    def fit(self, X, y):
        X, y = self._validate_data(X, y, dtype=np.float64)
        check_classification_targets(y)
        self.classes_, labels = np.unique(y, return_inverse=True)
        if len(self.classes_) < 2:
            raise ValueError("a classifier needs at least 2 classes, not one class")
        return self._fit_network(X, np.eye(len(self.classes_))[labels])

    def predict_proba(self, X):
        outputs = self._outputs(X)
        total = outputs.sum(axis=1, keepdims=True)
        shares = np.full_like(outputs, 1.0 / outputs.shape[1])
        np.divide(outputs, total, out=shares, where=total > 0)
        return shares

    def decision_function(self, X):
        """predict_proba's shares; for two classes, that of the second class less that of the
        first, the one column scikit-learn's binary classifiers give."""
        shares = self.predict_proba(X)
        return shares[:, 1] - shares[:, 0] if shares.shape[1] == 2 else shares

    def predict(self, X):
        shares = self.predict_proba(X)
        return self.classes_[np.argmax(shares, axis=1)]
