"""Serves the simulated server over RCON and checks what a network client sees.

Starts dinotuner-sim --serve (plugin loaded, empty config) on a free port, reads the port from its first line, logs in,
sends a plugin command and an unknown command (each answered last by the game), tries a wrong password, then sends `quit` on
standard input and checks that the server shut down cleanly and reported both logins. Last, a serving
server must stop cleanly on SIGTERM and on SIGINT.
Usage: rcon_client.py SIM SERVER_DIR [--no-sigterm]
"""

import os
import signal
import socket
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from rcon_packets import packet, read_packet  # noqa: E402  (found through the path above)

AUTH, AUTH_RESPONSE, EXEC, RESPONSE = 3, 2, 2, 0
GAME_REPLY = "Server received, But no response!! \n "


def fail(message, server=None):
    print("FAIL:", message)
    if server is not None:
        server.kill()
        print(server.communicate()[0].decode())
    sys.exit(1)


def serves_rcon():
    sim, server_dir = sys.argv[1], sys.argv[2]
    config_dir = os.path.join(server_dir, "ArkApi", "Plugins", "DinoTuner")
    os.makedirs(config_dir, exist_ok=True)
    with open(os.path.join(config_dir, "config.json"), "w") as config:
        config.write('{"GlobalDinoBalance": null, "DinoBalance": {}}')
    server = subprocess.Popen(
        [sim, "--dir", server_dir, "--serve", "--rcon-port", "0", "--rcon-password", "secret"],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, bufsize=0)
    # Unbuffered: a buffered reader would swallow lines that communicate() must see later.
    first = server.stdout.readline().decode().strip()
    if not first.startswith("rcon listening on 127.0.0.1:"):
        fail("unexpected first line: " + first, server)
    port = int(first.rsplit(":", 1)[1])

    with socket.create_connection(("127.0.0.1", port), timeout=10) as sock:
        sock.sendall(packet(7, AUTH, "secret"))
        verdict = read_packet(sock)  # the verdict alone, as the game answers
        if verdict != (7, AUTH_RESPONSE, ""):
            fail("login answered: %r" % (verdict,), server)

        # The plugin answers first; the game, which runs every request after the plugins, then
        # answers it as a command it does not know, with the same id.
        sock.sendall(packet(11, EXEC, "DinoTuner.Reload"))
        replies = [read_packet(sock), read_packet(sock)]
        if replies != [(11, RESPONSE, "Reloaded Config"), (11, RESPONSE, GAME_REPLY)]:
            fail("reload answers: %r" % (replies,), server)

        sock.sendall(packet(12, EXEC, "NoSuchCommand now"))
        reply = read_packet(sock)
        if reply != (12, RESPONSE, GAME_REPLY):
            fail("unknown command answer: %r" % (reply,), server)

    with socket.create_connection(("127.0.0.1", port), timeout=10) as sock:
        sock.sendall(packet(8, AUTH, "guess"))
        verdict = read_packet(sock)
        if verdict != (-1, AUTH_RESPONSE, ""):
            fail("wrong password answer: %r" % (verdict,), server)

    # The console still works while serving, and quit shuts the server down.
    output, _ = server.communicate(b"memory\nquit\nfrobnicate\n", timeout=30)
    output = output.decode()
    if server.returncode != 0:
        fail("exit status %d\n%s" % (server.returncode, output))
    # Each network request ran on the game thread and its log lines reached the console.
    if output.count("Loaded 0 dino balances!") != 2 or "memory: " not in output or "error:" in output:
        fail("console output:\n" + output)
    # The operator hears of each login and each wrong password.
    for line in ("rcon: client 1 logged in", "rcon: client 2 gave a wrong password"):
        if line not in output:
            fail("no '%s' in the console output:\n%s" % (line, output))
    print(output)


def stops_on_signal(sim, server_dir, signal_number):
    """A serving server ends cleanly (status 0, not killed) on SIGINT or SIGTERM."""
    server = subprocess.Popen([sim, "--no-load", "--dir", server_dir, "--serve"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, bufsize=0)
    server.stdin.write(b"memory\n")
    if not server.stdout.readline().startswith(b"memory: "):
        fail("the server did not answer before the signal", server)
    server.send_signal(signal_number)
    try:
        server.wait(timeout=10)
    except subprocess.TimeoutExpired:
        fail("the server ignored signal %d" % signal_number, server)
    if server.returncode != 0:
        fail("exit status %d after signal %d" % (server.returncode, signal_number))


if __name__ == "__main__":
    serves_rcon()
    if "--no-sigterm" not in sys.argv[3:]:
        stops_on_signal(sys.argv[1], sys.argv[2], signal.SIGTERM)
    stops_on_signal(sys.argv[1], sys.argv[2], signal.SIGINT)
    print("PASS")
