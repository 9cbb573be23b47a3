#!/usr/bin/env python3
"""Reads jotanor-cli's iCalendar export with an independent parser (Debian's
python3-icalendar) on memos full of awkward characters, and checks the raw
lines: CRLF, at most 75 octets, folded between UTF-8 characters.

Usage: check_ics.py PATH-TO-jotanor-cli. Exit 77 (skipped) without the parser."""
import datetime
import subprocess
import sys
import tempfile
from pathlib import Path

try:
    import icalendar
except ImportError:
    print("skipped: python3-icalendar is not installed (apt-get install python3-icalendar)")
    sys.exit(77)

from memos import record

# line 1, line 2 (Windows-1252 bytes). This parser unescapes a value twice,
# so a backslash before a comma, semicolon, "n", "N" or another backslash
# reads wrongly; the unit tests check those escapes by hand instead.
MEMOS = [
    (datetime.date(2026, 1, 1), b"komma, puntkomma; dubbelepunt: \"aanhalingstekens\"", b"back\\slash, een \\ los en op het eind\\"),
    (datetime.date(2026, 3, 5), b"*Verjaardag; \xc9va \x80 \x93jarig\x94", b"taart\r\nkoffie\nthee\rmelk"),
    (datetime.date(2026, 3, 6), b"**dubbel sterretje", b""),
    (datetime.date(2026, 3, 7), b"*", b"alleen een ster"),
    (datetime.date(2026, 3, 8), b"\xe9" * 100, b"\x80" * 100),
    (datetime.date(2026, 3, 9), b"a" + b"\x80" * 99, b"ab" + b"\xe9" * 98),
    (datetime.date(2026, 3, 10), b"abc" + b"\x80" * 97, b"tab\there, stuur\x01teken\x7f"),
    (datetime.date(2026, 3, 10), b"dezelfde", b"memo"),
    (datetime.date(2026, 3, 10), b"dezelfde", b"memo"),
    (datetime.date(2024, 2, 29), b"*schrikkeldag", b""),
    (datetime.date(1940, 1, 1), b"", b"lege eerste regel"),
    (datetime.date(2100, 12, 31), b"x" * 100, b""),
]


def shown(line):
    """The text a calendar should show for a stored line."""
    text = line.decode("cp1252").replace("\r\n", "\n").replace("\r", "\n")
    return "".join(" " if (ord(c) < 0x20 and c not in "\t\n") or c == "\x7f" else c for c in text)


def expected_events(memos):
    """(start, line1, line2, yearly, extra day); a starred 29 February is that
    day, then every 28 February."""
    for date, line1, line2 in sorted(memos, key=lambda m: m[0]):
        starred = line1.startswith(b"*")
        if starred and (date.month, date.day) == (2, 29):
            yield date.replace(year=date.year + 1, day=28), line1, line2, True, date
        else:
            yield date, line1, line2, starred, None


def check_raw(data):
    assert data.endswith(b"\r\n"), "the last line has no CRLF"
    lines = data[:-2].split(b"\r\n")
    for n, line in enumerate(lines, 1):
        assert b"\r" not in line and b"\n" not in line, f"line {n}: a bare CR or LF"
        assert len(line) <= 75, f"line {n}: {len(line)} octets"
        line.decode("utf-8")  # raises when a fold split a character


def export(cli, folder, *args):
    run = subprocess.run([cli, "--today", "2026-05-02", *args], cwd=folder, capture_output=True, timeout=30)
    assert run.returncode == 0, run.stderr.decode()
    assert run.stderr == b"", run.stderr.decode()
    return run.stdout


def events(data):
    calendar = icalendar.Calendar.from_ical(data)
    assert calendar["VERSION"] == "2.0" and calendar.get("PRODID"), "no VERSION or PRODID"
    return [c for c in calendar.walk() if c.name == "VEVENT"]


def main(cli):
    with tempfile.TemporaryDirectory() as folder:
        Path(folder, "jotanor1.mem").write_bytes(b"".join(record(*m) for m in sorted(MEMOS, key=lambda m: m[0])))
        data = export(cli, folder, "export-ics")
        check_raw(data)
        assert export(cli, folder, "export-ics") == data, "two exports differ"

        found = events(data)
        expected = list(expected_events(MEMOS))
        assert len(found) == len(expected), f"{len(found)} events for {len(expected)} expected"
        for event, (date, line1, line2, yearly, extra) in zip(found, expected):
            starred = line1.startswith(b"*")
            assert event.decoded("DTSTART") == date, (event.decoded("DTSTART"), date)
            assert str(event["SUMMARY"]) == shown(line1[1:] if starred else line1), repr(str(event["SUMMARY"]))
            if line2:
                assert str(event["DESCRIPTION"]) == shown(line2), repr(str(event["DESCRIPTION"]))
            else:
                assert "DESCRIPTION" not in event
            if yearly:
                assert event["RRULE"] == {"FREQ": ["YEARLY"]}, event.get("RRULE")
            else:
                assert "RRULE" not in event
            if extra:
                assert [d.dt for d in event["RDATE"].dts] == [extra], event["RDATE"]
            else:
                assert "RDATE" not in event
            assert event.decoded("DTSTAMP") == datetime.datetime(2026, 5, 2, tzinfo=datetime.timezone.utc)
        uids = [str(e["UID"]) for e in found]
        assert len(set(uids)) == len(uids), "UIDs repeat"

        ranged = export(cli, folder, "export-ics", "--from", "2026-03-06", "--to", "2026-03-09")
        check_raw(ranged)
        # 5 March recurs yearly, from 2027 on: outside the range.
        assert [str(e["SUMMARY"]) for e in events(ranged)] == ["*dubbel sterretje", "", "é" * 100, "a" + "€" * 99]
    print(f"ok: {len(found)} events")


if __name__ == "__main__":
    main(sys.argv[1])
