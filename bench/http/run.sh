#!/usr/bin/env bash
# Download benchmark: a 256 MiB body from the local test server, fetched three ways in
# one run - QZ_HttpSyncDownloadFile (qz_bench_http_ours, under Wine), a bare WinINet
# read-and-write loop (qz_bench_http_bare, the platform's own limit) and curl (for
# context) - then the peak working set of our download for a 16 MiB and a 256 MiB body.
#
#   bench/http/run.sh [build folder]     (default: build/win64; built when needed)
#   QZ_BENCH_ROUNDS=N                    rounds (default 9)
#
# On a shared machine single times scatter widely, so the comparison rests on the best
# time of each method (the least disturbed run); the median of the per-round ratios
# (each round runs both programs back to back) is printed beside it.
set -euo pipefail
source "$(dirname "$0")/../common.sh"
ROUNDS=${QZ_BENCH_ROUNDS:-9}
BIG=$((256 * 1024 * 1024))
SMALL=$((16 * 1024 * 1024))

qz_bench_build "${1:-build/win64}" qz_bench_http_ours qz_bench_http_bare
OURS=$(qz_bench_exe qz_bench_http_ours)
BARE=$(qz_bench_exe qz_bench_http_bare)

# Files go to memory (tmpfs) where there is one, so the disk's write-back does not
# blur the transfer times.
qz_bench_scratch http
mkdir -p "$WORK/data" "$WORK/out"

echo "== starting the test server and Wine"
qz_bench_server "$WORK/data"
qz_bench_wine

WIN_OUT="Z:$(echo "$WORK/out" | tr / '\\')"

# Runs one Windows benchmark program; prints its report line.
run_exe() {  # exe size name
    tools/wine-run "$1" "http://127.0.0.1:$PORT/body/$2" "$WIN_OUT\\$3" 2>"$WORK/stderr" | tr -d '\r' | grep '^result=' ||
        { echo "result=0"; cat "$WORK/stderr" >&2; }
}
field() { echo " $1" | sed -n "s/.* $2=\([^ ]*\).*/\1/p"; }

check_size() {  # file expected method
    local got
    got=$(stat -c %s "$1" 2>/dev/null || echo 0)
    if [ "$got" != "$2" ]; then
        echo "FAILED: $3 stored $got bytes instead of $2" >&2
        exit 1
    fi
    rm -f "$1"
}

echo "== warming up"
run_exe "$OURS" 1048576 warm.bin >/dev/null
run_exe "$BARE" 1048576 warm.bin >/dev/null
curl -s -o "$WORK/out/warm.bin" "http://127.0.0.1:$PORT/body/1048576"
rm -f "$WORK/out/warm.bin"

echo "== 256 MiB, $ROUNDS rounds, methods interleaved"
all_ours=; all_bare=; all_curl=; all_ratio=
timed_exe() {  # exe name method -> seconds
    local line
    line=$(run_exe "$1" "$BIG" "$2")
    [ "$(field "$line" result)" = 1 ] || { echo "FAILED: $3: $line" >&2; exit 1; }
    check_size "$WORK/out/$2" "$BIG" "$3"
    field "$line" seconds
}
for round in $(seq 1 "$ROUNDS"); do
    # Alternate which Windows program goes first, so drift in the machine's load
    # does not favour one of them.
    if [ $((round % 2)) = 1 ]; then
        s_ours=$(timed_exe "$OURS" ours.bin "our download")
        s_bare=$(timed_exe "$BARE" bare.bin "bare loop")
    else
        s_bare=$(timed_exe "$BARE" bare.bin "bare loop")
        s_ours=$(timed_exe "$OURS" ours.bin "our download")
    fi

    s_curl=$(curl -s -o "$WORK/out/curl.bin" -w '%{time_total}' "http://127.0.0.1:$PORT/body/$BIG")
    check_size "$WORK/out/curl.bin" "$BIG" "curl"

    printf '   round %d: ours %.3f s, bare WinINet %.3f s, curl %.3f s\n' "$round" "$s_ours" "$s_bare" "$s_curl"
    all_ours="$all_ours $s_ours"; all_bare="$all_bare $s_bare"; all_curl="$all_curl $s_curl"
    all_ratio="$all_ratio $(awk -v o="$s_ours" -v b="$s_bare" 'BEGIN { print b / o }')"
done
# The best and the median of a list of times.
best() { echo $1 | tr ' ' '\n' | sort -g | head -n1; }
median() { echo $1 | tr ' ' '\n' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "== peak working set of our download"
line16=$(run_exe "$OURS" "$SMALL" ws16.bin)
check_size "$WORK/out/ws16.bin" "$SMALL" "our download (16 MiB)"
line256=$(run_exe "$OURS" "$BIG" ws256.bin)
check_size "$WORK/out/ws256.bin" "$BIG" "our download (256 MiB)"
ws16=$(field "$line16" peak_working_set)
ws256=$(field "$line256" peak_working_set)

echo
echo "== results: 256 MiB body from 127.0.0.1, $ROUNDS rounds (machine load: $(cut -d' ' -f1-3 /proc/loadavg))"
awk -v big="$BIG" -v bo="$(best "$all_ours")" -v bb="$(best "$all_bare")" -v bc="$(best "$all_curl")" \
    -v mo="$(median "$all_ours")" -v mb="$(median "$all_bare")" -v mc="$(median "$all_curl")" \
    -v mr="$(median "$all_ratio")" -v w16="$ws16" -v w256="$ws256" 'BEGIN {
    mib = big / 1048576
    printf "                              best           median\n"
    printf "   QZ_HttpSyncDownloadFile   %7.1f MiB/s   %7.1f MiB/s\n", mib / bo, mib / mo
    printf "   bare WinINet loop         %7.1f MiB/s   %7.1f MiB/s\n", mib / bb, mib / mb
    printf "   curl (host, for context)  %7.1f MiB/s   %7.1f MiB/s\n", mib / bc, mib / mc
    printf "   ours / bare WinINet       %7.3f (best times; target >= 0.95: %s)\n", bb / bo,
           (bb / bo >= 0.95 ? "met" : "NOT MET")
    printf "   ours / bare WinINet       %7.3f (median of the per-round ratios)\n", mr
    printf "   peak working set, 16 MiB  %7.1f MiB\n", w16 / 1048576
    printf "   peak working set, 256 MiB %7.1f MiB  (growth %+.1f MiB for 16x the body: %s)\n", w256 / 1048576,
           (w256 - w16) / 1048576, ((w256 - w16) < 4 * 1048576 ? "does not grow with the file" : "GROWS")
}'
