#!/usr/bin/env python3
"""A small ICY (SHOUTcast-style) server on 127.0.0.1 for trying the player.

  tools/icy-test-server.py FILE.mp3 [--port 8000] [--metaint 8192] [--kbps 128]
                           [--title-every 5] [--burst KB]

Loops FILE at about the given bit rate, interleaving a metadata block every
metaint bytes and changing the StreamTitle every few seconds.
"""
import argparse
import socket
import threading
import time


def metadata(text):
    raw = text.encode("utf-8")
    blocks = (len(raw) + 15) // 16
    return bytes([blocks]) + raw + b"\0" * (blocks * 16 - len(raw))


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
        rate = args.kbps * 1000 // 8
        pos, since_meta, song, started = 0, 0, 0, time.monotonic()
        next_title = started
        sent = 0
        title = b""
        while True:
            piece = audio[pos:pos + 4096] or audio[:4096]
            pos = (pos + len(piece)) % len(audio)
            out = b""
            for byte_index in range(0, len(piece), args.metaint):
                part = piece[byte_index:byte_index + args.metaint]
                while part:
                    room = args.metaint - since_meta
                    take, part = part[:room], part[room:]
                    out += take
                    since_meta += len(take)
                    if wants_meta and since_meta == args.metaint:
                        if time.monotonic() >= next_title:
                            song += 1
                            title = metadata("StreamTitle='Artist %d - Song %d';" % (song, song))
                            next_title += args.title_every
                        else:
                            title = b"\0"
                        out += title
                        since_meta = 0
            conn.sendall(out)
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
    p.add_argument("file")
    p.add_argument("--port", type=int, default=8000)
    p.add_argument("--metaint", type=int, default=8192)
    p.add_argument("--kbps", type=int, default=128)
    p.add_argument("--title-every", type=float, default=5)
    p.add_argument("--burst", type=int, default=0, help="KB sent at once on connect")
    args = p.parse_args()
    audio = open(args.file, "rb").read()
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", args.port))
    s.listen()
    while True:
        conn, _ = s.accept()
        threading.Thread(target=serve, args=(conn, args, audio), daemon=True).start()


if __name__ == "__main__":
    main()
