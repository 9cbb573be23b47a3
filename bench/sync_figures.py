#!/usr/bin/env python3
"""Sync figures on a diary of 5,000 memos (ten busy years) against radicale
on loopback: the first sync's time and requests, a sync with nothing changed,
and a sync with one change on each side (five rounds, the median).

Usage: sync_figures.py PATH-TO-jotanor-cli [FOLDER]
With FOLDER the server and the diary stay there afterwards (the server is
stopped), for timing the nothing-changed sync with farm-bench:
  farm-bench -n 10 -- jotanor-cli --file FOLDER/diary/jotanor1.mem sync URL
needs the server running again: see the printed command."""
import datetime
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
    before = server.requests_total()
    started = time.monotonic()
    r = subprocess.run([cli, "--file", str(diary), "--today", TODAY, "sync", url], capture_output=True, text=True,
                       timeout=3600)
    seconds = time.monotonic() - started
    assert r.returncode == 0, r.stderr
    return seconds, server.requests_total() - before, r.stdout.strip()


def main(cli, keep=None):
    with tempfile.TemporaryDirectory() as name:
        folder = Path(keep or name)
        (folder / "server").mkdir(parents=True, exist_ok=True)
        (folder / "diary").mkdir(exist_ok=True)
        server = Radicale(folder / "server")
        server.requests_total = lambda: sum(server.requests(m) for m in ("PROPFIND", "REPORT", "PUT", "DELETE", "GET"))
        try:
            server.make_calendar("/dagboek/")
            url = server.url("/dagboek/")
            diary = folder / "diary" / "jotanor1.mem"
            memos.write(diary, ten_busy_years())
            seconds, requests, line = timed_sync(cli, diary, url, server)
            print(f"first sync: {seconds:.1f} s, {requests} requests ({line})")
            seconds, requests, line = timed_sync(cli, diary, url, server)
            print(f"second sync: {seconds:.3f} s, {requests} requests ({line})")
            quiet = [timed_sync(cli, diary, url, server) for _ in range(5)]
            print(f"nothing changed: median {statistics.median(q[0] for q in quiet):.3f} s, "
                  f"{quiet[0][1]} requests ({quiet[0][2]})")
            phone = caldav.DAVClient(url).calendar(url=url)
            rounds = []
            for n in range(5):
                phone.save_event(event_text(f"telefoon-{n}@bench", f";VALUE=DATE:202606{10 + n}", f"Nieuw {n}"))
                subprocess.run([cli, "--file", str(diary), "--today", TODAY, "add", f"2026-07-{10 + n}", f"Hier {n}"],
                               check=True, capture_output=True)
                rounds.append(timed_sync(cli, diary, url, server))
            print(f"one change on each side: median {statistics.median(r[0] for r in rounds):.3f} s, "
                  f"requests {[r[1] for r in rounds]} ({rounds[0][2]})")
            print(f"farm-bench, while a server runs: farm-bench -n 10 -- {cli} --file {diary} --today {TODAY} sync {url}")
        finally:
            server.stop()


if __name__ == "__main__":
    main(*sys.argv[1:])
