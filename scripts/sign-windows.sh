#!/usr/bin/env bash
# Signs Windows programs and installers in place with osslsigncode (Authenticode, SHA-256), with
# the certificate and key named (PEM files).
# Usage: scripts/sign-windows.sh CERT.pem KEY.pem FILE...
set -euo pipefail
cert=${1:?usage: sign-windows.sh CERT.pem KEY.pem FILE...}
key=${2:?usage: sign-windows.sh CERT.pem KEY.pem FILE...}
shift 2
command -v osslsigncode >/dev/null || { echo "sign-windows: osslsigncode is missing (Debian package osslsigncode)" >&2; exit 1; }
for file in "$@"; do
  osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "ORVELサインアップ" \
    -in "$file" -out "$file.signed" >/dev/null
  mv "$file.signed" "$file"
done
