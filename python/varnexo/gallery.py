"""Model problems on regular N x N x N grids with Dirichlet boundaries, as full scipy.sparse CSR
matrices (nodes numbered x fastest). They are the problems of the command's --generate option:
``laplace3d(40)`` is laplace3d:40, ``convdiff3d(30, 100)`` is convdiff3d:30:100."""

import numpy as np
import scipy.sparse as sp


def _path(n, lower, upper):
    """The 1D couplings of a line of n nodes: `lower` below the diagonal, `upper` above."""
    return sp.diags([np.full(n - 1, lower), np.full(n - 1, upper)], [-1, 1], shape=(n, n))


def _grid(n, mx, my, mz):
    """mx ⊗ couplings along x + the same along y and z, on the n³ grid (x fastest)."""
    eye = sp.identity(n)
    return sp.kron(eye, sp.kron(eye, mx)) + sp.kron(eye, sp.kron(my, eye)) + sp.kron(mz, sp.kron(eye, eye))


def shifted3d(n, shift):
    """7-point Laplacian minus shift·I: symmetric, positive definite for shift 0, indefinite for
    shifts above the smallest eigenvalue."""
    m = _path(n, -1.0, -1.0)
    return (_grid(n, m, m, m) + (6.0 - shift) * sp.identity(n**3)).tocsr()


def laplace3d(n):
    """7-point Laplacian (6 on the diagonal, -1 to each neighbour): symmetric positive definite."""
    return shifted3d(n, 0.0)


def elasticity3d(n):
    """27-point node coupling (26 on the diagonal, -1 to each neighbour) times the 3 x 3 block
    [4 1 1; 1 4 1; 1 1 4], three unknowns per node: symmetric positive definite."""
    s = sp.diags([np.ones(n - 1), np.ones(n), np.ones(n - 1)], [-1, 0, 1], shape=(n, n))
    nodes = 27.0 * sp.identity(n**3) - sp.kron(s, sp.kron(s, s))
    block = np.full((3, 3), 1.0) + 3.0 * np.identity(3)
    return sp.kron(nodes, block).tocsr()


def convdiff3d(n, peclet):
    """-Δu + Pe·(1, 1/2, 1/4)·∇u with first-order upwinding, scaled by h²: real unsymmetric."""
    h = 1.0 / (n + 1)
    w = [peclet * h, 0.5 * peclet * h, 0.25 * peclet * h]
    mx, my, mz = (_path(n, -1.0 - wk, -1.0) for wk in w)
    return (_grid(n, mx, my, mz) + (6.0 + sum(w)) * sp.identity(n**3)).tocsr()


def helmholtz3d(n, k):
    """-Δu - k²(1 - 0.05i)u scaled by h²: complex symmetric."""
    h = 1.0 / (n + 1)
    kh2 = k * k * h * h
    m = _path(n, -1.0, -1.0)
    return (_grid(n, m, m, m).astype(complex) + complex(6.0 - kh2, 0.05 * kh2) * sp.identity(n**3)).tocsr()


def hermitian3d(n, shift=0.0):
    """Magnetic Laplacian: couplings -e^{iθ} with θ varying over the grid, 6.5 - shift on the
    diagonal: Hermitian, positive definite for shift 0."""
    z, y, x = np.meshgrid(np.arange(n), np.arange(n), np.arange(n), indexing="ij")
    x, y, z = x.ravel(), y.ravel(), z.ravel()
    p = np.arange(n**3)
    rows, cols, vals = [p], [p], [np.full(n**3, 6.5 - shift, dtype=complex)]
    for axis, (coord, stride) in enumerate(((x, 1), (y, n), (z, n * n))):
        theta = (0.3 * (y + 1) + 0.1 * z, 0.2 * (x + 1), 0.1 * (x + y))[axis]
        has = coord + 1 < n
        upper = -np.exp(1j * theta[has])
        rows += [p[has], p[has] + stride]
        cols += [p[has] + stride, p[has]]
        vals += [upper, np.conj(upper)]
    return sp.csr_matrix((np.concatenate(vals), (np.concatenate(rows), np.concatenate(cols))), shape=(n**3, n**3))
