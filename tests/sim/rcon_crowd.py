"""A crowd of clients that never log in must not lock the admins out of RCON, nor flood the console.

Starts dinotuner-sim --serve with the plugin loaded on a free RCON port and, for --seconds:
- --idle clients (300) connect and say nothing; each one that is closed connects again at once;
- --slow clients (16) send a login one byte every half second and connect again when closed;
- --guessers clients (0) send wrong passwords, a connection each, over and over;
- an admin connects every second, logs in and reloads, and must be answered "Reloaded Config".
Then the server must still answer on its console and stop with status 0. The console's rcon lines
are counted in one-second slices: a crowd must not turn into a flood of lines.

Prints the figures (admin attempts answered, crowd connections, rcon lines a second at most,
wrong passwords answered a second) and fails when an admin attempt went unanswered, when a crowd
larger than the 16 places never filled them (the test would prove nothing), or when the console
got more than MAX_LINES_A_SECOND rcon lines in any second.
Usage: rcon_crowd.py SIM SERVER_DIR [--seconds N] [--idle N] [--slow N] [--guessers N]
"""

import argparse
import collections
import errno
import os
import selectors
import socket
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from rcon_packets import packet, read_packet  # noqa: E402  (found through the path above)

AUTH, AUTH_RESPONSE, EXEC, RESPONSE = 3, 2, 2, 0
PASSWORD = "admin secret"
# Each kind of rcon line goes out at most once a second; a slice of the driver's clock may catch
# two of a kind, and about ten kinds exist.
MAX_LINES_A_SECOND = 20
CONFIG = ('{"GlobalDinoBalance": null, "DinoBalance": {"Blueprint\'/Game/PrimalEarth/Dinos/Rex/'
          'Rex_Character_BP.Rex_Character_BP\'": {"DamageResistanceMultiplier": 2.0}}}')


class Crowd(threading.Thread):
    """The clients that never log in, on one thread with non-blocking sockets."""

    def __init__(self, port, idle, slow, guessers):
        super().__init__(daemon=True)
        self.port = port
        self.kinds = ["idle"] * idle + ["slow"] * slow + ["guess"] * guessers
        self.stop = threading.Event()
        self.connections = 0
        self.guesses_answered = 0
        self.slow_bytes = packet(1, AUTH, "x" * 40)  # long enough to outlast the login timeout

    def connect(self, selector, kind):
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        sock.setblocking(False)
        code = sock.connect_ex(("127.0.0.1", self.port))
        if code not in (0, errno.EINPROGRESS, errno.EWOULDBLOCK):
            sock.close()
            return False
        state = {"kind": kind, "sent": 0, "next_byte": time.monotonic(), "received": b"", "connected": False}
        selector.register(sock, selectors.EVENT_READ | selectors.EVENT_WRITE, state)
        self.connections += 1
        return True

    def run(self):
        selector = selectors.DefaultSelector()
        waiting = list(self.kinds)  # clients to connect (again)
        while not self.stop.is_set():
            retry = []
            for kind in waiting:
                if not self.connect(selector, kind):
                    retry.append(kind)
            waiting = retry
            now = time.monotonic()
            for key, events in selector.select(timeout=0.05):
                sock, state = key.fileobj, key.data
                if events & selectors.EVENT_WRITE and not state["connected"]:
                    state["connected"] = True
                    selector.modify(sock, selectors.EVENT_READ, state)
                    if state["kind"] == "guess":
                        self.send(sock, packet(5, AUTH, "wrong guess"))
                    continue
                if events & selectors.EVENT_READ:
                    try:
                        data = sock.recv(4096)
                    except OSError:
                        data = b""
                    if state["kind"] == "guess" and len(state["received"] + data) >= 14:
                        self.guesses_answered += 1
                        data = b""  # the verdict is all a guesser waits for
                    state["received"] += data
                    if not data:
                        selector.unregister(sock)
                        sock.close()
                        waiting.append(state["kind"])
            for key in list(selector.get_map().values()):
                state = key.data
                if state["kind"] == "slow" and state["connected"] and now >= state["next_byte"] \
                        and state["sent"] < len(self.slow_bytes):
                    if self.send(key.fileobj, self.slow_bytes[state["sent"]:state["sent"] + 1]):
                        state["sent"] += 1
                    state["next_byte"] = now + 0.5
            if waiting:
                time.sleep(0.005)  # the server turned connections away: do not spin
        for key in list(selector.get_map().values()):
            key.fileobj.close()

    @staticmethod
    def send(sock, data):
        try:
            return sock.send(data) == len(data)
        except OSError:
            return False


def admin_attempt(port):
    """Logs in and reloads; returns None when answered right, else what went wrong."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=10) as sock:
            sock.sendall(packet(1, AUTH, PASSWORD))
            verdict = read_packet(sock)
            if verdict != (1, AUTH_RESPONSE, ""):
                return "login answered %r" % (verdict,)
            sock.sendall(packet(2, EXEC, "DinoTuner.Reload"))
            answer = read_packet(sock)
            if answer != (2, RESPONSE, "Reloaded Config"):
                return "reload answered %r" % (answer,)
    except (OSError, RuntimeError) as error:
        return str(error)
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("sim")
    parser.add_argument("server_dir")
    parser.add_argument("--seconds", type=float, default=4)
    parser.add_argument("--idle", type=int, default=300)
    parser.add_argument("--slow", type=int, default=16)
    parser.add_argument("--guessers", type=int, default=0)
    args = parser.parse_args()

    config_dir = os.path.join(args.server_dir, "ArkApi", "Plugins", "DinoTuner")
    os.makedirs(config_dir, exist_ok=True)
    with open(os.path.join(config_dir, "config.json"), "w") as config:
        config.write(CONFIG)
    server = subprocess.Popen(
        [args.sim, "--dir", args.server_dir, "--serve", "--rcon-port", "0", "--rcon-password", PASSWORD],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, bufsize=0)
    first = server.stdout.readline().decode().strip()
    if not first.startswith("rcon listening on 127.0.0.1:"):
        server.kill()
        print("FAIL: unexpected first line: " + first)
        return 1
    port = int(first.rsplit(":", 1)[1])

    lines = []  # (time, line) of everything the server prints
    def read_output():
        for raw in iter(server.stdout.readline, b""):
            lines.append((time.monotonic(), raw.decode("utf-8", "replace").rstrip("\r\n")))
    reader = threading.Thread(target=read_output, daemon=True)
    reader.start()

    crowd = Crowd(port, args.idle, args.slow, args.guessers)
    crowd.start()
    time.sleep(0.5)  # the crowd fills the places first
    start = time.monotonic()
    attempts, failures, slowest = 0, [], 0.0
    while time.monotonic() - start < args.seconds:
        began = time.monotonic()
        attempts += 1
        problem = admin_attempt(port)
        slowest = max(slowest, time.monotonic() - began)
        if problem is not None:
            failures.append("attempt %d after %.1f s: %s" % (attempts, began - start, problem))
        time.sleep(max(0.0, 1.0 - (time.monotonic() - began)))
    elapsed = time.monotonic() - start
    crowd.stop.set()
    crowd.join(timeout=10)

    try:
        server.stdin.write(b"memory\nquit\n")
        server.stdin.close()
        status = server.wait(timeout=30)
    except (OSError, subprocess.TimeoutExpired):
        server.kill()
        status = "killed"
    reader.join(timeout=10)

    rcon_lines = [(at, line) for at, line in lines if line.startswith("rcon: ")]
    per_second = collections.Counter(int(at - start) for at, _ in rcon_lines if start <= at < start + elapsed)
    busiest = max(per_second.values(), default=0)
    made_room = [line for _, line in rcon_lines if "its place taken by a new client" in line]
    print("admin attempts answered: %d of %d in %.1f s, the slowest in %.2f s"
          % (attempts - len(failures), attempts, elapsed, slowest))
    print("crowd: %d idle, %d slow, %d guessing clients; %d connections made"
          % (args.idle, args.slow, args.guessers, crowd.connections))
    print("rcon lines on the console: %d, at most %d in one second" % (len(rcon_lines), busiest))
    if args.guessers:
        print("wrong passwords answered: %d, %.1f a second" % (crowd.guesses_answered, crowd.guesses_answered / elapsed))

    problems = list(failures)
    if status != 0:
        problems.append("the server's exit status: %s" % status)
    if not any(line.startswith("memory: ") for _, line in lines):
        problems.append("the console did not answer after the crowd")
    if args.idle + args.slow > 16 and not made_room:
        problems.append("no client lost its place: the crowd never filled the places")
    if busiest > MAX_LINES_A_SECOND:
        problems.append("%d rcon lines in one second (at most %d)" % (busiest, MAX_LINES_A_SECOND))
    for problem in problems:
        print("FAIL:", problem)
    if problems:
        for _, line in rcon_lines[-20:]:
            print("  " + line)
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
