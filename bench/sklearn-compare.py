"""ZorfClassifier and ZorfRegressor against scikit-learn's MLPClassifier and MLPRegressor on
data sets that scikit-learn bundles, by 5-fold cross-validation with fixed seeds: the mean
score (accuracy, R^2) with its standard deviation over the folds, and the mean fit time.

    PYTHONPATH=build/release/python /usr/bin/python3 bench/sklearn-compare.py [--markdown]

Each model runs with its defaults; the MLPs get standardised inputs (which they need) and
enough iterations to converge, the zorf estimators the raw inputs (they scale them).
"""

import sys
import time
import warnings

import numpy as np
from sklearn import datasets
from sklearn.exceptions import ConvergenceWarning
from sklearn.model_selection import KFold, StratifiedKFold, cross_validate
from sklearn.neural_network import MLPClassifier, MLPRegressor
from sklearn.pipeline import make_pipeline
from sklearn.preprocessing import StandardScaler

from zorf.sklearn import ZorfClassifier, ZorfRegressor

SEED = 0
SETS = [
    ("iris", datasets.load_iris, "classify"),
    ("wine", datasets.load_wine, "classify"),
    ("breast_cancer", datasets.load_breast_cancer, "classify"),
    ("diabetes", datasets.load_diabetes, "regress"),
    ("linnerud (3 outputs)", datasets.load_linnerud, "regress"),
]


def models(task):
    if task == "classify":
        return [("ZorfClassifier", ZorfClassifier(random_state=SEED)),
                ("MLPClassifier", make_pipeline(StandardScaler(),
                                                MLPClassifier(max_iter=2000, random_state=SEED)))]
    return [("ZorfRegressor", ZorfRegressor(random_state=SEED)),
            ("MLPRegressor", make_pipeline(StandardScaler(),
                                           MLPRegressor(max_iter=5000, random_state=SEED)))]


def main():
    markdown = "--markdown" in sys.argv[1:]
    rows = []
    for name, load, task in SETS:
        X, y = load(return_X_y=True)
        folds = (StratifiedKFold if task == "classify" else KFold)(5, shuffle=True, random_state=SEED)
        for model_name, model in models(task):
            with warnings.catch_warnings():
                warnings.simplefilter("ignore", ConvergenceWarning)
                start = time.perf_counter()
                result = cross_validate(model, X, y, cv=folds)
                elapsed = time.perf_counter() - start
            scores = result["test_score"]
            rows.append((f"{name} ({X.shape[0]}x{X.shape[1]})", model_name,
                         "accuracy" if task == "classify" else "R^2",
                         f"{scores.mean():.3f} ± {scores.std():.3f}",
                         f"{np.mean(result['fit_time']):.2f}", f"{elapsed:.1f}"))
    header = ("data set (rows x inputs)", "model", "score", "mean ± sd over 5 folds",
              "fit s", "total s")
    if markdown:
        print("| " + " | ".join(header) + " |")
        print("|" + "---|" * len(header))
        for row in rows:
            print("| " + " | ".join(row) + " |")
    else:
        widths = [max(len(str(r[k])) for r in rows + [header]) for k in range(len(header))]
        for row in [header] + rows:
            print("  ".join(str(cell).ljust(width) for cell, width in zip(row, widths)))


if __name__ == "__main__":
    main()
