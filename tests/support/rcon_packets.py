"""Source RCON packets for the Python test drivers: one encoder, one reader."""
import struct


def packet(request_id, kind, body):
    """The bytes of one packet: size, id, type, the body in UTF-8, two zero bytes."""
    payload = struct.pack("<ii", request_id, kind) + body.encode() + b"\0\0"
    return struct.pack("<i", len(payload)) + payload


def read_packet(sock):
    """The next packet on `sock` as (id, type, body); raises when the server closes the connection."""
    def exactly(count):
        data = b""
        while len(data) < count:
            chunk = sock.recv(count - len(data))
            if not chunk:
                raise RuntimeError("connection closed by the server")
            data += chunk
        return data

    (length,) = struct.unpack("<i", exactly(4))
    request_id, kind = struct.unpack("<ii", exactly(8))
    return request_id, kind, exactly(length - 8)[:-2].decode("utf-8", "replace")
