#!/usr/bin/env bash
# Builds and runs the standalone libFuzzer targets of tests/fuzz/ (fuzz_*.cpp) with clang (ASan + UBSan).
# Usage: tools/fuzz.sh [target] [seconds]   (default: every target, 60 seconds each)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$top/build-fuzz"; mkdir -p "$out"
secs="${2:-60}"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I"$top")
declare -A sources=(
  [fuzz_xml]="host/XmlTree.cpp host/Text.cpp"
  [fuzz_rsrc]="host/ResourceMap.cpp"
  [fuzz_strings]="host/StringTable.cpp host/Bundle.cpp host/Text.cpp"
  [fuzz_inflate]="platform/Checksum.cpp"
  [fuzz_appledouble]="host/ResourceFork.cpp"
  [fuzz_project]="$(cd "$top" && echo host/*.cpp platform/*.cpp swf/*.cpp preloader/*.cpp)"
  [fuzz_actions]="swf/SwfHeader.cpp swf/SwfBasicRecords.cpp swf/ActionBranch.cpp swf/ActionConstantPool.cpp swf/ActionGeneric.cpp swf/ActionListing.cpp swf/ActionPush.cpp swf/ActionRecord.cpp swf/OperandActions.cpp swf/SimpleActions.cpp swf/DoActionTag.cpp swf/SwfBitWriter.cpp swf/SwfReader.cpp swf/SwfRecord.cpp swf/SwfString.cpp host/Text.cpp"
  [fuzz_media_tags]="$(cd "$top" && echo host/*.cpp platform/*.cpp swf/*.cpp)"
)
declare -A libs=([fuzz_xml]="-lexpat" [fuzz_rsrc]="" [fuzz_strings]="" [fuzz_inflate]="-lz" [fuzz_appledouble]="" [fuzz_project]="-lexpat -lz -lcurl -ldl -lpthread" [fuzz_actions]="" [fuzz_media_tags]="-lexpat -lz -lcurl -ldl -lpthread")
for t in "${!sources[@]}"; do
  if [ -n "${1:-}" ] && [ "$1" != "$t" ]; then continue; fi
  srcs=(); for s in ${sources[$t]}; do srcs+=("$top/$s"); done
  clang++ "${flags[@]}" "$top/tests/fuzz/$t.cpp" "${srcs[@]}" ${libs[$t]} -o "$out/$t"
  mkdir -p "$out/corpus-$t"
  seeds=(); [ -d "$top/tests/fuzz/seeds/$t" ] && seeds=("$top/tests/fuzz/seeds/$t")
  "$out/$t" -max_total_time="$secs" -max_len=65536 "$out/corpus-$t" "${seeds[@]}"
done
