"""Memo files for the scripted tests: 212-byte records of a date and two
Windows-1252 lines."""
import datetime
import struct

DAY0 = datetime.date(1899, 12, 30)


def record(date, line1, line2):
    serial = date if isinstance(date, float) else float((date - DAY0).days)
    return (struct.pack("<d", serial) + bytes([len(line1)]) + line1.ljust(100, b"\0") +
            bytes([len(line2)]) + line2.ljust(100, b"\0") + b"\0\0")


def write(path, memos, ordered=True):
    """Writes (date, line1, line2) memos, lines as text, in date order (or as
    given); a date may be a serial number (a float)."""
    memos = sorted(memos, key=lambda m: m[0]) if ordered else memos
    path.write_bytes(b"".join(record(d, a.encode("cp1252"), b.encode("cp1252")) for d, a, b in memos))


def read(path):
    """The memos as (date, line1, line2), lines as text, in file order."""
    data = path.read_bytes()
    out = []
    for i in range(0, len(data) - len(data) % 212, 212):
        r = data[i:i + 212]
        (serial,) = struct.unpack("<d", r[:8])
        out.append((DAY0 + datetime.timedelta(days=int(serial)), r[9:9 + r[8]].decode("cp1252"),
                    r[110:110 + r[109]].decode("cp1252")))
    return out
