#!/bin/sh
# Installs what is missing, builds Wavelark, installs the decoder modules into
# ~/.wavelark/plugins/ and the indicator pictures into ~/.wavelark/, and
# starts the player with the given arguments.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD"
cmake --install "$BUILD" --component modules --prefix "$HOME/.wavelark"
mkdir -p "$HOME/.wavelark"
cp pictures/*.xpm "$HOME/.wavelark/"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running without a window (Qt offscreen)." >&2
    export QT_QPA_PLATFORM=offscreen
fi
exec "$BUILD/src/app/wavelark" "$@"
