#!/usr/bin/env bash
# installed_test.sh SETUP_EXE WORK_DIR: the Windows installer run silently in a fresh Wine
# prefix, then the installed program on an Xvfb display: its resources, its memo file and
# backup, its sync with a calendar server, two copies on one file, a memo file opened by its
# association, the installer and uninstaller while it runs, an install for the user alone,
# and the backup when the root of C: refuses it. Screenshots of what a user sees go to
# WORK_DIR/shots. Every Wine run has a time limit; no Wine or X process outlives the test.
set -euo pipefail
setup=$1 work=$2
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
export HOME="$work/home"  # Wine links the Windows user folders to the home's
# Folders a run cut short left immutable.
[ "$(id -u)" != 0 ] || [ ! -d "$work/prefix" ] || chattr -R -f -i "$work/prefix/drive_c" 2>/dev/null || true
rm -rf "$work" && mkdir -p "$HOME"
wine=/usr/lib/wine/wine64
drive_c="$WINEPREFIX/drive_c"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Jotanor.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Jotanor'
user=$(id -un)
program='C:\Program Files\Jotanor\bin\jotanor.exe'
mkdir -p "$work/shots"

fail() { echo "FAILED: $*" >&2; exit 1; }
check() { "$@" || fail "$*"; }
shot() { import -window root "$work/shots/$1.png" 2>/dev/null || echo "no screenshot $1"; }
# Folders that refuse new files, as Windows refuses them to a standard user;
# root needs them immutable as well.
protect() { chmod a-w "$@"; [ "$(id -u)" != 0 ] || chattr +i "$@"; }
unprotect() { [ "$(id -u)" != 0 ] || chattr -i "$@" 2>/dev/null || true; chmod u+w "$@" 2>/dev/null || true; }
protected=()
xvfb=""
trap 'timeout 30 wineserver -k 2>/dev/null || true; [ -z "$xvfb" ] || { kill "$xvfb"; wait "$xvfb"; } 2>/dev/null || true
      [ ${#protected[@]} -eq 0 ] || unprotect "${protected[@]}"' EXIT

start_display() {
  local n
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$work/display" 2>/dev/null &
  xvfb=$!
  wait_until grep -q . "$work/display" || fail "Xvfb did not start"
  read -r n <"$work/display" && export DISPLAY=":$n"
}

# Up to 60 s until the command succeeds.
wait_until() { for _ in $(seq 120); do "$@" && return 0; sleep 0.5; done; return 1; }
# The id of a visible window whose title matches and that is not $2. Call it
# as var=$(await_window ...), so that a failure ends the case.
find_window() {
  local id
  for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
    [ "$id" != "${2:-}" ] && { echo "$id"; return 0; }
  done
  return 1
}
await_window() { wait_until find_window "$@" >/dev/null || fail "no window \"$1\""; find_window "$@"; }
# Keys or text to a window: focused first, as no window manager does it here.
send() { xdotool windowfocus "$1" 2>/dev/null || true; sleep 0.3; xdotool "$2" --delay 80 "${@:3}"; }
# Another copy's main window made the active one: raised and clicked (on the
# date above the list), as a user would.
activate() { xdotool windowraise "$1" mousemove --window "$1" 60 40 click 1; sleep 1; }

# Starts the installed program in a folder; its process id goes to $started.
start_program() {
  (cd "$1" && exec timeout -k 5 240 "$wine" "$program" "${@:2}") \
    >>"$work/program.log" 2>&1 &
  started=$!
}
# Escape closes the main window; the program must end with 0.
close() {
  send "$1" key Escape
  wait_until bash -c "! kill -0 $2 2>/dev/null" || fail "the program did not end"
  wait "$2" || fail "the program ended with $?"
}
# A folder without a memo file: the question answered Yes; the main window
# ($window) names the memo file, a Windows path, in its title.
first_start() {
  local question title
  start_program "$1" "${@:3}"
  question=$(await_window '^Confirm$')
  send "$question" key Return
  window=$(await_window '^Jotanor versie')
  title=$(xdotool getwindowname "$window")
  [ "$title" = "Jotanor versie 2.0 ***  $2" ] || fail "title \"$title\" for $2"
}
# A memo for the day the calendar proposes: i, i, text, Return. xdotool's
# accented letters do not reach Wine's programs, so the text is ASCII.
enter_memo() {
  local calendar entry
  send "$1" key i
  calendar=$(await_window '^Kalender$')
  send "$calendar" key i
  entry=$(await_window '^Invoer van een record$')
  send "$entry" type "$2"
  send "$entry" key Return
  wait_until bash -c "! xdotool search --onlyvisible --name '^Invoer van een record$' >/dev/null" \
    || fail "entry stayed open"
}
holds() { wait_until grep -qF "$2" "$1" || fail "$1 lacks \"$2\""; }

start_display  # before Wine's first start: its desktop lives on the display it found
timeout -k 10 600 "$wine" wineboot --init >/dev/null 2>&1 || fail "wineboot"
# Arial as Windows has it: Debian's font of the same widths in its place.
timeout 60 "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null \
  || fail "the font for Arial"
timeout -k 10 300 "$wine" "$setup" /S || fail "the silent install"
timeout 60 wineserver -w
check test -f "$shortcut"
grep -q UninstallString <<<"$(timeout 120 "$wine" reg query "$uninstall_key")" || fail "not with the installed programs"
# Listed with its icon, version, publisher and size; jotanor-cli found by a
# command prompt.
entry=$(timeout 120 "$wine" reg query "$uninstall_key")
for value in 'DisplayIcon.*jotanor\.exe,0' 'DisplayVersion.*2\.0' 'Publisher.*Jotanor developers' \
             'EstimatedSize.*REG_DWORD.*0x[0-9a-f]{4,}'; do
  grep -Eq "$value" <<<"$entry" || fail "the uninstall entry lacks $value"
done
grep -q '^jotanor-cli 2.0' <<<"$(timeout 120 "$wine" cmd /c 'jotanor-cli --version')" \
  || fail "jotanor-cli --version from a command prompt"

# Both programs carry the icon, their version and the manifest; the installer
# asks for no more rights than its user has.
bin="$drive_c/Program Files/Jotanor/bin"
for exe in jotanor jotanor-cli; do
  resources=$(wrestool -l "$bin/$exe.exe")
  for type in 14 16 24; do  # icon group, version, manifest
    grep -q -- "--type=$type " <<<"$resources" || fail "$exe.exe has no resource of type $type"
  done
  grep -Eq -- "--type=14 --name='?IDI_ICON1'? " <<<"$resources" || fail "$exe.exe: its icon is not the windows' icon"
  version=$(wrestool -x --raw -t 16 "$bin/$exe.exe" | iconv -f UTF-16LE -t UTF-8 -c | tr -c '[:print:]' ' ')
  for text in 'ProductName *Jotanor' 'ProductVersion *2\.0' "OriginalFilename *$exe\.exe"; do
    grep -Eq "$text" <<<"$version" || fail "$exe.exe: no $text in its version"
  done
  manifest=$(wrestool -x --raw -t 24 "$bin/$exe.exe")
  for text in PerMonitorV2 '>UTF-8<' Microsoft.Windows.Common-Controls 'level="asInvoker"'; do
    grep -q "$text" <<<"$manifest" || fail "$exe.exe: no $text in its manifest"
  done
done
check grep -q 'level="highestAvailable"' <<<"$(wrestool -x --raw -t 24 "$setup")"

# As the Start-menu shortcut starts it: the diary in Documents\Jotanor, a
# memo entered, and the backup at close.
memo="$drive_c/users/$user/Documents/Jotanor/jotanor1.mem"
first_start "$drive_c" "C:\\users\\$user\\Documents\\Jotanor\\jotanor1.mem" --user-folder
enter_memo "$window" "Tandarts om 9:00"
holds "$memo" "Tandarts om 9:00"
close "$window" "$started"
check cmp "$memo" "$drive_c/jotanor1.mem"
check test -f "$(dirname "$memo")/jotnor.cfg"

# The calendar account entered through the Agenda menu, its password into
# Wine's Credential Manager, and syncs with a CalDAV server on Linux over
# loopback; a second start syncs without asking for the password.
/usr/bin/python3 "$(dirname "$0")/../e2e/check_window_sync.py" --wine "$wine" "$program" "$drive_c/Synchroon" \
  "$work/shots" || fail "the sync from the window"

# Two copies started from a command prompt in a folder whose name holds
# letters inside and outside Windows-1252; each enters memos, none is lost.
folder="$drive_c/Agenda é€ Ημερολόγιο"
mkdir -p "$folder"
first_start "$folder" "C:\\Agenda é€ Ημερολόγιο\\jotanor1.mem"
a=$window a_pid=$started
enter_memo "$a" Eerste
start_program "$folder"
b=$(await_window '^Jotanor versie' "$a") b_pid=$started
activate "$b"
enter_memo "$b" Tweede
activate "$a"
enter_memo "$a" Derde
close "$a" "$a_pid"
activate "$b"
close "$b" "$b_pid"
for memo in Eerste Tweede Derde; do holds "$folder/jotanor1.mem" "$memo"; done

# A memo file opened by its association, as a double click opens it: the
# program gets the file's path.
check grep -qF '"C:\Program Files\Jotanor\bin\jotanor.exe" "%1"' \
  <<<"$(timeout 60 "$wine" reg query 'HKCR\Jotanor.MemoFile\shell\open\command')"
check grep -q 'Jotanor.MemoFile' <<<"$(timeout 60 "$wine" reg query 'HKCR\.mem')"
mkdir -p "$drive_c/Reizen"
cp "$folder/jotanor1.mem" "$drive_c/Reizen/reis.mem"
(cd "$drive_c" && WINEDEBUG=+process exec timeout -k 5 120 "$wine" start 'C:\Reizen\reis.mem') >"$work/start.log" 2>&1
opened=$(await_window '^Jotanor versie')
title=$(xdotool getwindowname "$opened")
[ "$title" = 'Jotanor versie 2.0 ***  C:\Reizen\reis.mem' ] || fail "the association opened \"$title\""
grep -qF 'cmdline L"\"C:\\Program Files\\Jotanor\\bin\\jotanor.exe\" \"C:\\Reizen\\reis.mem\""' "$work/start.log" \
  || fail "the association did not start the program with the file"
shot association
send "$opened" key Escape
wait_until bash -c "! xdotool search --onlyvisible --name '^Jotanor versie' >/dev/null" \
  || fail "the program started by the association did not end"

# The installer and the uninstaller while the program runs: without asking
# (/S) they end with a non-zero status and change nothing; the installer on
# its own asks the user to close it, and goes on once it is closed.
installed() {
  (cd "$drive_c/Program Files/Jotanor" && find . -type f -exec md5sum {} + | sort)
  timeout 60 "$wine" reg query "$uninstall_key"
}
start_program "$folder"
running=$(await_window '^Jotanor versie') running_pid=$started
before=$(installed)
status=0
timeout -k 10 300 "$wine" "$setup" /S || status=$?
[ $status -ne 0 ] || fail "the silent install went on while the program ran"
status=0
# In its own folder (_?=, which must stand unquoted, so from a command file)
# the uninstaller's status is its own, not that of the copy it starts.
printf '@"C:\\Program Files\\Jotanor\\uninstall.exe" /S _?=C:\\Program Files\\Jotanor\r\n@exit /b %%errorlevel%%\r\n' \
  >"$drive_c/uninstall-here.cmd"
timeout -k 10 120 "$wine" cmd /c 'C:\uninstall-here.cmd' || status=$?
[ $status -ne 0 ] || fail "the silent uninstall went on while the program ran"
timeout 60 "$wine" 'C:\Program Files\Jotanor\uninstall.exe' /S  # as the list of programs runs it
sleep 2 && wait_until bash -c "! pgrep -f 'Au_\.exe' >/dev/null" || fail "the uninstaller did not end"
kill -0 "$running_pid" || fail "the program ended"
[ "$(installed)" = "$before" ] || fail "the installation changed while the program ran"
check test -f "$shortcut"

touch "$work/before-install"
(timeout -k 10 300 "$wine" "$setup" >>"$work/program.log" 2>&1) &
installer=$!
page=$(await_window '^Jotanor-installatie')
sleep 2 && shot installer-scope
send "$page" key Return
sleep 2 && shot installer-folder
send "$page" key Return
question=$(await_window '^Jotanor-installatie' "$page")
sleep 1 && shot installer-program-running
activate "$running"  # the installer's question holds the focus
close "$running" "$running_pid"
send "$question" key Return  # Opnieuw proberen
wait_until bash -c "[ '$drive_c/Program Files/Jotanor/uninstall.exe' -nt '$work/before-install' ]" \
  || fail "the installer did not go on once the program was closed"
sleep 5 && shot installer-finish
send "$page" key Return  # Voltooien
wait "$installer" || fail "the installer ended with $?"

# For the user alone, without administrator rights: with the root of C:, the
# programs folder and the machine's Start menu refusing new files, the install
# goes to the user's own programs folder and nothing machine-wide changes.
machine=$(installed)
protected=("$drive_c" "$drive_c/Program Files" "$drive_c/Program Files/Jotanor" "$drive_c/Program Files/Jotanor/bin"
           "$(dirname "$shortcut")")
protect "${protected[@]}"
timeout -k 10 300 "$wine" "$setup" /S /CurrentUser || fail "the install for the user alone"
timeout 60 wineserver -w
[ "$(installed)" = "$machine" ] || fail "the install for the user alone changed the machine's"
check test -f "$drive_c/users/$user/AppData/Local/Programs/Jotanor/bin/jotanor.exe"
check test -f "$drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Jotanor.lnk"
check grep -q 'AppData\\Local\\Programs\\Jotanor' \
  <<<"$(timeout 60 "$wine" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Jotanor')"
check grep -q 'AppData\\Local\\Programs\\Jotanor\\bin' <<<"$(timeout 60 "$wine" reg query 'HKCU\Environment' /v Path)"

# That program's backup when C:\ refuses it: the same name in Backup beside
# the settings, told once.
program="C:\\users\\$user\\AppData\\Local\\Programs\\Jotanor\\bin\\jotanor.exe"
memo="$drive_c/users/$user/Documents/Jotanor/jotanor1.mem"
for time in first second; do
  start_program "$drive_c" --user-folder
  window=$(await_window '^Jotanor versie')
  send "$window" key Escape
  if [ $time = first ]; then
    told=$(await_window '^Information$')
    shot backup-stand-in
    send "$told" key Return
  fi
  wait_until bash -c "! kill -0 $started 2>/dev/null" || fail "the program did not end"
  wait "$started" || fail "the program ended with $?"
done
check cmp "$memo" "$(dirname "$memo")/Backup/jotanor1.mem"
unprotect "${protected[@]}"
protected=()
echo passed
