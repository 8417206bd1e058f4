#!/bin/sh
# Builds the player alone in build-deb and makes its Debian package there
# (cpack -G DEB; the library dependencies are read by dpkg-shlibdeps).
# Prints the package's path on the last line.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
BUILD=${BUILD_DIR:-build-deb}
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAVELARK_TESTS=OFF
fi
cmake --build "$BUILD"
(cd "$BUILD" && cpack -G DEB >/dev/null)
ls "$(pwd)/$BUILD"/wavelark_*.deb
