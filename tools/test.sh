#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Usage: tools/test.sh [--sanitize]
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/tools/install-deps.sh"
"$top/tools/build.sh" "$@"
dir="$top/build"
if [ "${1:-}" = "--sanitize" ]; then
  dir="$top/build-asan"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
cd "$dir"
ctest --output-on-failure -j "$(nproc)"
