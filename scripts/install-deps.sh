#!/bin/sh
# Installs the Debian packages the build needs, quietly, and only those that are missing.
# Usage: scripts/install-deps.sh [--peers] [--fuzz]   (--peers adds the peer solvers used by the
# benchmark, --fuzz clang and its libFuzzer and sanitizer runtimes for scripts/fuzz.sh)
# PETSc (real and complex) and OpenMPI serve the PETSc plug-in and its tests; they are large, so
# the first run takes a while and later runs find them installed and do nothing.
set -e
pkgs="cmake g++ gfortran pkg-config clang-format libopenblas-dev liblapack-dev libmetis-dev libgtest-dev libgmock-dev libbenchmark-dev"
# The Python package: built with pybind11 for Debian's python3, tested with pytest against SciPy.
pkgs="$pkgs python3-dev pybind11-dev python3-pybind11 python3-numpy python3-scipy python3-pytest"
pkgs="$pkgs petsc-dev libpetsc-complex-dev openmpi-bin"
for arg in "$@"; do
  case "$arg" in
    --peers) pkgs="$pkgs libsuitesparse-dev libmumps-seq-dev libsuperlu-dev" ;;
    --fuzz) pkgs="$pkgs clang libclang-rt-14-dev" ;;
  esac
done
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
# Another apt-get may hold the lock for a while (a second build on the same machine): wait for it.
$SUDO apt-get update -qq -o DPkg::Lock::Timeout=600 >/dev/null
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 \
  $missing >/dev/null
