#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test:
#   win64  - the Windows build, all tests under Wine (GUI tests on an Xvfb display)
#   win32  - the 32-bit release artifact, built and checked for system-only imports
#   native - the platform-neutral code on the host, under ASan and UBSan, plus fuzzing
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

bash tools/setup.sh

JOBS=$(nproc)
for preset in win64 win32 native; do
    echo "== configure and build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$JOBS"
done

echo "== release artifact"
bash tools/check-release.sh build/win32

# One Wine prefix and one wineserver for the whole run, one Xvfb display for the GUI tests.
export QZ_WINEPREFIX=$ROOT/build/win64/wineprefix
source tools/test-session.sh
qz_session_start
trap qz_session_stop EXIT

echo "== tests: win64 under Wine (display $DISPLAY)"
ctest --preset win64 -j"$JOBS"

echo "== tests: native, sanitizers"
ctest --preset native -j"$JOBS"

for extra in tools/test.d/*.sh; do
    [ -e "$extra" ] || continue
    echo "== $(basename "$extra" .sh)"
    bash "$extra"
done
echo "== all tests passed"
