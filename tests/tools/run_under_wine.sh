#!/bin/sh
# Runs one cross-built window test under Wine on a private Xvfb, in the tests' prefix (which
# the windows fixture makes and keeps a wineserver for), and exits with its status. Wine's
# desktop lives on the display its server's first program found, and the fixture's has none:
# the test gets a server of its own on the private display, and the fixture's comes back after.
#   run_under_wine.sh PREFIX PROGRAM.exe [ARG]...
set -eu
prefix=$1
shift
[ -f "$prefix/.quotemill-ready" ] || { echo "run_under_wine: no Wine prefix at $prefix" >&2; exit 1; }
export WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset WAYLAND_DISPLAY

# Xvfb picks a free display itself, so runs side by side never meet on one.
fifo=$(mktemp -u "${TMPDIR:-/tmp}/qm-wine-XXXXXX")
mkfifo "$fifo"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1400x1000x24 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
here=$(dirname "$0")
wineserver -k 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -f "$fifo"
  sh "$here/../windows/wine_prefix.sh" "$prefix" start' EXIT
display=$(timeout 20 head -n 1 "$fifo") || { echo "run_under_wine: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"

status=0
timeout 120 wine "$@" || status=$?
exit $status
