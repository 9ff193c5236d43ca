"""The Solver object: phases, refactorisation with new values, transposed solves, inertia against
the eigenvalues, kind inference with the positive definite attempt, results, right-hand sides in
every layout, and concurrency (the GIL is released while the library works)."""

import os
import re
import threading
import time

import numpy as np
import pytest
import scipy.sparse as sp
import scipy.sparse.linalg as sla
from conftest import backward_error, load, rhs

import varnexo
from varnexo import gallery


def small_problems():
    """Small matrices of every type, full storage, with the type inferred for them."""
    rng = np.random.default_rng(7)
    unsym = gallery.convdiff3d(4, 50.0)
    complex_unsym = (unsym + 1j * sp.random(64, 64, density=0.05, random_state=1)).tocsr()
    complex_unsym.setdiag(complex_unsym.diagonal() + 3.0)
    return {
        "spd": (gallery.laplace3d(4), 2),
        "sym_indef": (gallery.shifted3d(4, 2.0), -2),
        "unsym": (unsym, 11),
        "complex_sym": (gallery.helmholtz3d(4, 15.0), 6),
        "hpd": (gallery.hermitian3d(4), 4),
        "herm_indef": (gallery.hermitian3d(4, 2.5), -4),
        "complex_unsym": (sp.csr_matrix(complex_unsym), 13),
        "struct_sym": (gallery.convdiff3d(4, 50.0) + sp.diags(rng.uniform(0, 1, 64)), 11),
    }


PROBLEMS = small_problems()


@pytest.mark.parametrize("name", PROBLEMS)
def test_inferred_type(name):
    A, expected = PROBLEMS[name]
    assert varnexo.Solver(A).factorize().matrix_type == expected


@pytest.mark.parametrize("name", PROBLEMS)
@pytest.mark.parametrize("transpose", ["T", "H"])
def test_transposed_solves(name, transpose):
    A, _ = PROBLEMS[name]
    op = A.T if transpose == "T" else A.conj().T
    b = rhs(op, 2, seed=5)
    solver = varnexo.factorized(A)
    x = solver.solve(b, transpose=transpose if transpose == "H" else True)
    assert backward_error(op, x, b) < 1e-13
    np.testing.assert_allclose(x, sla.spsolve(sp.csc_matrix(op), b), rtol=1e-9, atol=1e-12)
    # The same factor still solves with A itself.
    b2 = rhs(A, seed=6)
    assert backward_error(A, solver(b2), b2) < 1e-13


@pytest.mark.parametrize("kind", ["structurally_symmetric", 1])
def test_structurally_symmetric_type(kind):
    A = PROBLEMS["struct_sym"][0]
    solver = varnexo.Solver(A, kind=kind)
    b = rhs(A, seed=2)
    assert backward_error(A, solver.solve(b), b) < 1e-13
    assert backward_error(A.T, solver.solve(b, transpose=True), b) < 1e-13
    assert solver.matrix_type == 1


@pytest.mark.parametrize("name", PROBLEMS)
def test_refactorisation_with_new_values(name):
    A, _ = PROBLEMS[name]
    solver = varnexo.Solver(A)
    b = rhs(A, seed=1)
    assert backward_error(A, solver.solve(b), b) < 1e-13
    permutation = solver.permutation.copy()
    # New values on the same pattern: scaled off-diagonal part, shifted diagonal.
    A2 = A.copy()
    A2.data *= 1.5
    A2.setdiag(A2.diagonal() * 1.1)
    x2 = solver.factorize(A2).solve(b)
    assert backward_error(A2, x2, b) < 1e-13
    np.testing.assert_allclose(x2, sla.spsolve(sp.csc_matrix(A2), b), rtol=1e-9, atol=1e-12)
    np.testing.assert_array_equal(solver.permutation, permutation)


def test_refactorisation_on_part_of_the_pattern():
    A = gallery.convdiff3d(4, 10.0)
    solver = varnexo.factorized(A)
    A2 = A.tolil()
    A2[0, 1] = 0.0
    A2 = sp.csr_matrix(A2)
    A2.eliminate_zeros()
    b = rhs(A2)
    assert backward_error(A2, solver.factorize(A2).solve(b), b) < 1e-13


def test_refactorisation_that_is_no_longer_positive_definite():
    A = gallery.laplace3d(4)
    solver = varnexo.factorized(A)
    assert solver.matrix_type == 2
    A2 = (A - 2.0 * sp.identity(64)).tocsr()
    b = rhs(A2)
    x = solver.factorize(A2).solve(b)
    assert solver.matrix_type == -2
    assert backward_error(A2, x, b) < 1e-13


@pytest.mark.parametrize("make,shift", [(gallery.shifted3d, s) for s in (0.0, 1.0, 2.5, 5.9)]
                         + [(None, None)])
def test_inertia_against_eigenvalues(make, shift):
    if make is None:
        # A saddle point [H Bᵀ; B 0] with full-rank B: n positive and m negative eigenvalues.
        H = gallery.laplace3d(3)
        B = sp.random(10, 27, density=0.3, random_state=4) + sp.eye(10, 27)
        A = sp.bmat([[H, B.T], [B, None]], format="csr")
    else:
        A = make(4, shift)
    w = np.linalg.eigvalsh(A.toarray())
    solver = varnexo.factorized(A)
    assert solver.inertia == (int((w > 0).sum()), int((w < 0).sum()), 0)
    assert solver.matrix_type in (2, -2)


@pytest.mark.parametrize("name", ["tumorAntiAngiogenesis_2", "bfw398b"])
def test_inertia_of_shared_matrices(name):
    A = load(name)
    w = np.linalg.eigvalsh(A.toarray())
    assert varnexo.factorized(A).inertia == (int((w > 0).sum()), int((w < 0).sum()), 0)


def test_inertia_of_other_types():
    assert varnexo.factorized(PROBLEMS["hpd"][0]).inertia == (64, 0, 0)
    for name in ("unsym", "complex_sym", "herm_indef", "complex_unsym"):
        assert varnexo.factorized(PROBLEMS[name][0]).inertia is None
    assert varnexo.Solver(PROBLEMS["spd"][0]).inertia is None  # not factorised yet


def test_kinds_given_explicitly():
    A = gallery.shifted3d(4, 2.0)
    b = rhs(A)
    for kind, expected in [("symmetric", -2), ("symmetric_indefinite", -2), ("general", 11), (-2, -2),
                           ("hermitian", -2)]:
        solver = varnexo.Solver(A, kind=kind)
        assert backward_error(A, solver.solve(b), b) < 1e-13
        assert solver.matrix_type == expected, kind
    # Positive definite on request: no fallback, the library's error.
    with pytest.raises(varnexo.VarnexoError) as caught:
        varnexo.Solver(A, kind="spd").factorize()
    e = caught.value
    assert (e.error, e.error_class, e.phase) == (-4, "numerical_factorization", "factorization")
    assert e.error_num is not None and "not spd" in e.text


def test_results():
    A = gallery.laplace3d(6)
    solver = varnexo.Solver(A, threads=2)
    assert solver.nnz_factor is None and solver.permutation is None
    solver.analyze()
    upper = sp.triu(A).nnz
    assert solver.nnz_factor >= upper
    assert sorted(solver.permutation) == list(range(216))
    with pytest.raises(ValueError):
        solver.permutation[0] = 1
    b = rhs(A)
    solver.solve(b)
    assert solver.flops > solver.nnz_factor
    assert all(kb > 0 for kb in solver.memory)
    assert solver.perturbed_pivots == 0
    assert solver.refinement_steps >= 0
    assert solver.backward_error < 1e-14
    assert "VARNEXO" in solver.statistics and "#equations" in solver.statistics
    assert solver.kind == "real symmetric positive definite" and solver.shape == (216, 216)


@pytest.mark.parametrize("ordering", ["nd", "mmd", "cmd", "reverse"])
@pytest.mark.parametrize("matching", [None, True, False])
def test_orderings_and_matching(ordering, matching):
    A = gallery.convdiff3d(5, 100.0)
    order = np.arange(125)[::-1] if ordering == "reverse" else ordering
    solver = varnexo.Solver(A, ordering=order, matching=matching)
    b = rhs(A, 2)
    assert backward_error(A, solver.solve(b), b) < 1e-13
    if ordering == "reverse":
        np.testing.assert_array_equal(solver.permutation, order)


@pytest.mark.parametrize("make", [lambda: gallery.laplace3d(8), lambda: gallery.shifted3d(8, 0.5),
                                  lambda: gallery.convdiff3d(8, 50.0), lambda: gallery.helmholtz3d(6, 2.0)])
def test_relaxed_supernodes_give_the_same_solution(make):
    A = make()
    b = rhs(A, 1)
    plain = varnexo.Solver(A)
    relaxed = varnexo.Solver(A, relaxed=True)
    x = relaxed.solve(b)
    assert backward_error(A, x, b) < 1e-13
    np.testing.assert_allclose(x, plain.solve(b), rtol=1e-10, atol=1e-12)
    np.testing.assert_array_equal(relaxed.permutation, plain.permutation)
    assert relaxed.nnz_factor >= plain.nnz_factor
    assert relaxed.inertia == plain.inertia
    with pytest.raises(TypeError):
        varnexo.Solver(A, relaxed=1)


def test_right_hand_side_layouts():
    A = gallery.convdiff3d(4, 20.0)
    solve = varnexo.factorized(A)
    B = rhs(A, 3)
    X = solve(B)
    for b in (np.ascontiguousarray(B), np.asfortranarray(B), B[:, ::-1][:, ::-1]):
        np.testing.assert_array_equal(solve(b), X)
    np.testing.assert_allclose(solve(B[:, 1]), X[:, 1], rtol=1e-14)
    assert solve(B[:, 1]).shape == (64,)
    assert solve(list(B[:, 0])).shape == (64,)
    # Integers become floats; complex right-hand sides of a real matrix give complex solutions.
    bi = np.arange(64)
    assert backward_error(A, solve(bi), bi.astype(float)) < 1e-14
    bz = B[:, 0] + 1j * B[:, 1]
    xz = solve(bz)
    assert xz.dtype == np.complex128 and backward_error(A, xz, bz) < 1e-14
    # A sparse right-hand side gives a sparse solution; no columns give no columns.
    xs = solve(sp.csc_matrix(B))
    assert sp.issparse(xs) and np.allclose(xs.toarray(), X)
    assert solve(np.zeros((64, 0))).shape == (64, 0)


def test_spsolve_like_scipy():
    A = load("sherman5")
    b = rhs(A)
    np.testing.assert_allclose(varnexo.spsolve(A, b), sla.spsolve(A.tocsc(), b), rtol=1e-8)
    np.testing.assert_allclose(varnexo.spsolve(A, b, transpose=True), sla.spsolve(A.T.tocsc(), b), rtol=1e-8)
    for fmt in ("coo", "csc", "lil", "dok", "bsr", "dia"):
        x = varnexo.spsolve(A.asformat(fmt) if fmt != "dia" else gallery.laplace3d(3).todia(),
                            b if fmt != "dia" else np.ones(27))
        assert np.isfinite(x).all()


def test_matrix_formats_and_dtypes():
    A = gallery.laplace3d(3)
    b = np.ones(27)
    x = varnexo.spsolve(A, b)
    for M in (A.astype(np.float32), A.astype(np.int64), sp.csr_array(A), sp.coo_array(A)):
        np.testing.assert_allclose(varnexo.spsolve(M, b), x, rtol=1e-6)
    xc = varnexo.spsolve(A.astype(np.complex64), b)
    assert xc.dtype == np.complex128
    np.testing.assert_allclose(xc.real, x, rtol=1e-6)
    # Duplicates are summed, explicit zeros kept in the pattern.
    coo = A.tocoo()
    doubled = sp.coo_matrix((np.concatenate([coo.data, coo.data]), (np.tile(coo.row, 2), np.tile(coo.col, 2))))
    np.testing.assert_allclose(varnexo.spsolve(doubled, 2 * b), x, rtol=1e-12)


def test_diagonal_systems():
    d = np.array([2.0, -4.0, 8.0, -1.0])
    A = sp.diags(d).tocsr()
    solver = varnexo.factorized(A)
    np.testing.assert_allclose(solver(np.ones(4)), 1 / d)
    assert solver.inertia == (2, 2, 0) and solver.matrix_type == -2
    Z = sp.diags([1.0, 0.0, 3.0]).tocsr()
    Z.eliminate_zeros()
    with pytest.raises(varnexo.VarnexoError) as caught:
        varnexo.spsolve(Z, np.ones(3))
    assert "row 2" in str(caught.value)


def test_singular_matrices_are_refused():
    # Structurally singular: an empty row.
    A = sp.csr_matrix(np.array([[1.0, 2.0, 0.0], [0.0, 0.0, 0.0], [0.0, 1.0, 3.0]]))
    with pytest.raises(varnexo.VarnexoError) as caught:
        varnexo.spsolve(A, np.ones(3))
    e = caught.value
    assert (e.error, e.error_class, e.phase) == (-6, "prereordering_mtype11,13", "analysis")
    assert "struct. sing." in e.text
    # Numerically singular: a perturbed pivot stands in for the zero one. The solution is that of
    # a nearby matrix (its backward error is small) and the perturbation is reported.
    S = sp.csr_matrix(np.array([[1.0, 2.0, 3.0], [2.0, 4.0, 6.0], [1.0, 0.0, 1.0]]))
    solver = varnexo.Solver(S)
    x = solver.solve(np.array([1.0, 0.0, 0.0]))
    assert solver.perturbed_pivots == 1 and np.abs(x).max() > 1e8
    assert backward_error(S, x, np.array([1.0, 0.0, 0.0])) < 1e-8


def test_verbose_prints_statistics(capsys):
    varnexo.spsolve(gallery.laplace3d(3), np.ones(27), max_backward_error=1e-8)
    assert "VARNEXO" not in capsys.readouterr().out
    varnexo.Solver(gallery.laplace3d(3), verbose=True).solve(np.ones(27))
    assert "Summary VARNEXO" in capsys.readouterr().out


def test_close_and_context_manager():
    A = gallery.laplace3d(4)
    with varnexo.Solver(A) as solver:
        solver.solve(np.ones(64))
    assert solver.nnz_factor is None
    # After closing, a solve starts over.
    assert backward_error(A, solver.solve(np.ones(64)), np.ones(64)) < 1e-14


def test_solvers_in_threads():
    problems = [gallery.laplace3d(8), gallery.convdiff3d(8, 100.0), gallery.helmholtz3d(8, 10.0),
                gallery.hermitian3d(8, 1.0)]
    errors = [None] * len(problems)

    def work(k):
        A = problems[k]
        b = rhs(A, 2, seed=k)
        for _ in range(3):
            errors[k] = backward_error(A, varnexo.spsolve(A, b), b)

    threads = [threading.Thread(target=work, args=(k,)) for k in range(len(problems))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert all(e is not None and e < 1e-13 for e in errors)


def test_gil_released_during_factorisation():
    A = gallery.laplace3d(26)
    solver = varnexo.Solver(A).analyze()
    done = threading.Event()
    span = []

    def factorize():
        t0 = time.perf_counter()
        solver.factorize()
        span.append(time.perf_counter() - t0)
        done.set()

    # While the factorisation runs in another thread, this one keeps running Python code.
    worker = threading.Thread(target=factorize)
    ticks = [time.perf_counter()]
    worker.start()
    while not done.is_set():
        sum(range(2000))
        ticks.append(time.perf_counter())
    worker.join()
    gaps = np.diff(ticks)
    assert span[0] > 0.05, "the factorisation is too short to tell"
    assert gaps.max() < 0.5 * span[0]


def test_readme_example(capsys):
    readme = os.path.join(os.path.dirname(__file__), "..", "..", "README.md")
    with open(readme) as f:
        text = f.read()
    example = re.search(r"```python\n(.*?)```", text, re.S).group(1)
    exec(compile(example, "README.md", "exec"), {})
    assert float(capsys.readouterr().out) < 1e-12
