#!/usr/bin/env bash
# Configures and builds the project. Usage: tools/build.sh [--sanitize]
# The plain build goes to build/, the sanitizer build to build-asan/.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$top/build"; sanitize=OFF
if [ "${1:-}" = "--sanitize" ]; then dir="$top/build-asan"; sanitize=ON; fi
cmake -S "$top" -B "$dir" -G Ninja -DPLENWICK_SANITIZE="$sanitize" >/dev/null
cmake --build "$dir"
