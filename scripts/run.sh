#!/bin/sh
# Builds the library and its programs, then runs the main job.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
# The library runs in the calling thread; one BLAS thread suits its many small blocks best.
OPENBLAS_NUM_THREADS=${OPENBLAS_NUM_THREADS:-1} exec build/tools/varnexo-solve "$@"
