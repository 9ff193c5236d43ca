#!/bin/sh
# Installs the built library into a scratch prefix and builds and runs a downstream project
# against it. Arguments: the build tree of the library, a scratch folder.
set -eu
build=$1
scratch=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
cmake -S "$here/downstream" -B "$scratch/build" -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig" cmake -S "$here/downstream" -B "$scratch/build" \
  -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/build" >/dev/null
LD_LIBRARY_PATH="$scratch/prefix/lib" "$scratch/build/with_cmake"
LD_LIBRARY_PATH="$scratch/prefix/lib" "$scratch/build/with_pkgconfig"
