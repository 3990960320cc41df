#!/usr/bin/env bash
# Self-update benchmark: the wall time of one up-to-date check (index fetch, version
# compare, clean-up) and of one full update to a 4 MiB launcher (index, download, MD5
# check, swap, clean-up), each measured inside the program under Wine and set against
# the bare WinINet program (bench/http) fetching the same files in the same rounds;
# curl's times on the host are printed beside them for context.
#
#   bench/selfupdate/run.sh [build folder]     (default: build/win64; built when needed)
#   QZ_BENCH_ROUNDS=N                          rounds (default 9)
#   QZ_BENCH_LAUNCHER_SIZE=BYTES               size of the published launcher (default 4 MiB)
#
# The server listens on 127.0.0.1:18432, the address compiled into the benchmark's
# stand-in launchers.
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build/win64}

echo "== building the benchmark programs in $BUILD"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake --preset win64 -B "$BUILD" >/dev/null
fi
cmake --build "$BUILD" -j2 --target qz_bench_selfupdate_1002 qz_bench_selfupdate_1003 qz_bench_selfupdate_keep_alive qz_bench_http_bare >/dev/null
find_exe() { find "$BUILD" -name "$1.exe" -not -path '*/CMakeFiles/*' | head -n1; }

export QZ_WINEPREFIX=${QZ_WINEPREFIX:-$(cd "$BUILD" && pwd)/wineprefix}
[ -f "$QZ_WINEPREFIX/system.reg" ] || echo "(first Wine start in $QZ_WINEPREFIX: preparing the prefix)"
exec python3 bench/selfupdate/bench_selfupdate.py \
    --installed "$(find_exe qz_bench_selfupdate_1002)" \
    --published "$(find_exe qz_bench_selfupdate_1003)" \
    --bare "$(find_exe qz_bench_http_bare)" \
    --keep-alive "$(find_exe qz_bench_selfupdate_keep_alive)" \
    --port 18432 --rounds "${QZ_BENCH_ROUNDS:-9}" --size "${QZ_BENCH_LAUNCHER_SIZE:-4194304}"
