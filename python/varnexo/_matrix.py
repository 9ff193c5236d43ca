"""The matrix as the solver takes it: SciPy input checked and made canonical once, the matrix
type chosen from the values or from the caller's kind, and the compressed rows handed to the
library (1-based 32-bit indices; the upper triangle with every diagonal entry for the symmetric
and Hermitian types; a symmetric pattern with every diagonal entry for the structurally
symmetric types)."""

import numpy as np
import scipy.sparse as sp

INT32_MAX = 2**31 - 1

# Matrix type codes of the library.
REAL_STRUCT_SYM, REAL_SPD, REAL_SYM_INDEF = 1, 2, -2
COMPLEX_STRUCT_SYM, HERMITIAN_PD, HERMITIAN_INDEF, COMPLEX_SYM = 3, 4, -4, 6
REAL_UNSYM, COMPLEX_UNSYM = 11, 13

TYPE_NAMES = {
    1: "real structurally symmetric",
    2: "real symmetric positive definite",
    -2: "real symmetric indefinite",
    3: "complex structurally symmetric",
    4: "Hermitian positive definite",
    -4: "Hermitian indefinite",
    6: "complex symmetric",
    11: "real unsymmetric",
    13: "complex unsymmetric",
}

# Kinds a caller may name: (type for real values, type for complex values). A positive definite
# type listed with its indefinite twin is tried first and the twin is used when a pivot is not
# positive.
KINDS = {
    "spd": ((2,), (4,)),
    "hpd": ((2,), (4,)),
    "symmetric": ((2, -2), (6,)),
    "symmetric_indefinite": ((-2,), (6,)),
    "hermitian": ((2, -2), (4, -4)),
    "hermitian_indefinite": ((-2,), (-4,)),
    "structurally_symmetric": ((1,), (3,)),
    "general": ((11,), (13,)),
    "unsymmetric": ((11,), (13,)),
}


def is_complex_type(t):
    return 3 <= abs(t) <= 6 or t == COMPLEX_UNSYM


def stores_upper(t):
    """True for the types that take the upper triangle only."""
    return t in (2, -2, 4, -4, 6)


def symmetry_of(t):
    """The symmetry the values of type t must have: 'symmetric', 'hermitian' or None."""
    if t in (2, -2, 6):
        return "symmetric"
    if t in (4, -4):
        return "hermitian"
    return None


def _value_dtype(dtype, name):
    dtype = np.dtype(dtype)
    if dtype.kind in "biu" or (dtype.kind == "f" and dtype.itemsize <= 8):
        return np.dtype(np.float64)
    if dtype.kind == "c" and dtype.itemsize <= 16:
        return np.dtype(np.complex128)
    raise TypeError(f"{name} has dtype {dtype}; the solver takes integer, float32/64 or complex64/128 values")


def canonical(A, name="A"):
    """A checked copy of the sparse matrix A in CSR form: square, nonempty, sorted indices without
    duplicates, float64 or complex128 values, all finite, sizes within 32-bit range."""
    if not sp.issparse(A):
        what = "a dense array" if isinstance(A, np.ndarray) or hasattr(A, "__array__") else type(A).__name__
        raise TypeError(f"{name} must be a scipy.sparse matrix or array, got {what}; "
                        f"convert it first, e.g. scipy.sparse.csr_array({name})")
    if len(A.shape) != 2 or A.shape[0] != A.shape[1]:
        raise ValueError(f"{name} must be square, got shape {A.shape}")
    n = A.shape[0]
    if n == 0:
        raise ValueError(f"{name} is empty (shape {A.shape})")
    if n > INT32_MAX - 1:
        raise ValueError(f"{name} has order {n}, beyond the 32-bit index range of the solver")
    dtype = _value_dtype(A.dtype, name)
    try:
        C = sp.csr_matrix(A, dtype=dtype, copy=True)
        C.check_format(full_check=True)
    except (ValueError, IndexError, OverflowError) as e:
        raise ValueError(f"{name} is not a valid sparse matrix: {e}") from None
    if C.nnz > INT32_MAX - 1 - n:
        raise ValueError(f"{name} has {C.nnz} entries, beyond the 32-bit index range of the solver")
    C.sum_duplicates()
    if not np.isfinite(C.data).all():
        raise ValueError(f"{name} holds NaN or infinite values")
    return C


def _equal(A, B):
    D = A - B
    D.eliminate_zeros()
    return D.nnz == 0


def has_symmetry(A, symmetry):
    """Whether the canonical matrix A is exactly symmetric (A = Aᵀ) or Hermitian (A = Aᴴ)."""
    if symmetry == "hermitian" and np.iscomplexobj(A.data):
        return _equal(A, A.conj().T.tocsr())
    return _equal(A, A.T.tocsr())


def _positive_diagonal(A):
    return bool((A.diagonal().real > 0).all())


def types_to_try(A, kind):
    """The matrix types to try for the canonical matrix A and the caller's kind, in order."""
    complex_values = np.iscomplexobj(A.data)
    if kind is None:
        if not complex_values:
            tries = (2, -2) if has_symmetry(A, "symmetric") else (11,)
        elif has_symmetry(A, "hermitian"):
            tries = (4, -4)
        else:
            tries = (6,) if has_symmetry(A, "symmetric") else (13,)
        # A positive definite matrix has a positive diagonal: skip Cholesky when it cannot work.
        if len(tries) == 2 and not _positive_diagonal(A):
            tries = tries[1:]
        return tries
    if isinstance(kind, str):
        if kind not in KINDS:
            raise ValueError(f"unknown kind {kind!r}; expected one of {', '.join(KINDS)} or a matrix type code")
        tries = KINDS[kind][1 if complex_values else 0]
    elif isinstance(kind, (int, np.integer)) and not isinstance(kind, bool):
        if int(kind) not in TYPE_NAMES:
            raise ValueError(f"unknown matrix type {kind}; expected one of {sorted(TYPE_NAMES)}")
        tries = (int(kind),)
        if complex_values and not is_complex_type(tries[0]):
            raise TypeError(f"matrix type {kind} takes real values but A is complex")
    else:
        raise TypeError(f"kind must be None, a name or a matrix type code, got {kind!r}")
    symmetry = symmetry_of(tries[0])
    if symmetry and not has_symmetry(A, symmetry):
        raise ValueError(f"A is not {symmetry} but the kind {kind!r} asks for a {symmetry} matrix "
                         "(pass the whole matrix, not one triangle)")
    if len(tries) == 2 and not _positive_diagonal(A):
        tries = tries[1:]
    return tries


def _keys(rows, cols, n):
    return rows.astype(np.int64) * n + cols.astype(np.int64)


def _coordinates(A):
    rows = np.repeat(np.arange(A.shape[0], dtype=np.int64), np.diff(A.indptr))
    return rows, A.indices.astype(np.int64)


class Layout:
    """The compressed rows of one matrix type over the pattern of a canonical matrix: `ia`, `ja`
    (1-based int32) and the way to fill the values `a` from a matrix with that pattern or a part
    of it. Entries the type needs but the matrix lacks (diagonal entries, mirror entries of the
    structurally symmetric types) are stored as zeros."""

    def __init__(self, A, matrix_type):
        self.n = n = A.shape[0]
        self.matrix_type = matrix_type
        self.complex = is_complex_type(matrix_type)
        rows, cols = _coordinates(A)
        diagonal = np.arange(n, dtype=np.int64)
        if stores_upper(matrix_type):
            upper = cols >= rows
            keys = np.concatenate([_keys(rows[upper], cols[upper], n), _keys(diagonal, diagonal, n)])
        elif matrix_type in (REAL_STRUCT_SYM, COMPLEX_STRUCT_SYM):
            keys = np.concatenate([_keys(rows, cols, n), _keys(cols, rows, n), _keys(diagonal, diagonal, n)])
        else:
            keys = _keys(rows, cols, n)
        self.keys = np.unique(keys)
        if len(self.keys) > INT32_MAX - 1:
            raise ValueError(f"A needs {len(self.keys)} stored entries, beyond the 32-bit index range")
        counts = np.bincount(self.keys // n, minlength=n)
        indptr = np.concatenate([[0], np.cumsum(counts)])
        self.ia = (indptr + 1).astype(np.int32)
        self.ja = (self.keys % n + 1).astype(np.int32)

    def values(self, A, name="A"):
        """The values `a` for the canonical matrix A, whose pattern (its upper triangle for the
        symmetric types) must lie within this layout's. Complex values as pairs of doubles."""
        rows, cols = _coordinates(A)
        data = A.data
        if stores_upper(self.matrix_type):
            upper = cols >= rows
            rows, cols, data = rows[upper], cols[upper], data[upper]
        keys = _keys(rows, cols, self.n)
        at = np.searchsorted(self.keys, keys)
        inside = at < len(self.keys)
        inside[inside] = self.keys[at[inside]] == keys[inside]
        if not inside.all():
            k = int(np.flatnonzero(~inside)[0])
            raise ValueError(f"{name} has an entry at ({rows[k]}, {cols[k]}) outside the pattern the solver "
                             "was analysed for")
        a = np.zeros(len(self.keys), dtype=np.complex128 if self.complex else np.float64)
        a[at] = data
        return a.view(np.float64)
