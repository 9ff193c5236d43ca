#!/bin/sh
# Installs the peer solvers (Debian packages), builds the project in Release and runs the
# benchmark. Arguments go to varnexo-bench (matrices, --repeat R, --dgemm N); without any it runs
# the default list. Every solver and the dgemm rate use one BLAS thread.
# Usage: scripts/bench.sh [MATRIX ...] [--repeat R]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VARNEXO_BENCH_BUILD:-$root/build-bench}
"$root/scripts/install-deps.sh" --peers
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVARNEXO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target varnexo-bench >/dev/null
export OPENBLAS_NUM_THREADS=1 OMP_NUM_THREADS=1
exec "$build/bench/varnexo-bench" "$@"
