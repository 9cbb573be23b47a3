#!/usr/bin/env python3
"""Sync figures against radicale on loopback, side by side with a plain client.

Usage: sync_figures.py PATH-TO-jotanor-cli [FIRST] [MANY]   (FIRST 0: the later syncs only)
  first upload: FIRST memos (default 500) put up by jotanor-cli's first sync
      into one empty calendar, and the same events put up one at a time by a
      plain client (http.client, one kept-alive connection, If-None-Match: *)
      into another, alternating, three rounds; the medians and their ratio;
  later syncs: a calendar of MANY events (default 5,000, ten busy years)
      written straight into radicale's storage (a first upload of 5,000 takes
      radicale half an hour), paired by the first sync (UIDs), then a sync with
      a change on each side and then with nothing changed (medians of 5); the
      first sync with nothing changed after one that did work lists the
      changes, those after it only ask the collection's version: both shown,
      with the REPORTs radicale logged;
  memory: the peak resident size of the sync with nothing changed, of the
      one with a change on each side and of the first with nothing changed
      after one that did work, at FIRST (500 when 0) and at MANY memos (both
      calendars written into storage), and what each memo more adds.
Or: sync_figures.py PATH-TO-jotanor-cli bounds
  the peak where check_sync.py's misbehaving server sends an endless answer,
  or one 11 MB event beside a small one (no radicale)."""
import datetime
import http.client
import http.server
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "cli"))
import caldav  # noqa: E402
from check_sync import Faulty, Radicale, event_text  # noqa: E402
import memos  # noqa: E402

TODAY = "2026-05-02"


def busy_years(count):
    words = ["Tandarts", "Kapper", "Vergadering", "Verjaardag Éva", "Markt, kaas & brood", "Huur € 650,-",
             "Lunch met Ans", "Zwemmen", "Garage: APK", "Bellen over 'het dak'"]
    start = datetime.date(2017, 1, 1)
    out = []
    for i in range(count):
        day = start + datetime.timedelta(days=i * 3650 // count)
        title = words[i % len(words)] + f" {i}"
        out.append((day, ("*" if i % 97 == 0 else "") + title, f"regel twee van memo {i}" if i % 3 else ""))
    return out


def sync(cli, diary, url, ok=(0,)):
    """Wall seconds, peak resident KiB, own CPU seconds, the summary. The
    peak is the program's VmHWM, read every 5 ms while it runs: the rusage
    of a child started from this script counts this script's size too."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        started = time.monotonic()
        p = subprocess.Popen([cli, "--file", str(diary), "--today", TODAY, "sync", url], stdout=out, stderr=err)
        peak = 0
        while True:
            try:
                status = Path(f"/proc/{p.pid}/status").read_text()
                peak = max(peak, int(re.search(r"VmHWM:\s+(\d+)", status)[1]))
            except (OSError, TypeError):
                pass
            pid, code, usage = os.wait4(p.pid, os.WNOHANG)
            if pid:
                break
            time.sleep(0.005)
        p.returncode = os.waitstatus_to_exitcode(code)
        seconds = time.monotonic() - started
        out.seek(0)
        err.seek(0)
        assert p.returncode in ok, err.read().decode()
        return seconds, peak, usage.ru_utime + usage.ru_stime, out.read().decode().strip()


def events_of(cli, diary):
    """The export's events, each as a calendar of its own, by UID."""
    text = subprocess.run([cli, "--file", str(diary), "--today", TODAY, "export-ics"], capture_output=True,
                          check=True).stdout.decode()
    head = text[:text.index("BEGIN:VEVENT")]
    out = {}
    for block in re.findall(r"BEGIN:VEVENT\r\n.*?END:VEVENT\r\n", text, re.S):
        uid = re.search(r"^UID:(.*)\r$", block, re.M)[1]
        out[uid] = head + block + "END:VCALENDAR\r\n"
    return out


def plain_upload(port, path, events):
    """The same PUTs one at a time, as a plain client makes them."""
    started = time.monotonic()
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=600)
    for uid, calendar in events.items():
        connection.request("PUT", f"{path}{uid}.ics", calendar.encode(),
                           {"Content-Type": "text/calendar; charset=utf-8", "If-None-Match": "*"})
        answer = connection.getresponse()
        answer.read()
        assert answer.status in (201, 204), answer.status
    connection.close()
    return time.monotonic() - started


def warm(port, path):
    """Radicale reads a collection written behind its back once, slowly (a
    minute and more for 5,000 events on a loaded machine): done here, not
    in the timed sync."""
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=3600)
    for depth in ("1", "1"):
        connection.request("PROPFIND", path, b"", {"Depth": depth})
        connection.getresponse().read()
    connection.close()


def seed(server, path, events):
    """Events written straight into radicale's storage as a calendar."""
    folder = server.folder / "collections" / "collection-root" / path.strip("/")
    folder.mkdir(parents=True)
    (folder / ".Radicale.props").write_text(json.dumps({"tag": "VCALENDAR"}))
    for uid, calendar in events.items():
        (folder / f"{uid}.ics").write_text(calendar, newline="")


def bounds(cli):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Faulty)
    server.handle_error = Faulty.handle_error
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f"http://127.0.0.1:{server.server_address[1]}"
    big = event_text("groot", ";VALUE=DATE:20260503", "Groot")
    Faulty.events["/cal/groot.ics"] = ['"1"', big.replace("END:VEVENT", f"DESCRIPTION:{'x' * 11_000_000}\r\nEND:VEVENT")]
    Faulty.events["/cal/klein.ics"] = ['"1"', event_text("klein", ";VALUE=DATE:20260504", "Klein")]
    with tempfile.TemporaryDirectory() as name:
        for path, what in (("/huge/", "an endless answer"), ("/cal/", "an 11 MB event beside a small one")):
            seconds, peak, _, line = sync(cli, Path(name) / f"{path.strip('/')}.mem", url + path, ok=(1, 3))
            print(f"{what}: {seconds:.2f} s, {peak / 1024:.1f} MB peak ({line or 'stopped'})")
    server.shutdown()


def main(cli, first="500", many="5000"):
    first, many = int(first), int(many)
    with tempfile.TemporaryDirectory() as name:
        folder = Path(name)
        for sub in ("server", "small", "big"):
            (folder / sub).mkdir()
        small, big = folder / "small" / "jotanor1.mem", folder / "big" / "jotanor1.mem"
        memos.write(small, busy_years(first or 500))
        memos.write(big, busy_years(many))
        seed_events = events_of(cli, big)
        server = Radicale(folder / "server")
        seed(server, "/groot/", seed_events)
        seed(server, "/klein/", events_of(cli, small))
        try:
            warm(server.port, "/groot/")
            warm(server.port, "/klein/")
            ours, plain = [], []
            for n in range(3 if first else 0):
                for who in ("ours", "plain") if n % 2 == 0 else ("plain", "ours"):
                    path = f"/{who}{n}/"
                    server.make_calendar(path)
                    if who == "ours":
                        diary = folder / "small" / f"{n}.mem"
                        diary.write_bytes(small.read_bytes())
                        seconds, _, _, line = sync(cli, diary, server.url(path))
                        assert line.startswith(f"{first} naar de server"), line
                        ours.append(seconds)
                    else:
                        plain.append(plain_upload(server.port, path, events_of(cli, small)))
            if first:
                print(f"first upload of {first} events: jotanor-cli {statistics.median(ours):.2f} s, plain client "
                  f"{statistics.median(plain):.2f} s (medians of 3), ratio {statistics.median(ours) / statistics.median(plain):.3f}")
                print(f"  rounds: jotanor-cli {[round(s, 2) for s in ours]}, plain {[round(s, 2) for s in plain]}")

            few_memos = len(busy_years(first or 500))
            klein = folder / "small" / "klein.mem"
            klein.write_bytes(small.read_bytes())
            url = server.url("/groot/")
            seconds, peak, _, line = sync(cli, big, url)
            print(f"first sync of {many} memos with their {len(seed_events)} events already there (all fetched and "
                  f"paired): {seconds:.2f} s, {peak / 1024:.1f} MB peak ({line})")
            sync(cli, klein, server.url("/klein/"))
            peaks = {}
            for count, diary, path in ((many, big, "/groot/"), (few_memos, klein, "/klein/")):
                phone = caldav.DAVClient(server.url(path)).calendar(url=server.url(path))
                rounds = []
                for n in range(5):
                    tag = f"{time.time_ns()}-{n}"
                    phone.save_event(event_text(f"telefoon-{tag}@bench", f";VALUE=DATE:202606{10 + n}", f"Nieuw {tag}"))
                    subprocess.run([cli, "--file", str(diary), "--today", TODAY, "add", f"2026-07-{10 + n}", f"Hier {tag}"],
                                   check=True, capture_output=True)
                    rounds.append(sync(cli, diary, server.url(path)))
                peaks[count] = [statistics.median(r[1] for r in rounds)]
                print(f"one change on each side at {count} memos: median {statistics.median(r[0] for r in rounds):.3f} s, "
                      f"own CPU {statistics.median(r[2] for r in rounds):.3f} s, {peaks[count][0] / 1024:.1f} MB peak "
                      f"({rounds[0][3]})")
            for count, diary, path in ((many, big, "/groot/"), (few_memos, klein, "/klein/")):
                reports = server.requests("REPORT")
                quiet = [sync(cli, diary, server.url(path)) for _ in range(6)]
                reports = server.requests("REPORT") - reports
                peaks[count].insert(0, statistics.median(q[1] for q in quiet[1:]))
                peaks[count].append(quiet[0][1])
                print(f"nothing changed at {count} memos: the first after a sync that did work {quiet[0][0]:.3f} s "
                      f"({quiet[0][1] / 1024:.1f} MB peak); then median {statistics.median(q[0] for q in quiet[1:]):.3f} s, own "
                      f"CPU {statistics.median(q[2] for q in quiet[1:]):.3f} s, {peaks[count][0] / 1024:.1f} MB peak "
                      f"(medians of 5); {reports} REPORTs in the 6 ({quiet[-1][3]})")
            for i, what in enumerate(("nothing changed", "one change on each side",
                                      "nothing changed, the first after a sync that did work (it lists the changes)")):
                slope = (peaks[many][i] - peaks[few_memos][i]) * 1024 / (many - few_memos)
                print(f"memory, {what}: {peaks[few_memos][i] / 1024:.1f} MB at {few_memos} memos, "
                      f"{peaks[many][i] / 1024:.1f} MB at {many}: {slope:.0f} bytes more per memo")
        finally:
            server.stop()


if __name__ == "__main__":
    bounds(sys.argv[1]) if sys.argv[2:] == ["bounds"] else main(*sys.argv[1:])
