#!/usr/bin/env python3
"""A small ICY (SHOUTcast-style) server on 127.0.0.1 for trying the player.

  tools/icy-test-server.py [FILE.mp3] [--port 8000] [--metaint 8192] [--kbps 128]
                           [--title-every 5] [--burst KB]

Loops FILE at about the given bit rate, interleaving a metadata block every
metaint bytes (for clients that ask with "Icy-MetaData: 1") and changing the
StreamTitle every few seconds. Without FILE it serves a tone of its own,
encoded to MP3 with lame. With --port 0 it picks a free port; the port it
listens on is printed as "listening on PORT" either way.
"""
import argparse
import math
import shutil
import socket
import struct
import subprocess
import sys
import threading
import time


def metadata(text):
    raw = text.encode("utf-8")
    blocks = (len(raw) + 15) // 16
    return bytes([blocks]) + raw + b"\0" * (blocks * 16 - len(raw))


def tone_pcm(seconds=8, rate=44100):
    """A slow arpeggio, one note a second, so that a listener hears it play on."""
    notes = [262, 330, 392, 523, 392, 330, 294, 247]
    frames = bytearray()
    for i in range(seconds * rate):
        freq = notes[(i // rate) % len(notes)]
        # A short fade at each note's ends keeps the changes from clicking.
        t = i % rate
        env = min(1.0, t / 400, (rate - t) / 400)
        v = int(9000 * env * math.sin(2 * math.pi * freq * i / rate))
        frames += struct.pack("<hh", v, v)
    return bytes(frames)


def tone_mp3(kbps):
    lame = shutil.which("lame")
    if not lame:
        sys.exit("icy-test-server: no FILE given and no lame to encode the tone "
                 "(apt-get install lame, or name an MP3 file)")
    encoded = subprocess.run(
        [lame, "--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed", "--little-endian",
         "-m", "j", "-b", str(kbps), "-", "-"],
        input=tone_pcm(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=True)
    return encoded.stdout


class Interleaver:
    """Cuts audio into metaint-sized runs with a metadata block after each."""

    def __init__(self, metaint, title_every):
        self.metaint = metaint
        self.title_every = title_every
        self.since_meta = 0
        self.song = 0
        self.next_title = time.monotonic()

    def block(self):
        if time.monotonic() < self.next_title:
            return b"\0"
        self.song += 1
        self.next_title += self.title_every
        return metadata("StreamTitle='Artist %d - Song %d';" % (self.song, self.song))

    def feed(self, piece):
        out = bytearray()
        while piece:
            take = piece[:self.metaint - self.since_meta]
            piece = piece[len(take):]
            out += take
            self.since_meta += len(take)
            if self.since_meta == self.metaint:
                out += self.block()
                self.since_meta = 0
        return bytes(out)


def serve(conn, args, audio):
    try:
        request = b""
        while b"\r\n\r\n" not in request:
            chunk = conn.recv(4096)
            if not chunk:
                return
            request += chunk
        wants_meta = b"icy-metadata: 1" in request.lower()
        header = "ICY 200 OK\r\nicy-name: Wavelark Test Radio\r\nicy-genre: Test\r\n"
        header += "icy-url: http://127.0.0.1/\r\ncontent-type: audio/mpeg\r\n"
        if wants_meta:
            header += "icy-metaint: %d\r\n" % args.metaint
        conn.sendall((header + "\r\n").encode())
        meta = Interleaver(args.metaint, args.title_every) if wants_meta else None
        rate = args.kbps * 1000 // 8
        pos, sent, started = 0, 0, time.monotonic()
        while True:
            piece = audio[pos:pos + 4096] or audio[:4096]
            pos = (pos + len(piece)) % len(audio)
            conn.sendall(meta.feed(piece) if meta else piece)
            sent += len(piece)
            # The burst goes out at once, as servers fill a new listener's buffer.
            ahead = max(0, sent - args.burst * 1024) / rate - (time.monotonic() - started)
            if ahead > 0:
                time.sleep(ahead)
    except OSError:
        pass
    finally:
        conn.close()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("file", nargs="?", help="an MP3 file; without it, a tone of its own")
    p.add_argument("--port", type=int, default=8000)
    p.add_argument("--metaint", type=int, default=8192)
    p.add_argument("--kbps", type=int, default=128)
    p.add_argument("--title-every", type=float, default=5)
    p.add_argument("--burst", type=int, default=0, help="KB sent at once on connect")
    args = p.parse_args()
    if args.metaint <= 0:
        p.error("--metaint must be above 0")
    audio = open(args.file, "rb").read() if args.file else tone_mp3(args.kbps)
    if not audio:
        sys.exit("icy-test-server: %s is empty" % args.file)
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", args.port))
    s.listen()
    print("listening on %d" % s.getsockname()[1], flush=True)
    while True:
        conn, _ = s.accept()
        threading.Thread(target=serve, args=(conn, args, audio), daemon=True).start()


if __name__ == "__main__":
    main()
