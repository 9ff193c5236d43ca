#!/bin/sh
# Installs the built library and plug-in into a scratch prefix, builds the downstream project
# against them both ways and solves with varnexo through PETSc's options. Arguments: the build
# tree, a scratch folder.
set -eu
build=$1
scratch=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig${PKG_CONFIG_PATH:+:$PKG_CONFIG_PATH}" \
  cmake -S "$here/downstream" -B "$scratch/build" -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/build" >/dev/null
for program in with_cmake with_pkgconfig; do
  LD_LIBRARY_PATH="$scratch/prefix/lib" "$scratch/build/$program" -n 8 -ksp_type preonly -pc_type lu \
    -pc_factor_mat_solver_type varnexo
done
