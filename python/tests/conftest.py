"""Helpers of the Python tests: the shared matrices with their manifest, right-hand sides, and the
normwise backward error that judges every solve."""

import csv
import os
import re

import numpy as np
import pytest
import scipy.io
import scipy.sparse as sp

MATRICES = os.environ.get("VARNEXO_MATRICES_DIR",
                          os.path.join(os.path.dirname(__file__), "..", "..", "tests", "data", "matrices"))


def manifest():
    with open(os.path.join(MATRICES, "MANIFEST.tsv")) as f:
        return list(csv.DictReader(f, delimiter="\t"))


def condition(entry):
    """The condition estimate the manifest notes give (1e17 for a numerically singular matrix)."""
    m = re.search(r"cond ~?([0-9.]+e[+-]?[0-9]+)", entry["notes"])
    return float(m.group(1)) if m else 1e17


def load(name):
    return sp.csr_matrix(scipy.io.mmread(os.path.join(MATRICES, name + ".mtx")))


def rhs(A, k=None, seed=0):
    """b = A·x for a fixed x of k columns (a vector when k is None)."""
    n = A.shape[0]
    rng = np.random.default_rng(seed)
    shape = (n,) if k is None else (n, k)
    x = rng.uniform(1.0, 2.0, shape)
    if np.iscomplexobj(A.data):
        x = x + 1j * rng.uniform(-1.0, 1.0, shape)
    return A @ x


def backward_error(A, x, b):
    """max over columns of ||b - A x||∞ / (||A||∞ ||x||∞ + ||b||∞)."""
    x2, b2 = x.reshape(A.shape[0], -1), b.reshape(A.shape[0], -1)
    norm_a = abs(A).sum(axis=1).max()
    r = np.abs(b2 - A @ x2).max(axis=0)
    return float((r / (norm_a * np.abs(x2).max(axis=0) + np.abs(b2).max(axis=0))).max())


@pytest.fixture(scope="session")
def matrices():
    return {e["name"]: e for e in manifest()}
