#!/usr/bin/env bash
# Fuzzes the version-text parser of the host build (ASan and UBSan on) for 30 seconds.
# Fails when libFuzzer reports a crash, a sanitizer error, a time-out or a broken
# invariant; the failing input is kept in <build>/fuzz-artifacts/.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${QZ_NATIVE_BUILD:-build/native}
fuzzer=$build/tests/fuzz/version_fuzz
seconds=${QZ_FUZZ_SECONDS:-30}

if [ ! -x "$fuzzer" ]; then
    echo "fuzz: $fuzzer is missing; build the native preset first" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The fuzzer adds inputs to its corpus folder: give it a copy of the seeds.
mkdir -p "$work/corpus" "$build/fuzz-artifacts"
cp tests/fuzz/corpus/version/* "$work/corpus/"

echo "fuzz: QZ_VersionNumber::ParseString for ${seconds} s"
status=0
timeout $((seconds + 120)) "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/" "$work/corpus" >"$work/log" 2>&1 || status=$?
if [ "$status" != 0 ]; then
    tail -n 60 "$work/log"
    echo "fuzz: FAILED (exit $status); inputs kept in $build/fuzz-artifacts/" >&2
    exit 1
fi
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$' || echo '?')
echo "fuzz: passed, $runs inputs run, corpus grew to $(ls "$work/corpus" | wc -l) inputs"
