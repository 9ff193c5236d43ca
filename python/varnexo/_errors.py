"""Exceptions of the package: the library's failures with their error class, code and text."""

import re

# Class names the library's error report prints, by error code.
ERROR_CLASSES = {
    -1: "sequence_ido,parameters",
    -2: "insufficient_memory",
    -3: "reordering_phase",
    -4: "numerical_factorization",
    -5: "internal_error,unclass.",
    -6: "prereordering_mtype11,13",
    -7: "internal_error,unclass.",
    -8: "32-bit overflow problem",
}

PHASE_NAMES = {11: "analysis", 22: "factorization", 33: "solve", -1: "release"}

_HEADER = re.compile(r"\*\*\* error VARNEXO\s+\((.*?)\s*\)\s*error_num=\s*(-?\d+)")


class VarnexoError(RuntimeError):
    """A failure reported by the solver.

    Attributes: ``error`` (the library's error code, e.g. -4), ``error_class`` (its class name,
    e.g. ``"numerical_factorization"``), ``error_num`` (the detailed number the library reports,
    or None when it printed none), ``text`` (the library's message) and ``phase`` (the phase
    that failed: ``"analysis"``, ``"factorization"`` or ``"solve"``).
    """

    def __init__(self, message, *, error=None, error_class=None, error_num=None, text="", phase=None):
        super().__init__(message)
        self.error = error
        self.error_class = error_class
        self.error_num = error_num
        self.text = text
        self.phase = phase


class InaccurateSolutionError(VarnexoError):
    """The solve completed but its backward error exceeds the accepted bound.

    ``backward_error`` is the normwise backward error ||b - A x|| / (||A|| ||x|| + ||b||) (infinity
    norms, worst column) and ``x`` the solution that was rejected.
    """

    def __init__(self, message, *, backward_error, x, phase="solve"):
        super().__init__(message, error_class="inaccurate_solution", phase=phase)
        self.backward_error = backward_error
        self.x = x


def library_error(error, phase, stderr_text, diagonal=False):
    """The VarnexoError for a nonzero error code of a call, from the text the call printed."""
    lines = [line.strip() for line in stderr_text.splitlines() if line.strip()]
    header = next((m for m in map(_HEADER.search, lines) if m), None)
    error_class = header.group(1).strip() if header else ERROR_CLASSES.get(error, "internal_error,unclass.")
    error_num = int(header.group(2)) if header else None
    text = "\n".join(line for line in lines if not _HEADER.search(line))
    if diagonal and not text:
        # The library solves a matrix with one entry per row itself and prints nothing; its
        # code is then the number of the first bad row (negative for a zero value).
        row = abs(error)
        if error < 0 and error != -7:
            error_class, text = "numerical_factorization", f"zero diagonal entry in row {row}"
        elif error == -7:
            text = "a diagonal entry is zero"
        else:
            error_class, text = "sequence_ido,parameters", f"row {row} of the diagonal system is bad"
    where = PHASE_NAMES.get(phase, str(phase))
    message = f"varnexo {where} failed: {error_class} (error {error}"
    message += f", error_num {error_num})" if error_num is not None else ")"
    if text:
        message += ": " + text.replace("\n", "; ")
    return VarnexoError(message, error=error, error_class=error_class, error_num=error_num, text=text,
                        phase=where)
