#!/bin/sh
# Builds docs/Help.chm from the pages in docs/help/ with chmcmd (Debian
# package fp-utils). The result is committed, so a normal build never needs
# this script; run it after changing any page and commit both.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
src="$root/docs/help"
out="$root/docs/Help.chm"

if ! command -v chmcmd >/dev/null 2>&1; then
    echo "build-help.sh: chmcmd not found; install the Debian package fp-utils" >&2
    exit 1
fi

# Compile in a scratch copy so that docs/help/ stays free of build output.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$src/." "$work/"

(cd "$work" && chmcmd --html-scan --verbosity 0 lyrovan.hhp)

if [ ! -s "$work/Help.chm" ]; then
    echo "build-help.sh: chmcmd produced no Help.chm" >&2
    exit 1
fi
mv "$work/Help.chm" "$out"
echo "Wrote $out"
