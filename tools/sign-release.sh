#!/usr/bin/env bash
# Signs a launcher exe with an Authenticode signature (osslsigncode, SHA-256), with the
# operators' code-signing certificate and key:
#   sign-release.sh --pkcs12 FILE.p12 [--password-file FILE] [--timestamp URL] EXE [SIGNED]
#   sign-release.sh --cert CERT.pem --key KEY.pem [--password-file FILE] [--timestamp URL] EXE [SIGNED]
# Writes SIGNED (default: EXE itself, replaced once the signature is made). --timestamp
# asks an RFC 3161 time-stamp server to countersign, so the signature stays valid after
# the certificate expires. Sign before publishing (tools/publish_update.py): the update
# index's digests must cover the signed file. An exe that already has a signature, and an
# exe (or SIGNED) that an index.txt beside it names, published already, are refused.
set -euo pipefail
# The comment at the head of this file.
usage() { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; }
bad_usage() { [ -z "${1:-}" ] || echo "sign-release: $1" >&2; usage >&2; exit 2; }
pkcs12="" cert="" key="" password_file="" timestamp=""
while [ $# -gt 0 ]; do
    case "$1" in
    -h|--help) usage; exit 0 ;;
    --pkcs12|--cert|--key|--password-file|--timestamp)
        [ $# -ge 2 ] || bad_usage "$1 needs a value"
        case "$1" in
        --pkcs12) pkcs12=$2 ;;
        --cert) cert=$2 ;;
        --key) key=$2 ;;
        --password-file) password_file=$2 ;;
        --timestamp) timestamp=$2 ;;
        esac
        shift 2 ;;
    --) shift; break ;;
    -*) bad_usage "unknown option $1" ;;
    *) break ;;
    esac
done
[ $# -ge 1 ] && [ $# -le 2 ] || bad_usage "give the exe, and optionally the signed file's name"
exe=$1
signed=${2:-$1}

credentials=()
if [ -n "$pkcs12" ] && [ -z "$cert$key" ]; then
    credentials=(-pkcs12 "$pkcs12")
elif [ -z "$pkcs12" ] && [ -n "$cert" ] && [ -n "$key" ]; then
    credentials=(-certs "$cert" -key "$key")
else
    echo "sign-release: give either --pkcs12 FILE or both --cert and --key" >&2
    exit 2
fi
[ -z "$password_file" ] || credentials+=(-readpass "$password_file")
[ -z "$timestamp" ] || credentials+=(-ts "$timestamp")

if [ ! -f "$exe" ]; then
    echo "sign-release: no file $exe" >&2
    exit 1
fi
# A published file is covered by its index's size and digests: signing it, or writing the
# signature over it, would leave every launcher refusing the publication.
published_by() {  # prints the index.txt beside FILE that names it
    local index
    index=$(dirname "$1")/index.txt
    [ -f "$index" ] || return 1
    tr -d '\r' <"$index" | awk -v name="$(basename "$1")" -F= '
        { key = $1; value = substr($0, length($1) + 2) }
        { gsub(/^[ \t]+|[ \t]+$/, "", key); gsub(/^[ \t]+|[ \t]+$/, "", value) }
        tolower(key) == "filename" && value == name { found = 1 }
        END { exit !found }' || return 1
    echo "$index"
}
for file in "$exe" "$signed"; do
    if [ -f "$file" ] && index=$(published_by "$file"); then
        echo "sign-release: REFUSED: $file is published: $index names it, and its size and digests cover the" \
             "unsigned file; sign the build, then publish the signed file (tools/publish_update.py)" >&2
        exit 1
    fi
done
source "$(dirname "$0")/authenticode.sh"
if ! bytes=$(qz_signature_bytes "$exe"); then
    echo "sign-release: $exe is not a PE image" >&2
    exit 1
fi
if [ "$bytes" != 0 ]; then
    echo "sign-release: $exe is signed already: sign the unsigned build" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! osslsigncode sign "${credentials[@]}" -h sha256 -n "Ardun launcher" -in "$exe" -out "$work/signed.exe" \
        >"$work/log" 2>&1; then
    cat "$work/log" >&2
    echo "sign-release: osslsigncode could not sign $exe" >&2
    exit 1
fi
mv -f "$work/signed.exe" "$signed"
echo "sign-release: signed $signed ($(stat -c %s "$signed") bytes, SHA-256 $(sha256sum "$signed" | cut -d' ' -f1))"
