#!/usr/bin/env python3
"""jotanor-cli sync against a real CalDAV server (Debian's radicale, on a free
loopback port with a storage folder of its own), with an independent client
(Debian's python3-caldav) changing events between syncs and checking what the
diary put up.

Usage: check_sync.py COMMAND... open|password|windows
  COMMAND:  jotanor-cli, or for the Windows build a runner and jotanor-cli.exe.
  open:     no authentication; two-way changes, conflicts, a kill mid-sync.
  password: a password file on the server; refused access, a URL that is no
            calendar, an unreachable server, HTTPS with a private authority.
  windows:  the Windows program under Wine, as installed: syncs over HTTP and
            HTTPS, and events whose zone only a TZID names imported.
  faults:   a misbehaving server of its own (the class Faulty) instead of radicale.
Exit 77 (skipped) without radicale or python3-caldav."""
import ctypes
import datetime
import hashlib
import http.server
import threading
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request
from pathlib import Path

try:
    import caldav
    import icalendar
    import radicale  # noqa: F401  (only to know it is there)
except ImportError as e:
    print(f"skipped: {e.name} is not installed (apt-get install radicale python3-caldav)")
    sys.exit(77)

sys.path.insert(0, str(Path(__file__).parent))
import memos  # noqa: E402

TODAY = "2026-05-02"
D = datetime.date


def die_with_parent():
    """The server ends when this script does, however it ends (PR_SET_PDEATHSIG)."""
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)


class Radicale:
    """A radicale process for one run; stopped with the run."""

    def __init__(self, folder, users=None, tls=None, port=0):
        self.folder = folder
        with socket.socket() as s:
            s.bind(("127.0.0.1", port))
            self.port = s.getsockname()[1]
        rights = folder / "rights"
        rights.write_text("[all]\nuser: .*\ncollection: .*\npermissions: RrWw\n")
        lines = ["[server]", f"hosts = 127.0.0.1:{self.port}"]
        if tls:
            lines += ["ssl = True", f"certificate = {tls[0]}", f"key = {tls[1]}"]
        lines += ["[auth]"]
        if users:
            (folder / "users").write_text("".join(f"{u}:{p}\n" for u, p in users.items()))
            lines += ["type = htpasswd", f"htpasswd_filename = {folder / 'users'}", "htpasswd_encryption = plain"]
            lines += ["[rights]", "type = owner_only"]
        else:
            lines += ["type = none", "[rights]", "type = from_file", f"file = {rights}"]
        lines += ["[storage]", f"filesystem_folder = {folder / 'collections'}", "[logging]", "level = info"]
        (folder / "config").write_text("\n".join(lines) + "\n")
        self.log = open(folder / "radicale.log", "w")
        self.process = subprocess.Popen(["/usr/bin/python3", "-m", "radicale", "--config", str(folder / "config")],
                                        stdout=self.log, stderr=self.log, preexec_fn=die_with_parent)
        for _ in range(200):
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.05)
        raise RuntimeError("radicale did not start: " + (folder / "radicale.log").read_text())

    def url(self, path, scheme="http"):
        return f"{scheme}://127.0.0.1:{self.port}{path}"

    def make_calendar(self, path, auth=None):
        request = urllib.request.Request(self.url(path), method="MKCALENDAR")
        if auth:
            manager = urllib.request.HTTPPasswordMgrWithDefaultRealm()
            manager.add_password(None, self.url("/"), *auth)
            opener = urllib.request.build_opener(urllib.request.HTTPBasicAuthHandler(manager))
        else:
            opener = urllib.request.build_opener()
        opener.open(request, timeout=10).close()

    def requests(self, method):
        return len(re.findall(rf"\] {method} request for", (self.folder / "radicale.log").read_text()))

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()


class Diary:
    def __init__(self, cli, folder, zone="Europe/Amsterdam"):
        self.cli, self.folder, self.file, self.zone = cli, folder, folder / "jotanor1.mem", zone

    def run(self, *args, env=None, check=0):
        # No zone: the machine's own (Windows does not read zone names from TZ).
        full = {k: v for k, v in os.environ.items() if k not in ("TZ", "JOTANOR_PASSWORD")}
        full.update({"TZ": self.zone} if self.zone else {}, **(env or {}))
        r = subprocess.run([*self.cli, "--today", TODAY, *args], cwd=self.folder, capture_output=True, text=True,
                           env=full, timeout=300)
        if check is not None:
            assert r.returncode == check, f"{args}: status {r.returncode}: {r.stderr}"
        return r

    def sync(self, url, *args, **kw):
        r = self.run("sync", url, *args, **kw)
        assert r.stderr == "", r.stderr  # no progress when standard error is no terminal
        return r.stdout.strip()

    def sync_on_terminal(self, url):
        """The summary, and what a terminal on standard error showed."""
        control, terminal = os.openpty()
        try:
            r = subprocess.run([*self.cli, "--today", TODAY, "sync", url], cwd=self.folder, stdout=subprocess.PIPE,
                               stderr=terminal, text=True, env=dict(os.environ, TZ="Europe/Amsterdam"), timeout=120)
            os.close(terminal)
            shown = b""
            while True:
                try:
                    chunk = os.read(control, 65536)
                except OSError:
                    break
                if not chunk:
                    break
                shown += chunk
        finally:
            os.close(control)
        assert r.returncode == 0, shown
        return r.stdout.strip(), shown.decode()

    def untouched(self):
        """The memo file's and the sync state's times of last change."""
        return [os.stat(self.folder / name).st_mtime_ns for name in ("jotanor1.mem", ".jotanor1.mem.sync")]

    def memos(self):
        return memos.read(self.file)


def summary(up=0, down=0, here=0, there=0, conflicts=0):
    return (f"{up} naar de server, {down} van de server, {here} hier verwijderd, {there} op de server verwijderd, "
            f"{conflicts} {'conflict' if conflicts == 1 else 'conflicten'}")


def event_text(uid, start, title, end=None, location=None, extra=()):
    lines = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//Telefoon//NL", "BEGIN:VEVENT", f"UID:{uid}",
             "DTSTAMP:20260501T000000Z", f"DTSTART{start}", f"SUMMARY:{title}"]
    lines += [f"DTEND{end}"] if end else []
    lines += [f"LOCATION:{location}"] if location else []
    return "\r\n".join(lines + list(extra) + ["END:VEVENT", "END:VCALENDAR", ""])


def events_by_uid(calendar):
    out = {}
    for e in calendar.events():
        c = e.icalendar_component
        out[str(c["UID"])] = e
    return out


def change_summary(event, title):
    event.icalendar_component["SUMMARY"] = icalendar.vText(title)
    event.save()


def exported_uids(diary):
    # Read as text, the lines end in "\n".
    return re.findall(r"^UID:(.*)$", diary.run("export-ics").stdout.replace("\n ", ""), re.M)


def one_event_per_memo(phone, diary):
    uids = [str(e.icalendar_component["UID"]) for e in phone.events()]
    assert len(uids) == len(set(uids)) == len(diary.memos()), (len(uids), len(diary.memos()))
    return {u for u in uids if u.endswith("@jotanor")}


def open_server(cli, folder):
    server = Radicale(folder / "server")
    try:
        server.make_calendar("/dagboek/")
        url = server.url("/dagboek/")
        phone = caldav.DAVClient(url).calendar(url=url)
        diary = Diary(cli, folder / "diary")
        memos.write(diary.file, [(D(2026, 5, 10), "Tandarts", "9:00 Jan bellen"),
                                 (D(2026, 3, 5), "*Verjaardag Éva", "taart, koffie"),
                                 (D(2026, 6, 1), "Kapper", ""),
                                 (D(2026, 5, 3), "Markt", "")])
        phone.save_event(event_text("lunch@telefoon", ";TZID=Europe/Amsterdam:20260520T100000", "Lunch",
                                    ";TZID=Europe/Amsterdam:20260520T110000", "Centrum"))
        phone.save_event(event_text("markt@telefoon", ";VALUE=DATE:20260503", "Markt"))

        # The first sync: every memo up as the export makes it, the phone's
        # lunch down, and the market on both sides paired, not doubled.
        assert diary.sync(url) == summary(up=3, down=1)
        assert (D(2026, 5, 20), "Lunch", "10:00–11:00 Centrum") in diary.memos()
        # The memos put up carry the export's UIDs.
        assert one_event_per_memo(phone, diary) <= set(exported_uids(diary))
        up = events_by_uid(phone)
        assert len(up) == 5 and {"lunch@telefoon", "markt@telefoon"} <= set(up), sorted(up)
        birthday = next(e.icalendar_component for u, e in up.items() if u.startswith("yearly-0305-"))
        assert str(birthday["SUMMARY"]) == "Verjaardag Éva" and str(birthday["DESCRIPTION"]) == "taart, koffie"
        assert birthday.decoded("DTSTART") == D(2026, 3, 5) and birthday["RRULE"] == {"FREQ": ["YEARLY"]}
        assert os.stat(diary.folder / ".jotanor1.mem.sync").st_mode & 0o777 == 0o600
        os.chmod(diary.folder / ".jotanor1.mem.sync", 0o644)
        puts = server.requests("PUT")
        assert diary.sync(url) == summary() and server.requests("PUT") == puts, "a sync after a sync wrote"
        assert os.stat(diary.folder / ".jotanor1.mem.sync").st_mode & 0o777 == 0o600
        # Once the server's token for after those writes is kept, a sync
        # that finds nothing writes no file.
        times = diary.untouched()
        time.sleep(0.01)
        assert diary.sync(url) == summary() and diary.untouched() == times, "a sync that found nothing wrote a file"
        # Neither side changed since: the collection's version says so, and
        # its list of changes is not asked for. A change on either side
        # alone is still found.
        reports = server.requests("REPORT")
        assert diary.sync(url) == summary() and server.requests("REPORT") == reports, "nothing changed, yet listed"
        diary.run("add", "2026-09-01", "Alleen hier")
        assert diary.sync(url) == summary(up=1)
        assert diary.sync(url) == summary()
        phone.save_event(event_text("alleen@telefoon", ";VALUE=DATE:20260902", "Alleen daar"))
        assert diary.sync(url) == summary(down=1)
        assert diary.sync(url) == summary()
        memos.write(diary.file, [m for m in diary.memos() if m[1] != "Alleen hier"])
        assert diary.sync(url) == summary(there=1)

        # One change of each kind on each side; the starred memo moved a year
        # on keeps its UID and is not put up again.
        up = events_by_uid(phone)
        change_summary(up["lunch@telefoon"], "Lunch met Ans")
        next(e for u, e in up.items() if "Kapper" in e.data).delete()
        phone.save_event(event_text("zwemmen@telefoon", ";VALUE=DATE:20260701", "Zwemmen"))
        kept = [m for m in diary.memos() if m[1] not in ("Tandarts", "*Verjaardag Éva")]
        memos.write(diary.file, kept + [(D(2027, 3, 5), "*Verjaardag Éva", "taart, koffie")])
        diary.run("add", "2026-08-01", "Vakantie")
        line, shown = diary.sync_on_terminal(url)
        assert line == summary(up=1, down=2, here=1, there=1), line
        assert "2 van 2 naar de server, nog 0" in shown and "2 van 2 van de server, nog 0" in shown, repr(shown)
        now = diary.memos()
        assert (D(2026, 5, 20), "Lunch met Ans", "10:00–11:00 Centrum") in now and (D(2026, 7, 1), "Zwemmen", "") in now
        assert not any(m[1] in ("Lunch", "Kapper", "Tandarts") for m in now), now
        one_event_per_memo(phone, diary)
        up = events_by_uid(phone)
        assert not any("Tandarts" in e.data for e in up.values())
        assert any("Vakantie" in e.data for e in up.values())
        assert sum(u.startswith("yearly-0305-") for u in up) == 1

        # Conflicts: the lunch changed on both sides keeps both versions; a
        # change wins over a deletion, either way round, and is no conflict.
        up = events_by_uid(phone)
        change_summary(up["lunch@telefoon"], "Lunch met Ans en Piet")
        change_summary(next(e for e in up.values() if "Vakantie" in e.data), "Vakantie Frankrijk")
        up["zwemmen@telefoon"].delete()
        changed = {"Lunch met Ans": "Lunch met Bob", "Zwemmen": "Zwemmen 10:00"}
        memos.write(diary.file, [(d, changed.get(a, a), b) for d, a, b in diary.memos() if a != "Vakantie"])
        assert diary.sync(url) == summary(up=2, down=2, conflicts=1)
        titles = [m[1] for m in diary.memos()]
        for title in ("Lunch met Bob", "Lunch met Ans en Piet", "Zwemmen 10:00", "Vakantie Frankrijk"):
            assert titles.count(title) == 1, (title, titles)
        titles = sorted(str(e.icalendar_component["SUMMARY"]) for e in phone.events())
        for title in ("Lunch met Bob", "Lunch met Ans en Piet", "Zwemmen 10:00", "Vakantie Frankrijk"):
            assert titles.count(title) == 1, (title, titles)
        one_event_per_memo(phone, diary)
        assert diary.sync(url) == summary()

        # A control character in a title comes in as it is. Two syncs at once,
        # five times: one waits for the other, and nothing comes in twice.
        phone.save_event(event_text("stuur@telefoon", ";VALUE=DATE:20260504", "Bel\x07len"))
        for i in range(5):
            phone.save_event(event_text(f"samen{i}@telefoon", ";VALUE=DATE:20260505", f"Samen {i}"))
            diary.run("add", "2026-05-06", f"Hier {i}")
            both = [subprocess.Popen([*cli, "--today", TODAY, "sync", url], cwd=diary.folder, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True) for _ in range(2)]
            outs = sorted((o.strip(), e, p.returncode) for p in both for o, e in [p.communicate(timeout=60)])
            assert outs[0] == (summary(), "", 0) and outs[1] == (summary(up=1, down=1 + (i == 0)), "", 0), outs
        assert any(m[0] == D(2026, 5, 4) and m[1] in ("Bel\x07len", "Bel len") for m in diary.memos())
        # (python3-caldav cannot read that event: it goes, and the diary follows.)
        urllib.request.urlopen(urllib.request.Request(url + "stuur@telefoon.ics", method="DELETE"), timeout=10).close()
        assert diary.sync(url) == summary(here=1)
        one_event_per_memo(phone, diary)

        # Another calendar gets every memo; back on the first, every event
        # pairs again with its memo.
        server.make_calendar("/andere/")
        dated = len(diary.memos())
        assert diary.sync(server.url("/andere")) == summary(up=dated)
        assert diary.sync(url) == summary()
        one_event_per_memo(phone, diary)

        # A kill in the middle of the first sync of many memos: the next sync
        # finishes the work without doubling anything.
        many = diary.memos() + [(D(2027, 1, 1) + datetime.timedelta(days=i), f"Memo {i}", "") for i in range(150)]
        memos.write(diary.file, many)
        before = server.requests("PUT")
        killed = subprocess.Popen([*cli, "--today", TODAY, "sync", url], cwd=diary.folder, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        try:
            for _ in range(600):
                if server.requests("PUT") >= before + 30 or killed.poll() is not None:
                    break
                time.sleep(0.02)
        finally:
            killed.send_signal(signal.SIGKILL)
            killed.wait()
        assert server.requests("PUT") < before + 150, "the sync ended before it could be killed"
        result = diary.sync(url)
        assert re.fullmatch(r"\d+ naar de server, 0 van de server, 0 hier verwijderd, 0 op de server verwijderd, "
                            r"0 conflicten", result), result
        assert len(diary.memos()) == len(many)
        one_event_per_memo(phone, diary)
        assert diary.sync(url) == summary()

        phone_edits(cli, folder, server)
    finally:
        server.stop()


def phone_edits(cli, folder, server):
    """The phone's events edited in the diary keep all a memo does not show, one occurrence
    becomes an override or an exception; with the state gone a UID proves no contents."""
    server.make_calendar("/telefoon/")
    url = server.url("/telefoon/")
    phone = caldav.DAVClient(url).calendar(url=url)
    (folder / "telefoon").mkdir()
    diary = Diary(cli, folder / "telefoon")
    memos.write(diary.file, [(D(2026, 5, 10), "Tandarts", ""), (D(2026, 3, 5), "*Jarig Ans", "")])
    details = ["DESCRIPTION:Agenda\\nPunt 1\\nPunt 2", "ATTENDEE;CN=Jan:mailto:jan@example.org", "CATEGORIES:Werk",
               "BEGIN:VALARM", "ACTION:DISPLAY", "TRIGGER:-PT15M", "DESCRIPTION:Overleg", "END:VALARM"]
    phone.save_event(event_text("overleg@telefoon", ";TZID=Europe/Amsterdam:20260521T140000", "Overleg",
                                ";TZID=Europe/Amsterdam:20260521T153000", "Kantoor", details))
    phone.save_event(event_text("zwemmen@telefoon", ";VALUE=DATE:20260601", "Zwemmen",
                                extra=["RRULE:FREQ=WEEKLY;COUNT=4", "DESCRIPTION:Bad\\nTas mee"]))
    phone.save_event(event_text("lang@telefoon", ";VALUE=DATE:20260602", "Een heel lange titel " * 6))
    assert diary.sync(url) == summary(up=2, down=6) + ", 1 ingekort"  # the long title

    edits = {"Overleg": "Overleg team", "*Jarig Ans": "*Jarig Ans en Piet"}
    memos.write(diary.file, [(d, edits.get(a, a), "Buitenbad" if d == D(2026, 6, 8) else b)
                             for d, a, b in diary.memos() if d != D(2026, 6, 15)])
    assert diary.sync(url) == summary(up=3, there=1)
    events = events_by_uid(phone)
    assert [str(e.icalendar_component["SUMMARY"]) for u, e in events.items() if u.startswith("yearly-")] == ["Jarig Ans en Piet"]
    meeting = events["overleg@telefoon"].icalendar_component
    assert str(meeting["SUMMARY"]) == "Overleg team" and str(meeting["LOCATION"]) == "Kantoor", meeting
    assert meeting["DTSTART"].to_ical() == b"20260521T140000" and meeting["DTSTART"].params["TZID"] == "Europe/Amsterdam"
    assert meeting["DTEND"].to_ical() == b"20260521T153000" and str(meeting["DESCRIPTION"]) == "Agenda\nPunt 1\nPunt 2"
    assert "ATTENDEE" in meeting and "CATEGORIES" in meeting and meeting.walk("VALARM"), meeting.to_ical()
    weekly = icalendar.Calendar.from_ical(events["zwemmen@telefoon"].data).walk("VEVENT")
    shown = [(e["RECURRENCE-ID"].to_ical().decode() if "RECURRENCE-ID" in e else "", str(e["DESCRIPTION"])) for e in weekly]
    assert shown == [("", "Bad\nTas mee"), ("20260608", "Buitenbad\nTas mee")], shown
    assert weekly[0]["EXDATE"].to_ical() == b"20260615", weekly[0].to_ical()
    assert diary.sync(url) == summary()

    # The state gone, the phone's change of the diary's own event arrives and
    # the diary's version stays too; deleting that one leaves the phone's.
    (diary.folder / ".jotanor1.mem.sync").unlink()
    change_summary(next(e for u, e in events_by_uid(phone).items() if u.endswith("@jotanor")), "Tandarts 9:00")
    assert diary.sync(url) == summary(up=1, down=1, conflicts=1) + ", 1 ingekort"
    assert {"Tandarts", "Tandarts 9:00"} <= {m[1] for m in diary.memos()}
    memos.write(diary.file, [m for m in diary.memos() if m[1] != "Tandarts"])
    assert diary.sync(url) == summary(there=1)
    titles = [str(e.icalendar_component["SUMMARY"]) for e in phone.events()]
    assert "Tandarts 9:00" in titles and "Tandarts" not in titles, titles


def authority(folder, name):
    """A self-signed certificate for this machine, its own authority, and its key."""
    tls = (folder / f"{name}.pem", folder / f"{name}.key")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", f"/CN={name}",
                    "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout", str(tls[1]), "-out", str(tls[0])],
                   check=True, capture_output=True, timeout=60)
    return tls


def password_server(cli, folder):
    tls = authority(folder, "127.0.0.1")
    plain = Radicale(folder / "server", users={"anna": "geheim"})
    diary = Diary(cli, folder / "diary")
    memos.write(diary.file, [(D(2026, 5, 10), "Tandarts", "")])
    (folder / "pw").write_text("geheim\n")
    (folder / "fout").write_text("fout\n")
    try:
        plain.make_calendar("/anna/dagboek/", auth=("anna", "geheim"))
        url = plain.url("/anna/dagboek/")
        assert diary.sync(url, "--user", "anna", "--password-file", str(folder / "pw")) == summary(up=1)
        assert diary.sync(url, "--user", "anna", env={"JOTANOR_PASSWORD": "geheim"}) == summary()
        refused = [
            ((url, "--user", "anna", "--password-file", str(folder / "fout")), "401"),
            ((url,), "401"),
            ((plain.url("/anna/"), "--user", "anna", "--password-file", str(folder / "pw")), "geen CalDAV-agenda"),
            ((plain.url("/anna/elders/"), "--user", "anna", "--password-file", str(folder / "pw")), "geen CalDAV-agenda"),
        ]
        for args, reason in refused:
            r = diary.run("sync", *args, check=1)
            assert reason in r.stderr and r.stdout == "", (args, r.stderr)
        # A diary that synced and is gone is not made anew: that would
        # delete every event on the server.
        diary.file.rename(diary.folder / "weg.mem")
        r = diary.run("sync", url, "--user", "anna", "--password-file", str(folder / "pw"), check=1)
        assert "is er niet meer" in r.stderr and not diary.file.exists(), r.stderr
        (diary.folder / "weg.mem").rename(diary.file)
        assert "geheim" not in (diary.folder / ".jotanor1.mem.sync").read_text()
    finally:
        plain.stop()
    r = diary.run("sync", url, check=1)
    assert "niet bereikbaar: hij weigert de verbinding" in r.stderr and "onnect" not in r.stderr, r.stderr

    secure = Radicale(folder / "server", users={"anna": "geheim"}, tls=tls)
    try:
        url = secure.url("/anna/dagboek/", "https")
        r = diary.run("sync", url, "--user", "anna", "--password-file", str(folder / "pw"), check=1)
        assert "certificaat van " + url[:url.index("/anna")] + " wordt geweigerd" in r.stderr and "SSL" not in r.stderr, r.stderr
        ca = ("--ca-file", str(tls[0]))
        assert diary.sync(url, "--user", "anna", "--password-file", str(folder / "pw"), *ca) == summary()
    finally:
        secure.stop()


def windows_program(cli, folder):
    diary = Diary(cli, folder / "diary", zone=None)
    memos.write(diary.file, [(D(2026, 5, 10), "Tandarts", "Jan bellen"), (D(2026, 3, 5), "*Verjaardag Éva", "")])
    plain = Radicale(folder / "server")
    try:
        plain.make_calendar("/dagboek/")
        plain.make_calendar("/beveiligd/")
        url = plain.url("/dagboek/")
        phone = caldav.DAVClient(url).calendar(url=url)
        phone.save_event(event_text("markt@telefoon", ";VALUE=DATE:20260503", "Markt"))
        assert diary.sync(url) == summary(up=2, down=1)
        assert (D(2026, 5, 3), "Markt", "") in diary.memos()
        one_event_per_memo(phone, diary)
        assert diary.sync(url) == summary()
    finally:
        plain.stop()

    # Only the authority given counts. (Without --ca-file Windows checks
    # against its own root store; Wine's TLS layer lets anything through then.)
    secure = Radicale(folder / "server", tls=authority(folder, "localhost"))
    try:
        url = f"https://localhost:{secure.port}/beveiligd/"
        r = diary.run("sync", url, "--ca-file", str(authority(folder, "elders")[0]), check=1)
        assert "certificaat" in r.stderr, r.stderr
        assert diary.sync(url, "--ca-file", str(folder / "localhost.pem")) == summary(up=3)
    finally:
        secure.stop()

    # A zone named by TZID alone comes from the zone data installed with the
    # program: 9:00 in New York is the moment of the UTC time beside it, in
    # winter and in summer, on whatever clock the machine keeps.
    events = [("ny-winter", ";TZID=America/New_York:20260115T090000"), ("utc-winter", ":20260115T140000Z"),
              ("ny-summer", ";TZID=America/New_York:20260715T090000"), ("utc-summer", ":20260715T130000Z")]
    (diary.folder / "zones.ics").write_text("".join(event_text(uid, start, uid) for uid, start in events), newline="")
    assert diary.run("import-ics", "zones.ics").stdout == "4 memo's toegevoegd, 0 al aanwezig, 0 overgeslagen\n"
    shown = {title: (date, line2) for date, title, line2 in diary.memos()}
    assert shown["ny-winter"] == shown["utc-winter"] and shown["ny-summer"] == shown["utc-summer"], shown


class Faulty(http.server.BaseHTTPRequestHandler):
    """A calendar at /cal/ (href: [etag, data]), and /trickle/, /huge/, /repeat/, /moved/, /bearer/ that misbehave;
    /churn/ gives a new ETag with every answer; a PUT of "Weiger" is refused (400)."""
    events, hidden, tokens, fetched, after_listing, asked, writes, churned = {}, {}, [], [], [], [], [], [0]
    log_message = handle_error = (lambda *a: None)

    def send(self, status, body=b"", **headers):
        self.send_response(status)
        for k, v in dict(headers, **{"Content-Length": str(len(body))}).items():
            self.send_header(k.replace("_", "-"), v)
        self.end_headers()
        self.wfile.write(body)

    def etag(self, href):
        if self.path.startswith("/churn/") and href in self.events:
            self.churned[0] += 1
            self.events[href][0] = f'"c{self.churned[0]}"'
        return self.events.get(href, ('', ''))

    def multistatus(self, hrefs, props, tail=""):
        out = "".join(f"<d:response><d:href>{h}</d:href><d:propstat><d:prop>{props(*self.etag(h))}"
                      "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>" for h in hrefs)
        return f'<d:multistatus xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:caldav">{out}{tail}</d:multistatus>'.encode()

    def do_PROPFIND(self):
        self.asked.append((self.path, self.headers.get("Authorization")))
        if self.path.startswith("/bearer/"):
            return self.send(401, WWW_Authenticate="Bearer")
        if self.path.startswith("/digest/"):  # only Digest (anna, geheim); then 403
            a = {k: v.strip('"') for k, v in re.findall(r'(\w+)=("[^"]*"|[^,\s]*)', self.headers.get("Authorization", ""))}
            h = lambda *p: hashlib.md5(":".join(p).encode()).hexdigest()  # noqa: E731
            ok = a.get("response") == h(h("anna", "r", "geheim"), "n", *(a.get(k, "") for k in ("nc", "cnonce", "qop")),
                                         h("PROPFIND", a.get("uri", "")))
            return self.send(403) if ok else self.send(401, WWW_Authenticate='Digest realm="r", nonce="n", qop="auth"')
        if self.path.startswith("/elders/"):
            return self.send(302, Location="/cal/\x1b]0;weg\x07")
        if self.path.startswith("/moved/"):  # once the client gives its credentials
            return self.send(301, Location="/cal/") if "Authorization" in self.headers else self.send(401, WWW_Authenticate="Basic")
        body = self.multistatus([self.path], lambda *_: "<d:resourcetype><c:calendar/></d:resourcetype>")
        if self.path.startswith("/trickle/"):
            self.send_response(207), self.end_headers()
            for i in range(0, len(body), 2):
                self.wfile.write(body[i:i + 2]), self.wfile.flush(), time.sleep(1)
        self.send(207, body)

    def do_REPORT(self):
        asked = self.rfile.read(int(self.headers["Content-Length"])).decode()
        if "sync-collection" in asked:
            self.tokens.append(re.search("<d:sync-token>(.*)</d:sync-token>", asked)[1])
            if self.path == "/huge/":
                self.send_response(207), self.end_headers()
                while self.wfile.write(b"<d:response>" * 100000):
                    pass
            hrefs = list(self.events) * (3000 if self.path == "/repeat/" else 1)
            self.send(207, self.multistatus(hrefs, lambda e, _: f"<d:getetag>{e}</d:getetag>",
                                            f"<d:sync-token>t{len(self.tokens)}</d:sync-token>"))
            while self.after_listing:
                self.after_listing.pop()()
        else:
            self.fetched += map(urllib.parse.unquote, re.findall("<d:href>(.*?)</d:href>", asked))
            self.send(207, self.multistatus(self.fetched[-asked.count("<d:href>"):], lambda e, d:
                                            f"<d:getetag>{e}</d:getetag><c:calendar-data>{d}</c:calendar-data>"))

    def do_PUT(self):
        data, path = self.rfile.read(int(self.headers["Content-Length"])).decode(), urllib.parse.unquote(self.path)
        self.writes.append(("PUT", path, data))
        if (path in self.events or path in self.hidden) and self.headers.get("If-None-Match") == "*":
            return self.send(412)
        if path in self.events and self.headers.get("If-Match", self.events[path][0]) != self.events[path][0]:
            return self.send(412)
        if "Weiger" in data:
            return self.send(400)
        self.churned[0] += 1
        etag = f'"c{self.churned[0]}"' if path.startswith("/churn/") else '"new"'
        (self.hidden if path in self.hidden else self.events)[path] = [etag, data]
        self.send(201, ETag=etag)

    def do_DELETE(self):
        path = urllib.parse.unquote(self.path)
        self.writes.append(("DELETE", path, ""))
        changed = self.headers.get("If-Match", self.events[path][0]) != self.events[path][0]
        self.send(412) if changed else (self.events.pop(path), self.send(204))


def faulty_server(cli, folder):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Faulty)
    server.handle_error = Faulty.handle_error  # the client hangs up on the trickle
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f"http://127.0.0.1:{server.server_address[1]}"
    diary = Diary(cli, folder / "diary")
    try:
        memos.write(diary.file, [(D(2026, 5, 10), "Tandarts", "")])
        uid = exported_uids(diary)[0]
        Faulty.events.update({"/cal/a.ics": ['"1"', event_text("a", ";VALUE=DATE:20260503", "Markt")],
                              "/cal/b.ics": ['"1"', "geen agenda"]})
        Faulty.hidden[f"/cal/{uid}.ics"] = ['"1"', "van de telefoon"]  # put up after the listing
        # The unreadable event and the memo whose address was taken meanwhile
        # are named, the rest synced, and the status says so.
        r = diary.run("sync", url + "/cal/", check=3)
        assert r.stdout.strip() == summary(down=1), r.stdout
        assert "/cal/b.ics overgeslagen" in r.stderr and "'Tandarts'" in r.stderr and "412" in r.stderr, r.stderr
        assert Faulty.hidden[f"/cal/{uid}.ics"][1] == "van de telefoon"
        del Faulty.events["/cal/b.ics"], Faulty.hidden[f"/cal/{uid}.ics"]
        assert diary.sync(url + "/cal/") == summary(up=1)
        # The token given is sent back; an event the phone changes between
        # the listing and the deletion stays.
        memos.write(diary.file, [m for m in diary.memos() if m[1] != "Markt"])
        Faulty.after_listing.append(lambda: Faulty.events.__setitem__("/cal/a.ics", ['"2"', event_text("a", ";VALUE=DATE:20260503", "Markt 8:00")]))
        r = diary.run("sync", url + "/cal/", check=3)
        assert Faulty.tokens[-1] == "t2" and "/cal/a.ics" in Faulty.events and "412" in r.stderr, (Faulty.tokens, r)
        # An address listed 3,000 times is fetched once; bounds in time and size.
        os.remove(diary.folder / ".jotanor1.mem.sync")
        Faulty.fetched.clear()
        diary.run("sync", url + "/repeat/", check=None)
        assert len(set(Faulty.fetched)) == len(Faulty.fetched) == 2, len(Faulty.fetched)
        # A server that gives no version of its collection is listed every time.
        listed = len(Faulty.tokens)
        for _ in range(2):
            diary.run("sync", url + "/repeat/", check=None)
        assert len(Faulty.tokens) == listed + 2, Faulty.tokens
        for path, args, said in [("/trickle/", ("--max-time", "3"), "langer dan 3 seconden"),
                                 ("/bearer/", (), "aanmelding met bearer, wat jotanor-cli niet kan"),
                                 ("/digest/", (), "weigert de toegang tot"),
                                 ("/huge/", (), "groter dan 64 MB"), ("/moved/", (), f"door naar {url}/cal/ (301)"),
                                 ("/elders/", (), f"door naar {url}/cal/^[]0;weg^G (302)")]:
            r = diary.run("sync", url + path, "--user", "anna", *args, env={"JOTANOR_PASSWORD": "geheim"}, check=1)
            assert said in r.stderr and "geheim" not in r.stderr and not raw_controls(r.stderr), r.stderr
        assert ("/moved/", "Basic YW5uYTpnZWhlaW0=") in Faulty.asked  # anna:geheim
        # A sync that runs long keeps a second one of the same diary out.
        first = subprocess.Popen([*cli, "sync", url + "/trickle/", "--max-time", "15"], cwd=diary.folder, stderr=subprocess.DEVNULL)
        while Faulty.asked[-1][0] != "/trickle/":
            time.sleep(0.05)
        r = diary.run("sync", url + "/cal/", check=1)
        assert "er loopt al een sync van" in r.stderr and first.wait(timeout=60) == 1, r.stderr
        assert "geheim" not in (diary.folder / ".jotanor1.mem.sync").read_text()
        hostile_writes(cli, folder, url)
    finally:
        server.shutdown()


def raw_controls(text):
    return re.search("[\x00-\x09\x0b-\x1f\x7f\x80-\x9f]", text)


def hostile_writes(cli, folder, url):
    """Each in a diary of its own: every edit is sent or told, one refused write stops nothing else, what the server
    chose is shown as the list shows text, and a memo file that is not whole deletes nothing."""
    def fresh(name, *memo_list):
        Faulty.events.clear()
        (folder / name).mkdir()
        diary = Diary(cli, folder / name)
        memos.write(diary.file, memo_list, ordered=False)
        return diary

    # One refused PUT: named, the memo behind it goes up, tried again next
    # time; a memo without a calendar day is never offered.
    diary = fresh("weiger", (D(2026, 5, 10), "Weiger mij", ""), (D(2026, 5, 11), "Daarna", ""), (float("nan"), "Zonder dag", ""))
    for attempt in range(2):
        Faulty.writes.clear()
        r = diary.run("sync", url + "/cal/", check=3)
        assert r.stdout.strip() == summary(up=1 - attempt) and "'Weiger mij'" in r.stderr and "(400)" in r.stderr, r
        assert [d.count("Weiger") for _, _, d in Faulty.writes] == [1] + [0] * (1 - attempt), Faulty.writes
    assert not any("Zonder dag" in d for e, d in Faulty.events.values())
    memos.write(diary.file, [(D(2026, 5, 10), "Nu goed", ""), (D(2026, 5, 11), "Daarna", "")])
    assert diary.sync(url + "/cal/") == summary(up=1)

    # An ETag that changes with every answer: the edit is sent, once.
    diary = fresh("churn", (D(2026, 5, 4), "Kaas", ""))
    Faulty.events["/churn/m.ics"] = ['"c0"', event_text("m", ";VALUE=DATE:20260503", "Markt")]
    assert diary.sync(url + "/churn/") == summary(up=1, down=1)
    memos.write(diary.file, [(D(2026, 5, 3), "Markt 9:00", "")] + [m for m in diary.memos() if m[1] == "Kaas"])
    assert diary.sync(url + "/churn/") == summary(up=1) and "SUMMARY:Markt 9:00" in Faulty.events["/churn/m.ics"][1]
    assert diary.sync(url + "/churn/") == summary()
    # An empty diary where the last sync saw memos deletes nothing, unless asked.
    memos.write(diary.file, [])
    Faulty.writes.clear()
    r = diary.run("sync", url + "/churn/", check=1)
    assert "is leeg" in r.stderr and "--allow-empty" in r.stderr and not Faulty.writes, r.stderr
    assert diary.sync(url + "/churn/", "--allow-empty") == summary(there=2) and not Faulty.events

    # Control characters in an address and a title the server chose.
    diary = fresh("stuur", (D(2026, 5, 4), "Kaas", ""))
    Faulty.events["/cal/\x1b[31mrood\x07.ics"] = ['"1"', "geen agenda"]
    Faulty.events["/cal/z.ics"] = ['"1"', event_text("z", ";VALUE=DATE:20260503", "x").replace(
        "DTSTART;VALUE=DATE:20260503\r\nSUMMARY:x", "SUMMARY:Ver\x1b]0;weg\x07")]
    r = diary.run("sync", url + "/cal/", check=3)
    assert "afspraak /cal/^[[31mrood^G.ics overgeslagen" in r.stderr and '"Ver^[]0;weg^G"' in r.stdout, r
    assert not raw_controls(r.stdout + r.stderr), r

    # A synced event changed into what cannot be read (no calendar, over
    # 4 MB) is skipped and named each sync, from the same token; its memo
    # stays. A delete here and the phone's edit: the edit comes back.
    diary = fresh("onleesbaar", (D(2026, 5, 4), "Kaas", ""))
    Faulty.events["/cal/m.ics"] = ['"1"', event_text("m", ";VALUE=DATE:20260503", "Markt")]
    assert diary.sync(url + "/cal/") == summary(up=1, down=1)
    big = event_text("m", ";VALUE=DATE:20260503", "Markt", extra=["DESCRIPTION:" + "x" * 5_000_000])
    for etag, data in (('"2"', "geen agenda"), ('"3"', big)):
        Faulty.events["/cal/m.ics"] = [etag, data]
        for _ in range(2):
            r = diary.run("sync", url + "/cal/", check=3)
            assert "afspraak /cal/m.ics overgeslagen" in r.stderr and (D(2026, 5, 3), "Markt", "") in diary.memos(), r
        assert Faulty.tokens[-1] == Faulty.tokens[-2], Faulty.tokens
    Faulty.events["/cal/m.ics"] = ['"4"', event_text("m", ";VALUE=DATE:20260503", "Markt 8:00")]
    memos.write(diary.file, [m for m in diary.memos() if m[1] != "Markt"])
    assert diary.sync(url + "/cal/") == summary(down=1)
    assert (D(2026, 5, 3), "Markt 8:00", "") in diary.memos()

    # A memo file cut off in a memo, or out of date order: stopped, the
    # server untouched; whole again, nothing to do.
    whole = diary.file.read_bytes()
    Faulty.writes.clear()
    for damaged in (whole[:-100], whole[212:] + whole[:212]):
        diary.file.write_bytes(damaged)
        r = diary.run("sync", url + "/cal/", check=1)
        assert "is niet heel" in r.stderr and not Faulty.writes, r.stderr
    diary.file.write_bytes(whole)
    assert diary.sync(url + "/cal/") == summary()


def main(cli, mode):
    with tempfile.TemporaryDirectory() as name:
        folder = Path(name)
        for sub in ("server", "diary"):
            (folder / sub).mkdir(exist_ok=True)
        dict(open=open_server, password=password_server, windows=windows_program, faults=faulty_server)[mode](cli, folder)
    print(f"ok: {mode}")


if __name__ == "__main__":
    main(sys.argv[1:-1], sys.argv[-1])
