#!/bin/sh
# Installs what is missing, builds Wavelark, installs the decoder modules into
# ~/.wavelark/plugins/ and the indicator pictures into ~/.wavelark/, the
# desktop entry and the icon for the user, a first configuration with desktop
# key bindings when there is none, and starts the player with the given
# arguments.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD"
cmake --install "$BUILD" --component modules --prefix "$HOME/.wavelark"
mkdir -p "$HOME/.wavelark"
cp pictures/*.xpm "$HOME/.wavelark/"

# The program is not installed on the PATH, so the entry names this build's
# program by its absolute path (quoted: the path may hold blanks).
PROGRAM="$(cd "$BUILD/src/app" && pwd)/wavelark"
DATA=${XDG_DATA_HOME:-$HOME/.local/share}
mkdir -p "$DATA/applications" "$DATA/icons/hicolor/scalable/apps" "$DATA/icons/hicolor/64x64/apps"
while IFS= read -r line; do
    case $line in
        Exec=*) printf 'Exec="%s" %%U\n' "$PROGRAM" ;;
        *) printf '%s\n' "$line" ;;
    esac
done <share/wavelark.desktop >"$DATA/applications/wavelark.desktop"
cp pictures/wavelark.svg "$DATA/icons/hicolor/scalable/apps/wavelark.svg"
cp pictures/wavelark-64.png "$DATA/icons/hicolor/64x64/apps/wavelark.png"
# File managers offer the player for playlists and audio files through this cache.
update-desktop-database -q "$DATA/applications" 2>/dev/null || true
# The player never creates its configuration: a new user starts with the
# example, whose keys suit a desktop keyboard.
if [ ! -e "$HOME/.wavelark/config" ]; then
    cp share/example-config "$HOME/.wavelark/config"
    chmod 600 "$HOME/.wavelark/config"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running without a window (Qt offscreen)." >&2
    export QT_QPA_PLATFORM=offscreen
fi
exec "$BUILD/src/app/wavelark" "$@"
