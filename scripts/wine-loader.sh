#!/usr/bin/env bash
# Which Wine runs the Windows build's programs on this machine, and which build that is: prints
# "LOADER ARCH", where ARCH is i686 (the program as shipped, 32-bit) or x86_64. The 32-bit build
# is the one to test; a machine whose kernel cannot run 32-bit programs ("Exec format error",
# Wine's 32-bit loader included) runs the 64-bit build under Wine's 64-bit loader instead.
# Exits 1, saying why, when neither runs.
set -uo pipefail
if command -v wine >/dev/null && wine --version >/dev/null 2>&1; then
  echo "wine i686"
  exit 0
fi
for loader in wine64 /usr/lib/wine/wine64; do
  if command -v "$loader" >/dev/null && "$loader" --version >/dev/null 2>&1; then
    echo "$(command -v "$loader") x86_64"
    exit 0
  fi
done
if command -v wine >/dev/null; then
  echo "Wine cannot run 32-bit programs on this machine ($(wine --version 2>&1 | head -n 1)) and has no 64-bit loader" >&2
else
  echo "Wine is not installed (scripts/install-deps.sh installs it)" >&2
fi
exit 1
