"""Solver, spsolve and factorized: the analysis, factorisation and solve of the library driven
phase by phase on a SciPy matrix, with results read back from the parameter array."""

import re
import sys
from collections import namedtuple

import numpy as np
import scipy.sparse as sp

from . import _core
from ._errors import InaccurateSolutionError, VarnexoError, library_error

# error_num of a solve whose refinement ended far above its target backward error.
INACCURATE_REFINEMENT = -123
from ._matrix import INT32_MAX, TYPE_NAMES, Layout, canonical, has_symmetry, symmetry_of, types_to_try

Inertia = namedtuple("Inertia", "positive negative zero")
Memory = namedtuple("Memory", "analysis_peak_kb analysis_permanent_kb factor_kb")

ANALYSIS, FACTORIZATION, SOLVE, RELEASE = 11, 22, 33, -1
ORDERINGS = {"mmd": 0, "cmd": 1, "nd": 2}
# Positions in iparam (1-based, as the library documents them).
IP_ORDERING, IP_NPROC, IP_PERM_USE, IP_SOLUTION_ON_B, IP_REFINE_STEPS, IP_MAX_REFINE = 2, 3, 5, 6, 7, 8
IP_SCALING, IP_TRANSPOSE, IP_MATCHING, IP_PERTURBED = 11, 12, 13, 14
IP_PEAK_KB, IP_PERMANENT_KB, IP_FACTOR_KB, IP_FACTOR_NNZ, IP_MFLOP = 15, 16, 17, 18, 19
IP_POSITIVE, IP_NEGATIVE, IP_RELAXED, IP_KEEP_ERROR = 22, 23, 31, 49

# Refinement steps of a second solve when perturbed pivots left the first one inaccurate.
EXTRA_REFINEMENT_STEPS = 20

_MFLOP = re.compile(r"mflop\s+for the numerical factorization:\s*([-+0-9.eE]+)")


def _op(transpose):
    if transpose in (False, None, "N", "n"):
        return "N"
    if transpose in (True, "T", "t"):
        return "T"
    if transpose in ("H", "h"):
        return "H"
    raise ValueError(f"transpose must be False, True, 'N', 'T' or 'H', got {transpose!r}")


class Solver:
    """A sparse direct solver for one matrix: analysis, factorisation and solves.

    ``Solver(A, kind=None, ordering="nd", matching=None, threads=None)`` takes any scipy.sparse
    matrix (converted once). ``kind`` is None (inferred from the values: symmetric or Hermitian
    matrices are tried as positive definite by Cholesky and as indefinite when a pivot is not
    positive), one of ``"spd"``, ``"hpd"``, ``"symmetric"``, ``"symmetric_indefinite"``,
    ``"hermitian"``, ``"hermitian_indefinite"``, ``"structurally_symmetric"``, ``"general"``, or a
    matrix type code (1, 2, -2, 3, 4, -4, 6, 11, 13). ``ordering`` is ``"nd"`` (nested
    dissection), ``"mmd"`` (minimum degree), ``"cmd"`` (constrained minimum degree) or a
    permutation (new position -> old index, 0-based). ``matching`` switches the weighted matching
    and scaling on or off (None: the type's default). ``threads`` is the processor count the
    factor is laid out for and the BLAS thread count during the calls (None: 1 and the BLAS as it
    is). ``relaxed=True`` joins small supernodes into their parents (iparam(31)): fewer and larger
    block updates for some stored zeros, the same solution. Solves whose normwise backward error
    exceeds ``max_backward_error`` raise InaccurateSolutionError (None: no check). ``verbose``
    prints the library's statistics.

    ``analyze()``, ``factorize(A_new=None)`` and ``solve(b, transpose=False)`` run the phases;
    each runs the earlier ones when needed. The object is callable: ``solver(b)`` solves.
    """

    def __init__(self, A, kind=None, ordering="nd", matching=None, threads=None, *, relaxed=False,
                 max_backward_error=1e-8, verbose=False):
        self._A = canonical(A)
        self._n = self._A.shape[0]
        self._tries = list(types_to_try(self._A, kind))
        self._ordering = self._check_ordering(ordering)
        if matching not in (None, True, False):
            raise TypeError(f"matching must be None, True or False, got {matching!r}")
        self._matching = matching
        if threads is not None and (not isinstance(threads, (int, np.integer)) or isinstance(threads, bool)
                                    or not 1 <= threads <= 1024):
            raise ValueError(f"threads must be None or an integer 1..1024, got {threads!r}")
        self._threads = threads
        if not isinstance(relaxed, (bool, np.bool_)):
            raise TypeError(f"relaxed must be True or False, got {relaxed!r}")
        self._relaxed = bool(relaxed)
        self._max_backward_error = max_backward_error
        self._verbose = verbose
        self._norms = {}
        self._start(self._tries[0])

    # -- the phases ---------------------------------------------------------------------------

    def analyze(self):
        """Matching and scaling, fill-reducing ordering and symbolic factorisation."""
        core = self._core
        ip = core.iparam
        ip[IP_FACTOR_NNZ - 1] = -1
        ip[IP_MFLOP - 1] = -1
        self._call(ANALYSIS)
        self._analysed, self._factorized = True, False
        self._nnz_factor = int(ip[IP_FACTOR_NNZ - 1])
        self._mflop = float(ip[IP_MFLOP - 1])
        if self._ordering_perm is None and core.holds_blocks:
            self._permutation = core.perm.astype(np.int64) - 1
        else:
            self._permutation = (self._ordering_perm if self._ordering_perm is not None
                                 else np.arange(self._n, dtype=np.int64))
        self._permutation.flags.writeable = False
        self._memory_after_analysis = (int(ip[IP_PEAK_KB - 1]), int(ip[IP_PERMANENT_KB - 1]))
        return self

    def factorize(self, A_new=None):
        """Numerical factorisation; with A_new, of new values on the analysed pattern."""
        if A_new is not None:
            self._set_values(A_new)
        if not self._analysed:
            self.analyze()
        try:
            self._call(FACTORIZATION)
        except VarnexoError as e:
            # Not positive definite after all: the indefinite twin of the type takes over.
            if e.error != -4 or self._core.matrix_type not in (2, 4) or len(self._tries) < 2:
                raise
            self._tries = self._tries[1:]
            self._start(self._tries[0])
            self.analyze()
            self._call(FACTORIZATION)
        self._factorized = True
        ip = self._core.iparam
        self._perturbed = int(ip[IP_PERTURBED - 1])
        self._inertia_words = (int(ip[IP_POSITIVE - 1]), int(ip[IP_NEGATIVE - 1]))
        self._factor_mflop = self._parse_mflop()
        self._refinement_steps = 0
        return self

    def solve(self, b, transpose=False):
        """Solves A x = b (transpose=True or 'T': Aᵀ x = b; 'H': Aᴴ x = b) for a vector or an
        n x k matrix b (NumPy array in C or Fortran order, or a sparse matrix, then densified and
        returned sparse). Returns x with the shape of b."""
        op = _op(transpose)
        if not self._factorized:
            self.factorize()
        sparse_b = sp.issparse(b)
        B = self._check_rhs(b.toarray() if sparse_b else b)
        if B.shape[1] == 0:
            x = np.zeros(B.shape, dtype=np.result_type(B.dtype, self._A.dtype))
        else:
            x, accurate = self._solve_checked(B, op)
            if not accurate and self._perturbed:
                # Perturbed pivots make the factor inexact: more refinement steps may repair it,
                # unless the refinement stops for lack of contraction.
                try:
                    x, accurate = self._solve_checked(B, op, EXTRA_REFINEMENT_STEPS)
                except VarnexoError as e:
                    if e.error != -4:
                        raise
            if not accurate:
                raise self._inaccurate(x)
        x = x.reshape(np.shape(b)) if not sparse_b else sp.csc_matrix(x)
        return x

    __call__ = solve

    def close(self):
        """Releases the solver's memory in the library now rather than at garbage collection."""
        if self._core is not None:
            self._core.release()
        self._analysed = self._factorized = False

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # -- results ------------------------------------------------------------------------------

    @property
    def shape(self):
        return self._A.shape

    @property
    def matrix_type(self):
        """The library's matrix type code in use (after a fallback to the indefinite type)."""
        return self._core.matrix_type

    @property
    def kind(self):
        """A description of the matrix type in use, e.g. 'real symmetric positive definite'."""
        return TYPE_NAMES[self._core.matrix_type]

    @property
    def inertia(self):
        """(positive, negative, zero) eigenvalue counts from the factorisation: of a positive
        definite matrix (Cholesky succeeded), of a real symmetric indefinite one (the signs of
        its 1x1 and 2x2 pivots; a perturbed pivot counts with the sign it was given), of a
        diagonal one. None otherwise (the complex indefinite factorisations count no inertia)
        and before factorisation."""
        t = self._core.matrix_type
        if not self._factorized:
            return None
        if t in (2, 4):
            return Inertia(self._n, 0, 0)
        if self._diagonal and t in (-2, -4):
            d = self._A.diagonal().real
            pos, neg = int((d > 0).sum()), int((d < 0).sum())
            return Inertia(pos, neg, self._n - pos - neg)
        if t == -2:
            pos, neg = self._inertia_words
            return Inertia(pos, neg, self._n - pos - neg)
        return None

    @property
    def perturbed_pivots(self):
        """Number of pivots the factorisation perturbed (0 for an exact factorisation)."""
        return self._perturbed if self._factorized else None

    @property
    def nnz_factor(self):
        """Nonzeros of the factor (L plus U) from the analysis."""
        return self._nnz_factor if self._analysed else None

    @property
    def flops(self):
        """Floating-point operations of the factorisation, from the analysis."""
        if not self._analysed:
            return None
        mflop = self._factor_mflop if self._factor_mflop is not None else self._mflop
        return max(mflop, 0.0) * 1e6

    @property
    def memory(self):
        """Memory in kilobytes: peak and permanent of the analysis, numerical factor."""
        if not self._analysed:
            return None
        ip = self._core.iparam
        peak, permanent = self._memory_after_analysis
        return Memory(peak, permanent, int(ip[IP_FACTOR_KB - 1]))

    @property
    def refinement_steps(self):
        """Iterative refinement steps of the last solve."""
        return self._refinement_steps

    @property
    def permutation(self):
        """The fill-reducing permutation: permutation[k] is the (0-based) index of the row and
        column placed at position k. Read-only."""
        return self._permutation if self._analysed else None

    @property
    def backward_error(self):
        """Normwise backward error of the last solve (worst column)."""
        return self._backward_error

    @property
    def statistics(self):
        """The statistics the library printed for the last call, as text."""
        return self._statistics

    # -- internals ----------------------------------------------------------------------------

    def _check_ordering(self, ordering):
        self._ordering_perm = None
        if isinstance(ordering, str):
            if ordering not in ORDERINGS:
                raise ValueError(f"unknown ordering {ordering!r}; expected one of {', '.join(ORDERINGS)}"
                                 " or a permutation")
            return ORDERINGS[ordering]
        p = np.asarray(ordering)
        if p.ndim != 1 or p.dtype.kind not in "iu" or len(p) != self._n:
            raise ValueError(f"ordering must be a name or an integer permutation of length {self._n}")
        seen = np.zeros(self._n, dtype=bool)
        valid = (p >= 0).all() and (p < self._n).all()
        if valid:
            seen[p] = True
        if not valid or not seen.all():
            raise ValueError(f"ordering is not a permutation of 0..{self._n - 1}")
        self._ordering_perm = p.astype(np.int64)
        return ORDERINGS["nd"]

    def _start(self, matrix_type):
        """A fresh handle of the library for one matrix type."""
        if getattr(self, "_core", None) is not None:
            self._core.release()
        self._layout = Layout(self._A, matrix_type)
        # One entry per row, on the diagonal: the library solves such systems without a handle.
        diagonal_keys = np.arange(self._n, dtype=np.int64) * (self._n + 1)
        self._diagonal = bool(np.array_equal(self._layout.keys, diagonal_keys))
        self._core = core = _core.Core(matrix_type, self._layout.ia, self._layout.ja, self._layout.values(self._A))
        ip = core.iparam
        ip[IP_ORDERING - 1] = self._ordering
        ip[IP_NPROC - 1] = self._threads or 1
        ip[IP_RELAXED - 1] = 1 if self._relaxed else 0
        ip[IP_SOLUTION_ON_B - 1] = 0
        ip[IP_KEEP_ERROR - 1] = 1  # a failed solve is reported, never cleared
        if self._ordering_perm is not None:
            ip[IP_PERM_USE - 1] = 1
            core.perm[:] = self._ordering_perm + 1
        else:
            ip[IP_PERM_USE - 1] = -1
        if self._matching is not None:
            unsymmetric = matrix_type in (11, 13)
            ip[IP_MATCHING - 1] = (1 if unsymmetric else 2) if self._matching else 0
            ip[IP_SCALING - 1] = 1 if self._matching else 0
        self._analysed = self._factorized = False
        self._nnz_factor = self._mflop = self._factor_mflop = None
        self._perturbed = None
        self._permutation = None
        self._refinement_steps = None
        self._backward_error = None
        self._statistics = ""

    def _call(self, phase, b=None, nrhs=1):
        # Text the interpreter buffered goes out before the library's output is redirected.
        for stream in (sys.stdout, sys.stderr):
            if stream is not None:
                stream.flush()
        error, x, out, err = self._core.call(phase, b, nrhs, self._threads or 0)
        self._statistics = out.decode(errors="replace")
        if self._verbose:
            sys.stdout.write(self._statistics)
            sys.stderr.write(err.decode(errors="replace"))
        if error != 0:
            raise library_error(int(error), phase, err.decode(errors="replace"), diagonal=self._diagonal)
        return x

    def _parse_mflop(self):
        m = _MFLOP.search(self._statistics)
        return float(m.group(1)) if m else None

    def _set_values(self, A_new):
        A = canonical(A_new, "A_new")
        if A.shape != self._A.shape:
            raise ValueError(f"A_new has shape {A.shape}, the solver was set up for {self._A.shape}")
        if np.iscomplexobj(A.data) and not self._layout.complex:
            raise TypeError("A_new is complex but the solver was set up for a real matrix")
        symmetry = symmetry_of(self._core.matrix_type)
        if symmetry and not has_symmetry(A, symmetry):
            raise ValueError(f"A_new is not {symmetry} but the solver was set up for a {symmetry} matrix")
        values = self._layout.values(A, "A_new")
        if self._layout.complex and not np.iscomplexobj(A.data):
            A = A.astype(np.complex128)
        self._core.set_values(values)
        self._A = A
        self._norms = {}
        self._factorized = False

    def _check_rhs(self, b):
        B = np.asarray(b)
        kind, size = B.dtype.kind, B.dtype.itemsize
        if not (kind in "biu" or (kind == "f" and size <= 8) or (kind == "c" and size <= 16)):
            raise TypeError(f"b has dtype {B.dtype}; expected integer, float or complex values")
        if B.ndim not in (1, 2):
            raise ValueError(f"b must be a vector or an n x k matrix, got {B.ndim} dimensions")
        if B.shape[0] != self._n:
            raise ValueError(f"b has {B.shape[0]} rows but A is {self._n} x {self._n}")
        B = B.reshape(self._n, -1)
        if B.shape[1] > INT32_MAX:
            raise ValueError("too many right-hand sides")
        if not np.isfinite(B).all():
            raise ValueError("b holds NaN or infinite values")
        return B

    def _solve_columns(self, B, op, refinement_steps=None):
        """x for the n x k right-hand sides B under op ('N', 'T' or 'H'), with the library's
        number of refinement steps or the one given."""
        if np.iscomplexobj(B) and not self._layout.complex:
            # A real factor: real and imaginary parts as separate right-hand sides.
            k = B.shape[1]
            X = self._solve_columns(np.hstack([B.real, B.imag]), op, refinement_steps)
            return X[:, :k] + 1j * X[:, k:]
        t = self._core.matrix_type
        # The library solves with Aᵀ on request for the unsymmetric types; for the symmetric and
        # Hermitian types it always solves with A. Aᵀ of a Hermitian matrix is conj(A) and Aᴴ of a
        # complex symmetric or unsymmetric one is conj(Aᵀ): those are solved through conjugates.
        hermitian = t in (4, -4)
        conjugate = self._layout.complex and ((op == "T" and hermitian) or (op == "H" and not hermitian))
        transposed = op != "N" and t not in (2, -2, 4, -4, 6)
        dtype = np.complex128 if self._layout.complex else np.float64
        rhs = np.asfortranarray(np.conj(B) if conjugate else B, dtype=dtype)
        ip = self._core.iparam
        ip[IP_TRANSPOSE - 1] = 1 if transposed else 0
        default_steps = int(ip[IP_MAX_REFINE - 1])
        if refinement_steps is not None:
            ip[IP_MAX_REFINE - 1] = refinement_steps
        try:
            x = self._call(SOLVE, rhs.reshape(-1, order="F").view(np.float64), B.shape[1])
        finally:
            ip[IP_MAX_REFINE - 1] = default_steps
        self._refinement_steps = int(ip[IP_REFINE_STEPS - 1])
        X = x.view(dtype).reshape(B.shape, order="F")
        return np.conj(X) if conjugate else X

    def _solve_checked(self, B, op, refinement_steps=None):
        """(x, accurate) for B under op. A solution the library itself refuses as inaccurate
        (its refinement ended far above its target) counts as inaccurate, with no x."""
        try:
            x = self._solve_columns(B, op, refinement_steps)
        except VarnexoError as e:
            if e.error_num != INACCURATE_REFINEMENT:
                raise
            self._backward_error = float("inf")
            return None, False
        return x, self._accurate(B, x, op)

    def _norm(self, op):
        """‖op(A)‖∞ of the current matrix."""
        if op not in self._norms:
            axis = 1 if op == "N" else 0
            self._norms[op] = float(abs(self._A).sum(axis=axis).max())
        return self._norms[op]

    def _accurate(self, B, X, op):
        """Records the normwise backward error of X; True when it is within the bound."""
        A = self._A if op == "N" else self._A.T if op == "T" else self._A.conj().T
        column_max = lambda M: np.abs(M).max(axis=0)  # noqa: E731
        numerator = column_max(B - A @ X)
        denominator = self._norm(op) * column_max(X) + column_max(B)
        safe = np.where(denominator > 0, denominator, 1.0)
        errors = np.where(denominator > 0, numerator / safe, 0.0)
        worst = float(errors.max()) if np.isfinite(X).all() else float("inf")
        self._backward_error = worst
        return self._max_backward_error is None or worst <= self._max_backward_error

    def _inaccurate(self, X):
        worst = self._backward_error
        return InaccurateSolutionError(
            f"varnexo solve: backward error {worst:.3g} exceeds {self._max_backward_error:.3g} "
            f"with {self._perturbed} perturbed pivots: the matrix may be singular or too ill-conditioned",
            backward_error=worst, x=X)


def spsolve(A, b, *, kind=None, ordering="nd", matching=None, threads=None, transpose=False, relaxed=False,
            max_backward_error=1e-8):
    """Solves A x = b for a scipy.sparse matrix A and a vector or n x k matrix b, like
    scipy.sparse.linalg.spsolve; the keywords are those of Solver."""
    with Solver(A, kind=kind, ordering=ordering, matching=matching, threads=threads, relaxed=relaxed,
                max_backward_error=max_backward_error) as s:
        return s.solve(b, transpose=transpose)


def factorized(A, **options):
    """Factorises A and returns a callable that solves A x = b, like
    scipy.sparse.linalg.factorized. The callable is the Solver itself (its results are there)."""
    return Solver(A, **options).factorize()
