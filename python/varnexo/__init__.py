"""varnexo: a sparse direct solver for SciPy matrices.

    import scipy.sparse as sp, numpy as np, varnexo
    A = sp.random(1000, 1000, density=0.01, format="csr") + 10 * sp.identity(1000)
    x = varnexo.spsolve(A, np.ones(1000))             # like scipy.sparse.linalg.spsolve
    solve = varnexo.factorized(A)                     # like scipy.sparse.linalg.factorized
    s = varnexo.Solver(A, kind="general", ordering="nd")
    s.analyze(); s.factorize(); y = s.solve(np.ones(1000), transpose=True)
"""

from ._errors import InaccurateSolutionError, VarnexoError
from ._matrix import KINDS, TYPE_NAMES
from ._solver import Inertia, Memory, Solver, factorized, spsolve
from ._version import __version__

__all__ = ["__version__", "spsolve", "factorized", "Solver", "VarnexoError", "InaccurateSolutionError",
           "Inertia", "Memory", "KINDS", "TYPE_NAMES"]
