#!/bin/sh
# Runs the worker as a browser would: a two-line selection on the clipboard, then quotemill
# with a style, options and the page address; prints the clipboard before and after.
# Uses the desktop's display when there is one, a private Xvfb otherwise.
set -e
build="${1:-build}"
quotemill="$build/quotemill"

xvfb_pid=""
if [ -z "$DISPLAY" ] || ! xdpyinfo >/dev/null 2>&1; then
  # -displayfd picks a free display and tells its number.
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -noreset -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
  echo "(no desktop display: using a private Xvfb on $DISPLAY)"
fi
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT

printf '吾輩は猫である。名前はまだ無い。\nThe quick brown fox jumps over the lazy dog.' |
  xclip -selection clipboard -i

echo "Clipboard before:"
xclip -selection clipboard -o
echo
echo
echo "Running: $quotemill -a='_blank' -h -c='quote' http://example.com/page"
"$quotemill" "-a='_blank'" -h "-c='quote'" http://example.com/page
echo
echo "Clipboard after:"
xclip -selection clipboard -o
echo
