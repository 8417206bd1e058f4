#!/bin/sh
# Makes the Debian package of a build folder and checks it: its control
# fields name the libraries the player needs, it holds the program, the
# modules, the pictures, the desktop entry and the icon, and the player
# unpacked from it plays a file with an empty home.
#   tools/check-package.sh BUILD
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
rm -f "$BUILD"/wavelark_*.deb
(cd "$BUILD" && cpack -G DEB >"$WORK/cpack.log" 2>&1) || { cat "$WORK/cpack.log" >&2; exit 1; }
DEB=$(ls "$BUILD"/wavelark_*.deb)
echo "package: $DEB"

fail=0
dpkg-deb -I "$DEB" >"$WORK/info"
depends=$(sed -n 's/^ Depends: //p' "$WORK/info")
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6core6 libpulse0 libasound2 libmpg123-0 libfaad2 libvorbis0a \
    libopus0 libflac12 libcurl4 ca-certificates; do
    case ", $depends" in
        *", $lib"*) ;;
        *) echo "missing dependency: $lib" >&2; fail=1 ;;
    esac
done

dpkg-deb -c "$DEB" | awk '{print $6}' >"$WORK/files"
for f in usr/bin/wavelark usr/lib/wavelark/plugins/mp3.so usr/lib/wavelark/plugins/wav.so \
    usr/lib/wavelark/plugins/aac.so usr/lib/wavelark/plugins/vorbis.so \
    usr/lib/wavelark/plugins/opus.so usr/lib/wavelark/plugins/flac.so \
    usr/share/wavelark/mute.xpm usr/share/wavelark/record.xpm \
    usr/share/applications/wavelark.desktop usr/share/icons/hicolor/scalable/apps/wavelark.svg \
    usr/share/icons/hicolor/64x64/apps/wavelark.png; do
    grep -qx "./$f" "$WORK/files" || { echo "missing file: /$f" >&2; fail=1; }
done
if grep -q headless "$WORK/files"; then
    echo "the developer tool is packaged" >&2
    fail=1
fi
[ "$fail" -eq 0 ] || exit 1

dpkg-deb -x "$DEB" "$WORK/root"
"$ROOT/tools/play-installed.sh" "$WORK/root/usr/bin/wavelark"
