#!/usr/bin/python3
"""varnexo.spsolve and varnexo.factorized against scipy.sparse.linalg.spsolve and splu (SuperLU)
on model problems: median times over the repeats and the normwise backward error of each
solution. Prints a Markdown table. One BLAS thread for every solver unless OPENBLAS_NUM_THREADS
says otherwise.

Usage: PYTHONPATH=build/python /usr/bin/python3 python/bench/bench.py [PROBLEM ...] [--repeat R]
PROBLEM is laplace3d:N, elasticity3d:N, convdiff3d:N[:PECLET] (default Péclet 100),
shifted3d:N:S, helmholtz3d:N:K or hermitian3d:N[:S]; default laplace3d:40 elasticity3d:16
convdiff3d:30.
"""

import argparse
import os
import statistics
import time

os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import numpy as np  # noqa: E402
import scipy  # noqa: E402
import scipy.sparse as sp  # noqa: E402
import scipy.sparse.linalg as sla  # noqa: E402

import varnexo  # noqa: E402
from varnexo import gallery  # noqa: E402

DEFAULTS = ["laplace3d:40", "elasticity3d:16", "convdiff3d:30"]


def problem(description):
    name, *args = description.split(":")
    values = [float(a) for a in args]
    if name == "convdiff3d" and len(values) == 1:
        values.append(100.0)
    make = getattr(gallery, name, None)
    if make is None or name.startswith("_"):
        raise SystemExit(f"unknown problem {description!r}")
    return make(int(values[0]), *values[1:])


def backward_error(A, x, b):
    norm_a = abs(A).sum(axis=1).max()
    return float(np.abs(b - A @ x).max() / (norm_a * np.abs(x).max() + np.abs(b).max()))


def timed(work, repeat):
    """Median time of `work` over the repeats and its last result."""
    times, result = [], None
    for _ in range(repeat):
        t0 = time.perf_counter()
        result = work()
        times.append(time.perf_counter() - t0)
    return statistics.median(times), result


def measure(A, b, repeat):
    """Rows (solver, factor time, solve time, total, backward error) for one matrix."""
    csc = A.tocsc()
    rows = []
    t, x = timed(lambda: varnexo.spsolve(A, b), repeat)
    rows.append(("varnexo.spsolve", None, None, t, backward_error(A, x, b)))
    tf, solve = timed(lambda: varnexo.factorized(A), repeat)
    ts, x = timed(lambda: solve(b), repeat)
    rows.append(("varnexo.factorized", tf, ts, tf + ts, backward_error(A, x, b)))
    t, x = timed(lambda: sla.spsolve(csc, b), repeat)
    rows.append(("scipy spsolve (SuperLU)", None, None, t, backward_error(A, x, b)))
    tf, lu = timed(lambda: sla.splu(csc), repeat)
    ts, x = timed(lambda: lu.solve(b), repeat)
    rows.append(("scipy splu", tf, ts, tf + ts, backward_error(A, x, b)))
    return rows


def seconds(t):
    return "" if t is None else f"{t:.3g}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("problems", nargs="*", default=DEFAULTS)
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    print(f"varnexo {varnexo.__version__}, SciPy {scipy.__version__}, NumPy {np.__version__}, "
          f"OPENBLAS_NUM_THREADS={os.environ['OPENBLAS_NUM_THREADS']}, median of {args.repeat}\n")
    print("| problem | n | nnz | solver | factorisation (s) | solve (s) | total (s) | backward error |")
    print("|---|---:|---:|---|---:|---:|---:|---:|")
    for description in args.problems:
        A = sp.csr_matrix(problem(description))
        n = A.shape[0]
        b = A @ np.random.default_rng(0).uniform(1.0, 2.0, n)
        first = True
        for solver, tf, ts, total, error in measure(A, b, args.repeat):
            head = f"| {description} | {n:,} | {A.nnz:,} |" if first else "| | | |"
            print(f"{head} {solver} | {seconds(tf)} | {seconds(ts)} | {seconds(total)} | {error:.1e} |", flush=True)
            first = False


if __name__ == "__main__":
    main()
