#!/usr/bin/env bash
# Makes a throwaway update signing key pair for local builds (the test command's release
# build, the demo), once: DIR/update_key.pem (private) and DIR/update_key.pub.pem.
# Never publish with it: a real release is built with the operators' own key.
#   throwaway-key.sh DIR     prints the public key's path
set -euo pipefail
dir=${1:?usage: throwaway-key.sh DIR}
mkdir -p "$dir"
if [ ! -s "$dir/update_key.pub.pem" ]; then
    openssl ecparam -name prime256v1 -genkey -noout -out "$dir/update_key.pem" 2>/dev/null
    openssl ec -in "$dir/update_key.pem" -pubout -out "$dir/update_key.pub.pem" 2>/dev/null
fi
echo "$(cd "$dir" && pwd)/update_key.pub.pem"
