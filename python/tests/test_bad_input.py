"""Every bad argument gives a clear Python exception and never crashes the interpreter: bad
matrices, bad right-hand sides, bad options, bad new values, and bad arrays handed to the
compiled core directly (which the library's own input check then refuses)."""

import warnings

import numpy as np
import pytest
import scipy.sparse as sp

import varnexo
from varnexo import _core, gallery

A = gallery.convdiff3d(3, 10.0)
S = gallery.laplace3d(3)
B = np.ones(27)


def nan_matrix():
    M = A.copy()
    M.data[3] = np.nan
    return M


def inf_matrix():
    M = A.copy()
    M.data[0] = np.inf
    return M


def csr_with_index(index):
    """A 3 x 3 CSR matrix whose last column index is `index` (int64), bypassing SciPy's checks."""
    M = sp.csr_matrix((3, 3))
    M.indptr = np.array([0, 1, 2, 3], dtype=np.int64)
    M.indices = np.array([0, 1, index], dtype=np.int64)
    M.data = np.ones(3)
    return M


with warnings.catch_warnings():
    warnings.simplefilter("ignore", PendingDeprecationWarning)
    DENSE_MATRIX = np.asmatrix(A.toarray())

BAD_MATRICES = {
    "dense ndarray": (A.toarray(), TypeError, "scipy.sparse"),
    "dense matrix": (DENSE_MATRIX, TypeError, "scipy.sparse"),
    "list": ([[1.0, 0.0], [0.0, 1.0]], TypeError, "scipy.sparse"),
    "linear operator": (sp.linalg.aslinearoperator(A), TypeError, "scipy.sparse"),
    "non-square": (sp.random(5, 4, density=0.5, format="csr"), ValueError, "square"),
    "empty": (sp.csr_matrix((0, 0)), ValueError, "empty"),
    "NaN": (nan_matrix(), ValueError, "NaN"),
    "infinity": (inf_matrix(), ValueError, "NaN or infinite"),
    "object dtype": (sp.csr_matrix(np.eye(3)).astype(object), TypeError, "dtype"),
    "long double": (sp.csr_matrix(np.eye(3, dtype=np.longdouble)), TypeError, "dtype"),
    "order beyond int32": (sp.coo_matrix(([1.0], ([0], [0])), shape=(2**31 + 5, 2**31 + 5)), ValueError, "32-bit"),
    "int64 index beyond int32": (csr_with_index(2**33), ValueError, "not a valid sparse matrix"),
    "negative index": (csr_with_index(-1), ValueError, "not a valid sparse matrix"),
    "index beyond n": (csr_with_index(3), ValueError, "not a valid sparse matrix"),
}


@pytest.mark.parametrize("case", BAD_MATRICES)
def test_bad_matrix(case):
    M, error, words = BAD_MATRICES[case]
    for call in (lambda: varnexo.spsolve(M, B), lambda: varnexo.factorized(M), lambda: varnexo.Solver(M)):
        with pytest.raises(error, match=words):
            call()


BAD_RHS = {
    "too short": (np.ones(26), ValueError, "26 rows"),
    "too long matrix": (np.ones((28, 2)), ValueError, "28 rows"),
    "three dimensions": (np.ones((27, 2, 2)), ValueError, "dimensions"),
    "scalar": (np.float64(1.0), ValueError, "dimensions"),
    "NaN": (np.full(27, np.nan), ValueError, "NaN"),
    "infinity": (np.r_[np.ones(26), -np.inf], ValueError, "infinite"),
    "strings": (np.array(["a"] * 27), TypeError, "dtype"),
    "objects": (np.array([None] * 27), TypeError, "dtype"),
}


@pytest.mark.parametrize("case", BAD_RHS)
def test_bad_right_hand_side(case):
    b, error, words = BAD_RHS[case]
    solver = varnexo.factorized(A)
    with pytest.raises(error, match=words):
        solver.solve(b)
    # The solver is still usable.
    assert np.isfinite(solver.solve(B)).all()


BAD_OPTIONS = {
    "unknown kind": (dict(kind="spd-ish"), ValueError, "unknown kind"),
    "unknown type code": (dict(kind=7), ValueError, "unknown matrix type"),
    "kind of a wrong type": (dict(kind=2.0), TypeError, "kind"),
    "boolean kind": (dict(kind=True), TypeError, "kind"),
    "symmetric kind of an unsymmetric matrix": (dict(kind="symmetric"), ValueError, "not symmetric"),
    "positive definite kind of an unsymmetric matrix": (dict(kind=2), ValueError, "not symmetric"),
    "unknown ordering": (dict(ordering="amd"), ValueError, "unknown ordering"),
    "short permutation": (dict(ordering=np.arange(26)), ValueError, "permutation"),
    "repeated index": (dict(ordering=np.r_[0, np.arange(26)]), ValueError, "not a permutation"),
    "index out of range": (dict(ordering=np.r_[np.arange(26), 27]), ValueError, "not a permutation"),
    "float permutation": (dict(ordering=np.arange(27.0)), ValueError, "permutation"),
    "matching of a wrong type": (dict(matching="yes"), TypeError, "matching"),
    "no threads": (dict(threads=0), ValueError, "threads"),
    "fractional threads": (dict(threads=1.5), ValueError, "threads"),
}


@pytest.mark.parametrize("case", BAD_OPTIONS)
def test_bad_option(case):
    options, error, words = BAD_OPTIONS[case]
    with pytest.raises(error, match=words):
        varnexo.Solver(A, **options)


def test_complex_matrix_with_a_real_type():
    Z = (A * (1 + 1j)).tocsr()
    with pytest.raises(TypeError, match="real values"):
        varnexo.Solver(Z, kind=11)


def test_bad_transpose():
    with pytest.raises(ValueError, match="transpose"):
        varnexo.factorized(A).solve(B, transpose="X")


BAD_NEW_VALUES = {
    "another shape": (gallery.convdiff3d(4, 10.0), ValueError, "shape"),
    "complex values": ((A * 1j).tocsr(), TypeError, "complex"),
    "entry outside the pattern": (A + sp.csr_matrix(([1.0], ([0], [26])), shape=(27, 27)), ValueError,
                                  "outside the pattern"),
    "dense": (A.toarray(), TypeError, "scipy.sparse"),
    "NaN": (nan_matrix(), ValueError, "NaN"),
}


@pytest.mark.parametrize("case", BAD_NEW_VALUES)
def test_bad_new_values(case):
    M, error, words = BAD_NEW_VALUES[case]
    solver = varnexo.factorized(A)
    with pytest.raises(error, match=words):
        solver.factorize(M)
    # The factor of the old values still solves.
    assert np.abs(A @ solver.solve(B) - B).max() < 1e-12


def test_unsymmetric_new_values_of_a_symmetric_solver():
    solver = varnexo.factorized(S)
    with pytest.raises(ValueError, match="not symmetric"):
        solver.factorize(sp.triu(S, format="csr"))


BAD_CORE_ARRAYS = {
    "ia too short": (np.array([1], np.int32), np.array([], np.int32), np.array([])),
    "ia not starting at 1": (np.array([0, 1, 2], np.int32), np.array([1, 2], np.int32), np.ones(2)),
    "ia past ja": (np.array([1, 2, 5], np.int32), np.array([1, 2], np.int32), np.ones(2)),
    "ia decreasing": (np.array([1, 3, 2, 3], np.int32), np.array([1, 2], np.int32), np.ones(2)),
    "values short": (np.array([1, 2, 3], np.int32), np.array([1, 2], np.int32), np.ones(1)),
    "two dimensions": (np.array([[1, 2, 3]], np.int32), np.array([1, 2], np.int32), np.ones(2)),
}


@pytest.mark.parametrize("case", BAD_CORE_ARRAYS)
def test_core_refuses_inconsistent_arrays(case):
    ia, ja, a = BAD_CORE_ARRAYS[case]
    with pytest.raises(ValueError):
        _core.Core(11, ia, ja, a)


def test_core_right_hand_side_of_a_wrong_size():
    core = _core.Core(11, np.array([1, 2, 3], np.int32), np.array([1, 2], np.int32), np.ones(2))
    with pytest.raises(ValueError, match="n \\* nrhs"):
        core.call(13, np.ones(3), 1)
    with pytest.raises(ValueError, match="nrhs"):
        core.call(13, None, 0)


@pytest.mark.parametrize("ja,num,words", [([1, 3], 32, "column index outside"),
                                          ([2, 1], 33, "not strictly increasing")])
def test_library_input_check_through_the_core(ja, num, words):
    """Arrays the library refuses come back as its error -1 with error_num and text."""
    from varnexo._errors import library_error
    ia = np.array([1, 3, 4], np.int32)
    core = _core.Core(11, ia, np.array(ja + [2], np.int32), np.ones(3))
    error, _, _, err = core.call(11, None, 1)
    e = library_error(error, 11, err.decode())
    assert (e.error, e.error_class, e.error_num) == (-1, "sequence_ido,parameters", num)
    assert words in e.text


def test_phase_out_of_order_through_the_core():
    from varnexo._errors import library_error
    core = _core.Core(11, np.array([1, 3, 4], np.int32), np.array([1, 2, 2], np.int32), np.ones(3))
    error, _, _, err = core.call(33, np.ones(2), 1)
    assert library_error(error, 33, err.decode()).error == -1
