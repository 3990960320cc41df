#!/usr/bin/env bash
# Makes a throwaway update signing key pair for local builds (the test command's release
# build, the demo), once: DIR/NAME.pem (private, readable by its owner only) and
# DIR/NAME.pub.pem. NAME is update_key by default; the backup key is another name, such
# as update_backup_key. Never publish with one: a real release is built with the
# operators' own keys.
#   throwaway-key.sh DIR [NAME]     prints the public key's path
set -euo pipefail
usage() { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; }
case "${1:-}" in
-h|--help) usage; exit 0 ;;
-*|"") [ -z "${1:-}" ] || echo "throwaway-key: unknown option $1" >&2; usage >&2; exit 2 ;;
esac
[ $# -le 2 ] || { usage >&2; exit 2; }
dir=$1
name=${2:-update_key}
mkdir -p "$dir"
if [ ! -s "$dir/$name.pub.pem" ]; then
    (umask 077 && openssl ecparam -name prime256v1 -genkey -noout -out "$dir/$name.pem" 2>/dev/null)
    openssl ec -in "$dir/$name.pem" -pubout -out "$dir/$name.pub.pem" 2>/dev/null
fi
# A key made by an older version of this script may be readable by others.
chmod 600 "$dir/$name.pem"
echo "$(cd "$dir" && pwd)/$name.pub.pem"
