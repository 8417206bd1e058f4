#!/usr/bin/env python3
"""Live playback beside the desktop's radio players.

  bench/engine/peer-bench.py [--build DIR] [--against DIR] [--seconds S] [--rounds N]
                             [--modes burst,steady] [--only NAME,...] [--no-install]

Each program plays the same paced 128 kbit/s ICY stream from 127.0.0.1 (one
server that bursts 16 s of audio to a new listener, one that does not) for S
seconds (default 60), in N alternating rounds (default 3). Every program
writes to ALSA "default", which its own fresh home's ~/.asoundrc routes
through "plug" (to 44.1 kHz S16 stereo) and "file" into a FIFO that a small
reader drains at 176,400 bytes/s, as a sound card would; ALSA's plain null
device takes everything at once and would not pace anyone. Each home is
warmed by one unmeasured start, so first-run work is not counted.

Printed per program and stream: medians and spreads (min-max) over the rounds
of CPU seconds per 60 s (user + system, all threads), peak RSS (VmHWM, MB),
wake-ups per second (voluntary + involuntary context switches of all threads,
from /proc) and the time from start to the first audio reaching the FIFO;
then Wavelark's ratios against each program, the median of per-round ratios.
With --against DIR the player built in DIR runs too, as "... @against".

The peers come from Debian (apt-get install when missing); those that refuse
to run as root run as the unprivileged user "wlbench" (created when
missing). GUI players run under Xvfb with openbox.
"""
import argparse
import grp
import os
import pwd
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RATE = 176400  # bytes/s of 44.1 kHz, 16-bit, stereo
THREADS = False
PERIOD = 0.1  # seconds the sink drains at a time, as a card's period
BURST_KB = 256  # 16 s at 128 kbit/s, more than any player waits for
USER = "wlbench"
PACKAGES = {"audacious": "audacious", "cvlc": "vlc", "mpv": "mpv", "goodvibes": "goodvibes",
            "qmmp": "qmmp", "mpg123": "mpg123",
            # goodvibes depends on pulse's GStreamer sink or ALSA's; the sink is ALSA
            "/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstalsa.so": "gstreamer1.0-alsa", "Xvfb": "xvfb", "openbox": "openbox",
            "dbus-daemon": "dbus", "sox": "sox", "lame": "lame", "xdotool": "xdotool"}

# A reader that drains the FIFO at the sound card's rate and prints, once,
# the CLOCK_MONOTONIC time of the first byte. Opened read-write, so that it
# never sees an end when a player closes and opens the device again.
READER = r"""
import os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR)
rate = int(sys.argv[2]); tick = float(sys.argv[3]); owed = 0.0; first = True
while True:
    owed = min(owed + rate * tick, 2 * rate * tick)
    while owed >= 1:
        try:
            got = os.read(fd, int(owed)) if not first else os.read(fd, 65536)
        except BlockingIOError:
            break
        if first:
            print(time.monotonic(), flush=True); first = False
            os.set_blocking(fd, False)
        owed -= len(got)
        if len(got) == 0:
            break
    time.sleep(tick)
"""

ASOUNDRC = """pcm.!default {
    type plug
    slave { pcm "fifo" format S16_LE rate 44100 channels 2 }
}
pcm.fifo {
    type file
    slave.pcm "null"
    file "%s"
    format "raw"
}
"""


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def wait_for(pred, seconds, what):
    deadline = time.monotonic() + seconds
    while not pred():
        if time.monotonic() > deadline:
            sys.exit("peer-bench: %s did not start" % what)
        time.sleep(0.05)


def accepts(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


def install_missing(no_install):
    missing = sorted({pkg for cmd, pkg in PACKAGES.items()
                      if not (shutil.which(cmd) or os.path.exists(cmd))})
    if not missing:
        return
    if no_install:
        sys.exit("peer-bench: missing " + " ".join(missing))
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "-o", "DPkg::Lock::Timeout=600", "install", "-y",
                    "--no-install-recommends"] + missing, env=env, check=True,
                   stdout=subprocess.DEVNULL)


def bench_user():
    if os.getuid() != 0:
        return None
    try:
        pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin",
                        USER], check=True)
    u = pwd.getpwnam(USER)
    # ALSA's "default" of a Debian machine without a card is no use; the
    # bench user needs no group beyond its own.
    return u.pw_uid, u.pw_gid


class Program:
    def __init__(self, name, argv, env=None, as_user=False, gui=False, home_setup=None,
                 play=None):
        self.name, self.argv, self.env = name, argv, env or {}
        self.as_user, self.gui, self.home_setup = as_user, gui, home_setup
        # Presses Play once the window is up and returns the time it did;
        # first audio counts from then. Without it, from the start.
        self.play = play


def press_play(env):
    """Waits for the window, then presses its Play key (Space, bound in the
    home's configuration); the time of the press, or None."""
    found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                            "^Wavelark$"], env=env,
                           stdout=subprocess.PIPE, text=True, timeout=30).stdout.split()
    if not found:
        return None
    subprocess.run(["xdotool", "windowfocus", found[0]], env=env, stderr=subprocess.DEVNULL,
                   timeout=10)
    time.sleep(0.3)  # the focus reaches the window
    at = time.monotonic()
    subprocess.run(["xdotool", "key", "space"], env=env, timeout=10)
    return at


def wavelark_programs(build, suffix):
    window = os.path.join(build, "src/app/wavelark")
    headless = os.path.join(build, "tools/wavelark-headless")
    if not os.path.exists(headless):
        headless = os.path.join(build, "tools/headless/wavelark-headless")

    def setup(home):
        plugins = os.path.join(home, ".wavelark/plugins")
        os.makedirs(plugins, exist_ok=True)
        for f in os.listdir(os.path.join(build, "plugins")):
            if f.endswith(".so"):
                shutil.copy(os.path.join(build, "plugins", f), plugins)
        for f in os.listdir(os.path.join(ROOT, "pictures")):
            if f.endswith(".xpm"):
                shutil.copy(os.path.join(ROOT, "pictures", f), os.path.join(home, ".wavelark"))
        with open(os.path.join(home, ".wavelark/config"), "w") as f:
            f.write("keyPlayStop = 32\n")

    env = {"WAVELARK_AUDIO": "alsa:default"}
    return [Program("wavelark window" + suffix, [window, "{url}"], env, gui=True,
                    home_setup=setup, play=press_play),
            Program("wavelark-headless" + suffix, [headless, "{url}"], env, home_setup=setup)]


def peer_programs():
    def audacious(home):
        d = os.path.join(home, ".config/audacious")
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, "config"), "w") as f:
            f.write("[audacious]\noutput_plugin=alsa\n\n[alsa]\npcm=default\n")

    def qmmp(home):
        d = os.path.join(home, ".config/qmmp")
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, "qmmprc"), "w") as f:
            f.write("[Output]\ncurrent_plugin=alsa\n\n[ALSA]\ndevice=default\n")

    return [
        Program("audacious", ["audacious", "{url}"], as_user=True, gui=True, home_setup=audacious),
        Program("vlc (cvlc)", ["cvlc", "-q", "--no-video", "--aout", "alsa", "--alsa-audio-device",
                               "default", "{url}"], as_user=True),
        Program("mpv", ["mpv", "--really-quiet", "--no-video", "--ao=alsa",
                        "--audio-device=alsa/default", "{url}"], as_user=True),
        Program("goodvibes", ["goodvibes", "{url}"], as_user=True, gui=True),
        Program("qmmp", ["qmmp", "{url}"], as_user=True, gui=True, home_setup=qmmp),
        Program("mpg123", ["mpg123", "-q", "-o", "alsa", "-a", "default", "{url}"]),
    ]


def tree(pid):
    """pid and its descendants, from /proc."""
    children = {}
    for d in os.listdir("/proc"):
        if d.isdigit():
            try:
                with open("/proc/%s/stat" % d) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(ppid, []).append(int(d))
            except (OSError, IndexError, ValueError):
                pass
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo += children.get(p, [])
    return out


def field(path, name):
    try:
        with open(path) as f:
            for line in f:
                if line.startswith(name):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


class Sampler:
    """Costs of a process tree read from /proc. A thread's switch counts are
    kept as last seen, so threads that end before the last look still count."""

    def __init__(self, pid):
        self.pid, self.switches, self.cpu, self.hwm, self.names = pid, {}, {}, {}, {}
        self.tick = os.sysconf("SC_CLK_TCK")

    def sample(self):
        for p in tree(self.pid):
            try:
                with open("/proc/%d/stat" % p) as f:
                    s = f.read().rsplit(")", 1)[1].split()
                self.cpu[p] = (int(s[11]) + int(s[12])) / self.tick
                self.hwm[p] = max(self.hwm.get(p, 0), field("/proc/%d/status" % p, "VmHWM"))
                for t in os.listdir("/proc/%d/task" % p):
                    st = "/proc/%d/task/%s/status" % (p, t)
                    n = field(st, "voluntary_ctxt_switches") + \
                        field(st, "nonvoluntary_ctxt_switches")
                    if n:
                        self.switches[(p, t)] = n
                        if (p, t) not in self.names:
                            with open("/proc/%d/task/%s/comm" % (p, t)) as f:
                                self.names[(p, t)] = f.read().strip()
            except OSError:
                pass

    def result(self):
        return sum(self.cpu.values()), sum(self.hwm.values()) / 1024, sum(self.switches.values())


def demote(ids, home):
    def f():
        os.setsid()
        if ids:
            os.setgroups([])
            os.setgid(ids[1])
            os.setuid(ids[0])
    return f


def run_once(prog, url, seconds, home, fifo, env_base, ids):
    reader = subprocess.Popen([sys.executable, "-c", READER, fifo, str(RATE), str(PERIOD)],
                              stdout=subprocess.PIPE, text=True)
    time.sleep(0.2)
    env = dict(env_base, HOME=home, **prog.env)
    if ids and prog.as_user:
        env["XDG_RUNTIME_DIR"] = os.path.join(home, ".run")
    argv = [a.replace("{url}", url) for a in prog.argv]
    log = open(os.path.join(home, "player.log"), "ab")
    start = time.monotonic()
    p = subprocess.Popen(argv, env=env, cwd=home, stdin=subprocess.DEVNULL, stdout=log,
                         stderr=log, preexec_fn=demote(ids if prog.as_user else None, home))
    sampler = Sampler(p.pid)
    if prog.play:
        pressed = prog.play(env)
        start = pressed if pressed else float("nan")
    end = start + seconds
    while time.monotonic() < end and p.poll() is None:
        time.sleep(min(0.5, max(0, end - time.monotonic())))
        sampler.sample()
    alive = p.poll() is None
    cpu, rss, switches = sampler.result()
    if THREADS:
        print("  %s: " % prog.name + ", ".join(
            "%s[%s] %.1f/s" % (sampler.names.get(k, "?"), k[1], v / seconds)
            for k, v in sorted(sampler.switches.items(), key=lambda kv: -kv[1])[:8]),
            file=sys.stderr)
    for pid in reversed(tree(p.pid)):
        try:
            os.kill(pid, signal.SIGTERM)
        except OSError:
            pass
    try:
        p.wait(5)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        p.wait()
    try:
        os.killpg(p.pid, signal.SIGKILL)  # helpers it left behind
    except OSError:
        pass
    reader.kill()
    out = reader.communicate()[0].split()
    first = float(out[0]) - start if out else float("nan")
    log.close()
    if not alive:
        return None
    return {"cpu": cpu * 60 / seconds, "rss": rss, "wake": switches / seconds, "first": first}


def make_home(base, prog, ids):
    home = os.path.join(base, prog.name.replace(" ", "_").replace("(", "").replace(")", ""))
    os.makedirs(os.path.join(home, ".run"), mode=0o700)
    os.makedirs(os.path.join(home, ".config/pulse"))
    fifo = os.path.join(home, "sink.fifo")
    os.mkfifo(fifo)
    with open(os.path.join(home, ".asoundrc"), "w") as f:
        f.write(ASOUNDRC % fifo)
    # No sound server is started behind a player's back.
    with open(os.path.join(home, ".config/pulse/client.conf"), "w") as f:
        f.write("autospawn = no\n")
    if prog.home_setup:
        prog.home_setup(home)
    if ids and prog.as_user:
        for d, _, files in os.walk(home):
            os.chown(d, *ids)
            for f in files:
                os.chown(os.path.join(d, f), *ids)
    return home, fifo


def spread(xs):
    xs = [x for x in xs if x == x]
    if not xs:
        return "-"
    m = statistics.median(xs)
    return "%.3g (%.3g-%.3g)" % (m, min(xs), max(xs)) if len(xs) > 1 else "%.3g" % m


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build", default=os.path.join(ROOT, "build-bench"))
    ap.add_argument("--against", help="another build whose player runs too")
    ap.add_argument("--seconds", type=float, default=60)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--modes", default="burst,steady")
    ap.add_argument("--only", help="programs to run, comma-separated name prefixes")
    ap.add_argument("--sink-period", type=float, default=0.1,
                    help="seconds of audio the sink takes at a time (default 0.1)")
    ap.add_argument("--threads", action="store_true",
                    help="print each run's busiest threads (wake-ups/s by thread name)")
    ap.add_argument("--keep", action="store_true", help="keep the homes and players' logs")
    ap.add_argument("--no-install", action="store_true")
    args = ap.parse_args()
    global PERIOD, THREADS
    PERIOD, THREADS = args.sink_period, args.threads

    install_missing(args.no_install)
    ids = bench_user()
    progs = wavelark_programs(os.path.abspath(args.build), "")
    if args.against:
        progs += wavelark_programs(os.path.abspath(args.against), " @against")
    progs += peer_programs()
    if args.only:
        keep = args.only.split(",")
        progs = [p for p in progs if any(p.name.startswith(k) for k in keep)]

    base = tempfile.mkdtemp(prefix="peer-bench-")
    os.chmod(base, 0o755)
    helpers = []
    try:
        subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", base + "/tone.wav",
                        "synth", "60", "sine", "440", "sine", "555", "vol", "0.3"], check=True)
        subprocess.run(["lame", "--quiet", "-b", "128", base + "/tone.wav", base + "/tone.mp3"],
                       check=True)
        urls = {}
        for mode in args.modes.split(","):
            port = free_port()
            extra = ["--burst", str(BURST_KB)] if mode == "burst" else []
            helpers.append(subprocess.Popen(
                [sys.executable, os.path.join(ROOT, "tools/icy-test-server.py"),
                 base + "/tone.mp3", "--port", str(port), "--kbps", "128"] + extra,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            wait_for(lambda: accepts(port), 20, "the ICY server")
            urls[mode] = "http://127.0.0.1:%d/" % port

        env = {k: v for k, v in os.environ.items()
               if k in ("PATH", "LANG", "LC_ALL", "TERM")}
        env["PULSE_SERVER"] = "unix:/nonexistent"
        env.setdefault("LANG", "C.UTF-8")
        if any(p.gui for p in progs):
            disp = ":%d" % (90 + os.getpid() % 9)
            helpers.append(subprocess.Popen(["Xvfb", disp, "-screen", "0", "1024x768x24",
                                             "-nolisten", "tcp"], stderr=subprocess.DEVNULL))
            xenv = dict(env, DISPLAY=disp)
            wait_for(lambda: subprocess.run(["xdpyinfo"], env=xenv, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL).returncode == 0
                     if shutil.which("xdpyinfo") else os.path.exists(
                         "/tmp/.X11-unix/X" + disp[1:]), 20, "Xvfb")
            helpers.append(subprocess.Popen(["openbox"], env=xenv, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL))
            env["DISPLAY"] = disp
        # One session bus for the bench user's players (goodvibes wants one).
        bus_home = os.path.join(base, "bus-home")
        os.makedirs(bus_home)
        if ids:
            os.chown(bus_home, *ids)
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                               stdout=subprocess.PIPE, text=True, env=dict(env, HOME=bus_home),
                               preexec_fn=demote(ids, base))
        helpers.append(bus)
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()

        homes = {}
        for prog in progs:
            homes[prog.name] = make_home(base, prog, ids)
            # The warm start: config files, caches, a first-run's questions.
            run_once(prog, urls[next(iter(urls))], 4, *homes[prog.name], env, ids)

        results = {(p.name, m): [] for p in progs for m in urls}
        for r in range(args.rounds):
            order = progs[r % len(progs):] + progs[:r % len(progs)]
            for mode, url in urls.items():
                for prog in order:
                    got = run_once(prog, url, args.seconds, *homes[prog.name], env, ids)
                    results[(prog.name, mode)].append(got)
                    print("round %d %-6s %-28s %s" % (r + 1, mode, prog.name,
                          "failed" if got is None else
                          "cpu %.2f rss %.1f wake %.0f first %.2f" %
                          (got["cpu"], got["rss"], got["wake"], got["first"])),
                          file=sys.stderr, flush=True)
        report(progs, urls, results, args)
    finally:
        for h in reversed(helpers):
            h.terminate()
            try:
                h.wait(5)
            except subprocess.TimeoutExpired:
                h.kill()
        if args.keep:
            print("homes and logs kept in " + base, file=sys.stderr)
        else:
            shutil.rmtree(base, ignore_errors=True)


def report(progs, urls, results, args):
    keys = [("cpu", "CPU s/60 s"), ("rss", "peak RSS MB"), ("wake", "wake-ups/s"),
            ("first", "first audio s")]
    print("%g s of 128 kbit/s ICY from 127.0.0.1 per run, %d rounds; median (min-max)"
          % (args.seconds, args.rounds))
    for mode in urls:
        print("\n[%s stream%s]" % (mode, ", %d KB burst" % BURST_KB if mode == "burst" else ""))
        print("| program | " + " | ".join(k[1] for k in keys) + " |")
        print("|---" * (len(keys) + 1) + "|")
        for p in progs:
            runs = [x for x in results[(p.name, mode)] if x]
            if not runs:
                print("| %s | failed |" % p.name)
                continue
            print("| %s | " % p.name + " | ".join(spread([x[k] for x in runs]) for k, _ in keys)
                  + " |")
        for ours in [p for p in progs if p.name.startswith("wavelark")]:
            print("\n%s / peer, median of per-round ratios:" % ours.name)
            print("| peer | " + " | ".join(k[1] for k in keys) + " |")
            print("|---" * (len(keys) + 1) + "|")
            for p in progs:
                if p is ours:
                    continue
                cells = []
                for k, _ in keys:
                    rs = [a[k] / b[k] for a, b in zip(results[(ours.name, mode)],
                                                      results[(p.name, mode)])
                          if a and b and b[k] > 0]
                    cells.append(spread(rs))
                print("| %s | " % p.name + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
