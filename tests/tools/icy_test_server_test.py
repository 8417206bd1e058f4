#!/usr/bin/env python3
"""Listens to tools/icy-test-server.py as players do: with and without
"Icy-MetaData: 1", from a file and from the server's own tone."""
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

SERVER = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "..", "tools", "icy-test-server.py")
DEADLINE = 20  # seconds for any one read


class Server:
    def __init__(self, *args):
        self.proc = subprocess.Popen([sys.executable, SERVER, "--port", "0", *args],
                                     stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        if not line.startswith("listening on "):
            self.proc.kill()
            raise RuntimeError("server did not start: %r" % line)
        self.port = int(line.split()[-1])

    def close(self):
        self.proc.kill()
        self.proc.wait()
        self.proc.stdout.close()


class Listener:
    def __init__(self, port, metadata):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=DEADLINE)
        request = "GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n"
        if metadata:
            request += "Icy-MetaData: 1\r\n"
        self.sock.sendall((request + "\r\n").encode())
        self.pending = b""
        while b"\r\n\r\n" not in self.pending:
            self.pending += self._recv()
        head, self.pending = self.pending.split(b"\r\n\r\n", 1)
        self.header = head.decode().lower()

    def _recv(self):
        chunk = self.sock.recv(65536)
        if not chunk:
            raise EOFError("the server closed the stream")
        return chunk

    def read(self, n):
        end = time.monotonic() + DEADLINE
        while len(self.pending) < n:
            if time.monotonic() > end:
                raise TimeoutError("only %d of %d bytes" % (len(self.pending), n))
            self.pending += self._recv()
        out, self.pending = self.pending[:n], self.pending[n:]
        return out

    def metaint(self):
        for line in self.header.split("\r\n"):
            if line.startswith("icy-metaint:"):
                return int(line.split(":")[1])
        return None

    def close(self):
        self.sock.close()


class IcyTestServerTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        # Not a multiple of the server's 4096-byte pieces nor of metaint.
        self.song = bytes((i * 7 + i // 251) & 0xFF for i in range(5000))
        path = os.path.join(self.dir.name, "song.mp3")
        with open(path, "wb") as f:
            f.write(self.song)
        self.server = Server(path, "--metaint", "1000", "--kbps", "2000", "--burst", "64",
                             "--title-every", "0.5")

    def tearDown(self):
        self.server.close()
        self.dir.cleanup()

    def looped(self, n):
        return (self.song * (n // len(self.song) + 1))[:n]

    def test_plain_client_gets_the_file_looped_without_metadata(self):
        # Beyond two metadata intervals and several loops of the file: the
        # server used to stop sending here.
        plain = Listener(self.server.port, metadata=False)
        self.assertIsNone(plain.metaint())
        self.assertEqual(plain.read(40000), self.looped(40000))
        plain.close()

    def test_metadata_client_gets_titles_between_runs_of_the_same_audio(self):
        icy = Listener(self.server.port, metadata=True)
        self.assertEqual(icy.metaint(), 1000)
        audio, titles = b"", []
        while len(audio) < 40000:
            audio += icy.read(1000)
            length = icy.read(1)[0] * 16
            block = icy.read(length)
            if length:
                titles.append(block.rstrip(b"\0").decode())
        icy.close()
        self.assertEqual(audio, self.looped(40000))
        self.assertTrue(titles, "no title in 40 metadata blocks")
        self.assertEqual(titles[0], "StreamTitle='Artist 1 - Song 1';")

    def test_both_kinds_of_client_at_once(self):
        plain = Listener(self.server.port, metadata=False)
        icy = Listener(self.server.port, metadata=True)
        self.assertEqual(plain.read(20000), self.looped(20000))
        self.assertEqual(icy.read(1000), self.song[:1000])
        plain.close()
        icy.close()


class ToneTest(unittest.TestCase):
    def test_without_a_file_it_serves_an_mp3_tone(self):
        server = Server("--kbps", "128", "--burst", "32")
        try:
            plain = Listener(server.port, metadata=False)
            self.assertIn("content-type: audio/mpeg", plain.header)
            head = plain.read(32 * 1024)
            plain.close()
        finally:
            server.close()
        # An MPEG audio frame's sync word, and more frames after it.
        self.assertEqual(head[0], 0xFF)
        self.assertEqual(head[1] & 0xE0, 0xE0)
        self.assertGreater(head.count(b"\xff\xfb"), 20)


if __name__ == "__main__":
    unittest.main()
