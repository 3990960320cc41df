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
source "$(dirname "$0")/../common.sh"

qz_bench_build "${1:-build/win64}" qz_bench_selfupdate_1002 qz_bench_selfupdate_1003 qz_bench_http_bare qz_wine_anchor
INSTALLED=$(qz_bench_exe qz_bench_selfupdate_1002)
PUBLISHED=$(qz_bench_exe qz_bench_selfupdate_1003)
BARE=$(qz_bench_exe qz_bench_http_bare)
# The benchmark starts the server (tests/support/test_server.py) and keeps Wine up with
# this build's anchor (tests/support/wine_session.py) itself.
QZ_WINE_ANCHOR=$(qz_bench_exe qz_wine_anchor)
export QZ_WINE_ANCHOR
exec python3 bench/selfupdate/bench_selfupdate.py --installed "$INSTALLED" --published "$PUBLISHED" --bare "$BARE" \
    --port 18432 --rounds "${QZ_BENCH_ROUNDS:-9}" --size "${QZ_BENCH_LAUNCHER_SIZE:-4194304}"
