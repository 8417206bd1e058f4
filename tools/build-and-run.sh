#!/bin/sh
# Installs what is missing, builds Wavelark, installs the decoder modules into
# ~/.wavelark/plugins/ and starts the player with the given arguments.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD"
cmake --install "$BUILD" --component modules --prefix "$HOME/.wavelark"
# Until the main window exists, the engine plays through its headless driver.
exec "$BUILD/tools/headless/wavelark-headless" "$@"
