"""Writes the RCON seed inputs of the rcon fuzz target into seeds/rcon/.

Each input is one byte saying how the stream is cut into writes (0: at once, N: N bytes a write)
and the bytes a client sends. The listener under fuzzing logs in with the password "fuzz".
Run it again after changing the target's input format: python3 fuzz/make-rcon-seeds.py
"""

import os
import struct

AUTH, EXEC, RESPONSE = 3, 2, 0


def packet(request_id, kind, body=b"", size=None, tail=b"\0\0"):
    payload = struct.pack("<ii", request_id, kind) + body + tail
    return struct.pack("<i", len(payload) if size is None else size) + payload


LOGIN = packet(1, AUTH, b"fuzz")
SEEDS = {
    "login-and-reload": (0, LOGIN + packet(2, EXEC, b"DinoTuner.Reload")),
    "byte-by-byte": (1, LOGIN + packet(2, EXEC, b"DinoTuner.Reload now")),
    "split-inside-size": (3, LOGIN + packet(2, EXEC, b"x") + packet(3, RESPONSE)),
    "wrong-password": (0, packet(1, AUTH, b"nope") + packet(2, EXEC, b"DinoTuner.Reload")),
    "command-before-login": (0, packet(2, EXEC, b"DinoTuner.Reload")),
    "half-a-packet": (5, LOGIN + packet(2, EXEC, b"DinoTuner.Reload")[:9]),
    "size-too-small": (0, LOGIN + packet(2, EXEC, size=5)),
    "size-too-large": (0, LOGIN + packet(2, EXEC, size=5000)),
    "no-terminating-zero": (0, LOGIN + packet(2, EXEC, b"abc", tail=b"x\0")),
    "pad-not-zero": (0, LOGIN + packet(2, EXEC, b"abc", tail=b"\0x")),
    "zero-in-body": (0, LOGIN + packet(2, EXEC, b"a\0b")),
    "long-answer": (0, LOGIN + packet(2, EXEC, b"a" * 4000)),
    "unknown-type": (0, LOGIN + packet(2, 7, b"?") + packet(3, EXEC, b"still here")),
    "flood": (0, LOGIN + b"".join(packet(i, EXEC, b"x") for i in range(40))),
    "login-twice": (16, LOGIN + packet(5, AUTH, b"wrong") + packet(6, EXEC, b"after")),
}

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds", "rcon")
for name, (chunk, stream) in SEEDS.items():
    with open(os.path.join(here, name + ".bin"), "wb") as out:
        out.write(bytes([chunk]) + stream)
