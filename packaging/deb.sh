#!/bin/sh
# Builds the Debian package with Debian's own tools: a copy of the sources with the changelog
# entry of the project's one version (the extension's), then dpkg-buildpackage. Prints the
# package's path. Usage: deb.sh [OUTPUT_FOLDER]   (default build-deb)
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/build-deb}" && cd "${1:-$root/build-deb}" && pwd)"
version="$(sed -n 's/^ *"version": *"\([^"]*\)".*/\1/p' "$root/browser/manifest.json" | head -n 1)"
[ -n "$version" ] || { echo "deb.sh: no version in browser/manifest.json" >&2; exit 1; }

src="$out/quotemill-$version"
rm -rf "$src" "$out"/quotemill_"$version"_*
mkdir -p "$src"
# The sources as they stand, without build trees or the test tools' modules.
(cd "$root" && tar --exclude='./build*' --exclude='./.git' --exclude='./tests/browser/node_modules' -cf - .) |
  (cd "$src" && tar -xf -)
# The date of the last change, so that the same sources give the same package.
when="$(git -C "$root" log -1 --format=%cD 2>/dev/null || date -R)"
cat >"$src/debian/changelog" <<END
quotemill ($version) unstable; urgency=medium

  * Quotemill $version.

 -- Quotemill project <qm@example.org>  $when
END
(cd "$src" && dpkg-buildpackage -b -us -uc -j"$(nproc)" >"$out/build.log" 2>&1) || {
  tail -n 40 "$out/build.log" >&2
  exit 1
}
rm -rf "$src"
ls "$out"/quotemill_"$version"_*.deb
