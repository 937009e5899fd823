"""zorf.train: the trainer's settings as keyword arguments of their own."""

import enum
import inspect
import re

from ._zorf import _train, _train_settings


class Layer(enum.IntEnum):
    """The weight layers by name, for Network.weights, set_weights, frozen, set_frozen and
    train(train_layers=...)."""

    CONDITION_CENTRES = 1
    RULE_WEIGHTS = 2
    ACTION_WEIGHTS = 3
    OUTPUT_CENTRES = 4


def snake_case(keyword):
    """The Python name of a trainer keyword: LearningRate is learning_rate."""
    return re.sub(r"(?<!^)(?=[A-Z])", "_", keyword).lower()


def train(network, X, Y, *, validation=None, epochs=1000, algorithm="RPROP", learning_rate=None,
          momentum=0.9, batch_size=0, error_measure="RMS", penalty=None, target_error=0.0,
          patience=None, validation_share=0.0, restarts=1, seed=1, prune_below=0.0,
          fine_tune_epochs=100, train_layers=(1, 2, 3, 4), initial_step=0.05, max_step=5.0,
          min_centre_gap=0.01, threads=0):
    given = dict(locals())
    settings = {name: given[name] for name in _SETTINGS if given[name] is not None}
    return _train(network, X, Y, validation=validation, **settings)


# Every keyword-only argument but validation is a setting of the trainer, under its snake-case name.
_SETTINGS = [parameter.name for parameter in inspect.signature(train).parameters.values()
             if parameter.kind is inspect.Parameter.KEYWORD_ONLY and parameter.name != "validation"]


def _documentation():
    meanings = "\n".join(f"    {snake_case(keyword)}: {meaning}" for keyword, _, meaning in _train_settings())
    return f"""Train a network in place on the rows X (rows, inputs) with expected outputs Y.

validation, a pair (X, Y), picks the best network; without it the rows validation_share
holds out do, else the training rows. The settings are TrainZorf's, in snake case, with
TrainZorf's defaults (None: learning_rate the optimizer's own, penalty none, patience 100
with validation rows, else 0):
{meanings}
Whole numbers (epochs, batch_size, patience, restarts, seed, fine_tune_epochs) must be ints, the
other numbers ints or floats, the names strs, train_layers a list of weight layers (ints or
zorf.Layer); a refusal names the argument. An input that is not a finite number, or an
expected output outside [0, 1], raises zorf.BadArgumentError with its row and column (from
0). The network ends as the best network of the run. Ctrl-C ends the run after the epoch
under way, keeping the best network so far.

Returns the history, a dict of arrays with one entry per epoch measured (epoch 0 the
start network): epoch, training_error, validation_error (NaN without validation), seconds
and accuracy (for one-hot Y, the share of the validation rows, else of the training rows,
classified right; NaN otherwise); and best_epoch, interrupted (Ctrl-C ended the run) and
kept_run (with restarts, the run kept, from 0; the history is that run's).
Errors are per row for both measures. For one-hot Y the most accurate epoch is kept (the
lowest error among equals)."""


train.__doc__ = _documentation()
