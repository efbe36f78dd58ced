#!/bin/sh
# Builds docs/Help.chm from the pages in docs/help/ with chmcmd (Debian
# package fp-utils). The result is committed, so a normal build never needs
# this script; run it after changing any page and commit both.
#   tools/build-help.sh [output]   writes output instead of docs/Help.chm
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
src="$root/docs/help"
out="${1:-$root/docs/Help.chm}"

if ! command -v chmcmd >/dev/null 2>&1; then
    echo "build-help.sh: chmcmd not found; install the Debian package fp-utils" >&2
    exit 1
fi

# Compile in a scratch copy so that docs/help/ stays free of build output.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$src/." "$work/"

(cd "$work" && chmcmd --html-scan --verbosity 0 lyrovan.hhp)

chm="$work/Help.chm"
if [ ! -s "$chm" ]; then
    echo "build-help.sh: chmcmd produced no Help.chm" >&2
    exit 1
fi

# The header holds two GUIDs at 0x18 and 0x28: {7C01FD10-...} and then
# {7C01FD11-...}. chmcmd writes the first one twice, and readers that check
# the header (libmspack) refuse such a file; the GUIDs differ only in the
# first byte, so set it.
guid_at() { od -An -tx1 -j "$1" -N 16 "$chm" | tr -d ' \n'; }
standard=11fd017caa7bd0119e0c00a0c922e6ec
if [ "$(guid_at 40)" != "$standard" ]; then
    if [ "$(guid_at 24)" != "10${standard#11}" ] || [ "$(guid_at 40)" != "$(guid_at 24)" ]; then
        echo "build-help.sh: unexpected header GUIDs $(guid_at 24) $(guid_at 40)" >&2
        exit 1
    fi
    printf '\021' | dd of="$chm" bs=1 seek=40 count=1 conv=notrunc 2>/dev/null
    if [ "$(guid_at 40)" != "$standard" ]; then
        echo "build-help.sh: could not set the header's second GUID" >&2
        exit 1
    fi
fi

mv "$chm" "$out"
echo "Wrote $out"
