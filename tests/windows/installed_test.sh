#!/usr/bin/env bash
# installed_test.sh SETUP_EXE WORK_DIR: the Windows installer run silently in a fresh Wine
# prefix, then the installed program on an Xvfb display. Every Wine run has a time limit;
# no Wine or X process outlives the test.
set -euo pipefail
setup=$1 work=$2
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
export HOME="$work/home"  # Wine links the Windows user folders to the home's
rm -rf "$work" && mkdir -p "$HOME"
wine=/usr/lib/wine/wine64
drive_c="$WINEPREFIX/drive_c"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Jotanor.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Jotanor'
user=$(id -un)

fail() { echo "FAILED: $*" >&2; exit 1; }
check() { "$@" || fail "$*"; }
xvfb=""
trap 'timeout 30 wineserver -k 2>/dev/null || true; [ -z "$xvfb" ] || { kill "$xvfb"; wait "$xvfb"; } 2>/dev/null || true' EXIT

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
  (cd "$1" && exec timeout -k 5 240 "$wine" 'C:\Program Files\Jotanor\bin\jotanor.exe' "${@:2}") \
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
timeout -k 10 300 "$wine" "$setup" /S || fail "the silent install"
timeout 60 wineserver -w
check test -f "$shortcut"
grep -q UninstallString <<<"$(timeout 120 "$wine" reg query "$uninstall_key")" || fail "not with the installed programs"
grep -q '^jotanor-cli 2.0' <<<"$(timeout 120 "$wine" 'C:\Program Files\Jotanor\bin\jotanor-cli.exe' --version)" \
  || fail "jotanor-cli --version"

# As the Start-menu shortcut starts it: the diary in Documents\Jotanor, a
# memo entered, and the backup at close.
memo="$drive_c/users/$user/Documents/Jotanor/jotanor1.mem"
first_start "$drive_c" "C:\\users\\$user\\Documents\\Jotanor\\jotanor1.mem" --user-folder
enter_memo "$window" "Tandarts om 9:00"
holds "$memo" "Tandarts om 9:00"
close "$window" "$started"
check cmp "$memo" "$drive_c/jotanor1.mem"
check test -f "$(dirname "$memo")/jotnor.cfg"

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
echo passed
