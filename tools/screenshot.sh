#!/bin/sh
# Plays a local ICY stream in the real window under Xvfb and saves a
# screenshot of it (default pictures/wavelark-window.png). Checks that
# SIGTERM then ends the player with status 0.
#   tools/screenshot.sh [OUTPUT.png]
# BUILD_DIR names the build (default build); the player must be built.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${BUILD_DIR:-build}
OUT=${1:-pictures/wavelark-window.png}
WORK=$(mktemp -d)
PIDS=""
cleanup() {
    for pid in $PIDS; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT

# A private home with the decoder modules and the pictures.
mkdir -p "$WORK/home/.wavelark/plugins"
cp "$BUILD"/plugins/*.so "$WORK/home/.wavelark/plugins/"
cp pictures/*.xpm "$WORK/home/.wavelark/"

# Twenty seconds of a chord, as MP3.
sox -n -r 44100 -c 2 -b 16 "$WORK/tone.wav" synth 20 sine 330 sine 495 vol 0.3
lame --quiet -b 128 "$WORK/tone.wav" "$WORK/tone.mp3"

PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 tools/icy-test-server.py "$WORK/tone.mp3" --port "$PORT" --title-every 30 >/dev/null 2>&1 &
PIDS="$PIDS $!"

DISPLAY_NUMBER=${DISPLAY_NUMBER:-97}
Xvfb ":$DISPLAY_NUMBER" -screen 0 640x640x24 -nolisten tcp >/dev/null 2>&1 &
PIDS="$PIDS $!"
export DISPLAY=":$DISPLAY_NUMBER"
i=0
until xdotool getdisplaygeometry >/dev/null 2>&1; do
    i=$((i + 1)); [ $i -gt 50 ] && { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done

HOME="$WORK/home" WAVELARK_AUDIO="wav:$WORK/out.wav" \
    "$ROOT/$BUILD/src/app/wavelark" -a "http://127.0.0.1:$PORT/" 2>"$WORK/player.log" &
PLAYER=$!
PIDS="$PIDS $PLAYER"
i=0
until WINDOW=$(xdotool search --name 'Wavelark$' 2>/dev/null | head -1) && [ -n "$WINDOW" ]; do
    i=$((i + 1)); [ $i -gt 100 ] && { echo "no window" >&2; exit 1; }
    sleep 0.1
done
# Without a window manager nothing gives the window the focus; it does not
# need it to show its figures, but a person's window would have it.
xdotool windowfocus "$WINDOW"
# The first title and a buffer that has filled.
sleep 8
import -window "$WINDOW" "$OUT"

kill -TERM "$PLAYER"
status=0
wait "$PLAYER" || status=$?
if [ "$status" -ne 0 ]; then
    echo "player ended with status $status" >&2
    cat "$WORK/player.log" >&2
    exit 1
fi
echo "screenshot: $OUT; player ended with status 0"
