#!/bin/sh
# The tests' Wine prefix: [QM_WINE_DISPLAY=:N] wine_prefix.sh PREFIX start|stop
#   start: makes the prefix once (no network needed: Mono and Gecko are not asked for), maps
#          the Japanese UI fonts onto IPA P Gothic, and starts one wineserver that stays
#          until stop, so no test pays for a cold start; makes the ja_JP.UTF-8 locale in
#          PREFIX-locale for LOCPATH.
#   stop:  ends that wineserver and the Wine processes of the prefix.
set -e
prefix=$1
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# The end-to-end tests' private X server, for the Wine desktop that start brings up.
[ -z "$QM_WINE_DISPLAY" ] || export DISPLAY="$QM_WINE_DISPLAY"
case "$2" in
start)
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock -w 300 9
  if [ ! -f "$prefix/.quotemill-ready" ]; then
    rm -rf "$prefix"
    # Wine's processes keep no descriptor of ours: not the lock, not a caller's pipe.
    wineboot -i </dev/null >/dev/null 2>&1 9>&-
    wineserver -w 9>&-
    # Without these Wine shows a fixed-width face, or empty boxes, for the Japanese texts.
    reg="$prefix/fonts.reg"
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n"MS UI Gothic"="IPAPGothic"\r\n"ＭＳ ゴシック"="IPAGothic"\r\n' |
      { printf '\377\376'; iconv -f UTF-8 -t UTF-16LE; } >"$reg"
    wine regedit /S "$reg" </dev/null >/dev/null 2>&1 9>&-
    wineserver -w 9>&-
    touch "$prefix/.quotemill-ready"
  fi
  # Wine takes the ANSI code page from the Unix locale: a Japanese one of our own (LOCPATH),
  # whatever the system has generated.
  if [ ! -d "$prefix-locale/ja_JP.UTF-8" ]; then
    mkdir -p "$prefix-locale"
    localedef -i ja_JP -f UTF-8 "$prefix-locale/ja_JP.UTF-8" 9>&-
  fi
  # The server outlives its clients until it is told to go.
  # (A server already running for the prefix answers "already running": it stays.)
  wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
  # The first Wine program of a server starts Wine's own services, which stay as long as it
  # does: they get /dev/null here, never the streams of a test, which would wait for them.
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 9>&-
  ;;
stop)
  wineserver -k 2>/dev/null || true
  ;;
*)
  echo "usage: wine_prefix.sh PREFIX start|stop" >&2
  exit 2
  ;;
esac
