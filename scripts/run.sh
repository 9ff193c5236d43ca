#!/bin/sh
# Builds the library and its programs, then runs the main job.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
exec build/tools/varnexo-solve "$@"
