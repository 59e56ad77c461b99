#!/usr/bin/env python3
"""Soak: dinotuner-sim with the plugin loaded, under random play, for a bounded time.

While the console plays random game events (spawns, hits with and without a causer, tames,
mates, rides, buffs, deaths, now and then a reload from the server console), two RCON clients
send DinoTuner.Reload at the same time, and a writer rewrites the config file between good,
broken and partial versions, replacing it atomically (a new file renamed over it) or not
(truncated and written in pieces, with pauses, as an editor without safe saves does).

It checks that:
- every RCON reply matches a file that was read (see below);
- after each successful reload, the damage the game receives, and whether a tame, a mating, a
  ride or a net buff goes through, follow that file's table, computed here from the version
  written (damage in 32-bit floats, as the game has it);
- the server stays up, answers, reports no console error and exits cleanly at the end;
- live game allocations are back at their baseline after every round of events, and the actors
  in the world are exactly the ones the soak spawned (the plugin's reference dinos are gone);
- resident memory (VmRSS) stays flat. The last quarter of the run is a probe: the same play and
  reloads, but nothing that adds to the world (no spawns, no buffs, and versions that set no
  consumption multiplier, so that no reload spawns reference dinos, whose names the simulated
  game keeps for good); there VmRSS may not grow by more than 1 MiB. Before it, VmRSS may grow
  only by what the world keeps for what was added to it, plus a margin.

What "matches" means. The file is read once per reload, at a moment between the request being
sent and its reply arriving. The versions that could have been read are the one in place when
the request was sent and every one written (wholly or partly) before the reply came. The reply
must be exactly the reply that one of those versions gives, which each version's own reload
showed at the start (and which must have the form its construction dictates: the skip count,
the entry count and the first skipped key of a partial version, the error of a broken one).
Besides, while a non-atomic rewrite was under way the plugin may read the truncated file or any
start of the new text: every version is one JSON object ending in its closing brace, and smaller
than one read of the file stream, so such a read is an incomplete document and must fail with a
parse error ("Reload failed: Error parsing config file: ...") and leave the table as it was.

Which table is in effect is followed on the server's own output, where console lines and RCON
requests appear in the order the game thread ran them: each success logs "Loaded N dino
balances!", and every version that loads has its own N.

usage: soak.py --sim PATH [--seconds N] [--seed N] [--dir DIR]
Exit status 0 when every check held; 1 otherwise (the first problems are printed).
"""

import argparse
import json
import os
import queue
import random
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from rcon_packets import packet, read_packet  # noqa: E402  (found through the path above)

HERE = os.path.dirname(os.path.abspath(__file__))
CATALOG = os.path.join(HERE, "..", "..", "sim", "dino-catalog.json")
PASSWORD = "soak secret"
# What the game answers after the plugin to every RCON request, as a command it does not know.
GAME_REPLY = "Server received, But no response!! \n "
PLAYER, PLAYER_TEAM = "alice", 60001
NET_BUFFS = ["Buff_Netted_Material_C", "PrimalBuff_BUFF_NETTED_MATERIAL"]
OTHER_BUFFS = ["Buff_Fed", "Buff_Tranquilized"]
GATES = ["AllowTame", "AllowBreed", "AllowRide", "DisableNet"]
DEFAULTS = {"AllowTame": True, "AllowBreed": True, "AllowRide": True, "DisableNet": False,
            "AttackDamageMultiplier": 0.0, "DamageResistanceMultiplier": 0.0, "TurretDamageMultiplier": 0.0,
            "ReducedFoodConsumptionSpeedMultiplier": -1.0, "ReducedStaminaConsumptionSpeedMultiplier": -1.0,
            "ReducedOxygenConsumptionSpeedMultiplier": -1.0}
POPULATION_CAP = 240


def f32(value):
    """The value rounded to a 32-bit float, as the game computes."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


class Failures:
    """Collects what went wrong, by check; the soak goes on and reports the first ones at the end."""

    CHECKS = {
        "replies": "every RCON reply matches a file that was read",
        "table": "damage, gates and food rates follow the table of the file last loaded",
        "server": "the server stays up, answers and reports no error",
        "allocations": "live game allocations return to their baseline",
        "actors": "no actor the plugin spawned for itself stays behind",
        "memory": "resident memory stays flat",
    }

    def __init__(self):
        self.items = []
        self.failed = set()
        self.lock = threading.Lock()

    def add(self, check, text):
        with self.lock:
            self.items.append(text)
            self.failed.add(check)


# ---- the config versions ----------------------------------------------------------------

class Version:
    def __init__(self, name, kind, text, table=None, stored=None, reply_prefix="", reply_suffix=""):
        self.name, self.kind, self.text = name, kind, text
        self.table = table            # blueprint -> entry (all ten keys), for a version that loads
        self.stored = stored          # the N of "Loaded N dino balances!"
        self.reply_prefix, self.reply_suffix = reply_prefix, reply_suffix
        self.reply = None             # the exact reply, from the version's own reload at the start
        self.glob = full_entry({})    # the global entry, for a version that loads


def random_entry(rng, species, consumption=True):
    entry = {}
    for gate in GATES:
        if rng.random() < 0.4:
            entry[gate] = rng.random() < (0.3 if gate == "DisableNet" else 0.6)
    if rng.random() < 0.7:
        entry["DamageResistanceMultiplier"] = rng.choice([0.5, 2.0, 4.0, 0.25, 1.5, 0.8, 0.0, -1.0])
    if rng.random() < 0.6 or species == "Turret":
        entry["AttackDamageMultiplier"] = rng.choice([2.0, 0.5, 3.0, 1.25, 0.3, 0.0, -1.0])
    if rng.random() < 0.4:
        entry["TurretDamageMultiplier"] = rng.choice([0.5, 2.0, -1.0, 0.0, 0.75])
    for key in ("ReducedFoodConsumptionSpeedMultiplier", "ReducedStaminaConsumptionSpeedMultiplier",
                "ReducedOxygenConsumptionSpeedMultiplier"):
        if consumption and rng.random() < 0.3:
            entry[key] = rng.choice([0.5, 2.0, 0.0, 1.5, -1.0])
    return entry


def full_entry(entry):
    result = dict(DEFAULTS)
    result.update(entry)
    return result


def filler_key(version_index, number):
    return "Blueprint'/Game/Soak/V%d/Filler%d/Filler%d.Filler%d'" % (version_index, number, number, number)


# Entries the plugin skips, each for another reason: a switch that is a number, a number that is
# a string, too large and too small for a float, an entry that is not an object.
BAD_ENTRIES = [{"AllowTame": 1}, {"DamageResistanceMultiplier": "2"}, {"AttackDamageMultiplier": 1e39},
               {"TurretDamageMultiplier": 1e-50}, []]


def make_versions(rng, catalog):
    versions = []
    stored_counts = set()

    def loading_version(index, kind, bad_count, consumption=True):
        while True:  # every version that loads has a count of its own
            species_entries = {}
            for info in catalog:
                if rng.random() < 0.8:
                    species_entries[info["blueprint"]] = random_entry(rng, info["short"], consumption)
            section = dict(species_entries)
            for number in range(rng.randrange(5, 45)):
                section[filler_key(index, number)] = {"AllowTame": bool(number % 2)}
            bad_keys = []
            for number in range(bad_count):
                # A bad entry may be a species of the world: a skipped species is left as the game has it.
                if number == 0 and rng.random() < 0.5:
                    key = rng.choice(catalog)["blueprint"]
                else:
                    key = filler_key(index, 1000 + number)
                section[key] = rng.choice(BAD_ENTRIES)
                bad_keys.append(key)
                species_entries.pop(key, None)
            total = len(section)
            if total - bad_count not in stored_counts:
                break
        stored_counts.add(total - bad_count)
        glob = None
        if consumption and rng.random() < 0.6:
            glob = {"ReducedFoodConsumptionSpeedMultiplier": rng.choice([0.5, 2.0, -1.0])}
        document = {"GlobalDinoBalance": glob, "DinoBalance": section}
        text = json.dumps(document, indent=1, sort_keys=True) + "\n"
        table = {key: full_entry(entry) for key, entry in species_entries.items()}
        name = "%s%d" % (kind if consumption else "flat", index)
        version = Version(name, kind, text, table, total - bad_count)
        version.glob = full_entry(glob or {})
        if kind == "good":
            version.reply_prefix = "Reloaded Config"
        else:
            first = min(bad_keys)  # the loader reads the species in byte order of their keys
            version.reply_prefix = "Reloaded, but skipped %d of %d entries. First: " % (bad_count, total)
            version.reply_suffix = ' in "%s"' % first
        return version

    for index in range(5):
        versions.append(loading_version(index, "good", 0))
    for index in range(5, 8):
        versions.append(loading_version(index, "partial", rng.randrange(1, 4)))
    # Two versions that set no consumption multiplier: reloads between them spawn no reference
    # dinos, so that the world does not grow while resident memory is measured.
    for index in range(8, 10):
        versions.append(loading_version(index, "good", 0, consumption=False))

    rex = catalog[1]["blueprint"]
    broken = [
        ("trailing-comma", '{"GlobalDinoBalance": null, "DinoBalance": {"%s": {"AllowTame": false},}}\n' % rex,
         "Reload failed: Error parsing config file: "),
        ("comment", '{"GlobalDinoBalance": null, // no comments in JSON\n "DinoBalance": {}}\n',
         "Reload failed: Error parsing config file: "),
        ("no-species-section", '{"GlobalDinoBalance": null, "DinoBalnce": {}}\n',
         "Reload failed: [json.exception.out_of_range.403] key 'DinoBalance' not found"),
        ("top-level-array", '[{"GlobalDinoBalance": null, "DinoBalance": {}}]\n',
         "Reload failed: [json.exception.type_error.304] cannot use at() with array"),
        ("bad-global", '{"GlobalDinoBalance": {"ReducedFoodConsumptionSpeedMultiplier": "half"}, "DinoBalance": {}}\n',
         "Reload failed: "),
        ("empty", "", "Reload failed: Error parsing config file: "),
    ]
    for name, text, prefix in broken:
        version = Version("broken-" + name, "broken", text, reply_prefix=prefix)
        if name == "bad-global":
            version.reply_suffix = ' in "GlobalDinoBalance"'
        versions.append(version)
    for version in versions:
        # One read of the plugin's file stream takes the whole file: a torn read is only ever a start.
        assert len(version.text.encode()) < 8000, version.name
    return versions


def expected_form(version, reply):
    return reply.startswith(version.reply_prefix) and reply.endswith(version.reply_suffix) and \
        (version.kind != "good" or reply == "Reloaded Config")


# ---- the file writer --------------------------------------------------------------------

class Writer(threading.Thread):
    """Rewrites the config file until stopped, recording when each write began and ended."""

    def __init__(self, path, versions, rng, stop):
        super().__init__(daemon=True)
        self.path, self.versions, self.rng, self.stop = path, versions, rng, stop
        self.choices = versions
        self.log = []  # (began, ended, version, atomic)
        self.lock = threading.Lock()

    def write(self, version, atomic):
        data = version.text.encode()
        began = time.monotonic()
        if atomic:
            temporary = self.path + ".new"
            with open(temporary, "wb") as out:
                out.write(data)
            os.replace(temporary, self.path)
        else:
            descriptor = os.open(self.path, os.O_WRONLY | os.O_TRUNC | os.O_CREAT, 0o644)
            try:
                pieces = sorted(self.rng.sample(range(1, max(2, len(data))), min(3, max(0, len(data) - 1))))
                start = 0
                for end in pieces + [len(data)]:
                    time.sleep(self.rng.uniform(0, 0.004))
                    os.write(descriptor, data[start:end])
                    start = end
            finally:
                os.close(descriptor)
        with self.lock:
            self.log.append((began, time.monotonic(), version, atomic))

    def run(self):
        while not self.stop.is_set():
            choices = self.choices
            weights = [5 if v.kind == "good" else 3 if v.kind == "partial" else 2 for v in choices]
            version = self.rng.choices(choices, weights)[0]
            self.write(version, self.rng.random() < 0.55)
            time.sleep(self.rng.uniform(0.01, 0.12))

    def candidates(self, sent, answered, first):
        """The versions the file could have held in [sent, answered], and whether a torn read was possible."""
        with self.lock:
            log = list(self.log)
        before = [entry for entry in log if entry[1] < sent]
        found = {before[-1][2] if before else first}
        torn = False
        for began, ended, version, atomic in log:
            if began <= answered and ended >= sent:
                found.add(version)
                torn = torn or not atomic
        return found, torn


# ---- RCON --------------------------------------------------------------------------------

class RconClient:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)
        self.next_id = 1
        self.sock.sendall(packet(self.next_id, 3, PASSWORD))
        answer = read_packet(self.sock)
        if answer[1] != 2:
            answer = read_packet(self.sock)  # the empty response value before the verdict
        if answer != (1, 2, ""):
            raise RuntimeError("login refused: %r" % (answer,))

    def reload(self):
        self.next_id += 1
        self.sock.sendall(packet(self.next_id, 2, "DinoTuner.Reload"))
        request_id, kind, body = read_packet(self.sock)
        answered = time.monotonic()
        if request_id != self.next_id or kind != 0:
            raise RuntimeError("answer to request %d: id %d type %d" % (self.next_id, request_id, kind))
        # The game answers every request after the plugin, as one it does not know.
        game = read_packet(self.sock)
        if game != (self.next_id, 0, GAME_REPLY):
            raise RuntimeError("the game's answer to request %d: %r" % (self.next_id, game))
        return body, answered


class Reloader(threading.Thread):
    def __init__(self, name, port, rng, stop, failures):
        super().__init__(daemon=True)
        self.name_, self.port, self.rng, self.stop, self.failures = name, port, rng, stop, failures
        self.replies = []  # (sent, answered, reply)

    def run(self):
        try:
            client = RconClient(self.port)
            while not self.stop.is_set():
                sent = time.monotonic()
                reply, answered = client.reload()
                self.replies.append((sent, answered, reply))
                time.sleep(self.rng.uniform(0, 0.06))
        except Exception as error:  # a server that stops answering is what this looks for
            self.failures.add("server", "RCON client %s: %s" % (self.name_, error))


# ---- the server and the world model ------------------------------------------------------

class Server:
    def __init__(self, sim, folder):
        self.process = subprocess.Popen(
            [sim, "--dir", folder, "--state", "up", "--serve", "--rcon-port", "0", "--rcon-password", PASSWORD],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=open(os.path.join(folder, "stderr.txt"), "wb"),
            bufsize=0)
        self.lines = queue.Queue()
        self.transcript = open(os.path.join(folder, "transcript.txt"), "w")
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.process.stdout:
            self.lines.put(raw.decode("utf-8", "replace").rstrip("\n"))
        self.lines.put(None)

    def send(self, lines):
        self.transcript.write("".join("> %s\n" % line for line in lines))
        self.process.stdin.write("".join(line + "\n" for line in lines).encode())
        self.process.stdin.flush()

    def next_line(self, timeout=30):
        line = self.lines.get(timeout=timeout)
        if line is not None:
            self.transcript.write(line + "\n")
        return line

    def rss_kib(self):
        with open("/proc/%d/status" % self.process.pid) as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return 0


class Dino:
    def __init__(self, dino_id, species, team):
        self.id, self.species, self.team = dino_id, species, team
        self.health, self.dead = 1000.0, False
        # The named dinos are tamed and never hurt: they stay in every consumption sweep.
        self.protected = dino_id.startswith("s") and dino_id[1:].isdigit()


class Soak:
    def __init__(self, args, failures):
        self.args, self.failures = args, failures
        self.rng = random.Random(args.seed)
        with open(CATALOG) as catalog:
            species = json.load(catalog)["species"]
        self.blueprints = {info["short"]: info["blueprint"] for info in species}
        self.base_food = {info["short"]: info["rates"]["FoodConsumptionMultiplier"] for info in species}
        self.dino_species = [info["short"] for info in species if not info.get("structure")]
        self.versions = make_versions(self.rng, species)
        self.by_stored = {v.stored: v for v in self.versions if v.stored is not None}
        self.in_effect = set()      # the versions whose table can be in effect (one, normally)
        self.dinos = {}
        self.actors = 0
        self.pending = []           # what the console commands sent so far must print, in order
        self.counts = {"hit": 0, "tame": 0, "mate": 0, "ride": 0, "buff": 0, "kill": 0, "spawn": 0, "show": 0,
                       "console reload": 0, "loaded": 0, "rounds": 0, "buffs added": 0}
        self.named = 0

    # -- what the server prints ----------------------------------------------------------

    def entry(self, species, version):
        return version.table.get(self.blueprints[species])

    def narrow(self, what, predicate):
        """Keeps the versions in effect under which `predicate` holds; none left is a failure."""
        kept = {v for v in self.in_effect if predicate(v)}
        if not kept:
            self.failures.add("table", "%s does not follow the table in effect (%s)" %
                              (what, ", ".join(sorted(v.name for v in self.in_effect))))
            return
        self.in_effect = kept

    def predicted_damage(self, version, victim, causer, amount):
        own = self.entry(victim.species, version)
        damage = f32(amount)
        if own and own["DamageResistanceMultiplier"] not in (0.0, -1.0):
            damage = f32(damage / f32(own["DamageResistanceMultiplier"]))
        if causer is not None:
            attacker = self.entry(causer, version)
            if attacker and attacker["AttackDamageMultiplier"] not in (0.0, -1.0):
                damage = f32(damage * f32(attacker["AttackDamageMultiplier"]))
            if own and own["TurretDamageMultiplier"] != 0.0:
                damage = f32(damage * f32(own["TurretDamageMultiplier"]))
        return damage

    def predicted_food(self, version, species):
        """A tamed live dino's food rate: its species' own rate times the multiplier in effect (its
        own entry's, or the global one's), or the own rate when that is not set: applying it again
        never compounds, and a multiplier no longer set gives the species' rate back."""
        own = self.entry(species, version)
        multiplier = (own or version.glob)["ReducedFoodConsumptionSpeedMultiplier"]
        base = f32(self.base_food[species])
        return base if multiplier == -1.0 else f32(base * f32(multiplier))

    def allowed(self, version, species, gate):
        own = self.entry(species, version)
        if own is None:
            return True
        return not own[gate] if gate == "DisableNet" else own[gate]

    def take(self, kind):
        if not self.pending or self.pending[0][0] != kind:
            self.failures.add("server", "the server printed a %s line where %s was expected" %
                              (kind, self.pending[0][0] if self.pending else "nothing"))
            return None
        return self.pending.pop(0)

    def on_line(self, line):
        loaded = re.search(r"\[DinoTuner\]\[info\] Loaded (\d+) dino balances!$", line)
        if loaded:
            self.counts["loaded"] += 1
            version = self.by_stored.get(int(loaded.group(1)))
            if version is None:
                self.failures.add("replies", "the plugin loaded %s entries, which no version written has" % loaded.group(1))
            else:
                self.in_effect = {version}
            return
        if line.startswith("error:") or "Error creating tempDino" in line or "expect failed" in line:
            self.failures.add("server", "server: " + line)
            return
        match = re.match(r"hit (\S+) (\S+) -> (\S+), dealt (\S+)$", line)
        if match:
            sent = self.take("hit")
            if sent is None:
                return
            _, victim, causer, amount = sent
            received = match.group(3)
            if received == "-":
                self.failures.add("table", "hit %s never reached the game" % victim.id)
                return
            received = f32(float(received))
            self.narrow("hit %s %s by %s -> %s" % (victim.id, amount, causer, received),
                        lambda v: self.predicted_damage(v, victim, causer, amount) == received)
            dealt = f32(float(match.group(4)))
            victim.health = f32(victim.health - dealt)
            if victim.health <= 0:
                victim.dead = True
            return
        match = re.match(r"tame (\S+): (refused|tamed team (\d+))$", line)
        if match:
            sent = self.take("tame")
            if sent is None:
                return
            dino = sent[1]
            tamed = match.group(2) != "refused"
            self.narrow(line, lambda v: self.allowed(v, dino.species, "AllowTame") == tamed)
            if tamed:
                dino.team = int(match.group(3))
            return
        match = re.match(r"mate (\S+) (\S+): (bred|refused)$", line)
        if match:
            sent = self.take("mate")
            if sent is not None:
                bred = match.group(3) == "bred"
                self.narrow(line, lambda v: self.allowed(v, sent[1].species, "AllowBreed") == bred)
            return
        match = re.match(r"use (\S+) 100: (true|false)$", line)
        if match:
            sent = self.take("ride")
            if sent is not None:
                dino = sent[1]
                rode = match.group(2) == "true"
                # Whether it may ride depends on whether it lives: known for sure well away from 0 health.
                if dino.dead or dino.health > 10:
                    possible = not dino.dead and dino.team == PLAYER_TEAM
                    self.narrow(line, lambda v: (possible and self.allowed(v, dino.species, "AllowRide")) == rode)
            return
        match = re.match(r"buff (\S+) (\S+): (added|refused)$", line)
        if match:
            sent = self.take("buff")
            if sent is not None:
                dino, name = sent[1], sent[2]
                added = match.group(3) == "added"
                self.counts["buffs added"] += added
                net = "buff_netted_material" in name.lower()
                self.narrow(line, lambda v: added == (not net or self.allowed(v, dino.species, "DisableNet")))
            return
        match = re.match(r"spawned (\d+) (\S+) to (\S+) \S+ team (\d+) level", line)
        if match:
            sent = self.take("spawn")
            if sent is not None:
                count, first, last = int(match.group(1)), match.group(2), match.group(3)
                stem = re.match(r"(\D+)(\d+)$", first)
                end = re.match(r"(\D+)(\d+)$", last)
                if not stem or not end or int(end.group(2)) - int(stem.group(2)) + 1 != count:
                    self.failures.add("server", "spawn of %d gave ids %s to %s" % (count, first, last))
                    return
                for number in range(int(stem.group(2)), int(end.group(2)) + 1):
                    self.add_dino("%s%d" % (stem.group(1), number), sent[1], int(match.group(4)))
            return
        match = re.match(r"spawned (\S+) \S+ team (\d+) level", line)
        if match:
            sent = self.take("spawn")
            if sent is not None:
                self.add_dino(match.group(1), sent[1], int(match.group(2)))
            return
        match = re.match(r"(\S+) FoodConsumptionMultiplier=(\S+)$", line)
        if match:
            sent = self.take("show")
            if sent is not None:
                food = f32(float(match.group(2)))
                self.narrow(line, lambda v: self.predicted_food(v, sent[1].species) == food)
            return
        match = re.match(r"kill (\S+)$", line)
        if match:
            sent = self.take("kill")
            if sent is not None:
                sent[1].dead = True
            return

    def add_dino(self, dino_id, species, team):
        self.actors += 1
        if species != "Turret":
            self.dinos[dino_id] = Dino(dino_id, species, team)

    # -- what the console sends ----------------------------------------------------------

    def random_event(self, grow_world=True):
        """One console line; without `grow_world`, none that adds to the world (spawns, buffs)."""
        dinos = list(self.dinos.values())
        roll = self.rng.random()
        if not grow_world and (roll < 0.06 or 0.82 <= roll < 0.90):
            roll = self.rng.uniform(0.06, 0.82)
        if roll < 0.06 and len(self.dinos) < POPULATION_CAP:
            species = self.rng.choice(self.dino_species)
            level = self.rng.randrange(1, 3)
            if self.rng.random() < 0.5:
                self.named += 1
                self.pending.append(("spawn", species))
                return "spawn %s name s%d team %d level %d" % (species, self.named, PLAYER_TEAM, level)
            self.pending.append(("spawn", species))
            return "spawn %s count %d level %d" % (species, self.rng.randrange(2, 5), level)
        dino = self.rng.choice(dinos)
        target = self.rng.choice([d for d in dinos if not d.protected])
        if roll < 0.52:
            dino = target
            amount = self.rng.choice([100.0, 50.0, 33.0, 7.5, 2.5, 1.0])
            pick = self.rng.random()
            if pick < 0.35:
                causer, by = None, ""
            elif pick < 0.55:
                causer, by = "Turret", " by turret1"
            else:
                other = self.rng.choice(dinos)
                causer, by = other.species, " by " + other.id
            self.pending.append(("hit", dino, causer, amount))
            return "hit %s %g%s" % (dino.id, amount, by)
        if roll < 0.63:
            self.pending.append(("tame", dino))
            return "tame %s by %s" % (dino.id, PLAYER)
        if roll < 0.71:
            partner = self.rng.choice(dinos)
            self.pending.append(("mate", dino))
            return "mate %s %s" % (dino.id, partner.id)
        if roll < 0.82:
            self.pending.append(("ride", dino))
            return "ride %s by %s" % (dino.id, PLAYER)
        if roll < 0.90:
            name = self.rng.choice(NET_BUFFS + OTHER_BUFFS)
            self.pending.append(("buff", dino, name))
            return "buff %s %s" % (dino.id, name)
        if roll < 0.91:
            self.pending.append(("kill", target))
            return "kill %s" % target.id
        if roll < 0.96:
            protected = self.rng.choice([d for d in dinos if d.protected])
            self.pending.append(("show", protected))
            return "show %s FoodConsumptionMultiplier" % protected.id
        self.counts["console reload"] += 1
        return "console DinoTuner.Reload"

    def count_sent(self, lines):
        for line in lines:
            word = line.split()[0]
            if word in self.counts:
                self.counts[word] += 1

    # -- running ---------------------------------------------------------------------------

    def run_until(self, server, marker, lines):
        """Sends `lines` and a marker command, and reads the output up to the marker's line."""
        server.send(lines + [marker])
        while True:
            try:
                line = server.next_line()
            except queue.Empty:
                self.failures.add("server", "the server did not answer within 30 s (waiting for '%s')" % marker)
                return None
            if line is None:
                self.failures.add("server", "the server stopped (waiting for '%s')" % marker)
                return None
            if line.startswith(marker.split()[0] + ":"):
                return line
            self.on_line(line)


def check_replies(soak, writer, reloaders, first):
    """Every reply must be the reply of a version the file held during its request, or a torn read."""
    by_version = {}
    total = torn_reads = 0
    for reloader in reloaders:
        for sent, answered, reply in reloader.replies:
            total += 1
            candidates, torn = writer.candidates(sent, answered, first)
            matches = [v for v in candidates if v.reply == reply]
            if matches:
                for v in matches:
                    by_version[v.kind] = by_version.get(v.kind, 0) + 1
                continue
            if torn and reply.startswith("Reload failed: Error parsing config file: ") and "parse error" in reply:
                torn_reads += 1
                continue
            soak.failures.add("replies", "RCON reply %r matches none of the files read then (%s)%s" % (
                reply[:200], ", ".join(sorted(v.name for v in candidates)),
                ", a rewrite in pieces was under way" if torn else ""))
    return total, by_version, torn_reads


def median(values):
    values = sorted(values)
    return values[len(values) // 2] if values else 0


def memory_checks(failures, samples, rss_start, stats_before, main_end, probe, stats_after, soak):
    """Resident memory: flat during the probe; during play, no more than the world keeps."""
    lines = []
    if main_end is not None:
        # The world keeps what play added to it: the actors spawned (the reference dinos the plugin
        # spawns and destroys leave their interned names behind) and the buffs attached. Measured
        # at about 0.25 KiB an actor and 0.2 KiB a buff; allowed are 0.5 and 0.25, 1 KiB for each
        # live dino, and 3 MiB for the allocator's ups and downs.
        spawned, buffs, rss = main_end[0] - stats_before[0], main_end[1], main_end[2]
        budget = 3072 + spawned // 2 + buffs // 4 + len(soak.dinos)
        lines.append("VmRSS during play: %d KiB at the mark, %d KiB at its end (+%d KiB; the world accounts for "
                     "%d KiB: %d actors spawned, %d buffs attached)" % (rss_start, rss, rss - rss_start, budget, spawned, buffs))
        if rss - rss_start > budget:
            failures.add("memory", "resident memory grew by %d KiB during play, more than the %d KiB the world accounts for" %
                         (rss - rss_start, budget))
    if probe is None:
        failures.add("memory", "the memory probe never began: no version without consumption multipliers took effect")
        return lines
    began = probe[2]
    first = [rss for at, rss in samples if began <= at <= began + 0.5]
    last = [rss for at, rss in samples if at >= samples[-1][0] - 0.5]
    growth = median(last) - median(first)
    spawned = stats_after[0] - probe[0]
    allowed = 1024 + spawned // 2 + (soak.counts["buffs added"] - probe[1]) // 4
    reloads = soak.counts["loaded"] - probe[3]
    lines.append("VmRSS in the probe (%.0fs, %d reloads loaded, no spawns or buffs, %d actors spawned): "
                 "%d KiB -> %d KiB (%+d KiB, allowed %d KiB)" % (
                     samples[-1][0] - began, reloads, spawned, median(first), median(last), growth, allowed))
    if growth > allowed:
        failures.add("memory", "resident memory grew by %d KiB in the probe, where nothing was added to the world" % growth)
    return lines


def stat_spawned(line):
    match = re.match(r"stats: (\d+) spawned, (\d+) destroyed", line or "")
    return (int(match.group(1)), int(match.group(2))) if match else (0, 0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--sim", required=True)
    parser.add_argument("--seconds", type=float, default=120)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--dir", default=None, help="server folder (default: a new temporary one, removed when all is well)")
    args = parser.parse_args()
    if args.seed is None:
        args.seed = random.randrange(1 << 30)
    failures = Failures()
    folder = args.dir or tempfile.mkdtemp(prefix="dinotuner-soak-")
    config_dir = os.path.join(folder, "ArkApi", "Plugins", "DinoTuner")
    os.makedirs(config_dir, exist_ok=True)
    config = os.path.join(config_dir, "config.json")
    soak = Soak(args, failures)
    print("soak: %gs, seed %d, server folder %s" % (args.seconds, args.seed, folder))
    started = time.monotonic()

    first = soak.versions[0]
    with open(config, "w") as out:
        out.write(first.text)
    server = Server(args.sim, folder)
    port_line = server.next_line()
    match = re.match(r"rcon listening on 127\.0\.0\.1:(\d+)", port_line or "")
    if not match:
        print("FAIL: the server did not start: %r" % port_line)
        return 1
    port = int(match.group(1))

    # Each version's own reply, read by one client while nothing else happens.
    stop = threading.Event()
    writer = Writer(config, soak.versions, random.Random(args.seed + 1), stop)
    calibration = RconClient(port)
    setup = ["player %s team %d" % (PLAYER, PLAYER_TEAM), "spawn Turret name turret1"]
    soak.pending.append(("spawn", "Turret"))
    for species in soak.dino_species:
        for level in (1, 2):
            soak.pending.append(("spawn", species))
            setup.append("spawn %s count 6 level %d" % (species, level))
            for _ in range(3):
                soak.named += 1
                soak.pending.append(("spawn", species))
                setup.append("spawn %s name s%d team %d level %d" % (species, soak.named, PLAYER_TEAM, level))
    soak.run_until(server, "memory", setup)
    for version in soak.versions:
        writer.write(version, True)
        version.reply = calibration.reload()[0]
        if not expected_form(version, version.reply):
            failures.add("replies", "version %s answers %r, not %r...%r" % (version.name, version.reply[:200],
                                                                  version.reply_prefix, version.reply_suffix))
        soak.run_until(server, "memory", [])  # the reload's log lines, in order
    calibration.sock.close()
    last_calibrated = soak.versions[-1]
    stats_before = stat_spawned(soak.run_until(server, "stats", []))
    mark = soak.run_until(server, "memory-mark", [])
    rss_start = server.rss_kib()
    print("calibrated %d versions; world: %d actors; %s; VmRSS %d KiB" % (len(soak.versions), soak.actors, mark, rss_start))

    reloaders = [Reloader(name, port, random.Random(args.seed + 2 + i), stop, failures) for i, name in enumerate("AB")]
    writer.start()
    for reloader in reloaders:
        reloader.start()
    # The last quarter is the memory probe: the same play and reloads, but nothing that adds to the
    # world (spawns, buffs, versions whose reloads spawn reference dinos), so that resident memory
    # has no reason to grow. It is measured once the first of those reloads has settled.
    deadline = started + args.seconds
    probe_from = deadline - max(5.0, args.seconds / 4)
    settle = 1.5
    samples = []                 # (time, VmRSS) after every round
    probe = None                 # spawned count, buffs, time and loads when the probe's measure began
    main_end = None              # (spawned, buffs, VmRSS) when the main phase ended
    flat = [v for v in soak.versions if v.name.startswith("flat")]
    while time.monotonic() < deadline and server.process.poll() is None and len(failures.items) < 50:
        now = time.monotonic()
        if main_end is None and now >= probe_from:
            writer.choices = flat
            main_end = (stat_spawned(soak.run_until(server, "stats", []))[0], soak.counts["buffs added"], server.rss_kib())
        if main_end is not None and probe is None and now >= probe_from + settle and soak.in_effect <= set(flat):
            probe = (stat_spawned(soak.run_until(server, "stats", []))[0], soak.counts["buffs added"], time.monotonic(),
                     soak.counts["loaded"])
        batch = [soak.random_event(grow_world=main_end is None) for _ in range(soak.rng.randrange(10, 40))]
        soak.count_sent(batch)
        check = soak.run_until(server, "memory-check", batch)
        if check is None:
            break
        if not check.startswith("memory-check: 0 more live"):
            failures.add("allocations", "game allocations after round %d: %s" % (soak.counts["rounds"], check))
        actors = soak.run_until(server, "actors", [])
        if actors != "actors: %d" % soak.actors:
            failures.add("actors", "%s, but the soak spawned %d" % (actors, soak.actors))
        if soak.pending:
            failures.add("server", "commands without their output line: %r" % soak.pending[:3])
            soak.pending = []
        soak.counts["rounds"] += 1
        samples.append((time.monotonic(), server.rss_kib()))
        time.sleep(0.005)
    stop.set()
    for thread in reloaders + [writer]:
        thread.join(timeout=30)
    stats_after = stat_spawned(soak.run_until(server, "stats", []))
    final = soak.run_until(server, "memory-check", [])

    server.send(["quit"])
    try:
        status = server.process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        server.process.kill()
        status = "did not stop"
    while True:
        try:
            line = server.next_line(timeout=5)
        except queue.Empty:
            break
        if line is None:
            break
        soak.on_line(line)
    if status != 0:
        failures.add("server", "the server ended with status %s" % status)
    stderr = open(os.path.join(folder, "stderr.txt"), errors="replace").read().strip()
    if stderr:
        failures.add("server", "the server wrote on standard error: " + stderr[:300])
    if final is not None and not final.startswith("memory-check: 0 more live"):
        failures.add("allocations", "game allocations at the end: " + final)

    total, by_kind, torn_reads = check_replies(soak, writer, reloaders, last_calibrated)
    memory_lines = memory_checks(failures, samples, rss_start, stats_before, main_end, probe, stats_after, soak)

    elapsed = time.monotonic() - started
    writes = len(writer.log)
    atomic = sum(1 for entry in writer.log if entry[3])
    print("ran %.0fs: %d rounds of console events %s" % (elapsed, soak.counts["rounds"], ", ".join(
        "%d %s" % (soak.counts[k], k) for k in ("hit", "tame", "mate", "ride", "buff", "kill", "spawn", "show", "console reload"))))
    print("reloads: %d over RCON from 2 clients (%s; %d torn reads of a file rewritten in pieces), %d in all logged 'Loaded'" % (
        total, ", ".join("%d %s" % (n, k) for k, n in sorted(by_kind.items())), torn_reads, soak.counts["loaded"]))
    print("config rewrites: %d (%d atomic, %d in pieces)" % (writes, atomic, writes - atomic))
    print("game allocations: %s; actors at the end: %d; server exit status %s" % (final, soak.actors, status))
    for line in memory_lines:
        print(line)
    for check, meaning in Failures.CHECKS.items():
        print("%-4s %s" % ("FAIL" if check in failures.failed else "ok", meaning))
    passed = len(Failures.CHECKS) - len(failures.failed)
    if failures.items:
        print("%d problem(s); transcript in %s/transcript.txt" % (len(failures.items), folder))
        for item in failures.items[:20]:
            print("  " + item)
    elif args.dir is None:
        shutil.rmtree(folder, ignore_errors=True)
    print("soak: %d passed, %d failed" % (passed, len(failures.failed)))
    return 1 if failures.items else 0


if __name__ == "__main__":
    sys.exit(main())
