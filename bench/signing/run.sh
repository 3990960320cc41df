#!/usr/bin/env bash
# Signed-update benchmark: what the signature check adds to the self-update, measured
# inside the programs under Wine with the launcher built with and without a key.
#   bench/signing/run.sh [build folder]     (default: build/win64; built when needed)
#   QZ_BENCH_ROUNDS=N, QZ_BENCH_LAUNCHER_SIZE=BYTES as for bench/selfupdate.
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build/win64}
echo "== building the benchmark programs in $BUILD"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake --preset win64 -B "$BUILD" >/dev/null
fi
cmake --build "$BUILD" -j2 --target qz_bench_selfupdate_1002 qz_bench_selfupdate_signed_1002 \
    qz_bench_selfupdate_1003 qz_bench_selfupdate_keep_alive qz_bench_http_bare >/dev/null
find_exe() { find "$BUILD" -name "$1.exe" -not -path '*/CMakeFiles/*' | head -n1; }
export QZ_WINEPREFIX=${QZ_WINEPREFIX:-$(cd "$BUILD" && pwd)/wineprefix}
exec python3 bench/signing/bench_signing.py \
    --unsigned "$(find_exe qz_bench_selfupdate_1002)" \
    --signed "$(find_exe qz_bench_selfupdate_signed_1002)" \
    --published "$(find_exe qz_bench_selfupdate_1003)" \
    --bare "$(find_exe qz_bench_http_bare)" \
    --keep-alive "$(find_exe qz_bench_selfupdate_keep_alive)" \
    --sign-key tests/signing/keys/test_update_key.pem \
    --port 18432 --rounds "${QZ_BENCH_ROUNDS:-9}" --size "${QZ_BENCH_LAUNCHER_SIZE:-4194304}"
