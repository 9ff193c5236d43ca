#!/bin/sh
# Builds the fuzz targets of fuzz/ with clang's libFuzzer under the address, leak and
# undefined-behaviour sanitizers (in build-fuzz/) and runs each from its seed corpus.
# Usage: scripts/fuzz.sh [SECONDS]           about SECONDS in all (default 120), two thirds for the
#                                             public call, one third for the Matrix Market reader
#        scripts/fuzz.sh --runs N [TARGET]   N executions of each target, or of TARGET only
# New corpus units collect in build-fuzz/corpus/<target>/ (kept between runs); findings (crash-,
# leak-, timeout-, oom- files) in build-fuzz/findings/<target>/. The status is 1 when a target
# found something; each target's last lines name the input and the stack.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --fuzz
dir=build-fuzz
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEXO_FUZZ=ON -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DVARNEXO_BUILD_TESTS=OFF -DVARNEXO_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$dir" -j"$(nproc)" --target api_fuzzer matrix_market_fuzzer >/dev/null

seconds=120
runs=""
only=""
if [ "${1:-}" = "--runs" ]; then
  runs=$2
  only=${3:-}
elif [ -n "${1:-}" ]; then
  seconds=$1
fi

export OPENBLAS_NUM_THREADS=1
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in api_fuzzer matrix_market_fuzzer; do
  [ -n "$only" ] && [ "$only" != "$target" ] && continue
  if [ -n "$runs" ]; then
    limit="-runs=$runs"
  elif [ "$target" = api_fuzzer ]; then
    limit="-max_total_time=$((seconds * 2 / 3))"
  else
    limit="-max_total_time=$((seconds - seconds * 2 / 3))"
  fi
  extra=""
  [ "$target" = matrix_market_fuzzer ] && extra="-dict=fuzz/matrix_market.dict -max_len=4096"
  [ "$target" = api_fuzzer ] && extra="-max_len=2048"
  mkdir -p "$dir/corpus/$target" "$dir/findings/$target" "$dir/logs"
  log="$dir/logs/$target.log"
  start=$(date +%s)
  # The library prints on standard output; the fuzzer's own report goes to standard error.
  if "$dir/fuzz/$target" "$dir/corpus/$target" "fuzz/corpus/$target" $limit $extra -timeout=10 \
    -rss_limit_mb=2048 -close_fd_mask=1 -print_final_stats=1 \
    -artifact_prefix="$dir/findings/$target/" >"$log" 2>&1; then
    result="no findings"
  else
    result="FOUND A FAULT (see $log and $dir/findings/$target/)"
    status=1
    tail -n 40 "$log" >&2
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*' "$log" | tail -n 1)
  echo "$target: ${execs:-?} executions in $(($(date +%s) - start)) s, ${coverage:-no coverage line}; $result"
done
exit $status
