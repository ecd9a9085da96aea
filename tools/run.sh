#!/usr/bin/env bash
# Installs what is missing, builds, and starts Plenwick.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/tools/install-deps.sh"
"$top/tools/build.sh"
exec "$top/build/Plenwick.app/bin/plenwick" "$@"
