#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Usage: tools/test.sh [--sanitize]
# With --sanitize the fuzz targets over the movie loader and the script compiler then run for a
# minute each (tools/fuzz.sh); anything they find fails the run.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/tools/install-deps.sh"
"$top/tools/build.sh" "$@"
dir="$top/build"
sanitize=0
if [ "${1:-}" = "--sanitize" ]; then
  dir="$top/build-asan"
  sanitize=1
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
(cd "$dir" && ctest --output-on-failure -j "$(nproc)")
if [ "$sanitize" = 1 ]; then
  "$top/tools/fuzz.sh" fuzz_movie_loader 60
  "$top/tools/fuzz.sh" fuzz_compile_script 60
fi
