#!/bin/sh
# Installs the Debian packages that Quotemill needs, when any is missing. Runs as root, or
# through sudo. `setup.sh programs`: only what building and running the programs take. Without an
# argument: everything that building, packaging and testing take, the browsers of the
# browser tests among it; the Windows programs are cross-built with mingw-w64 (the
# posix-threads compiler), packaged with NSIS and tested under Wine; the logic is cross-built
# for arm64 and its unit suites run under qemu-user; the `wayland` tests run sway, KWin and
# mutter headless, with weston's weston-flower in front and wl-clipboard on the other side;
# the browsers' Japanese language files, in which the extension's Japanese texts are tested.
set -e
program_packages="cmake make g++ pkg-config libx11-dev libwayland-dev qt6-base-dev qt6-wayland xvfb xauth x11-utils xclip
  fonts-ipafont-gothic"
packages="$program_packages libgtest-dev libgmock-dev libbenchmark-dev xsel xdotool openbox
  clang libclang-rt-14-dev chromium chromium-l10n firefox-esr firefox-esr-l10n-ja debhelper dpkg-dev lintian
  g++-mingw-w64-x86-64-posix wine wine64 nsis g++-aarch64-linux-gnu qemu-user
  sway xwayland wl-clipboard weston mutter kwin-wayland dbus"
if [ "$1" = programs ]; then
  packages="$program_packages"
else
  # The browser tests drive the installed browsers with puppeteer-core from npm; Debian's
  # npm only where no npm is installed already.
  command -v npm >/dev/null 2>&1 || packages="$packages npm"
fi
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
fi

[ "$1" = programs ] && exit 0

# The browser tests' node modules, exactly as locked; again only when the lock changed.
browser_tests="$(dirname "$0")/../tests/browser"
if ! cmp -s "$browser_tests/package-lock.json" "$browser_tests/node_modules/.installed-lock.json"; then
  (cd "$browser_tests" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error &&
    cp package-lock.json node_modules/.installed-lock.json)
fi
