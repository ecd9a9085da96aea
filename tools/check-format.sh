#!/usr/bin/env bash
# Fails, naming each file and line, when a C++ file of the tree is not in the project's format
# (.clang-format at the top). `clang-format -i FILE` puts a file in it.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find app bench host media platform preloader publish resources script swf tests tools ui \
                         -name '*.cpp' -o -name '*.h' | sort)
fi
if clang-format --dry-run --Werror "${files[@]}"; then
  echo "format: ${#files[@]} files in the project's format"
else
  echo "format: files above are not in the project's format (clang-format -i FILE)" >&2
  exit 1
fi
