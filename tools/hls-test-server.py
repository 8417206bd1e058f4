#!/usr/bin/env python3
"""Serves a live HTTP Live Streaming station on 127.0.0.1 from one audio file.

The file (or, without one, a tone of its own) is encoded once with ffmpeg and
cut into segments of about --segment seconds: MPEG-TS (ffmpeg's hls muxer),
fragmented MP4 (the same muxer, fmp4 segments) or packed audio (ADTS AAC or
MP3 frames behind an ID3 tag, cut here). The media playlist is a sliding
window that gains a segment every segment duration from the first playlist
request on, and ends (#EXT-X-ENDLIST) with the file unless --loop.

Each request is printed as "GET PATH STATUS", after "listening on PORT".

Paths: /index.m3u8 (also under any one folder, e.g. /hi/index.m3u8, whose
segments are then asked for under it), /master.m3u8 (with --master),
/segN.EXT for media sequence number N, /init.mp4, /key.bin (with --key),
and /icy: the same audio as one ICY stream at full speed (metadata every
16000 bytes to a client that asks with "Icy-MetaData: 1"), for comparisons.
"""
import argparse
import http.server
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

KEY = bytes(range(0x10, 0x20))  # the AES-128 key that /key.bin serves
ICY_METAINT = 16000


def run(*args):
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", *args], check=True)


def encode(source, out, codec, rate, seconds, bitrate):
    """The source as ADTS AAC or MP3, at `rate` Hz, two channels."""
    if source:
        inputs = ["-i", source]
    else:
        inputs = ["-f", "lavfi", "-i",
                  "sine=frequency=440:sample_rate=%d:duration=%g" % (rate, seconds)]
    if codec == "aac":
        enc = ["-c:a", "aac", "-b:a", bitrate, "-f", "adts"]
    else:
        enc = ["-c:a", "libmp3lame", "-b:a", bitrate, "-write_xing", "0",
               "-id3v2_version", "0", "-f", "mp3"]
    run(*inputs, "-ac", "2", "-ar", str(rate), *enc, out)


def adts_frames(data):
    at = 0
    while at + 7 <= len(data) and data[at] == 0xFF and data[at + 1] & 0xF0 == 0xF0:
        length = ((data[at + 3] & 3) << 11) | (data[at + 4] << 3) | (data[at + 5] >> 5)
        rate = [96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000,
                12000, 11025, 8000, 7350][(data[at + 2] >> 2) & 0xF]
        if length < 7:
            return
        yield data[at:at + length], 1024.0 * ((data[at + 6] & 3) + 1) / rate
        at += length


MP3_KBPS = {1: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
            2: [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160]}
MP3_RATES = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}


def mp3_frames(data):
    at = 0
    while at + 4 <= len(data) and data[at] == 0xFF and data[at + 1] & 0xE0 == 0xE0:
        version = (data[at + 1] >> 3) & 3
        kbps = MP3_KBPS[1 if version == 3 else 2][data[at + 2] >> 4]
        rate = MP3_RATES[version][(data[at + 2] >> 2) & 3]
        pad = (data[at + 2] >> 1) & 1
        length = (144000 if version == 3 else 72000) * kbps // rate + pad
        if length < 4:
            return
        yield data[at:at + length], (1152.0 if version == 3 else 576.0) / rate
        at += length


def id3_tag(title, artist):
    def frame(fid, text):
        body = b"\x03" + text.encode("utf-8")
        return fid + len(body).to_bytes(4, "big") + b"\x00\x00" + body
    body = frame(b"TIT2", title) + frame(b"TPE1", artist)
    size = len(body)
    syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
    return b"ID3\x03\x00\x00" + syncsafe + body


def cut_packed(path, codec, seconds):
    """[(bytes, duration)] of whole frames, about `seconds` each."""
    with open(path, "rb") as f:
        data = f.read()
    frames = adts_frames(data) if codec == "aac" else mp3_frames(data)
    segments, chunk, length = [], b"", 0.0
    for frame, duration in frames:
        chunk += frame
        length += duration
        if length >= seconds:
            segments.append((chunk, length))
            chunk, length = b"", 0.0
    if chunk:
        segments.append((chunk, length))
    return segments


def cut_muxed(path, kind, seconds, workdir, name):
    """Segments made by ffmpeg's hls muxer: [(bytes, duration)] and the init section."""
    folder = os.path.join(workdir, name)
    os.makedirs(folder, exist_ok=True)
    ext = "ts" if kind == "ts" else "m4s"
    extra = [] if kind == "ts" else ["-bsf:a", "aac_adtstoasc", "-hls_segment_type", "fmp4",
                                     "-hls_fmp4_init_filename", "init.mp4"]
    run("-i", path, "-c", "copy", "-f", "hls", "-hls_time", str(seconds),
        "-hls_list_size", "0", *extra,
        "-hls_segment_filename", os.path.join(folder, "part%05d." + ext),
        os.path.join(folder, "index.m3u8"))
    with open(os.path.join(folder, "index.m3u8")) as f:
        text = f.read()
    segments = []
    for duration, uri in re.findall(r"#EXTINF:([0-9.]+),\s*\n(\S+)", text):
        with open(os.path.join(folder, uri), "rb") as seg:
            segments.append((seg.read(), float(duration)))
    init = None
    if kind == "fmp4":
        with open(os.path.join(folder, "init.mp4"), "rb") as f:
            init = f.read()
    return segments, init


class Station:
    def __init__(self, args):
        self.args = args
        self.lock = threading.Lock()
        self.started = None
        self.playlist_requests = 0
        self.frozen = None
        self.failed = set()
        self.encrypted = {}
        workdir = args.workdir or tempfile.mkdtemp(prefix="hls-test-")
        self.workdir = workdir
        os.makedirs(workdir, exist_ok=True)
        codec = "mp3" if args.format == "mp3" or args.codec == "mp3" else "aac"
        ext = "aac" if codec == "aac" else "mp3"
        self.ext = {"ts": "ts", "fmp4": "m4s"}.get(args.format, ext)
        parts = [(args.rate, "source." + ext, codec)]
        if args.discontinuity:
            codec2 = args.codec2 or codec
            ext2 = "aac" if codec2 == "aac" else "mp3"
            parts.append((args.rate2, "source2." + ext2, codec2))
        self.segments, self.init = [], None  # [(bytes, duration, discontinuity)]
        self.sources = [os.path.join(workdir, name) for _, name, _ in parts]
        for index, (rate, name, part_codec) in enumerate(parts):
            path = os.path.join(workdir, name)
            seconds = args.seconds / len(parts)
            encode(args.source, path, part_codec, rate, seconds, args.bitrate)
            if args.format in ("ts", "fmp4"):
                cut, init = cut_muxed(path, args.format, args.segment, workdir, "cut%d" % index)
                self.init = self.init or init
            else:
                cut = cut_packed(path, part_codec, args.segment)
            self.segments += [(data, duration, index > 0 and i == 0)
                              for i, (data, duration) in enumerate(cut)]
        self.target = max(1, int(max(d for _, d, _ in self.segments) + 0.999))

    def available(self):
        """How many segments have been published so far."""
        args = self.args
        if args.vod:
            return len(self.segments)
        if self.started is None:
            self.started = time.monotonic()
        grown = int((time.monotonic() - self.started) / args.segment)
        count = args.window + grown
        if self.frozen is not None:
            count = self.frozen
        elif args.stall_after and self.playlist_requests >= args.stall_after:
            self.frozen = count
        return count if args.loop else min(count, len(self.segments))

    def title(self, sequence):
        return "Song %d" % (sequence // 3 + 1)

    def playlist(self):
        args = self.args
        with self.lock:
            self.playlist_requests += 1
            count = self.available()
        first = 0 if args.vod else max(0, count - args.window)
        lines = ["#EXTM3U", "#EXT-X-VERSION:7", "#EXT-X-TARGETDURATION:%d" % self.target,
                 "#EXT-X-MEDIA-SEQUENCE:%d" % first]
        if args.vod:
            lines.append("#EXT-X-PLAYLIST-TYPE:VOD")
        if self.init:
            lines.append('#EXT-X-MAP:URI="init.mp4"')
        if args.key:
            lines.append('#EXT-X-KEY:METHOD=AES-128,URI="key.bin"')
        for sequence in range(first, count):
            _, duration, discontinuity = self.segments[sequence % len(self.segments)]
            if discontinuity:
                lines.append("#EXT-X-DISCONTINUITY")
            title = ("Test Artist - " + self.title(sequence)) if args.titles else ""
            lines.append("#EXTINF:%.3f,%s" % (duration, title))
            lines.append("seg%d.%s" % (sequence, self.ext))
        if not args.loop and count >= len(self.segments):
            lines.append("#EXT-X-ENDLIST")
        return ("\n".join(lines) + "\n").encode()

    def segment(self, sequence):
        data = self.segments[sequence % len(self.segments)][0]
        if self.args.titles and self.args.format in ("aac", "mp3"):
            data = id3_tag(self.title(sequence), "ID3 Artist") + data
        if self.args.key:
            if sequence not in self.encrypted:
                iv = sequence.to_bytes(16, "big")
                self.encrypted[sequence] = subprocess.run(
                    ["openssl", "enc", "-aes-128-cbc", "-K", KEY.hex(), "-iv", iv.hex()],
                    input=data, stdout=subprocess.PIPE, check=True).stdout
            data = self.encrypted[sequence]
        return data

    def master(self):
        if self.args.audio_group:
            return ("#EXTM3U\n"
                    '#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID="aud",NAME="Main",DEFAULT=YES,'
                    'URI="audio/index.m3u8"\n'
                    '#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID="aud",NAME="Other",DEFAULT=NO,'
                    'URI="other/index.m3u8"\n'
                    '#EXT-X-STREAM-INF:BANDWIDTH=2500000,CODECS="avc1.4d401f,mp4a.40.2",'
                    'RESOLUTION=1280x720,AUDIO="aud"\n'
                    "video/index.m3u8\n").encode()
        return ("#EXTM3U\n"
                '#EXT-X-STREAM-INF:BANDWIDTH=2500000,CODECS="avc1.4d401f,mp4a.40.2",'
                "RESOLUTION=1280x720\n"
                "video/index.m3u8\n"
                '#EXT-X-STREAM-INF:BANDWIDTH=96000,CODECS="ec-3"\n'
                "ec3/index.m3u8\n"
                '#EXT-X-STREAM-INF:BANDWIDTH=64000,CODECS="mp4a.40.2"\n'
                "lo/index.m3u8\n"
                '#EXT-X-STREAM-INF:BANDWIDTH=128000,CODECS="mp4a.40.2"\n'
                "hi/index.m3u8\n").encode()

    def icy(self, metadata):
        """The source audio as one ICY body, with a title every 16000 bytes."""
        audio = b"".join(open(path, "rb").read() for path in self.sources)
        if not metadata:
            return audio
        out = []
        for n, at in enumerate(range(0, len(audio), ICY_METAINT)):
            out.append(audio[at:at + ICY_METAINT])
            text = ("StreamTitle='Test Artist - Song %d';" % (n // 16 + 1)).encode()
            text += b"\0" * (-len(text) % 16)
            out.append(bytes([len(text) // 16]) + text)
        return b"".join(out)

    def reply(self, path):
        """(status, content type, body) for a path."""
        name = path.split("?")[0].rsplit("/", 1)[-1]
        if name == "master.m3u8" and self.args.master:
            return 200, "application/vnd.apple.mpegurl", self.master()
        if name == "index.m3u8":
            return 200, "application/vnd.apple.mpegurl", self.playlist()
        if name == "init.mp4" and self.init:
            return 200, "video/mp4", self.init
        if name == "key.bin" and self.args.key:
            return 200, "application/octet-stream", KEY
        match = re.fullmatch(r"seg(\d+)\.\w+", name)
        if match:
            sequence = int(match.group(1))
            with self.lock:
                published = sequence < self.available()
                first_ask = sequence not in self.failed
                self.failed.add(sequence)
            if sequence in self.args.fail_segment and first_ask:
                return 404, "text/plain", b"not found\n"
            if published:
                return 200, "application/octet-stream", self.segment(sequence)
        return 404, "text/plain", b"not found\n"


def serve(station, port):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):
            if self.path == "/icy":
                return self.icy()
            status, kind, body = station.reply(self.path)
            print("GET %s %d" % (self.path, status), flush=True)
            self.send_response(status)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def icy(self):
            metadata = self.headers.get("Icy-MetaData") == "1"
            body = station.icy(metadata)
            print("GET /icy 200", flush=True)
            self.send_response(200)
            self.send_header("Content-Type", "audio/aac")
            if metadata:
                self.send_header("icy-metaint", str(ICY_METAINT))
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    class Server(http.server.ThreadingHTTPServer):
        daemon_threads = True

        def handle_error(self, request, client_address):
            pass  # a player that hangs up while being answered

    server = Server(("127.0.0.1", port), Handler)
    print("listening on %d" % server.server_address[1], flush=True)
    server.serve_forever()


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("source", nargs="?", help="an audio file (default: a 440 Hz tone)")
    p.add_argument("--port", type=int, default=8000, help="0 takes a free port")
    p.add_argument("--format", choices=["ts", "fmp4", "aac", "mp3"], default="ts")
    p.add_argument("--codec", choices=["aac", "mp3"], default="aac", help="of ts segments")
    p.add_argument("--segment", type=float, default=2.0, help="seconds per segment")
    p.add_argument("--seconds", type=float, default=60.0, help="length of the tone")
    p.add_argument("--rate", type=int, default=44100)
    p.add_argument("--rate2", type=int, default=22050, help="after the discontinuity")
    p.add_argument("--codec2", choices=["aac", "mp3"], help="after the discontinuity (ts)")
    p.add_argument("--bitrate", default="96k")
    p.add_argument("--window", type=int, default=4, help="segments in the live playlist")
    p.add_argument("--vod", action="store_true", help="every segment, then ENDLIST")
    p.add_argument("--loop", action="store_true", help="live for ever, the file over again")
    p.add_argument("--master", action="store_true", help="serve /master.m3u8")
    p.add_argument("--audio-group", action="store_true",
                   help="the master's one variant takes its audio from a group")
    p.add_argument("--key", action="store_true", help="AES-128 segments, IV from sequence")
    p.add_argument("--fail-segment", type=int, action="append", default=[],
                   help="answer the first request of this segment with 404")
    p.add_argument("--stall-after", type=int, default=0,
                   help="the playlist stops growing after this many requests")
    p.add_argument("--discontinuity", action="store_true",
                   help="the second half at --rate2, after #EXT-X-DISCONTINUITY")
    p.add_argument("--titles", action="store_true", help="#EXTINF titles and ID3 tags")
    p.add_argument("--workdir", help="where the encoded files go (kept)")
    args = p.parse_args()
    if not shutil.which("ffmpeg"):
        sys.exit("hls-test-server: ffmpeg is needed to make the segments")
    station = Station(args)
    try:
        serve(station, args.port)
    finally:
        if not args.workdir:
            shutil.rmtree(station.workdir, ignore_errors=True)


if __name__ == "__main__":
    main()
