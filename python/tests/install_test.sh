#!/bin/sh
# Installs the build tree into a scratch prefix and imports the installed package from a folder
# outside the build tree with a clean environment, then solves a small system with it.
# Arguments: the build tree, a scratch folder, the interpreter, the package folder under the prefix.
set -eu
build=$1
scratch=$2
python=$3
site=$4
rm -rf "$scratch"
mkdir -p "$scratch/elsewhere"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
cd "$scratch/elsewhere"
env -i PATH=/usr/bin:/bin PYTHONPATH="$scratch/prefix/$site" PYTHONDONTWRITEBYTECODE=1 "$python" -c "
import numpy as np, scipy.sparse as sp, varnexo
assert varnexo.__file__.startswith('$scratch/prefix/'), varnexo.__file__
A = sp.diags([-1.0, 4.0, -1.0], [-1, 0, 1], shape=(50, 50), format='csr')
x = varnexo.spsolve(A, np.ones(50))
assert np.abs(A @ x - 1).max() < 1e-12
print('installed package', varnexo.__version__, 'from', varnexo.__file__)
"
