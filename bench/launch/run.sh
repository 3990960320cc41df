#!/usr/bin/env bash
# Start-up benchmark: the launcher from its process start
#   - to its updater's process start, with only the official client installed, against
#     a minimal program that makes the launcher's dialog hidden and starts the same updater
#     from its initialisation (qz_bench_min_dialog);
#   - to its window first shown, with both clients installed, against a minimal
#     program that only shows a window of the same size (qz_bench_min_window);
# both pairs timed side by side in one run by qz_bench_launch_timer under Wine, the
# order alternating round by round. Prints the medians and the ratios launcher/minimal.
#
#   bench/launch/run.sh [build folder] [rounds]   (default: build/win64, 21 rounds; built when needed)
# Uses $DISPLAY when QZ_KEEP_DISPLAY is set, else starts an Xvfb display of its own.
# The launcher's self-update asks a local test server on 127.0.0.1:18434, which finds
# it up to date.
set -euo pipefail
source "$(dirname "$0")/../common.sh"
BUILD=${1:-build/win64}
ROUNDS=${2:-21}

qz_bench_build "$BUILD" qz_bench_launch_launcher qz_bench_launch_timer qz_bench_min_dialog qz_bench_min_window \
    client_standin qz_wine_anchor
# The Wine anchor of this build, wherever the build folder is.
QZ_WINE_ANCHOR=$(qz_bench_exe qz_wine_anchor)
export QZ_WINE_ANCHOR
BENCH=$(dirname "$(qz_bench_exe qz_bench_launch_timer)")
STANDIN=$(qz_bench_exe client_standin)
VERSION=$(sed -n 's/^QZ_FILE_VERSION:STRING=//p' "$BUILD/CMakeCache.txt")

qz_bench_scratch launch

# Four client folders: the launcher and the minimal dialog with the official client
# only, the launcher with both clients, and the minimal window program.
layout() {  # folder program clients...
    local folder=$WORK/$1 program=$2
    shift 2
    mkdir -p "$folder"
    cp "$program" "$folder/"
    for client in "$@"; do
        mkdir -p "$folder/bin/$client"
        cp "$STANDIN" "$folder/bin/$client/clientpatch.exe"
    done
}
layout launcher-official "$BENCH/launcher/ArdunLauncher.exe" zhcn
layout minimal-dialog "$BENCH/qz_bench_min_dialog.exe" zhcn
layout launcher-both "$BENCH/launcher/ArdunLauncher.exe" zhcn zhcn_exp
layout minimal-window "$BENCH/qz_bench_min_window.exe"
mkdir -p "$WORK/www/ardunlauncher"
printf '[SelfUpdate]\r\nLastestVersionNumber=%s\r\n' "$VERSION" >"$WORK/www/ardunlauncher/index.txt"
win() { echo "Z:$1" | tr / '\\'; }

echo "== starting the update server, the display and Wine"
qz_bench_server "$WORK/www" 18434
qz_bench_session

timer() {  # mode a b
    "$ROOT/tools/wine-run" "$BENCH/qz_bench_launch_timer.exe" "$1" "$ROUNDS" "$(win "$2")" "$(win "$3")" |
        tr -d '\r' | tee "$WORK/$1.txt" | sed 's/^/   /'
}
field() {  # mode program key: one value of a summary line
    awk -v p="program=$2" -v k="$3" '$1 == "summary" && $2 == p {
        for (i = 3; i <= NF; i++) { split($i, kv, "="); if (kv[1] == k) print kv[2] } }' "$WORK/$1.txt"
}

echo "== warming up"
timer updater "$WORK/launcher-official/ArdunLauncher.exe" "$WORK/minimal-dialog/qz_bench_min_dialog.exe" \
    >/dev/null 2>&1 || true
echo "== to the updater's process start ($ROUNDS rounds; A launcher, B minimal dialog)"
timer updater "$WORK/launcher-official/ArdunLauncher.exe" "$WORK/minimal-dialog/qz_bench_min_dialog.exe"
echo "== to the window first shown ($ROUNDS rounds; A launcher, B minimal window)"
timer window "$WORK/launcher-both/ArdunLauncher.exe" "$WORK/minimal-window/qz_bench_min_window.exe"

echo
echo "== results (machine load: $(cut -d' ' -f1-3 /proc/loadavg))"
awk -v la="$(field updater A median_ms)" -v lb="$(field updater B median_ms)" \
    -v ba="$(field updater A best_ms)" -v bb="$(field updater B best_ms)" \
    -v wa="$(field window A median_ms)" -v wb="$(field window B median_ms)" \
    -v xa="$(field window A best_ms)" -v xb="$(field window B best_ms)" \
    -v sa="$(field window A sized_median_ms)" 'BEGIN {
    printf "                                    launcher   minimal    ratio (medians; best times)\n"
    printf "   to the updater process start   %7.1f ms %7.1f ms   %5.2f ; %5.2f\n", la, lb, la / lb, ba / bb
    printf "   to the window first shown      %7.1f ms %7.1f ms   %5.2f ; %5.2f\n", wa, wb, wa / wb, xa / xb
    printf "   to the window sized and cut    %7.1f ms                (launcher only)\n", sa
}'
