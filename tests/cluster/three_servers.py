#!/usr/bin/env python3
"""Three simulated servers of one cluster share one config.json, as the README's "Running a
cluster" sets them up, and are reloaded with Debian's rconclt.

Each server (maps TheIsland, Ragnarok and ScorchedEarth_P) runs in a folder of its own, whose
ArkApi/Plugins/DinoTuner/config.json is a symbolic link to the cluster's one file, and serves RCON
on a port of its own. The shared file is changed, every server is reloaded with rconclt, and each
map's effective values are checked four ways: the reload's change lines in the server's log, a
Rex's damage on the server's console, DinoTuner.Show over RCON, and dinotuner-check --map for that
map; DinoTuner.Status on every server shows the same revision, the file's SHA-256, and its map.
Then one server is given a broken file of its own: its reload fails and it keeps its table (its
Status shows the old revision and the failed read), while the others take up the next change of
the shared file.

Usage: three_servers.py SIM CHECK RCONCLT WORKDIR
"""

import hashlib
import json
import os
import queue
import re
import shutil
import subprocess
import sys
import threading

PASSWORD = "cluster pw"
REX = "Blueprint'/Game/PrimalEarth/Dinos/Rex/Rex_Character_BP.Rex_Character_BP'"
TRIKE = "Blueprint'/Game/PrimalEarth/Dinos/Trike/Trike_Character_BP.Trike_Character_BP'"
MAPS = ["TheIsland", "Ragnarok", "ScorchedEarth_P"]


def config(base, ragnarok, scorched_trike):
    """The shared file: the Rex's resistance on the base and on Ragnarok, and whether
    ScorchedEarth_P adds a Trike entry."""
    scorched = {"DinoBalance": {TRIKE: {"AllowTame": False}}} if scorched_trike else {}
    return json.dumps({"GlobalDinoBalance": None,
                       "DinoBalance": {REX: {"DamageResistanceMultiplier": base}},
                       "Maps": {"Ragnarok": {"DinoBalance": {REX: {"DamageResistanceMultiplier": ragnarok}}},
                                "ScorchedEarth_P": scorched}}, indent=2)


class Server:
    """One simulated server: its console on a pipe, its output read into a queue."""

    def __init__(self, sim, folder, map_name):
        self.map = map_name
        self.folder = folder
        self.lines = queue.Queue()
        self.seen = []
        self.process = subprocess.Popen(
            [sim, "--dir", folder, "--map", map_name, "--state", "up", "--serve",
             "--rcon-port", "0", "--rcon-password", PASSWORD],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, bufsize=0)
        threading.Thread(target=self._read, daemon=True).start()
        self.port = int(self.wait_for(r"rcon listening on 127\.0\.0\.1:(\d+)").group(1))

    def _read(self):
        for raw in iter(self.process.stdout.readline, b""):
            self.lines.put(raw.decode("utf-8", "replace").rstrip("\r\n"))

    def wait_for(self, pattern, timeout=30):
        """The first line from now on that matches `pattern`; fails after `timeout` seconds."""
        while True:
            try:
                line = self.lines.get(timeout=timeout)
            except queue.Empty:
                raise AssertionError("%s: no line matching %r; it printed:\n%s" % (self.map, pattern, "\n".join(self.seen)))
            self.seen.append(line)
            match = re.search(pattern, line)
            if match:
                return match

    def console(self, line, answer):
        """Types `line` on the server's console and returns the first line matching `answer`."""
        self.process.stdin.write((line + "\n").encode())
        self.process.stdin.flush()
        return self.wait_for(answer)

    def damage_to_rex(self):
        return float(self.console("hit rex 100", r"hit rex 100 -> ([0-9.]+), dealt").group(1))

    def stop(self):
        self.process.stdin.close()
        return self.process.wait(timeout=30)


def rcon(rconclt, server, command):
    run = subprocess.run([rconclt, "-t", "10", "%s@127.0.0.1:%d" % (PASSWORD, server.port), command],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    return run.stdout.decode("utf-8", "replace").strip()


def revision(path):
    """What DinoTuner.Status calls the file's revision: the first 12 hex digits of its SHA-256."""
    with open(path, "rb") as file:
        return hashlib.sha256(file.read()).hexdigest()[:12]


def status_revision(reply):
    found = re.search(r"In effect: revision ([0-9a-f]{12})", reply)
    return found.group(1) if found else None


def checked_resistance(check, shared, map_name):
    """The Rex's resistance as dinotuner-check --map shows it ("/4"), or None."""
    out = subprocess.run([check, "--no-color", "--map", map_name, shared], stdout=subprocess.PIPE, timeout=60).stdout.decode()
    for line in out.splitlines():
        if line.strip().startswith(REX):
            return line.split()[6]
    return None


def main():
    sim, check, rconclt, workdir = sys.argv[1:5]
    shutil.rmtree(workdir, ignore_errors=True)
    shared = os.path.join(workdir, "cluster", "config.json")
    os.makedirs(os.path.dirname(shared))
    with open(shared, "w") as file:
        file.write(config(base=2, ragnarok=4, scorched_trike=False))

    servers = []
    failures = []

    def expect(ok, what):
        print("%s %s" % ("ok" if ok else "FAIL", what))
        if not ok:
            failures.append(what)

    try:
        for map_name in MAPS:
            folder = os.path.join(workdir, map_name)
            plugin = os.path.join(folder, "ArkApi", "Plugins", "DinoTuner")
            os.makedirs(plugin)
            os.symlink(shared, os.path.join(plugin, "config.json"))
            servers.append(Server(sim, folder, map_name))
        for server in servers:
            server.console("spawn Rex name rex", r"^spawned rex ")

        # Every map at first: the base's Rex takes half, Ragnarok's a quarter.
        for server, damage in zip(servers, [50, 25, 50]):
            expect(server.damage_to_rex() == damage, "%s starts with its own Rex: %s" % (server.map, damage))

        # The shared file changes; each server is reloaded the way an admin's loop does it.
        with open(shared + ".new", "w") as file:
            file.write(config(base=4, ragnarok=5, scorched_trike=True))
        os.replace(shared + ".new", shared)
        for server in servers:
            reply = rcon(rconclt, server, "DinoTuner.Reload")
            expect(reply == "Reloaded Config", "%s: rconclt printed %r" % (server.map, reply))
        changes = {"TheIsland": ['Changed "%s": DamageResistanceMultiplier 2 -> 4' % REX],
                   "Ragnarok": ['Changed "%s": DamageResistanceMultiplier 4 -> 5' % REX],
                   "ScorchedEarth_P": ['Changed "%s": DamageResistanceMultiplier 2 -> 4' % REX, 'Added "%s": AllowTame false' % TRIKE]}
        for server in servers:
            for line in changes[server.map]:
                server.wait_for(re.escape(line))
                expect(True, "%s logs %s" % (server.map, line))
        sections = {"TheIsland": 'Map: TheIsland, no section in "Maps": only the base applies',
                    "Ragnarok": 'Map: Ragnarok, its section "Ragnarok" in "Maps" applies',
                    "ScorchedEarth_P": 'Map: ScorchedEarth_P, its section "ScorchedEarth_P" in "Maps" applies'}
        for server in servers:
            reply = rcon(rconclt, server, "DinoTuner.Status")
            expect(status_revision(reply) == revision(shared),
                   "%s's Status shows the shared file's revision %s: %r" % (server.map, revision(shared), reply))
            expect(sections[server.map] in reply, "%s's Status names its map and section" % server.map)
        for server, damage, shown in zip(servers, [25, 20, 25], ["/4", "/5", "/4"]):
            expect(server.damage_to_rex() == damage, "%s's Rex now takes %s" % (server.map, damage))
            reply = rcon(rconclt, server, "DinoTuner.Show Rex_Character_BP_C")
            expect("Resistance: " + shown in reply, "%s's Show gives the Rex's resistance %s: %r" % (server.map, shown, reply))
            resistance = checked_resistance(check, shared, server.map)
            expect(resistance == shown, "dinotuner-check --map %s shows the Rex's resistance %s (got %s)" % (server.map, shown, resistance))
            # Every server reads the one file of the cluster.
            link = os.path.join(server.folder, "ArkApi", "Plugins", "DinoTuner", "config.json")
            expect(os.path.realpath(link) == os.path.realpath(shared), "%s reads the shared file" % server.map)

        # Ragnarok is given a broken file of its own; the others take the next change.
        ragnarok = servers[1]
        link = os.path.join(ragnarok.folder, "ArkApi", "Plugins", "DinoTuner", "config.json")
        os.remove(link)
        with open(link, "w") as file:
            file.write('{"GlobalDinoBalance": null, "DinoBalance": {')
        with open(shared + ".new", "w") as file:
            file.write(config(base=5, ragnarok=10, scorched_trike=True))
        os.replace(shared + ".new", shared)
        for server in servers:
            reply = rcon(rconclt, server, "DinoTuner.Reload")
            if server is ragnarok:
                expect(reply.startswith("Reload failed: Error parsing config file:"), "Ragnarok says its file is broken: %r" % reply)
            else:
                expect(reply == "Reloaded Config", "%s: rconclt printed %r" % (server.map, reply))
        for server, damage in zip(servers, [20, 20, 20]):
            expect(server.damage_to_rex() == damage, "%s's Rex takes %s (Ragnarok kept its table)" % (server.map, damage))
        for server in servers:
            reply = rcon(rconclt, server, "DinoTuner.Status")
            if server is ragnarok:
                expect(status_revision(reply) != revision(shared) and "failed, the table above stays" in reply,
                       "Ragnarok's Status shows the table it kept and the failed read: %r" % reply)
            else:
                expect(status_revision(reply) == revision(shared), "%s's Status shows the new revision: %r" % (server.map, reply))
    finally:
        for server in servers:
            status = server.stop()
            expect(status == 0, "%s shut down cleanly (exit %d)" % (server.map, status))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
