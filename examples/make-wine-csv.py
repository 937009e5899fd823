"""Writes wine-train.csv and wine-test.csv, the rows of the README's worked example.

The rows are the wine data of the UCI Machine Learning Repository (Forina et al.; CC BY 4.0)
as scikit-learn ships it (load_wine, read from the package, nothing fetched): five of the
thirteen measurements, in their own units, and the cultivar, its classes 0, 1 and 2 named
barolo, grignolino and barbera as the data's description gives them. 48 rows chosen by a
fixed seed are held out as the test file, with an id column (the row's number in the data).

    /usr/bin/python3 examples/make-wine-csv.py   (from the top folder)
"""
import numpy as np
from sklearn.datasets import load_wine

COLUMNS = ["alcohol", "malic_acid", "flavanoids", "color_intensity", "hue"]
NAMES = {"class_0": "barolo", "class_1": "grignolino", "class_2": "barbera"}

data = load_wine()
columns = [data.feature_names.index(name) for name in COLUMNS]
test = set(np.random.default_rng(28).permutation(len(data.target))[:48].tolist())


def write(path, rows, with_id):
    with open(path, "w", newline="") as out:
        out.write(("id," if with_id else "") + ",".join(COLUMNS) + ",cultivar\n")
        for i in rows:
            values = ["%g" % data.data[i, j] for j in columns]
            cultivar = NAMES[data.target_names[data.target[i]]]
            out.write(("w%03d," % (i + 1) if with_id else "") + ",".join(values) + "," + cultivar + "\n")


write("examples/wine-train.csv", [i for i in range(len(data.target)) if i not in test], False)
write("examples/wine-test.csv", sorted(test), True)
