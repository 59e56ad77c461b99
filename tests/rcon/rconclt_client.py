"""Drives the simulated server with Debian's RCON clients, rconclt and rconshell (package rcon).

rconclt, the one line an admin types (rconclt PASSWORD@HOST:PORT DinoTuner.Reload), sends one
command and prints the first packet of the answer. It reads a whole buffer at a time and keeps
only the first packet in it: a login answered with two packets that arrive together leaves it
waiting for a verdict it already threw away. So several run at once here, each logging in and
reloading, and each must print the plugin's answer, which comes before the game's own; then a
wrong password must be refused (rconclt's exit status 5). DinoTuner.Status must print its facts,
the file's revision the first 12 hex digits of the SHA-256 of the config file it names, as
sha256sum prints it (computed here by Python's hashlib, not by the plugin's code).

rconshell keeps its connection open and reads one packet per command, so the game's answer to a
command is what it reads for the next one: it says the session timed out, logs in again, and the
command after that is in step again. What it prints is checked, as the README tells admins.

Starts the server (the command after --) with a pipe as its standard input; its output must name
its port in a line "rcon listening on 127.0.0.1:<port>". Closing its input at the end stops it.
Usage: rconclt_client.py RCONCLT RCONSHELL PASSWORD CLIENTS -- SERVER [ARGUMENTS...]
"""

import hashlib
import os
import re
import subprocess
import sys
import threading

WRONG_PASSWORD_STATUS = 5


def main():
    rconclt, rconshell, password, clients = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    server_command = sys.argv[sys.argv.index("--") + 1:]
    server = subprocess.Popen(server_command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, bufsize=0)
    port = None
    output = []
    for raw in iter(server.stdout.readline, b""):
        line = raw.decode("utf-8", "replace").rstrip("\r\n")
        output.append(line)
        match = re.search(r"rcon listening on 127\.0\.0\.1:(\d+)", line)
        if match:
            port = int(match.group(1))
            break
    if port is None:
        print("FAIL: the server named no port:\n" + "\n".join(output))
        return 1
    # Keep reading the server's output, so that it never blocks on a full pipe.
    reader = threading.Thread(target=lambda: output.extend(
        raw.decode("utf-8", "replace").rstrip("\r\n") for raw in iter(server.stdout.readline, b"")), daemon=True)
    reader.start()

    def run(secret, command="DinoTuner.Reload"):
        return subprocess.Popen([rconclt, "-t", "10", "%s@127.0.0.1:%d" % (secret, port), command],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    failures = []
    sessions = [run(password) for _ in range(clients)]
    for number, session in enumerate(sessions, 1):
        text = session.communicate(timeout=60)[0].decode("utf-8", "replace").strip()
        ok = session.returncode == 0 and text == "Reloaded Config"
        print("%s rconclt %d: exit %d, printed %r" % ("ok" if ok else "FAIL", number, session.returncode, text))
        if not ok:
            failures.append(number)

    intruder = run(password + "-wrong")
    text = intruder.communicate(timeout=60)[0].decode("utf-8", "replace").strip()
    refused = intruder.returncode == WRONG_PASSWORD_STATUS
    print("%s wrong password: exit %d, printed %r" % ("ok" if refused else "FAIL", intruder.returncode, text))

    status_session = run(password, "DinoTuner.Status")
    facts = status_session.communicate(timeout=60)[0].decode("utf-8", "replace").splitlines()
    config = next((line[len("Config: "):] for line in facts if line.startswith("Config: ")), None)
    revision = next((m.group(1) for m in (re.search(r"revision ([0-9a-f]{12}),", line) for line in facts) if m), None)
    # The file in the server's folder (--dir): under wine the plugin names it by its Windows path.
    server_dir = server_command[server_command.index("--dir") + 1]
    with open(os.path.join(server_dir, "ArkApi", "Plugins", "DinoTuner", "config.json"), "rb") as file:
        expected_revision = hashlib.sha256(file.read()).hexdigest()[:12]
    config_ok = config is not None and config.replace("\\", "/").endswith("/ArkApi/Plugins/DinoTuner/config.json")
    status_ok = (status_session.returncode == 0 and len(facts) > 0 and config_ok and facts[0].startswith("DinoTuner ")
                 and revision is not None and revision == expected_revision
                 and "Game names not found at load: none" in facts)
    print("%s rconclt DinoTuner.Status: revision %s, sha256 of %s: %s; printed %r"
          % ("ok" if status_ok else "FAIL", revision, config, expected_revision, facts))

    # Three reloads in one rconshell session; an empty prompt leaves only what it prints.
    shell = subprocess.run([rconshell, "-t", "10", "-p", "", "%s@127.0.0.1:%d" % (password, port)],
                           input=b"DinoTuner.Reload\nDinoTuner.Reload\nDinoTuner.Reload\n",
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
    printed = shell.stdout.decode("utf-8", "replace").splitlines()
    expected = ["Reloaded Config", "Session timed out. Please login again.", "Reloaded Config"]
    shell_ok = printed[:3] == expected
    print("%s rconshell printed %r" % ("ok" if shell_ok else "FAIL", printed))

    server.stdin.close()
    status = server.wait(timeout=30)
    reader.join(timeout=10)
    if failures or not refused or not shell_ok or not status_ok or status != 0:
        print("\n".join("server> " + line for line in output))
        print("FAIL: %d of %d sessions failed, server exit status %d" % (len(failures), clients, status))
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
