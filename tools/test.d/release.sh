#!/usr/bin/env bash
# The i686 release build (build/win32, made by tools/test.sh with a version and an
# update address of its own):
#  - signed with a throwaway certificate, it passes tools/check-release.sh's signature
#    check when that certificate is trusted, and fails it when it is not, or when a byte
#    of the signed file has changed;
#  - built twice more from the commit, in scratch folders, with the settings of its
#    cache, it gives the same launcher, and that launcher is it (tools/check-release.sh
#    --reproduce: two builds of the launcher, the slowest step).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${QZ_RELEASE_BUILD:-build/win32}
launcher=$build/app/ArdunLauncher.exe
if [ ! -f "$launcher" ]; then
    echo "release: $launcher is missing; build the win32 preset first" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cert=$(bash tools/throwaway-codesign.sh build/keys)
mkdir -p "$work/signed/app" "$work/tampered/app"
bash tools/sign-release.sh --cert "$cert" --key build/keys/codesign_key.pem "$launcher" "$work/signed/app/ArdunLauncher.exe"
cp "$work/signed/app/ArdunLauncher.exe" "$work/tampered/app/ArdunLauncher.exe"
# One byte of the code, which the signature's digest covers.
python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(0x1000); b = f.read(1); f.seek(0x1000); f.write(bytes([b[0] ^ 1]))' \
    "$work/tampered/app/ArdunLauncher.exe"

failed=0
# The signature's verdict alone: check-release.sh's other checks have their own tests.
verdict() {  # pass|fail description reason-text check-release-arguments...
    local expected=$1 what=$2 reason=$3 status=0 ok=0
    shift 3
    bash tools/check-release.sh "$@" >"$work/out" 2>&1 || status=$?
    if [ "$expected" = pass ]; then
        grep -q 'Authenticode signature verifies' "$work/out" && ! grep -q 'BAD SIGNATURE' "$work/out" && ok=1
    else
        # One line, with osslsigncode's reason and what to do.
        grep 'BAD SIGNATURE' "$work/out" | grep -qF -- "$reason" && [ $status != 0 ] && ok=1
    fi
    if [ $ok = 1 ]; then
        echo "release: $what: the signature $([ "$expected" = pass ] && echo verifies || echo is refused), as it should"
    else
        sed 's/^/   /' "$work/out"
        echo "release: FAILED: $what: the signature should $([ "$expected" = pass ] && echo verify || echo be refused)"
        failed=1
    fi
}
verdict pass "signed launcher, its certificate trusted" "" --signer-ca "$cert" "$work/signed"
verdict fail "signed launcher, its certificate unknown" "self-signed certificate: its certificate does not lead to a trusted root; for a private or throwaway certificate, give its CA with --signer-ca CA.pem" "$work/signed"
verdict fail "signed launcher changed after signing" "its digest does not match the file" --signer-ca "$cert" "$work/tampered"
grep 'BAD SIGNATURE' "$work/out" | sed 's/^/  /' || true

started=$(date +%s)
status=0
bash tools/check-release.sh --reproduce "$build" 2>&1 | tee "$work/out" || status=$?
grep -q '^reproducible: ' "$work/out" && [ $status = 0 ] || failed=1
# Built from the same commit with nothing changed, the test command's own release build
# is that launcher too, whatever its folder.
if [ -z "$(git status --porcelain --untracked-files=no)" ] && ! grep -q ' is that launcher$' "$work/out"; then
    echo "release: FAILED: $launcher, built from the commit as it stands, differs from the rebuilt launcher"
    failed=1
fi
echo "release: the reproducibility check took $(($(date +%s) - started)) s"
exit $failed
