#!/usr/bin/env python3
"""Writes the training examples of the README into examples/ (run from the repository root).

surface-*.dat: the smooth surface z = 0.5 + 0.4 sin(pi x) cos(pi y) over x, y in [0, 1], at
points drawn uniformly; 400 training rows, 200 held-out rows, no noise.

classes-*.dat: three classes in the unit square, one-hot outputs: class 0 inside the circle of
radius 0.3 around (0.5, 0.5), class 1 outside it with y above x, class 2 the rest; each point's
label flips to a random class with probability 0.05 (label noise); 600 training rows, 300
held-out rows.

The points come from Python's Mersenne Twister seeded with 1 and 2, so the files never change.
"""
import math
import random


def write(path, comment, rows, inputs, outputs):
    with open(path, "w") as f:
        f.write("/* %s */\n[FormatVersion = 1.0]\n\n[DataSet]\n" % comment)
        f.write("[Rows = %d]\n[Inputs = %d]\n[ExpectedOutputs = %d]\n" % (len(rows), inputs, outputs))
        f.write("[GeneratedOutputs = 0]\n[Error = 0]\n\n[Data]\n")
        for row in rows:
            f.write(" ".join("%.6f" % v if isinstance(v, float) else str(v) for v in row) + "\n")
        f.write("[~Data]\n\n[~DataSet]\n")


def surface(rng, n):
    rows = []
    for _ in range(n):
        x, y = rng.random(), rng.random()
        rows.append((x, y, 0.5 + 0.4 * math.sin(math.pi * x) * math.cos(math.pi * y)))
    return rows


def classes(rng, n):
    rows = []
    for _ in range(n):
        x, y = rng.random(), rng.random()
        if (x - 0.5) ** 2 + (y - 0.5) ** 2 < 0.09:
            label = 0
        elif y > x:
            label = 1
        else:
            label = 2
        if rng.random() < 0.05:
            label = rng.randrange(3)
        rows.append((x, y) + tuple(1 if k == label else 0 for k in range(3)))
    return rows


rng = random.Random(1)
write("examples/surface-train.dat", "z = 0.5 + 0.4 sin(pi x) cos(pi y): training rows",
      surface(rng, 400), 2, 1)
write("examples/surface-test.dat", "z = 0.5 + 0.4 sin(pi x) cos(pi y): held-out rows",
      surface(rng, 200), 2, 1)
rng = random.Random(2)
write("examples/classes-train.dat", "three classes, one-hot: training rows", classes(rng, 600), 2, 3)
write("examples/classes-test.dat", "three classes, one-hot: held-out rows", classes(rng, 300), 2, 3)
