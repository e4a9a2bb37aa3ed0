#!/bin/sh
# Runs a cross-built program under Wine in the tests' own prefix (never the user's ~/.wine)
# and never on the user's display: wine.sh PREFIX PROGRAM [ARGUMENTS...]
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
