#!/usr/bin/env bash
# Shape benchmark: the time to cut the launcher window's shape from its picture
# (_InitDialogRegion: one GetPixel per pixel, one region union per run) for 2 and for
# 8 choices, each as a ratio to one GetDIBits read of the same picture in the same run.
#
#   bench/skin/run.sh [build folder] [rounds]   (default: build/win64, 5 rounds; built when needed)
# Uses $DISPLAY when QZ_KEEP_DISPLAY is set, else starts an Xvfb display of its own.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
BUILD=${1:-build/win64}
ROUNDS=${2:-5}

echo "== building the benchmark program in $BUILD"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake --preset win64 -B "$BUILD" >/dev/null
fi
cmake --build "$BUILD" -j2 --target qz_bench_skin >/dev/null
PROGRAM=$(find "$BUILD" -name qz_bench_skin.exe -not -path '*/CMakeFiles/*' | head -n1)

export QZ_WINEPREFIX=${QZ_WINEPREFIX:-$(cd "$BUILD" && pwd)/wineprefix}
source tools/test-session.sh
qz_session_start
trap qz_session_stop EXIT

echo "== running $PROGRAM ($ROUNDS rounds)"
"$ROOT/tools/wine-run" "$PROGRAM" "$ROUNDS"
