#!/usr/bin/env bash
# Installs the Debian packages listed in tools/packages.txt that are missing,
# and those of any further lists given as arguments (names relative to tools/,
# e.g. packages-deb.txt for building the Debian package).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
lists=("$here/packages.txt")
for list in "$@"; do lists+=("$here/$list"); done
mapfile -t wanted < <(cat "${lists[@]}" | grep -v -E '^\s*(#|$)')
missing=()
for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# Wait for another apt or dpkg run to finish rather than fail at once.
apt_options=(-o DPkg::Lock::Timeout=600)
$sudo apt-get "${apt_options[@]}" update -q
$sudo apt-get "${apt_options[@]}" install -y -q --no-install-recommends "${missing[@]}"
