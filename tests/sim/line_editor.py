"""The console on a terminal: a prompt, line editing, history, Tab completion, and RCON output
that arrives while a line is half typed without losing that line.

Runs dinotuner-sim on a pseudo-terminal and types at it as a person would.
Usage: line_editor.py SIM SCRATCH_DIR
"""

import os
import pty
import re
import select
import socket
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from rcon_packets import packet  # noqa: E402  (found through the path above)

LEFT, UP, TAB, ENTER, CTRL_D = b"\x1b[D", b"\x1b[A", b"\t", b"\r", b"\x04"


class Terminal:
    def __init__(self, argv, home):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.environ["TERM"] = "xterm"
            os.environ["HOME"] = home  # the history file goes here, not to the user's home
            os.execv(argv[0], argv)
        self.screen = b""   # consumed so far
        self.pending = b""  # read but not yet consumed

    def type(self, keys):
        os.write(self.fd, keys)

    def wait_for(self, pattern, timeout=10):
        """Reads until the output not yet consumed matches `pattern`; consumes it up to the end of
        the match and returns that part."""
        deadline = time.time() + timeout
        while True:
            match = re.search(pattern, self.pending, re.S)
            if match:
                taken, self.pending = self.pending[:match.end()], self.pending[match.end():]
                self.screen += taken
                return taken.decode(errors="replace")
            if time.time() >= deadline:
                break
            ready, _, _ = select.select([self.fd], [], [], 0.05)
            if ready:
                try:
                    self.pending += os.read(self.fd, 4096)
                except OSError:
                    break
        fail("no %r on the terminal; it showed:\n%r" % (pattern, (self.screen + self.pending).decode(errors="replace")), self)

    def finish(self, timeout=10):
        """Waits for the server to exit, reading what it still prints; returns its exit status."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid != 0:
                return os.WEXITSTATUS(status) if os.WIFEXITED(status) else -1
            ready, _, _ = select.select([self.fd], [], [], 0.05)
            if ready:
                try:
                    self.pending += os.read(self.fd, 4096)
                except OSError:
                    pass
        fail("the server did not exit; the terminal showed:\n%r" % (self.screen + self.pending).decode(errors="replace"), self)


def fail(message, terminal=None):
    print("FAIL:", message)
    if terminal is not None:
        try:
            os.kill(terminal.pid, 9)
        except OSError:
            pass
    sys.exit(1)


def rcon_login(port, password):
    sock = socket.create_connection(("127.0.0.1", port), timeout=10)
    sock.sendall(packet(1, 3, password))
    return sock


def main():
    sim, scratch = sys.argv[1], sys.argv[2]
    home = os.path.join(scratch, "home")
    os.makedirs(home, exist_ok=True)
    history = os.path.join(home, ".dinotuner-sim_history")
    if os.path.exists(history):
        os.remove(history)
    term = Terminal([sim, "--no-load", "--dir", os.path.join(scratch, "server"), "--serve",
                     "--rcon-port", "0", "--rcon-password", "pw"], home)
    port = int(re.search(r"rcon listening on 127\.0\.0\.1:(\d+)", term.wait_for(rb"listening on .*:\d+")).group(1))
    term.wait_for(rb"Type 'help' for the commands.*\r\nsim> ")

    # Editing: a stray letter taken out in the middle of the line.
    term.type(b"memzory" + LEFT * 3 + b"\x7f" + ENTER)
    term.wait_for(rb"memory: 0 live\r\nsim> ")

    # History: the arrow up brings the last line back.
    term.type(UP + ENTER)
    term.wait_for(rb"memory: 0 live\r\nsim> ")

    # Tab completes a command name as far as it is unique.
    term.type(b"spe" + TAB + ENTER)
    term.wait_for(rb"Raptor Blueprint'.*\r\nsim> ")

    # An RCON login while a line is half typed: the notice goes above, the line stays.
    term.type(b"stat")
    term.wait_for(rb"stat")
    client = rcon_login(port, "pw")
    term.wait_for(rb"rcon: client 1 logged in\r\n.*sim> stat")
    client.close()
    term.type(b"s" + ENTER)
    term.wait_for(rb"stats: 0 spawned")

    # Ctrl-D on an empty line ends the input; the server shuts down cleanly.
    term.type(CTRL_D)
    status = term.finish()
    if status != 0:
        fail("exit status %d" % status)
    with open(history) as saved:
        lines = saved.read()
    if "memory" not in lines or "stats" not in lines:
        fail("history file lacks the lines typed:\n" + lines)

    # Ctrl-C stops the server even in the middle of a line, and the run still ends cleanly.
    term = Terminal([sim, "--no-load", "--dir", os.path.join(scratch, "server")], home)
    term.wait_for(rb"sim> ")
    term.type(b"hal\x03")
    status = term.finish()
    if status != 0:
        fail("exit status %d after Ctrl-C" % status)
    print("PASS")


if __name__ == "__main__":
    main()
