"""Solutions of the shared matrices and of generated problems against scipy.sparse.linalg.spsolve,
with the type inferred from the values and with every other type each matrix can be given as."""

import numpy as np
import pytest
import scipy.sparse as sp
import scipy.sparse.linalg as sla
from conftest import backward_error, condition, load, manifest, rhs

import varnexo
from varnexo import gallery

# The type the values call for, by the manifest's class (real, complex).
INFERRED = {
    "spd": (2, None),
    "hermitian-pd": (None, 4),
    "symmetric-indefinite": (-2, None),
    "hermitian-indefinite": (None, -4),
    "complex-symmetric": (None, 6),
    "unsymmetric": (11, 13),
    "complex-unsymmetric": (None, 13),
    "structurally-symmetric-unsymmetric-values": (11, 13),
}
# Other kinds each class can be solved as.
ALSO_AS = {
    "spd": ["symmetric_indefinite", "general"],
    "hermitian-pd": ["hermitian_indefinite", "general"],
    "symmetric-indefinite": ["general"],
    "complex-symmetric": ["general"],
    "structurally-symmetric-unsymmetric-values": ["structurally_symmetric"],
}
# Nearly singular with missing diagonals: the static pivoting of the unsymmetric factorisation
# perturbs pivots and refinement cannot recover; the solve must then refuse its result.
MAY_REFUSE = {"nnc1374"}

# The structurally symmetric types pivot within diagonal blocks only: a zero diagonal stops them.
CASES = [(e["name"], kind) for e in manifest() for kind in [None] + ALSO_AS.get(e["class"], [])
         if kind != "structurally_symmetric" or e["full_diagonal"] == "yes"]


def compare_with_scipy(A, b, x, cond):
    assert backward_error(A, x, b) < 1e-12
    if cond < 1e12:
        reference = sla.spsolve(sp.csc_matrix(A), b)
        scale = np.abs(reference).max()
        assert np.abs(x - reference.reshape(x.shape)).max() <= max(1e-10, 1e-13 * cond) * scale


@pytest.mark.parametrize("name,kind", CASES, ids=[f"{n}-{k or 'inferred'}" for n, k in CASES])
def test_shared_matrix(name, kind, matrices):
    entry = matrices[name]
    A = load(name)
    b = rhs(A)
    solver = varnexo.Solver(A, kind=kind)
    try:
        x = solver.solve(b)
    except varnexo.InaccurateSolutionError as e:
        assert name in MAY_REFUSE, str(e)
        assert e.backward_error > 1e-8 and solver.perturbed_pivots > 0
        return
    if kind is None:
        assert solver.matrix_type == INFERRED[entry["class"]][np.iscomplexobj(A.data)]
    assert solver.backward_error == pytest.approx(backward_error(A, x, b), rel=1e-6, abs=1e-18)
    compare_with_scipy(A, b, x, condition(entry))


@pytest.mark.parametrize("name", ["orsirr_1", "qc324", "c30up", "bfw398b", "young1c"])
@pytest.mark.parametrize("order", ["C", "F"])
def test_shared_matrix_many_rhs(name, order, matrices):
    A = load(name)
    b = np.asarray(rhs(A, 4), order=order)
    x = varnexo.spsolve(A, b)
    assert x.shape == b.shape
    compare_with_scipy(A, b, x, condition(matrices[name]))


GENERATED = {
    "laplace3d:8": (lambda: gallery.laplace3d(8), 2),
    "elasticity3d:4": (lambda: gallery.elasticity3d(4), 2),
    "shifted3d:7:1.0": (lambda: gallery.shifted3d(7, 1.0), -2),
    "convdiff3d:8:100": (lambda: gallery.convdiff3d(8, 100.0), 11),
    "convdiff3d:6:1000": (lambda: gallery.convdiff3d(6, 1000.0), 11),
    "helmholtz3d:7:20": (lambda: gallery.helmholtz3d(7, 20.0), 6),
    "hermitian3d:6": (lambda: gallery.hermitian3d(6), 4),
    "hermitian3d:6:1.5": (lambda: gallery.hermitian3d(6, 1.5), -4),
}


@pytest.mark.parametrize("problem", GENERATED)
@pytest.mark.parametrize("k", [None, 3])
def test_generated_problem(problem, k):
    make, expected_type = GENERATED[problem]
    A = make()
    b = rhs(A, k, seed=3)
    solver = varnexo.Solver(A)
    x = solver.solve(b)
    assert solver.matrix_type == expected_type
    compare_with_scipy(A, b, x, 1e6)
