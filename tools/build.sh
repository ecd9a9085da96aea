#!/usr/bin/env bash
# Configures and builds the project. Usage: tools/build.sh [--sanitize | --clang]
# The plain build goes to build/, the sanitizer build to build-asan/. --clang builds everything
# (tests and benchmarks included) with clang and warnings as errors into build-clang/, without
# optimisation or debug information: it only proves that clang compiles the tree cleanly.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$top/build"; extra=(-DPLENWICK_SANITIZE=OFF)
case "${1:-}" in
  --sanitize) dir="$top/build-asan"; extra=(-DPLENWICK_SANITIZE=ON) ;;
  --clang)
    dir="$top/build-clang"
    export CC=clang CXX=clang++
    extra=(-DPLENWICK_SANITIZE=OFF -DPLENWICK_WERROR=ON -DCMAKE_BUILD_TYPE=None) ;;
esac
cmake -S "$top" -B "$dir" -G Ninja "${extra[@]}" >/dev/null
cmake --build "$dir"
