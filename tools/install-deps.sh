#!/bin/sh
# Installs the Debian 12 packages that building and running need; with
# --tests also those that only the test suite needs. Does nothing when they
# are all present; uses sudo when not run as root.
set -eu

PACKAGES="cmake ninja-build g++ pkg-config python3 clang clang-format libclang-rt-14-dev
libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev libcurl4-openssl-dev nettle-dev
libasound2-dev libpulse-dev libmpg123-dev libfaad-dev libvorbis-dev libogg-dev libopus-dev
libflac-dev xvfb xauth fonts-dejavu-core alsa-oss lame sox vorbis-tools
opus-tools flac mpg123 xdotool imagemagick dbus desktop-file-utils dpkg-dev"
# The PulseAudio tests start a sound server of their own (not for the run
# command: on a PipeWire desktop, installing this server would replace
# pipewire-pulse); the HTTP Live Streaming test server cuts its segments
# with ffmpeg.
if [ "${1:-}" = "--tests" ]; then
    PACKAGES="$PACKAGES pulseaudio pulseaudio-utils ffmpeg"
fi

# One query for all: a later start of the run command should cost nothing here.
installed=" $(dpkg-query -W -f='${Package}=${db:Status-Abbrev} ' $PACKAGES 2>/dev/null || true)"
missing=""
for p in $PACKAGES; do
    case $installed in
        *" $p=ii"*) ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 \
    install -y --no-install-recommends $missing
