#!/bin/sh
# Installs the Debian packages that building, running and testing Quotemill need, when
# any is missing. Runs as root, or through sudo.
set -e
packages="cmake make g++ pkg-config libx11-dev qt6-base-dev libgtest-dev libgmock-dev
  libbenchmark-dev xvfb xauth x11-utils xclip xdotool openbox fonts-ipafont-gothic
  clang libclang-rt-14-dev"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
