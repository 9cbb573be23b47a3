#!/usr/bin/env python3
"""Sync figures on a diary of 5,000 memos (ten busy years) against radicale
on loopback: the first sync's time and requests, a sync with nothing changed,
and a sync with one change on each side (five rounds, the median).

Usage: sync_figures.py PATH-TO-jotanor-cli [FOLDER]
With FOLDER the server's storage and the diary stay there afterwards, and a
later run on the same FOLDER goes on from them (same port, no first sync):
the first sync of 5,000 events takes a server like radicale many minutes.
The printed farm-bench line times the nothing-changed sync from outside
while a server runs on that folder."""
import datetime
import re
import resource
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "cli"))
import caldav  # noqa: E402
from check_sync import Radicale, event_text  # noqa: E402
import memos  # noqa: E402

TODAY = "2026-05-02"


def ten_busy_years():
    words = ["Tandarts", "Kapper", "Vergadering", "Verjaardag Éva", "Markt, kaas & brood", "Huur € 650,-",
             "Lunch met Ans", "Zwemmen", "Garage: APK", "Bellen over 'het dak'"]
    start = datetime.date(2017, 1, 1)
    out = []
    for i in range(5000):
        day = start + datetime.timedelta(days=i * 3650 // 5000)
        title = words[i % len(words)] + f" {i}"
        out.append((day, ("*" if i % 97 == 0 else "") + title, f"regel twee van memo {i}" if i % 3 else ""))
    return out


def timed_sync(cli, diary, url, server):
    """Wall seconds, the sync's own CPU seconds, the requests the server saw, its line."""
    before = server.requests_total()
    cpu = resource.getrusage(resource.RUSAGE_CHILDREN)
    started = time.monotonic()
    r = subprocess.run([cli, "--file", str(diary), "--today", TODAY, "sync", url], capture_output=True, text=True,
                       timeout=3600)
    seconds = time.monotonic() - started
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    assert r.returncode == 0, r.stderr
    own = after.ru_utime - cpu.ru_utime + after.ru_stime - cpu.ru_stime
    return seconds, server.requests_total() - before, r.stdout.strip(), own


def main(cli, keep=None):
    with tempfile.TemporaryDirectory() as name:
        folder = Path(keep or name)
        again = (folder / "diary" / "jotanor1.mem").exists()
        port = int(re.search(r":(\d+)", (folder / "server" / "config").read_text())[1]) if again else 0
        (folder / "server").mkdir(parents=True, exist_ok=True)
        (folder / "diary").mkdir(exist_ok=True)
        server = Radicale(folder / "server", port=port)
        server.requests_total = lambda: sum(server.requests(m) for m in ("PROPFIND", "REPORT", "PUT", "DELETE", "GET"))
        try:
            url = server.url("/dagboek/")
            diary = folder / "diary" / "jotanor1.mem"
            if not again:
                server.make_calendar("/dagboek/")
                memos.write(diary, ten_busy_years())
                seconds, requests, line, _ = timed_sync(cli, diary, url, server)
                print(f"first sync: {seconds:.1f} s, {requests} requests ({line})")
            seconds, requests, line, _ = timed_sync(cli, diary, url, server)
            print(f"the sync after: {seconds:.3f} s, {requests} requests ({line})")
            quiet = [timed_sync(cli, diary, url, server) for _ in range(5)]
            print(f"nothing changed: median {statistics.median(q[0] for q in quiet):.3f} s, its own CPU "
                  f"{statistics.median(q[3] for q in quiet):.3f} s, requests {[q[1] for q in quiet]} ({quiet[0][2]})")
            phone = caldav.DAVClient(url).calendar(url=url)
            rounds = []
            for n in range(5):
                tag = f"{time.time_ns()}-{n}"
                phone.save_event(event_text(f"telefoon-{tag}@bench", f";VALUE=DATE:202606{10 + n}", f"Nieuw {tag}"))
                subprocess.run([cli, "--file", str(diary), "--today", TODAY, "add", f"2026-07-{10 + n}", f"Hier {tag}"],
                               check=True, capture_output=True)
                rounds.append(timed_sync(cli, diary, url, server))
            print(f"one change on each side: median {statistics.median(r[0] for r in rounds):.3f} s, its own CPU "
                  f"{statistics.median(r[3] for r in rounds):.3f} s, requests {[r[1] for r in rounds]} ({rounds[0][2]})")
            print(f"farm-bench, while a server runs: farm-bench -n 10 -- {cli} --file {diary} --today {TODAY} sync {url}")
        finally:
            server.stop()


if __name__ == "__main__":
    main(*sys.argv[1:])
