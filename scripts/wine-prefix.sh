#!/usr/bin/env bash
# The Wine prefix of the Wine tests. "create" makes it afresh (once per ctest run, as the
# fixture's setup) and leaves a persistent wineserver for the tests; "stop" ends that server;
# "restart" ends every program of the prefix and starts the server and services afresh.
# Exits 77 (ctest's "skipped") when Wine is not installed or cannot run 32-bit programs here.
# Usage: scripts/wine-prefix.sh create|stop|restart PREFIX
set -euo pipefail
action=${1:?usage: wine-prefix.sh create|stop|restart PREFIX}
prefix=${2:?usage: wine-prefix.sh create|stop|restart PREFIX}
if ! command -v wine >/dev/null || ! command -v wineserver >/dev/null; then
  echo "Wine is not installed: the Wine tests are skipped (scripts/install-deps.sh installs it)"
  exit 77
fi
export WINEPREFIX=$prefix WINEDEBUG=-all
# Neither the .NET nor the browser installer, nor desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
# The Windows build is 32-bit: a kernel without 32-bit support (or Wine without its 32-bit
# loader) cannot run it, and the tests are skipped with the reason rather than failed.
if ! version=$(wine --version 2>&1); then
  echo "Wine cannot run 32-bit programs on this machine ($version): the Wine tests are skipped"
  exit 77
fi
start_server() {
  # One server for the whole run, and the prefix's services started once, all detached from
  # ctest's output: a service started by a test's program would hold that program's output
  # open and the test would wait for it forever.
  wineserver -p </dev/null >/dev/null 2>&1
  wineboot </dev/null >/dev/null 2>&1
}
case $action in
  create)
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    wineboot -i </dev/null >/dev/null 2>&1
    # As Windows links its user-interface font to a Japanese one, so that message boxes show
    # Japanese text whatever the system's language: here Debian's IPA font.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v Tahoma /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f </dev/null >/dev/null 2>&1
    wineserver -w
    start_server
    echo "Wine prefix ready: $prefix ($(wine --version))"
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
