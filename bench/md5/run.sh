#!/usr/bin/env bash
# MD5 throughput of MakeFileMD5 against md5sum, on one 256 MiB file, in one run:
#   native - a release (-O2) host build of base/md5*.cpp
#   wine   - the x86_64 Windows build (Release) under Wine
# Each round runs md5sum, then the native build, then the Windows build, on the file
# already in the page cache; the best of the rounds counts. Ratios above 1 mean faster
# than md5sum. Our times are of the digest alone; md5sum's include its process start.
set -euo pipefail
source "$(dirname "$0")/../common.sh"
work=${QZ_BENCH_DIR:-$ROOT/build/bench-md5}
rounds=${QZ_BENCH_ROUNDS:-5}
size_mib=256
mkdir -p "$work"

data=$work/data.bin
if [ ! -f "$data" ] || [ "$(stat -c %s "$data")" != $((size_mib * 1024 * 1024)) ]; then
    echo "bench: writing a ${size_mib} MiB file of random bytes"
    head -c $((size_mib * 1024 * 1024)) /dev/urandom >"$data"
fi

echo "bench: building the native release binary"
${CXX:-clang++} -O2 -std=c++17 -I"$ROOT" -include "$ROOT/base/qz_compat.h" \
    "$ROOT/base/md5.cpp" "$ROOT/base/md5_file.cpp" "$ROOT/base/digest_stream.cpp" "$ROOT/base/hex_text.cpp" \
    "$ROOT/bench/md5/md5_bench.cpp" -o "$work/md5_bench"

qz_bench_build "$work/win64" -DQZ_BUILD_TESTS=OFF md5_bench
win_exe=$(qz_bench_exe md5_bench)
qz_bench_wine
win_data="Z:$(echo "$data" | tr / '\\')"

cat "$data" >/dev/null  # into the page cache

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
smaller() { awk "BEGIN { print ($1 < $2) ? $1 : $2 }"; }
best_md5sum=999999 best_native=999999 best_wine=999999
expected=$(md5sum "$data" | cut -d' ' -f1)
for round in $(seq 1 "$rounds"); do
    t0=$(now); md5sum "$data" >/dev/null; t1=$(now)
    t_md5sum=$(calc "$t1 - $t0")
    read -r d_native t_native < <("$work/md5_bench" "$data")
    read -r d_wine t_wine < <("$ROOT/tools/wine-run" "$win_exe" "$win_data" | tr -d '\r')
    for d in "$d_native" "$d_wine"; do
        [ "$d" = "$expected" ] || { echo "bench: digest $d differs from md5sum's $expected" >&2; exit 1; }
    done
    printf 'round %d: md5sum %.3f s, native %.3f s, wine %.3f s\n' "$round" "$t_md5sum" "$t_native" "$t_wine"
    best_md5sum=$(smaller "$t_md5sum" "$best_md5sum")
    best_native=$(smaller "$t_native" "$best_native")
    best_wine=$(smaller "$t_wine" "$best_wine")
done

mibps() { calc "$size_mib / $1"; }
printf 'md5sum (%s):          %7.1f MiB/s\n' "$(md5sum --version | head -n1 | awk '{print $NF}')" "$(mibps "$best_md5sum")"
printf 'MakeFileMD5 native -O2:  %7.1f MiB/s  ratio to md5sum %.2f\n' "$(mibps "$best_native")" \
    "$(calc "$best_md5sum / $best_native")"
printf 'MakeFileMD5 win64/Wine:  %7.1f MiB/s  ratio to md5sum %.2f\n' "$(mibps "$best_wine")" \
    "$(calc "$best_md5sum / $best_wine")"
