#!/usr/bin/env bash
# Builds the Debian source package (lyrovan_<version>.dsc and .tar.xz) and
# the binary package lyrovan_<version>_<arch>.deb in this folder with
# dpkg-buildpackage (unsigned; the build runs the test suite) and checks both
# with lintian, which must report no error and no warning. Installs what the
# build needs first.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/setup.sh packages-deb.txt

version=$(sed -n 's/^project(lyrovan VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog=$(dpkg-parsechangelog -S Version)
if [ "$version" != "$changelog" ]; then
    echo "package.sh: debian/changelog is at $changelog, the project at $version" >&2
    exit 1
fi
arch=$(dpkg --print-architecture)

# dpkg-buildpackage writes beside the source folder: build in a copy of the
# source (without build folders and earlier packages) under build-deb/.
stage=build-deb
rm -rf "$stage"
mkdir -p "$stage/lyrovan-$version"
tar -c --exclude=./.git --exclude='./build*' --exclude='./lyrovan_*' . | tar -x -C "$stage/lyrovan-$version"
(cd "$stage/lyrovan-$version" && dpkg-buildpackage -us -uc -Jauto)

# The changes list the source package and the binary ones: lintian checks all.
changes="$stage/lyrovan_${version}_${arch}.changes"
lintian --fail-on error,warning --info "$changes"
for file in "lyrovan_${version}.dsc" "lyrovan_${version}.tar.xz" "lyrovan_${version}_${arch}.deb"; do
    cp "$stage/$file" .
    echo "Built $file"
done
