#!/bin/sh
# Runs one cross-built test program under Wine on a private Xvfb, and exits with its status.
# The Wine prefix is made once per build tree (no network: Mono and Gecko are left out), and
# maps the forms' Japanese faces to IPA P Gothic as a Japanese Windows would show them.
#   run_under_wine.sh BUILD_DIR PROGRAM.exe [ARG]...
set -eu
build=$1
shift
prefix=$build/wine-prefix
export WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset WAYLAND_DISPLAY

# Xvfb picks a free display itself, so runs side by side never meet on one.
fifo=$(mktemp -u "${TMPDIR:-/tmp}/qm-wine-XXXXXX")
mkfifo "$fifo"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1400x1000x24 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -f "$fifo"' EXIT
display=$(timeout 20 head -n 1 "$fifo") || { echo "run_under_wine: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"

(
  flock 9
  if [ ! -f "$prefix/.quotemill-ready" ]; then
    timeout 120 wineboot -i >/dev/null 2>&1
    reg=$(mktemp "${TMPDIR:-/tmp}/qm-fonts-XXXXXX.reg")
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n"MS UI Gothic"="IPAPGothic"\r\n' |
      iconv -f UTF-8 -t UTF-16 >"$reg"
    timeout 60 wine regedit "$reg" >/dev/null 2>&1
    rm -f "$reg"
    timeout 60 wineserver -w
    touch "$prefix/.quotemill-ready"
  fi
) 9>"$build/wine-prefix.lock"

status=0
timeout 120 wine "$@" || status=$?
exit $status
