#!/usr/bin/env bash
# Checks that every executable of a build imports only libraries that Windows always
# takes from its own list of known libraries (KnownDLLs), never from beside the program
# (the run-time is linked statically; other system libraries are loaded from the system
# folder at run time), and is a PE32 image, and that the launcher of the build carries an
# update key, and no test update key (whoever has the test keys' private halves, which
# lie in this repository, could sign updates for it).
#   check-release.sh [--reproduce] [--signer-ca CA.pem] [BUILD]   (default BUILD: build/win32)
# It prints the launcher's FileVersion, update address and update key ids, verifies its
# Authenticode signature when it has one (trusting the system's roots, or CA.pem), and
# with --reproduce builds the commit twice, with every QZ_* setting of BUILD's cache, to
# compare.
set -euo pipefail
# The tools' own words are matched below: never in the translation of the caller's locale.
export LC_ALL=C
# The comment at the head of this file.
usage() { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; }
reproduce=0
signer_ca=""
while [ $# -gt 0 ]; do
    case "$1" in
    -h|--help) usage; exit 0 ;;
    --reproduce) reproduce=1; shift ;;
    --signer-ca) [ $# -ge 2 ] || { echo "check-release: --signer-ca needs a file" >&2; exit 2; }
                 signer_ca=$2; shift 2 ;;
    --) shift; break ;;
    -*) echo "check-release: unknown option $1" >&2; usage >&2; exit 2 ;;
    *) break ;;
    esac
done
[ $# -le 1 ] || { echo "check-release: one build folder at most" >&2; usage >&2; exit 2; }
build=${1:-build/win32}
if [ ! -d "$build" ]; then
    echo "check-release: no build folder $build" >&2
    exit 2
fi
allowed='^(kernel32|user32|gdi32|imm32|msvcrt|advapi32|shell32|ole32|shlwapi)\.dll$'
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
# The Python tools below need pefile and cryptography: a missing one is named once.
if ! missing=$(python3 "$(dirname "$0")/publish_update.py" --help 2>&1 >/dev/null); then
    echo "$missing"
    echo "FAILED: cannot check the update keys of $launcher without those modules"
    exit 1
fi
# What the launcher carries: its FileVersion, update address and keys.
if description=$(python3 "$(dirname "$0")/publish_update.py" describe "$launcher" 2>&1); then
    echo "$description" | sed "s|^|$launcher: |"
else
    echo "$description"
    echo "FAILED: cannot read what $launcher carries"
    status=1
fi
# A launcher without a key installs whatever its server, or whoever answers in its place, names.
if ! key_ids=$(python3 "$(dirname "$0")/update_signing.py" key-ids "$launcher" 2>&1); then
    echo "$key_ids"
    echo "FAILED: cannot read the update keys of $launcher"
    status=1
elif [ -z "$key_ids" ]; then
    echo "REFUSED: $launcher carries no update key: build the release with QZ_UPDATE_PUBLIC_KEY_FILE"
    status=1
else
    echo "$launcher carries the update keys" $key_ids
fi
for key in "$(dirname "$0")"/../tests/signing/keys/*.pub.pem; do
    hex=$(python3 "$(dirname "$0")/update_signing.py" public-key-hex "$key") || { status=1; continue; }
    if python3 -c 'import sys; sys.exit(0 if bytes.fromhex(sys.argv[1]) in open(sys.argv[2], "rb").read() else 1)' \
        "$hex" "$launcher"; then
        echo "REFUSED: $launcher carries the test update key $(basename "$key"): build the release with the operators' key"
        status=1
    fi
done
[ $status = 0 ] && echo "$launcher carries no test update key"

# Authenticode: a signature must verify (its digest covers the whole image, and its chain
# leads to a trusted root). An unsigned launcher is reported, not refused: builds are
# signed just before they are published.
check_signature() {
    local bytes output
    source "$(dirname "$0")/authenticode.sh"
    if ! bytes=$(qz_signature_bytes "$launcher"); then
        echo "cannot read the PE header of $launcher"
        return 1
    fi
    if [ "$bytes" = 0 ]; then
        echo "$launcher is UNSIGNED: it has no Authenticode signature (tools/sign-release.sh signs it)"
        return 0
    fi
    if output=$(osslsigncode verify -in "$launcher" ${signer_ca:+-CAfile "$signer_ca"} 2>&1); then
        echo "$launcher is signed, and its Authenticode signature verifies:"
        echo "$output" | grep -E 'message digest *:|Subject:|Issuer *:|Timestamp|Signature verification' |
            awk '!seen[$0]++' | sed 's/^[[:space:]]*/   /'
        return 0
    fi
    # osslsigncode's reason in one line: a file changed after signing, or a chain that
    # does not lead to a trusted root (a private or throwaway certificate).
    if echo "$output" | grep -q 'MISMATCH'; then
        echo "BAD SIGNATURE: the Authenticode signature of $launcher does not verify: its digest does not match" \
             "the file (changed after it was signed)"
    elif reason=$(echo "$output" | grep -m1 -oE '(Verify error|Error): .*' | sed -E 's/^(Verify error|Error): //'); then
        echo "BAD SIGNATURE: the Authenticode signature of $launcher does not verify: $reason: its certificate" \
             "does not lead to a trusted root${signer_ca:+ or to $signer_ca}; for a private or throwaway" \
             "certificate, give its CA with --signer-ca CA.pem"
    else
        echo "$output" | sed 's/^/   /'
        echo "BAD SIGNATURE: the Authenticode signature of $launcher does not verify"
    fi
    return 1
}
check_signature || status=1

# Builds the commit twice, each in a fresh clone in its own scratch folder (of different
# names and depths), with every QZ_* setting of BUILD's cache (version, address, keys,
# limits) and the compilers called directly (no compiler launcher such as ccache), and
# compares the unsigned launchers.
reproduce_release() {
    local root commit started copy folder exe digest first="" settings=() line name value
    root=$(cd "$(dirname "$0")/.." && pwd)
    if [ ! -f "$build/CMakeCache.txt" ]; then
        echo "reproduce: $build has no CMakeCache.txt: there are no settings to build with"
        return 1
    fi
    # NAME:TYPE=VALUE lines; the cache's internal entries are not settings.
    while IFS= read -r line; do
        name=${line%%:*}
        value=${line#*=}
        case "$line" in *:INTERNAL=*|*:STATIC=*) continue ;; esac
        case "$line" in
        *:FILEPATH=?*) if [ ! -f "$value" ]; then
                           echo "reproduce: $name names $value, which is missing: cannot build as $build was"
                           return 1
                       fi ;;
        esac
        settings+=("-D$line")
    done < <(grep -E '^QZ_[A-Za-z0-9_]*:[A-Z]+=' "$build/CMakeCache.txt")
    if ! grep -qE '^QZ_UPDATE_PUBLIC_KEY_FILE:FILEPATH=.' "$build/CMakeCache.txt"; then
        echo "reproduce: $build/CMakeCache.txt names no update key file (QZ_UPDATE_PUBLIC_KEY_FILE)"
        return 1
    fi
    echo "reproduce: the settings of $build:" "${settings[@]#-D}"
    if ! commit=$(git -C "$root" rev-parse HEAD 2>/dev/null); then
        echo "reproduce: $root is no git checkout: there is no commit to build"
        return 1
    fi
    [ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
        echo "reproduce: the work tree has changes that are not committed: they are not built"
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/qz-reproduce.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
    started=$(date +%s)
    for copy in a/src second/copy/ardun-launcher; do
        folder=$scratch/$copy
        exe=$folder/build/win32/app/ArdunLauncher.exe
        echo "reproduce: building commit ${commit:0:12} in $folder"
        git clone -q --shared --no-checkout "$root" "$folder"
        git -C "$folder" checkout -q --detach "$commit"
        if ! (cd "$folder" && env -u CMAKE_C_COMPILER_LAUNCHER -u CMAKE_CXX_COMPILER_LAUNCHER \
                  cmake --preset win32 "${settings[@]}" &&
              cmake --build --preset win32 -j"$(nproc)" --target ArdunLauncher) >"$scratch/build.log" 2>&1; then
            tail -n 30 "$scratch/build.log"
            echo "reproduce: the build in $folder FAILED"
            return 1
        fi
        digest=$(sha256sum <"$exe" | cut -d' ' -f1)
        echo "reproduce:   SHA-256 $digest, $(stat -c %s "$exe") bytes"
        first=${first:-$digest}
    done
    if [ "$digest" != "$first" ]; then
        cmp -l "$scratch/a/src/build/win32/app/ArdunLauncher.exe" "$exe" | head -n 8 | sed 's/^/   differs at /' || true
        echo "NOT REPRODUCIBLE: two builds of commit $commit differ ($(($(date +%s) - started)) s)"
        return 1
    fi
    echo "reproducible: two builds of commit $commit give the same launcher ($(($(date +%s) - started)) s)"
    if [ "$(sha256sum <"$launcher" | cut -d' ' -f1)" = "$digest" ]; then
        echo "reproduce: $launcher is that launcher"
    else
        echo "reproduce: $launcher differs from it (signed, or built from other sources or settings)"
    fi
}
if [ $reproduce = 1 ]; then
    reproduce_release || status=1
fi
exit $status
