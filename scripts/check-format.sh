#!/bin/sh
# Checks that every tracked C and C++ source follows the repository's .clang-format; prints
# each violation and fails otherwise. `clang-format -i FILE` fixes a file.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "format: $(git ls-files '*.c' '*.cpp' '*.h' | wc -l) files checked"
