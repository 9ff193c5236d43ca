#!/bin/sh
# Builds the library and runs the whole test suite, the Python package's tests included. With
# --sanitize the build uses the address, leak and undefined-behaviour sanitizers in its own build
# tree (without the Python package: an instrumented library cannot be loaded by the interpreter);
# with --tsan the thread sanitizer builds the library and the threading tests (label "threads") in
# build-tsan and runs those.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DVARNEXO_SANITIZE=ON -DVARNEXO_BUILD_BENCH=OFF >/dev/null
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
elif [ "${1:-}" = "--tsan" ]; then
  dir=build-tsan
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEXO_TSAN=ON -DVARNEXO_BUILD_BENCH=OFF >/dev/null
  cmake --build "$dir" -j"$(nproc)" --target test_threads
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 OPENBLAS_NUM_THREADS=1 \
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" -L threads
  exit 0
else
  dir=build
  # The Python package and its tests are part of the suite: a missing dependency is an error.
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVARNEXO_BUILD_PYTHON=ON >/dev/null
fi
cmake --build "$dir" -j"$(nproc)"
OPENBLAS_NUM_THREADS=1 ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
