#!/usr/bin/env bash
# Fetches the pinned uPlot (web/vendor/uplot.pin) with npm, checks the
# tarball's sha512 against the pin, and unpacks the files the page embeds
# into web/vendor/uplot/. Does nothing when that version is already there.
set -euo pipefail
cd "$(dirname "$0")/.."
read -r name version integrity < <(grep -v '^#' web/vendor/uplot.pin)
target=web/vendor/uplot
[ -f "$target/VERSION" ] && [ "$(cat "$target/VERSION")" = "$version $integrity" ] && exit 0
command -v npm >/dev/null || { echo "install-uplot: npm is needed to fetch $name $version" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "$name@$version" >/dev/null)
tarball=$(ls "$work"/*.tgz)
actual="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
if [ "$actual" != "$integrity" ]; then
  echo "install-uplot: $name $version has integrity $actual, expected $integrity; not installed" >&2
  exit 1
fi
tar -xzf "$tarball" -C "$work" package/dist/uPlot.iife.min.js package/dist/uPlot.min.css package/LICENSE
rm -rf "$target" && mkdir -p "$target"
cp "$work"/package/dist/uPlot.iife.min.js "$work"/package/dist/uPlot.min.css "$work"/package/LICENSE "$target"/
echo "$version $integrity" >"$target/VERSION"
echo "install-uplot: $name $version installed in $target"
