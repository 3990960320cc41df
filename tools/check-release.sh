#!/usr/bin/env bash
# Checks that every executable of a build imports system DLLs only (the run-time is
# linked statically) and is a PE32 image, and that the launcher of the build carries an
# update key, and no test update key (whoever has the test keys' private halves, which
# lie in this repository, could sign updates for it).
set -euo pipefail
build=${1:-build/win32}
allowed='^(kernel32|user32|gdi32|comctl32|imm32|wininet|version|msvcrt|advapi32|shell32|ole32|bcrypt|ws2_32|crypt32|secur32|shlwapi)\.dll$'
status=0
count=0
while IFS= read -r exe; do
    count=$((count + 1))
    objdump_tool=i686-w64-mingw32-objdump
    # Whole output first: grep -q on a pipe may end before objdump, whose broken pipe
    # would then fail the check under pipefail.
    header=$("$objdump_tool" -f "$exe")
    [[ $header == *"file format pei-i386"* ]] || { echo "not PE32: $exe"; status=1; }
    while IFS= read -r dll; do
        if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed"; then
            echo "non-system import $dll in $exe"
            status=1
        fi
    done < <("$objdump_tool" -p "$exe" | awk '/DLL Name:/ {print $3}')
done < <(find "$build" -name '*.exe' -not -path '*/CMakeFiles/*' -not -path '*/wineprefix/*')
echo "checked $count executables in $build: $([ $status = 0 ] && echo 'PE32, system DLLs only' || echo FAILED)"

launcher=$build/app/ArdunLauncher.exe
if [ ! -f "$launcher" ]; then
    echo "no launcher at $launcher"
    exit 1
fi
# A launcher without a key installs whatever its server, or whoever answers in its place, names.
if ! key_ids=$(python3 "$(dirname "$0")/update_signing.py" key-ids "$launcher") || [ -z "$key_ids" ]; then
    echo "REFUSED: $launcher carries no update key: build the release with QZ_UPDATE_PUBLIC_KEY_FILE"
    status=1
else
    echo "$launcher carries the update keys" $key_ids
fi
for key in "$(dirname "$0")"/../tests/signing/keys/*.pub.pem; do
    hex=$(python3 "$(dirname "$0")/update_signing.py" public-key-hex "$key")
    if python3 -c 'import sys; sys.exit(0 if bytes.fromhex(sys.argv[1]) in open(sys.argv[2], "rb").read() else 1)' \
        "$hex" "$launcher"; then
        echo "REFUSED: $launcher carries the test update key $(basename "$key"): build the release with the operators' key"
        status=1
    fi
done
[ $status = 0 ] && echo "$launcher carries no test update key"
exit $status
