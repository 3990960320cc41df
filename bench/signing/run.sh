#!/usr/bin/env bash
# Signed-update benchmark: what the signature check adds to the self-update, measured
# inside the programs under Wine with the launcher built with and without a key.
#   bench/signing/run.sh [build folder]     (default: build/win64; built when needed)
#   QZ_BENCH_ROUNDS=N, QZ_BENCH_LAUNCHER_SIZE=BYTES as for bench/selfupdate.
set -euo pipefail
source "$(dirname "$0")/../common.sh"
qz_bench_build "${1:-build/win64}" qz_bench_selfupdate_1002 qz_bench_selfupdate_signed_1002 \
    qz_bench_selfupdate_signed_1003 qz_bench_http_bare qz_wine_anchor
UNSIGNED=$(qz_bench_exe qz_bench_selfupdate_1002)
SIGNED=$(qz_bench_exe qz_bench_selfupdate_signed_1002)
PUBLISHED=$(qz_bench_exe qz_bench_selfupdate_signed_1003)
BARE=$(qz_bench_exe qz_bench_http_bare)
QZ_WINE_ANCHOR=$(qz_bench_exe qz_wine_anchor)
export QZ_WINE_ANCHOR
exec python3 bench/signing/bench_signing.py --unsigned "$UNSIGNED" --signed "$SIGNED" --published "$PUBLISHED" \
    --bare "$BARE" --sign-key tests/signing/keys/test_update_key.pem \
    --port 18432 --rounds "${QZ_BENCH_ROUNDS:-9}" --size "${QZ_BENCH_LAUNCHER_SIZE:-4194304}"
