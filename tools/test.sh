#!/usr/bin/env bash
# Installs what is missing, checks the C++ format (tools/check-format.sh), builds, and runs every
# test. Usage: tools/test.sh [--sanitize]
# With --sanitize the whole tree is also compiled with clang and warnings as errors (tools/build.sh
# --clang; compiled only, its tests are not run again), and the fuzz targets over the movie loader,
# the script compiler and the JPEG and PNG decoders then run for a minute each (tools/fuzz.sh);
# anything they find fails the run.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/tools/install-deps.sh"
"$top/tools/check-format.sh"
"$top/tools/build.sh" "$@"
dir="$top/build"
sanitize=0
if [ "${1:-}" = "--sanitize" ]; then
  dir="$top/build-asan"
  sanitize=1
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$top/tools/lsan.supp"
  "$top/tools/build.sh" --clang
fi
# Every test runs in a known locale, and windows are drawn offscreen (no display is needed).
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
(cd "$dir" && ctest --output-on-failure -j "$(nproc)")
if [ "$sanitize" = 1 ]; then
  "$top/tools/fuzz.sh" fuzz_movie_loader 60
  "$top/tools/fuzz.sh" fuzz_compile_script 60
  "$top/tools/fuzz.sh" fuzz_sound 60
  # The image decoders: side by side when there are cores for both, so they add one minute.
  if [ "$(nproc)" -ge 2 ]; then
    "$top/tools/fuzz.sh" fuzz_jpeg 60 & jpeg=$!
    "$top/tools/fuzz.sh" fuzz_png 60 & png=$!
    status=0
    wait "$jpeg" || status=1
    wait "$png" || status=1
    [ "$status" = 0 ]
  else
    "$top/tools/fuzz.sh" fuzz_jpeg 30
    "$top/tools/fuzz.sh" fuzz_png 30
  fi
fi
