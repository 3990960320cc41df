#!/usr/bin/env bash
# Shape benchmark: the time to cut the launcher window's shape from its picture
# (QZ_CreateShapeRegion, which _InitDialogRegion calls: one read of the picture, one
# region of all runs) for 2 and for 8 choices, each as a ratio to one GetDIBits read of
# the same picture in the same run; beside it the whole _InitDialogRegion step.
#
#   bench/skin/run.sh [build folder] [rounds]   (default: build/win64, 5 rounds; built when needed)
# Uses $DISPLAY when QZ_KEEP_DISPLAY is set, else starts an Xvfb display of its own.
set -euo pipefail
source "$(dirname "$0")/../common.sh"
ROUNDS=${2:-5}

qz_bench_build "${1:-build/win64}" qz_bench_skin
PROGRAM=$(qz_bench_exe qz_bench_skin)

qz_bench_session

echo "== running $PROGRAM ($ROUNDS rounds)"
"$ROOT/tools/wine-run" "$PROGRAM" "$ROUNDS"
