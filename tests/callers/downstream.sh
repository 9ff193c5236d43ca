#!/bin/sh
# Installs the built library into a scratch prefix and builds and runs a downstream project
# against it. Arguments: the build tree of the library, a scratch folder.
set -eu
build=$1
scratch=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig" cmake -S "$here/downstream" -B "$scratch/build" \
  -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/build" >/dev/null
for program in with_cmake with_pkgconfig fortran_with_cmake fortran_with_pkgconfig; do
  if [ -x "$scratch/build/$program" ] || [ "${program#fortran}" = "$program" ]; then
    LD_LIBRARY_PATH="$scratch/prefix/lib" "$scratch/build/$program"
  fi
done
# The Fortran programs are built whenever the library was built with its Fortran module.
if [ -f "$scratch/prefix/include/varnexo_api.mod" ] && [ ! -x "$scratch/build/fortran_with_pkgconfig" ]; then
  echo "the Fortran module is installed but the Fortran downstream programs were not built" >&2
  exit 1
fi
