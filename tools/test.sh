#!/usr/bin/env bash
# Installs what is missing, checks the C++ format (tools/check-format.sh), builds, and runs every
# test. Usage: tools/test.sh [--sanitize]
# With --sanitize the whole tree is also compiled with clang and warnings as errors (tools/build.sh
# --clang; compiled only, its tests are not run again), and the fuzz targets over the movie loader,
# the script compiler, the sound reader, the JPEG and PNG decoders and the installer archive's
# readers then run for a minute each, the last three side by side (tools/fuzz.sh); anything they
# find fails the run.
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
  # The image decoders and the installer archive's readers: side by side on the cores there
  # are, so that together they add one minute. With three cores each runs a minute; with two,
  # the PNG decoder and the archive share one core half a minute each; with one, each runs for
  # twenty seconds in turn.
  cores="$(nproc)"
  if [ "$cores" -ge 2 ]; then
    if [ "$cores" -ge 3 ]; then
      "$top/tools/fuzz.sh" fuzz_jpeg 60 & jpeg=$!
      "$top/tools/fuzz.sh" fuzz_png 60 & png=$!
      "$top/tools/fuzz.sh" fuzz_installer_archive 60 & archive=$!
    else
      "$top/tools/fuzz.sh" fuzz_jpeg 60 & jpeg=$!
      ("$top/tools/fuzz.sh" fuzz_png 30 && "$top/tools/fuzz.sh" fuzz_installer_archive 30) & png=$!
      archive=""
    fi
    status=0
    wait "$jpeg" || status=1
    wait "$png" || status=1
    if [ -n "$archive" ]; then wait "$archive" || status=1; fi
    [ "$status" = 0 ]
  else
    "$top/tools/fuzz.sh" fuzz_jpeg 20
    "$top/tools/fuzz.sh" fuzz_png 20
    "$top/tools/fuzz.sh" fuzz_installer_archive 20
  fi
fi
