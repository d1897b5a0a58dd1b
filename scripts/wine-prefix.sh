#!/usr/bin/env bash
# The Wine prefix of the Wine tests. "create" makes it afresh (once per ctest run, as the
# fixture's setup) and leaves a persistent wineserver for the tests; "stop" ends that server;
# "restart" ends every program of the prefix and starts the server and services afresh.
# Exits 77 (ctest's "skipped") when no Wine here can run the Windows build. "create" records the
# Wine it used in PREFIX/signup-loader ("LOADER ARCH") for the tests.
# Usage: scripts/wine-prefix.sh create|stop|restart PREFIX
set -euo pipefail
action=${1:?usage: wine-prefix.sh create|stop|restart PREFIX}
prefix=${2:?usage: wine-prefix.sh create|stop|restart PREFIX}
# The Wine that runs the Windows build here (scripts/wine-loader.sh); without one the tests are
# skipped with the reason.
if ! choice=$("$(dirname "$0")/wine-loader.sh" 2>&1) || ! command -v wineserver >/dev/null; then
  echo "The Wine tests are skipped: ${choice:-Wine is not installed}"
  exit 77
fi
read -r loader arch <<<"$choice"
# As Debian's wine does when it falls back to the 64-bit loader: the programs Wine starts itself
# use the same one.
if [ "$arch" = x86_64 ]; then export WINELOADER=$loader; fi
export WINEPREFIX=$prefix WINEDEBUG=-all
# Neither the .NET nor the browser installer, nor desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
start_server() {
  # One server for the whole run, and the prefix's services started once, all detached from
  # ctest's output: a service started by a test's program would hold that program's output
  # open and the test would wait for it forever.
  wineserver -p </dev/null >/dev/null 2>&1
  "$loader" wineboot.exe </dev/null >/dev/null 2>&1
}
case $action in
  create)
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    "$loader" wineboot.exe -i </dev/null >/dev/null 2>&1
    # As Windows links its user-interface font to a Japanese one, so that message boxes show
    # Japanese text whatever the system's language: here Debian's IPA font.
    "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v Tahoma /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f </dev/null >/dev/null 2>&1
    wineserver -w
    start_server
    echo "$choice" >"$prefix/signup-loader"
    echo "Wine prefix ready: $prefix ($("$loader" --version), the $arch build)"
    ;;
  restart)
    # Wine keeps one desktop per prefix, made on the display of the program that first needs it
    # and kept a while after its last window closes: a program started for another display
    # (or for none) meanwhile would find no display driver. Ending everything lets the next
    # program make the desktop on its own display.
    wineserver -k 2>/dev/null || true
    wineserver -w
    start_server
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    ;;
  *)
    echo "usage: wine-prefix.sh create|stop|restart PREFIX" >&2
    exit 2
    ;;
esac
