#!/bin/sh
# Installs what is missing, builds the player alone (the program, the decoder
# modules, the pictures and the desktop files; no tests, fuzz replays or
# tools) in a build folder of its own, installs it into that folder's
# install/ (the program finds its modules and pictures beside it), installs
# the desktop entry and the icon for the user and a first configuration with
# desktop key bindings when there is none, and starts the player with the
# given arguments. A later start rebuilds only what changed.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
BUILD=${BUILD_DIR:-build-run}
PREFIX="$(pwd)/$BUILD/install"
# Configured once: ninja itself re-runs CMake when a CMakeLists.txt changes.
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAVELARK_TESTS=OFF \
        -DCMAKE_INSTALL_PREFIX="$PREFIX"
fi
cmake --build "$BUILD"
cmake --install "$BUILD" >/dev/null
PROGRAM="$PREFIX/bin/wavelark"

# The entry names this program by its absolute path (quoted: the path may
# hold blanks), as it is not on the PATH.
DATA=${XDG_DATA_HOME:-$HOME/.local/share}
ENTRY="$DATA/applications/wavelark.desktop"
if [ ! -e "$ENTRY" ] || [ share/wavelark.desktop -nt "$ENTRY" ] || ! grep -qF "Exec=\"$PROGRAM\"" "$ENTRY"; then
    mkdir -p "$DATA/applications" "$DATA/icons/hicolor/scalable/apps" "$DATA/icons/hicolor/64x64/apps"
    while IFS= read -r line; do
        case $line in
            Exec=*) printf 'Exec="%s" %%U\n' "$PROGRAM" ;;
            *) printf '%s\n' "$line" ;;
        esac
    done <share/wavelark.desktop >"$ENTRY"
    cp pictures/wavelark.svg "$DATA/icons/hicolor/scalable/apps/wavelark.svg"
    cp pictures/wavelark-64.png "$DATA/icons/hicolor/64x64/apps/wavelark.png"
    # File managers offer the player for playlists and audio files through this cache.
    update-desktop-database -q "$DATA/applications" 2>/dev/null || true
fi
# The player never creates its configuration: a new user starts with the
# example, whose keys suit a desktop keyboard.
if [ ! -e "$HOME/.wavelark/config" ]; then
    mkdir -p "$HOME/.wavelark"
    chmod 700 "$HOME/.wavelark"
    cp share/example-config "$HOME/.wavelark/config"
    chmod 600 "$HOME/.wavelark/config"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running without a window (Qt offscreen)." >&2
    export QT_QPA_PLATFORM=offscreen
fi
exec "$PROGRAM" "$@"
