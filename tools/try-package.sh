#!/usr/bin/env bash
# Tries the package built by ./package.sh as a user of a fresh Debian 12
# would: makes a minimal root with debootstrap, installs
# lyrovan_<version>_<arch>.deb there with apt-get (no recommended packages,
# so that the package's own dependencies must suffice), checks that the
# program, its Qt plug-ins and its data are complete, then starts it under
# Xvfb and saves a screenshot as build-deb/installed.png. Needs root and the
# network. The root is removed afterwards unless KEEP_ROOT=1.
#
#     tools/try-package.sh [ROOT-FOLDER]     (default: /tmp/lyrovan-root)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
tools/setup.sh packages-deb.txt

arch=$(dpkg --print-architecture)
deb=$(ls -t lyrovan_*_"$arch".deb 2>/dev/null | head -n 1 || true)
if [ -z "$deb" ]; then
    echo "try-package.sh: no lyrovan_*_$arch.deb here; run ./package.sh first" >&2
    exit 1
fi
root=$(realpath -m "${1:-/tmp/lyrovan-root}")
mkdir -p build-deb

cleanup() {
    if mountpoint -q "$root/proc"; then umount "$root/proc"; fi
    if [ "${KEEP_ROOT:-0}" != 1 ] && ! mountpoint -q "$root/proc"; then
        rm -rf --one-file-system "$root"
    fi
}
trap cleanup EXIT

if [ ! -x "$root/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian
fi
mount -t proc proc "$root/proc"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
install_in_root() {
    in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
}

cp "$deb" "$root/tmp/"
in_root apt-get update -q
install_in_root "/tmp/$(basename "$deb")"

# Every library of the program and of the Qt plug-ins it loads is there,
# and the program reads its data from /usr/share/lyrovan.
plugins=$(in_root sh -c 'echo /usr/lib/*/qt6/plugins')
for file in /usr/bin/lyrovan "$plugins/platforms/libqxcb.so" "$plugins/sqldrivers/libqsqlite.so"; do
    if in_root ldd "$file" | grep 'not found'; then
        echo "try-package.sh: $file misses libraries" >&2
        exit 1
    fi
done
in_root lyrovan --version
in_root lyrovan --check-data

# Now a display, only for the screenshot.
install_in_root xvfb xauth imagemagick
in_root xvfb-run -a -s "-screen 0 1280x1024x24" sh -c \
    'lyrovan & program=$!; sleep 8; import -window root /tmp/installed.png
     kill $program || { echo "try-package.sh: lyrovan did not keep running" >&2; exit 1; }'
cp "$root/tmp/installed.png" build-deb/installed.png
echo "Screenshot: build-deb/installed.png"
