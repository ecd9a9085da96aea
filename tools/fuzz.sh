#!/usr/bin/env bash
# Builds and runs libFuzzer targets of tests/fuzz/ with clang (ASan + UBSan) for a fixed time.
# Usage: tools/fuzz.sh [target] [seconds]   (default: every target, 60 seconds each)
#
# Standalone targets (tests/fuzz/fuzz_*.cpp) are compiled from their sources into build-fuzz/.
# Sub-folder targets (fuzz_movie_loader, fuzz_compile_script) are built by cmake in
# build-clang-fuzz/, with the libraries they link instrumented too; only those targets are built.
# Any crash, leak, timeout (-timeout) or allocation over the limits (-rss_limit_mb,
# -malloc_limit_mb) ends the run with a failure; the failing input is kept in <build>/artifacts/
# and also printed (gzip, base64) so that it can be taken from a log.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
secs="${2:-60}"
corpus="${PLENWICK_CORPUS_DIR:-$top/../shared/corpus}"
limits=(-rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=10 -print_final_stats=1)

# Runs a built target for `secs` seconds; on failure prints the kept inputs and fails.
run_target() {
  local exe="$1" work="$2"; shift 2
  mkdir -p "$work/corpus" "$work/artifacts"
  rm -f "$work"/artifacts/*
  echo "fuzz: $(basename "$exe") for ${secs} s"
  if ! "$exe" -max_total_time="$secs" "${limits[@]}" -artifact_prefix="$work/artifacts/" "$@"; then
    for a in "$work"/artifacts/*; do
      [ -f "$a" ] || continue
      echo "fuzz: failing input $a (gzip, base64):"
      gzip -c "$a" | base64 -w 100
    done
    echo "fuzz: $(basename "$exe") failed" >&2
    return 1
  fi
}

# --- Standalone targets ---------------------------------------------------------------------
out="$top/build-fuzz"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I"$top")
declare -A sources=(
  [fuzz_xml]="host/XmlTree.cpp host/Text.cpp"
  [fuzz_rsrc]="host/ResourceMap.cpp"
  [fuzz_strings]="host/StringTable.cpp host/Bundle.cpp host/Text.cpp"
  [fuzz_inflate]="platform/Checksum.cpp"
  [fuzz_appledouble]="host/ResourceFork.cpp"
  [fuzz_actions]="swf/SwfHeader.cpp swf/SwfBasicRecords.cpp swf/ActionBranch.cpp swf/ActionConstantPool.cpp swf/ActionGeneric.cpp swf/ActionListing.cpp swf/ActionPush.cpp swf/ActionRecord.cpp swf/OperandActions.cpp swf/SimpleActions.cpp swf/DoActionTag.cpp swf/SwfBitWriter.cpp swf/SwfReader.cpp swf/SwfBytes.cpp swf/SwfRecord.cpp swf/SwfString.cpp host/Text.cpp"
  [fuzz_media_tags]="$(cd "$top" && echo host/*.cpp platform/*.cpp swf/*.cpp)"
  [fuzz_jpeg]="$(cd "$top" && echo host/*.cpp platform/*.cpp) media/Bitmap.cpp media/JpegBitmap.cpp media/JpegSectionList.cpp"
  [fuzz_png]="$(cd "$top" && echo host/*.cpp platform/*.cpp) media/Bitmap.cpp media/PngBitmap.cpp"
  [fuzz_media_reader]="host/MediaFile.cpp host/Text.cpp platform/WideString.cpp platform/OffscreenGWorld.cpp media/Bitmap.cpp media/QuickTimeMovie.cpp"
  [fuzz_sound]="host/MediaFile.cpp"
)
declare -A libs=([fuzz_xml]="-lexpat" [fuzz_rsrc]="" [fuzz_strings]="" [fuzz_inflate]="-lz" [fuzz_appledouble]="" [fuzz_actions]="" [fuzz_media_tags]="-lexpat -lz -lcurl -ldl -lpthread" [fuzz_jpeg]="-lexpat -lz -lcurl -ldl -lpthread -ljpeg" [fuzz_png]="-lexpat -lz -lcurl -ldl -lpthread -lpng")
libs[fuzz_media_reader]="$(pkg-config --libs libavformat libavcodec libswscale libswresample libavutil)"
libs[fuzz_sound]="${libs[fuzz_media_reader]}"
# Targets built from every file of host/ need what those files use: FFmpeg (the media reader),
# FreeType and fontconfig (the font faces).
flags+=($(pkg-config --cflags freetype2 fontconfig))
for t in fuzz_media_tags fuzz_jpeg fuzz_png; do
  libs[$t]+=" $(pkg-config --libs libavformat libavcodec libswscale libswresample libavutil freetype2 fontconfig)"
done
# Standalone targets that run under the limits above (memory, time per input), with their
# failing inputs kept and printed.
declare -A bounded=([fuzz_jpeg]=1 [fuzz_png]=1 [fuzz_media_reader]=1 [fuzz_sound]=1)
# Sub-folder targets and their folders under tests/fuzz.
declare -A folders=([fuzz_movie_loader]=movie [fuzz_compile_script]=compiler [fuzz_project]=project
  [fuzz_installer_archive]=installer)
if [ -n "${1:-}" ] && [ -z "${sources[$1]+x}" ] && [ -z "${folders[$1]+x}" ]; then
  echo "fuzz: no target $1" >&2
  exit 2
fi

for t in "${!sources[@]}"; do
  if [ -n "${1:-}" ] && [ "$1" != "$t" ]; then continue; fi
  mkdir -p "$out"
  srcs=(); for s in ${sources[$t]}; do srcs+=("$top/$s"); done
  clang++ "${flags[@]}" "$top/tests/fuzz/$t.cpp" "${srcs[@]}" ${libs[$t]} -o "$out/$t"
  mkdir -p "$out/corpus-$t"
  seeds=(); [ -d "$top/tests/fuzz/seeds/$t" ] && seeds=("$top/tests/fuzz/seeds/$t")
  if [ "$t" = fuzz_media_reader ]; then
    # Seeds made by FFmpeg's encoders: one small file of each kind the reader opens.
    clang++ -std=c++20 -O1 -I"$top" "$top/tests/fuzz/media_reader_seeds.cpp" ${libs[$t]} -o "$out/media_reader_seeds"
    rm -rf "$out/seeds-$t"; mkdir -p "$out/seeds-$t"
    "$out/media_reader_seeds" "$out/seeds-$t"
    seeds+=("$out/seeds-$t")
  fi
  if [ "$t" = fuzz_sound ]; then
    # Seeds made by FFmpeg's encoders: a short tone in each of several sound files.
    clang++ -std=c++20 -O1 -I"$top" "$top/tests/fuzz/sound_seeds.cpp" ${libs[$t]} -o "$out/sound_seeds"
    rm -rf "$out/seeds-$t"; mkdir -p "$out/seeds-$t"
    "$out/sound_seeds" "$out/seeds-$t"
    seeds+=("$out/seeds-$t")
  fi
  dict=(); [ -f "$top/tests/fuzz/$t.dict" ] && dict=(-dict="$top/tests/fuzz/$t.dict")
  if [ -n "${bounded[$t]+x}" ]; then
    run_target "$out/$t" "$out/run-$t" "$out/corpus-$t" "${seeds[@]}" "${dict[@]}" -max_len=65536
  else
    "$out/$t" -max_total_time="$secs" -max_len=65536 "$out/corpus-$t" "${seeds[@]}"
  fi
done

# --- Sub-folder targets, built by cmake ---------------------------------------------------
cbuild="$top/build-clang-fuzz"
wanted=()
for t in fuzz_movie_loader fuzz_compile_script fuzz_project fuzz_installer_archive; do
  if [ -z "${1:-}" ] || [ "$1" = "$t" ]; then wanted+=("$t"); fi
done
if [ "${#wanted[@]}" -gt 0 ]; then
  CC=clang CXX=clang++ cmake -S "$top" -B "$cbuild" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
    -DPLENWICK_BUILD_BENCH=OFF -DPLENWICK_BUILD_TESTS=ON >/dev/null
  cmake --build "$cbuild" --target "${wanted[@]}"
fi
for t in "${wanted[@]}"; do
  exe="$cbuild/tests/fuzz/${folders[$t]}/$t"
  work="$cbuild/run-$t"
  case "$t" in
    fuzz_movie_loader)
      # Seeds: every movie of the corpora (linked into one folder, so that nothing but movies is read).
      rm -rf "$work/seeds"; mkdir -p "$work/seeds"
      if [ -d "$corpus" ]; then
        i=0
        while IFS= read -r -d '' m; do
          ln -s "$m" "$work/seeds/$i.swf"; i=$((i + 1))
        done < <(find "$corpus" -name '*.swf' -type f -print0 | sort -z)
      else
        echo "fuzz: no movie corpus at $corpus; starting from the dictionary alone"
      fi
      run_target "$exe" "$work" "$work/corpus" "$work/seeds" -dict="$top/tests/fuzz/swf.dict" -max_len=65536
      ;;
    fuzz_compile_script)
      run_target "$exe" "$work" "$work/corpus" "$top/tests/fuzz/compiler/corpus" \
        -dict="$top/tests/fuzz/script_parser/script.dict" -max_len=4096
      ;;
    fuzz_project)
      run_target "$exe" "$work" "$work/corpus" "$top/tests/fuzz/seeds/fuzz_project" -max_len=65536
      ;;
    fuzz_installer_archive)
      run_target "$exe" "$work" "$work/corpus" "$top/tests/fuzz/installer/seeds" -max_len=65536
      ;;
  esac
done
