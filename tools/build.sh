#!/usr/bin/env bash
# Configures and builds the project. Usage: tools/build.sh [--sanitize | --clang]
# The plain build goes to build/, the sanitizer build (no benchmarks) to build-asan/. --clang
# builds everything (tests and benchmarks included) with clang and warnings as errors into
# build-clang/, without optimisation or debug information: it only proves that clang compiles
# the tree cleanly.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$top/build"; extra=(-DPLENWICK_SANITIZE=OFF)
case "${1:-}" in
  # The sanitizer build serves the tests: -O1 with line tables only (the checkers' reports
  # still name files and lines) compiles in little more than half the time of -O2 -g, and the
  # benchmarks, which time optimised code, are left to the other builds.
  --sanitize)
    dir="$top/build-asan"
    extra=(-DPLENWICK_SANITIZE=ON -DPLENWICK_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
      "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG") ;;
  --clang)
    dir="$top/build-clang"
    export CC=clang CXX=clang++
    extra=(-DPLENWICK_SANITIZE=OFF -DPLENWICK_WERROR=ON -DCMAKE_BUILD_TYPE=None) ;;
esac
cmake -S "$top" -B "$dir" -G Ninja "${extra[@]}" >/dev/null
cmake --build "$dir"
