#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test:
#   win32-tests - the 32-bit release build's code with all tests, under 32-bit Wine
#   win64       - the same tests on the 64-bit build, which keeps the code 64-bit clean
#   win32       - the release artifact, built and checked for system-only imports
#   native      - the platform-neutral code on the host, under ASan and UBSan, plus fuzzing
# Ends with each pass's totals. A machine that cannot run 32-bit code skips the 32-bit
# pass and says so in the summary; that alone is no failure.
set -euo pipefail
case "${1:-}" in
"") ;;
-h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0 ;;
*) echo "test: unknown argument $1 (it takes none; --help)" >&2; exit 2 ;;
esac
cd "$(dirname "$0")/.."
ROOT=$PWD
START=$(date +%s)

bash tools/setup.sh

source tools/probe-32bit.sh
SKIP_32=""
if ! SKIP_32=$(qz_probe_32bit); then
    echo "!! 32-bit pass SKIPPED: $SKIP_32"
elif ! qz_have_wine32; then
    SKIP_32="wine32:i386 is not installed"
    echo "!! 32-bit pass SKIPPED: $SKIP_32"
fi

# The release build needs an update signing key and a backup key: throwaway ones here (the
# test presets build MD5-only launchers, and say so with QZ_UPDATE_UNSIGNED). It has a
# version and an address of its own, as an operator's release has, so that the release
# checks (tools/test.d/release.sh) rebuild it from its settings, not from the defaults;
# nothing runs this program.
RELEASE_KEY=$(bash tools/throwaway-key.sh build/keys)
RELEASE_BACKUP_KEY=$(bash tools/throwaway-key.sh build/keys update_backup_key)
JOBS=$(nproc)
for preset in win32 win32-tests win64 native; do
    echo "== configure and build: $preset"
    if [ "$preset" = win32 ]; then
        cmake --preset "$preset" -DQZ_UPDATE_PUBLIC_KEY_FILE="$RELEASE_KEY" \
              -DQZ_UPDATE_BACKUP_PUBLIC_KEY_FILE="$RELEASE_BACKUP_KEY" -DQZ_FILE_VERSION=1.2.3.4 \
              -DQZ_UPDATE_SERVER_ADDRESS=https://updates.example.test >/dev/null
    else
        cmake --preset "$preset" >/dev/null
    fi
    cmake --build --preset "$preset" -j"$JOBS"
done

echo "== release artifact"
bash tools/check-release.sh build/win32

# One Wine prefix and one wineserver for the whole run (both builds run in it), one
# Xvfb display for the GUI tests.
source tools/test-session.sh
qz_session_start
trap qz_session_stop EXIT

# Runs one ctest preset; keeps its totals line for the summary.
declare -A TOTALS
FAILED=0
run_pass() {
    local name=$1 preset=$2 log status=0
    log=$(mktemp)
    echo "== tests: $name ($preset, display $DISPLAY)"
    set +e
    ctest --preset "$preset" -j"$JOBS" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    set -e
    TOTALS[$name]=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
    [ -n "${TOTALS[$name]}" ] || TOTALS[$name]="no totals (ctest failed to run)"
    rm -f "$log"
    if [ $status != 0 ]; then FAILED=1; fi
}

if [ -z "$SKIP_32" ]; then
    run_pass "32-bit" win32-tests
fi
run_pass "64-bit" win64
run_pass "native" native

for extra in tools/test.d/*.sh; do
    [ -e "$extra" ] || continue
    echo "== $(basename "$extra" .sh)"
    bash "$extra" || FAILED=1
done

echo
echo "== summary ($(( $(date +%s) - START )) s)"
if [ -n "$SKIP_32" ]; then
    echo "32-bit pass SKIPPED: $SKIP_32"
else
    echo "32-bit pass (i686 release build, 32-bit Wine): ${TOTALS[32-bit]}"
fi
echo "64-bit pass (x86_64 build, Wine): ${TOTALS[64-bit]}"
echo "native pass (host, sanitizers): ${TOTALS[native]}"
if [ $FAILED != 0 ]; then
    echo "== some tests FAILED"
    exit 1
fi
echo "== all tests passed"
