#!/usr/bin/env python3
"""The window's calendar commands on Xvfb, driven with xdotool: the account
entered, its password into a Secret Service of the test's own (gnome-keyring
on a session bus of its own); an event of another client (python3-caldav) in
the diary and in the list (read as a screen reader reads it, over AT-SPI)
after "Nu synchroniseren", and gone from both after a sync that deletes it; a
memo entered just before closing on the server through the sync at close;
then a start with sync at start on and the server stopped: the window at
once, no box. Usage: check_window_sync.py JOTANOR
[SHOTS-FOLDER]; exit 77 (skipped) when a tool is missing.

With --wine WINE PROGRAM FOLDER [SHOTS-FOLDER], the installed Windows program
in the Wine prefix and on the display the caller set up (WINEPREFIX, DISPLAY),
with the diary in FOLDER: the password into Wine's Credential Manager, in no
file of the prefix; a second start syncs without asking for it."""
import datetime
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "cli"))

try:
    import caldav
    import check_sync  # its radicale
    import memos
    WINE = sys.argv[1] == "--wine"
    tools = ("xdotool",) if WINE else ("Xvfb", "xdotool", "dbus-daemon", "gnome-keyring-daemon", "secret-tool")
    missing = [t for t in tools if not shutil.which(t)]
except ImportError as e:
    missing = [e.name]
if missing:
    sys.exit(print(f"skipped: not installed: {' '.join(missing)}") or 77)

if WINE:
    JOTANOR, WORK = ["timeout", "-k", "5", "300", *sys.argv[2:4]], Path(sys.argv[4])
    SHOTS = Path(sys.argv[5]) if len(sys.argv) > 5 else None
else:
    JOTANOR, WORK = [str(Path(sys.argv[1]).resolve())], None
    SHOTS = Path(sys.argv[2]) if len(sys.argv) > 2 else None
USER, PASSWORD = "anna", "geheim-wachtwoord"
TODAY = datetime.date.today()
children = []


def start(argv, env, **kw):
    p = subprocess.Popen(argv, env=env, start_new_session=True, **kw)
    children.append(p)
    return p


def end(p):
    if p.poll() is None:
        os.killpg(p.pid, signal.SIGKILL)
        p.wait()


def wait_until(ready, what, timeout=40):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if ready():
            return
        time.sleep(0.1)
    raise AssertionError(f"timed out waiting for {what}")


def reporting(argv, env):
    """A daemon's line, written to the descriptor "{fd}" in its arguments names."""
    read, write = os.pipe()
    p = start([a.replace("{fd}", str(write)) for a in argv], env, pass_fds=(write,), stdout=subprocess.DEVNULL,
              stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        return p, f.readline().strip()


class Desktop:
    def __init__(self, folder=None):
        if folder is None:  # the caller's display
            self.env = dict(os.environ)
            return
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("DBUS_", "XDG_", "QT_"))}
        _, number = reporting(["Xvfb", "-displayfd", "{fd}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                              self.env)
        # A session bus of its own, that starts no service of the machine's.
        run = folder / "run"
        run.mkdir(mode=0o700, parents=True)
        (folder / "services").mkdir()
        # Only the accessibility bus, through which the list is read.
        shutil.copy("/usr/share/dbus-1/services/org.a11y.Bus.service", folder / "services")
        (folder / "bus.conf").write_text(
            '<busconfig><type>session</type>'
            f'<listen>unix:dir={run}</listen><servicedir>{folder / "services"}</servicedir>'
            '<auth>EXTERNAL</auth><policy context="default"><allow send_destination="*" eavesdrop="true"/>'
            '<allow eavesdrop="true"/><allow own="*"/></policy></busconfig>\n')
        _, address = reporting(["dbus-daemon", "--config-file", str(folder / "bus.conf"), "--nofork",
                                "--print-address={fd}"], self.env)
        self.env.update(DISPLAY=f":{number}", DBUS_SESSION_BUS_ADDRESS=address, XDG_RUNTIME_DIR=str(run),
                        XDG_DATA_HOME=str(folder / "data"), HOME=str(folder), QT_QPA_PLATFORM="xcb",
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        # The keyring folder of its own, its login keyring made and unlocked
        # with a password given on standard input.
        keyring = start(["gnome-keyring-daemon", "--unlock", "--components=secrets", "--foreground"], self.env,
                        stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        keyring.stdin.write(b"keyring-van-de-test")
        keyring.stdin.close()
        wait_until(lambda: (folder / "data" / "keyrings").is_dir(), "the keyring")

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=20).stdout

    def window(self, title, timeout=40):
        found = []
        wait_until(lambda: found.extend(self.xdotool("search", "--onlyvisible", "--name", title).split()) or found,
                   f'the window "{title}"', timeout)
        return found[0]

    def gone(self, title):
        return not self.xdotool("search", "--onlyvisible", "--name", title).split()

    def keys(self, *keys, to=None):
        self.focus(to)
        self.xdotool("key", "--delay", "80" if to else "60", *keys)

    def type(self, text, to=None):
        self.focus(to)
        self.xdotool("type", "--delay", "80" if to else "30", text)

    def focus(self, window):
        """Under Wine keys go where the focus is put, as no window manager puts it."""
        if window:
            self.xdotool("windowfocus", window)
            time.sleep(0.3)

    def shot(self, name):
        if SHOTS and (SHOTS.mkdir(parents=True, exist_ok=True) or True):
            subprocess.run(["import", "-window", "root", str(SHOTS / name)], env=self.env, timeout=30)

    def secret(self):
        r = subprocess.run(["secret-tool", "search", "--all", "server", "Jotanor"], env=self.env,
                           capture_output=True, text=True, timeout=20)
        return r.stdout + r.stderr


def program(desktop, work, log):
    with open(log, "a") as out:
        return start(JOTANOR, desktop.env, cwd=work, stdout=out, stderr=out)


def memo_lines(work):
    return [m[1] for m in memos.read(work / "jotanor1.mem")]


def event(uid, day, title):
    return (f"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:{uid}\r\n"
            f"DTSTAMP:20260101T000000Z\r\nDTSTART;VALUE=DATE:{day:%Y%m%d}\r\nSUMMARY:{title}\r\n"
            "END:VEVENT\r\nEND:VCALENDAR\r\n")


def server_and_diary(tmp, work):
    """The server with the account's calendar, the other client on it, and a
    diary of enough memos that the first upload shows its progress a while."""
    (tmp / "server").mkdir()
    server = check_sync.Radicale(tmp / "server", users={USER: PASSWORD})
    url = server.url(f"/{USER}/dagboek/")
    server.make_calendar(f"/{USER}/dagboek/", auth=(USER, PASSWORD))
    peer = caldav.DAVClient(url, username=USER, password=PASSWORD).calendar(url=url)
    memos.write(work / "jotanor1.mem",
                [(TODAY + datetime.timedelta(days=i % 300), f"Memo {i}", "") for i in range(150)])
    return server, url, peer


def enter_account(desktop, main_window, url, focus=False, at_close=False):
    """Through the Agenda menu: address, user, password, sync at start (and
    at close), tried; with focus, each window focused before its keys."""
    desktop.keys("alt+a", "a", to=main_window if focus else None)
    dialog = desktop.window("^Agenda-account$")
    desktop.type(f"{url}\t{USER}\t{PASSWORD}", to=dialog if focus else None)
    desktop.keys("alt+t", *(["alt+l"] if at_close else []), "alt+p", to=dialog if focus else None)
    return dialog


def listed(desktop, jotanor):
    """The memos of the window's list, as a screen reader reads them."""
    tree = subprocess.run(["/usr/bin/python3", str(HERE / "atspi_tree.py"), str(jotanor.pid), "^Jotanor versie"],
                          env=desktop.env, capture_output=True, text=True, timeout=30).stdout
    return [line.split(" | ")[1] for line in tree.splitlines() if line.strip().startswith("list item |")]


def wine_main():
    """The installed Windows program under Wine; see the module's text."""
    WORK.mkdir(parents=True, exist_ok=True)
    wine = JOTANOR[-2:-1]
    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(tmp)
        log = tmp / "jotanor.log"
        server, url, peer = server_and_diary(tmp, WORK)
        desktop = Desktop()
        try:
            jotanor = program(desktop, WORK, log)
            main_window = desktop.window("^Jotanor versie", timeout=120)
            dialog = enter_account(desktop, main_window, url, focus=True)
            wait_until(lambda: server.requests("PROPFIND") > 0, "the account tried")
            time.sleep(2)  # the answer shown
            desktop.shot("windows-account-dialog.png")
            desktop.keys("Return", to=dialog)
            # The dialog goes before the program writes the account's side file.
            side = WORK / "jotnor-agenda.cfg"
            wait_until(lambda: side.exists() and "sync-bij-start=ja" in side.read_text(), "the account's side file")
            assert f"adres={url}\n" in side.read_text(), side.read_text()
            kept = subprocess.run([*wine, "reg", "query", r"HKCU\Software\Wine\Credential Manager", "/s"],
                                  env=desktop.env, capture_output=True, text=True, timeout=120).stdout
            assert "Jotanor/" in kept, f"no password in the Credential Manager: {kept}"

            day = TODAY + datetime.timedelta(days=2)
            peer.save_event(event("telefoon-1", day, "Afspraak van de telefoon"))
            desktop.keys("alt+a", "n", to=main_window)
            wait_until(lambda: server.requests("PUT") >= 10, "the upload under way", 120)
            desktop.shot("windows-sync-progress.png")
            wait_until(lambda: quiet(desktop) and "Afspraak van de telefoon" in memo_lines(WORK),
                       "the event in the memo file", 180)
            wanted = {f"Memo {i}" for i in range(150)}
            wait_until(lambda: quiet(desktop) and wanted <= set(summaries(peer)), "the memos on the server", 180)
            desktop.keys("Escape", to=main_window)
            assert jotanor.wait(timeout=60) == 0, "the program did not end well"

            # The password in no file of the prefix or the home, in either encoding.
            for root in (os.environ["WINEPREFIX"], os.environ["HOME"]):
                for folder, _, names in os.walk(root):
                    for name in names:
                        path = Path(folder, name)
                        if path.is_file() and not path.is_symlink():
                            data = path.read_bytes()
                            for form in (PASSWORD.encode(), PASSWORD.encode("utf-16-le")):
                                assert form not in data, f"the password in {path}"

            # A second start syncs at once, with the password kept, without asking.
            peer.save_event(event("telefoon-2", day, "Tweede afspraak"))
            jotanor = program(desktop, WORK, log)
            main_window = desktop.window("^Jotanor versie", timeout=120)

            wait_until(lambda: quiet(desktop) and "Tweede afspraak" in memo_lines(WORK), "the second start's sync", 120)
            desktop.keys("Escape", to=main_window)
            assert jotanor.wait(timeout=60) == 0, "the program did not end well"
            print("ok: the installed program synced under Wine")
        except AssertionError:
            print("the program said:\n" + (log.read_text(errors="replace") if log.exists() else ""))
            raise
        finally:
            for p in reversed(children):
                end(p)
            server.stop()


def quiet(desktop):
    """No box, and no question for the password."""
    assert desktop.gone("^(Wachtwoord|Error|Warning|Information)$"), "a box or a question during the sync"
    return True


def summaries(calendar):
    return [line[8:] for e in calendar.events() for line in e.data.splitlines() if line.startswith("SUMMARY:")]


def main():
    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(tmp)
        work = tmp / "work"
        work.mkdir()
        server, url, peer = server_and_diary(tmp, work)
        desktop = Desktop(tmp / "desktop")
        log = tmp / "jotanor.log"
        try:
            jotanor = program(desktop, work, log)
            main_window = desktop.window("^Jotanor versie")

            # The account, with the password into the Secret Service.
            enter_account(desktop, main_window, url, at_close=True)
            time.sleep(1.5)
            desktop.shot("account-dialog.png")
            desktop.keys("Return")
            wait_until(lambda: (work / "jotnor-agenda.cfg").exists(), "the account's side file")
            side = (work / "jotnor-agenda.cfg").read_text()
            assert f"adres={url}\n" in side and "sync-bij-start=ja" in side and PASSWORD not in side, side
            assert "sync-bij-sluiten=ja" in side, side
            assert f"secret = {PASSWORD}" in desktop.secret(), desktop.secret()

            # An event from the other client comes in with "Nu synchroniseren".
            day = TODAY + datetime.timedelta(days=2)
            peer.save_event(event("telefoon-1", day, "Afspraak van de telefoon"))
            desktop.xdotool("windowfocus", main_window)
            desktop.keys("alt+a", "n")
            time.sleep(0.8)
            desktop.shot("sync-progress.png")
            desktop.keys("alt+s")  # "Stoppen": the next sync goes on from there
            time.sleep(2)
            assert len(peer.events()) < 150, "the sync did not stop"
            desktop.keys("alt+a", "n")
            wait_until(lambda: "Afspraak van de telefoon" in memo_lines(work), "the event in the memo file", 120)
            # Every memo up once (150 and the feast days), and the event itself.
            wait_until(lambda: len(peer.events()) == 163, "the memos on the server", 120)
            # The list shows it, redrawn after the sync.
            wait_until(lambda: any("Afspraak van de telefoon" in m for m in listed(desktop, jotanor)),
                       "the event in the window's list", 30)
            time.sleep(1.5)
            desktop.shot("after-sync.png")

            # Deleted by the other client, gone from the diary and the list.
            peer.event_by_uid("telefoon-1").delete()
            desktop.xdotool("windowfocus", main_window)
            desktop.keys("alt+a", "n")
            wait_until(lambda: "Afspraak van de telefoon" not in memo_lines(work), "the memo deleted here", 60)
            wait_until(lambda: not any("Afspraak van de telefoon" in m for m in listed(desktop, jotanor)),
                       "the memo gone from the window's list", 30)
            assert any("Memo 0" in m for m in listed(desktop, jotanor)), listed(desktop, jotanor)

            # A memo entered just before closing reaches the server with the
            # sync at close.
            desktop.xdotool("windowfocus", main_window)
            desktop.keys("i")
            desktop.window("^Kalender$")
            desktop.keys("i")
            desktop.window("^Invoer van een record$")
            desktop.type("Kapper 9 uur")
            desktop.keys("Return")
            wait_until(lambda: "Kapper 9 uur" in memo_lines(work), "the memo in the memo file")
            desktop.xdotool("windowfocus", main_window)
            desktop.keys("Escape")
            assert jotanor.wait(timeout=40) == 0, "the program did not end well"
            assert any("Kapper 9 uur" in e.data for e in peer.events()), "the sync at close did not take the memo up"

            # Sync at start with the server gone: the window at once, no box.
            server.stop()
            began = time.monotonic()
            jotanor = program(desktop, work, log)
            desktop.window("^Jotanor versie", timeout=10)
            opened = time.monotonic() - began
            time.sleep(3)
            desktop.shot("offline-start.png")
            boxes = desktop.xdotool("search", "--onlyvisible", "--name", "^(Error|Warning|Information)$").split()
            assert not boxes, "a box at start"
            desktop.keys("Escape")
            assert jotanor.wait(timeout=40) == 0, "the program did not end well"
            print(f"ok: the window opened {opened:.1f} s after the start with the server stopped")
        except AssertionError:
            print("the program said:\n" + (log.read_text() if log.exists() else ""))
            raise
        finally:
            for p in reversed(children):
                end(p)
            if server.process.poll() is None:
                server.stop()


if __name__ == "__main__":
    wine_main() if WINE else main()
