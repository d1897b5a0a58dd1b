#!/usr/bin/env bash
# `make run`: starts the provider stand-in on a free loopback port, prepares a private registry
# whose Servers key points at it and a simulated modem, and opens the wizard: in a GTK window
# when a display is there, otherwise headless under scripts/demo.scn with the transcript printed.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
work="$build/demo"
rm -rf "$work"
mkdir -p "$work/ras" "$work/run"
chmod 700 "$work/run"
export SIGNUP_REGISTRY="$work/registry.db"
export RASSIM_DIR="$work/ras"
export XDG_RUNTIME_DIR="$work/run"

"$bin/provider" --db "$work/accounts.db" --log "$work/requests.log" >"$work/provider.out" 2>"$work/provider.err" &
provider=$!
trap 'kill $provider 2>/dev/null; wait $provider 2>/dev/null || true' EXIT
for _ in $(seq 200); do
  [ -s "$work/provider.out" ] && break
  kill -0 $provider 2>/dev/null || { cat "$work/provider.err" >&2; exit 1; }
  sleep 0.05
done
port=$(sed -n 's/.*http=\([0-9]*\).*/\1/p' "$work/provider.out")
[ -n "$port" ] || { echo "provider did not start" >&2; exit 1; }
echo "provider stand-in on http://127.0.0.1:$port/ (state in $work)"
echo "registry store: $SIGNUP_REGISTRY (read it with: SIGNUP_REGISTRY=$SIGNUP_REGISTRY $bin/regtool export)"
echo "request log of the stand-in: $work/requests.log"

servers='HKEY_CURRENT_USER\Software\Orvel\Lumipass\Servers'
for name in SignupPage ProfilePage SearchPage; do
  "$bin/regtool" set "$servers" "$name" sz "http://127.0.0.1:$port/"
done
"$bin/rassim" add-device "Demo Modem" modem >/dev/null

if [ -n "${DISPLAY:-}" ]; then
  "$bin/signup"
else
  echo "no display: playing scripts/demo.scn headless (a new signup over LAN)"
  SIGNUP_SCENARIO="$(dirname "$0")/demo.scn" "$bin/signup"
  echo "stored network information:"
  "$bin/regtool" export 'HKEY_CURRENT_USER\Software\Orvel\Lumipass\NetInfo'
fi
