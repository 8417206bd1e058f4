#!/bin/sh
# Checks an installed player as a new user meets it: with an empty home (no
# ~/.wavelark, so no modules or pictures of the user's), PROGRAM plays a WAV
# file through the modules installed beside it, into a WAV file, and ends
# with status 0 on SIGTERM.
#   tools/play-installed.sh PREFIX/bin/wavelark
set -eu
PROGRAM=$1
WORK=$(mktemp -d)
PLAYER=""
cleanup() {
    [ -n "$PLAYER" ] && kill "$PLAYER" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
mkdir "$WORK/home"

# Two seconds of a 440 Hz tone, 16-bit stereo at 44100 Hz.
python3 - "$WORK/tone.wav" <<'PY'
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(44100)
    frames = b"".join(struct.pack("<hh", v, v) for v in
                      (int(8000 * math.sin(2 * math.pi * 440 * i / 44100)) for i in range(88200)))
    w.writeframes(frames)
PY

HOME="$WORK/home" XDG_DATA_HOME="$WORK/home/.local/share" QT_QPA_PLATFORM=offscreen \
    WAVELARK_AUDIO="wav:$WORK/out.wav" "$PROGRAM" -a "$WORK/tone.wav" >"$WORK/log" 2>&1 &
PLAYER=$!
# The whole tone played: 44-byte header and 352,800 bytes of samples.
i=0
until [ -f "$WORK/out.wav" ] && [ "$(wc -c <"$WORK/out.wav")" -ge 352844 ]; do
    i=$((i + 1))
    if [ $i -gt 300 ] || ! kill -0 "$PLAYER" 2>/dev/null; then
        echo "the installed player did not play the file; its output:" >&2
        cat "$WORK/log" >&2
        exit 1
    fi
    sleep 0.1
done
kill -TERM "$PLAYER"
status=0
wait "$PLAYER" || status=$?
PLAYER=""
if [ "$status" -ne 0 ]; then
    echo "the player ended with status $status" >&2
    cat "$WORK/log" >&2
    exit 1
fi
if [ -e "$WORK/home/.wavelark/plugins" ]; then
    echo "the player created ~/.wavelark/plugins" >&2
    exit 1
fi
grep "USING MODULE" "$WORK/log" || true
echo "played with an empty home: $PROGRAM"
