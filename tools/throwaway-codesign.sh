#!/usr/bin/env bash
# Makes a throwaway self-signed code-signing certificate for local builds (the tests, the
# demo), once: DIR/codesign_cert.pem and its private key DIR/codesign_key.pem. Windows
# trusts no signature made with it: a real release is signed with the operators' own
# certificate (tools/sign-release.sh).
#   throwaway-codesign.sh DIR     prints the certificate's path
set -euo pipefail
usage() { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; }
case "${1:-}" in
-h|--help) usage; exit 0 ;;
-*|"") [ -z "${1:-}" ] || echo "throwaway-codesign: unknown option $1" >&2; usage >&2; exit 2 ;;
esac
[ $# -eq 1 ] || { usage >&2; exit 2; }
dir=$1
mkdir -p "$dir"
if [ ! -s "$dir/codesign_cert.pem" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 365 -keyout "$dir/codesign_key.pem" \
        -out "$dir/codesign_cert.pem" -subj "/CN=Ardun launcher throwaway code signing" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
fi
echo "$(cd "$dir" && pwd)/codesign_cert.pem"
