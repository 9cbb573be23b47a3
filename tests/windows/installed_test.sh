#!/usr/bin/env bash
# The installed Windows program under Wine on a virtual display.
#   installed_test.sh SETUP_EXE WORK_DIR install|first-start|two-copies|uninstall
# `install` makes a fresh Wine prefix in WORK_DIR and installs silently; the
# program's cases use that prefix, each on an Xvfb display of its own, and
# `uninstall` ends it. Every Wine
# run has a time limit, and no Wine or X process outlives the case.
set -euo pipefail
setup=$1 work=$2 case=$3

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
# A home of its own: Wine links the Windows user folders to the home's.
export HOME="$work/home"
mkdir -p "$HOME"
wine=/usr/lib/wine/wine64
drive_c="$WINEPREFIX/drive_c"
program='C:\Program Files\Jotanor\bin\jotanor.exe'
installed="$drive_c/Program Files/Jotanor"
title_prefix='Jotanor versie 2.0 ***  '
user=$(id -un)

fail() { echo "FAILED: $*" >&2; exit 1; }
check() { "$@" || fail "$*"; }

xvfb_pid=""
cleanup() {
  timeout 30 wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

start_display() {
  local fifo="$work/display.$$"
  rm -f "$fifo" && mkfifo "$fifo"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$fifo" 2>/dev/null &
  xvfb_pid=$!
  local n
  read -r -t 30 n <"$fifo" || fail "Xvfb did not start"
  rm -f "$fifo"
  export DISPLAY=":$n"
}

# Waits up to 60 s for a visible window whose title matches; prints its id.
# (Called as var=$(wait_window ...), so that a failure ends the case.)
wait_window() {
  local id
  for _ in $(seq 120); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.5
  done
  fail "no window \"$1\""
}

wait_gone() {
  for _ in $(seq 120); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.5
  done
  fail "window \"$1\" stayed"
}

# Keys to a window: focus it first (no window manager does it here).
keys() {
  local window=$1; shift
  xdotool windowfocus "$window" 2>/dev/null || true
  sleep 0.3
  xdotool key --delay 80 "$@"
}

type_text() {
  local window=$1; shift
  xdotool windowfocus "$window" 2>/dev/null || true
  sleep 0.3
  xdotool type --delay 80 "$1"
}

# Starts the program in a folder (a Linux path inside the prefix) with its
# arguments; its process id goes to $started.
start_program() {
  local folder=$1; shift
  (cd "$folder" && exec timeout -k 5 240 "$wine" "$program" "$@") >>"$work/program.log" 2>&1 &
  started=$!
}

wait_exit() {
  for _ in $(seq 60); do
    kill -0 "$1" 2>/dev/null || { wait "$1"; return $?; }
    sleep 0.5
  done
  fail "the program did not end"
}

# Starts the program in a folder without a memo file and answers its
# question Yes; the main window ($window) must name the memo file (a Windows
# path) in its title.
first_start() {
  local folder=$1 memo=$2 question title
  shift 2
  start_program "$folder" "$@"
  question=$(wait_window '^Confirm$')
  keys "$question" Return
  window=$(wait_window '^Jotanor versie')
  title=$(xdotool getwindowname "$window")
  [ "$title" = "$title_prefix$memo" ] || fail "title \"$title\", not \"$title_prefix$memo\""
}

# Enters a memo for the day the calendar proposes: i, i, text, Return.
enter_memo() {
  local window=$1 text=$2
  local calendar entry
  keys "$window" i
  calendar=$(wait_window '^Kalender$')
  keys "$calendar" i
  entry=$(wait_window '^Invoer van een record$')
  type_text "$entry" "$text"
  keys "$entry" Return
  wait_gone '^Invoer van een record$'
}

# xdotool's accented letters do not reach Wine's programs: memos typed here
# are ASCII, and Windows-1252 memo text is the widget tests' part.
holds() {
  for _ in $(seq 20); do
    grep -qF "$2" "$1" 2>/dev/null && return 0
    sleep 0.5
  done
  return 1
}

case "$case" in
install)
  rm -rf "$WINEPREFIX"
  timeout -k 10 600 "$wine" wineboot --init >/dev/null 2>&1 || fail "wineboot"
  timeout -k 10 300 "$wine" "$setup" /S || fail "the silent install"
  timeout 60 wineserver -w
  for f in bin/jotanor.exe bin/jotanor-cli.exe bin/Qt6Core.dll bin/Qt6Widgets.dll bin/Qt6PrintSupport.dll \
           bin/libstdc++-6.dll bin/libwinpthread-1.dll bin/platforms/qwindows.dll \
           share/jotanor/memohelp.rtf share/jotanor/chimes.wav uninstall.exe; do
    check test -f "$installed/$f"
  done
  check test -f "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Jotanor.lnk"
  timeout 120 "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Jotanor' \
    | grep -q 'UninstallString' || fail "not listed with the installed programs"
  # The command-line program runs from where it was installed.
  timeout 120 "$wine" "C:\\Program Files\\Jotanor\\bin\\jotanor-cli.exe" --version | grep -q '^jotanor-cli 2.0' \
    || fail "jotanor-cli --version"
  ;;
first-start)
  # As the Start-menu shortcut starts it: the diary in Documents\Jotanor.
  start_display
  documents="$drive_c/users/$user/Documents"
  rm -rf "$documents/Jotanor" "$drive_c/jotanor1.mem"
  first_start "$drive_c" "C:\\users\\$user\\Documents\\Jotanor\\jotanor1.mem" --user-folder
  memo="$documents/Jotanor/jotanor1.mem"
  enter_memo "$window" "Tandarts om 9:00"
  check holds "$memo" "Tandarts om 9:00"
  keys "$window" Escape
  wait_exit "$started" || fail "the program ended with $?"
  # The backup at close.
  check cmp "$memo" "$drive_c/jotanor1.mem"
  check test -f "$documents/Jotanor/jotnor.cfg"
  ;;
two-copies)
  # Two copies started from a command prompt in one folder whose name holds
  # letters inside and outside Windows-1252; each enters a memo.
  start_display
  folder="$drive_c/Agenda é€ Ημερολόγιο"
  rm -rf "$folder" && mkdir -p "$folder"
  first_start "$folder" "C:\\Agenda é€ Ημερολόγιο\\jotanor1.mem"
  a=$window a_pid=$started
  start_program "$folder"
  b_pid=$started
  b=""
  for _ in $(seq 120); do
    b=$(xdotool search --onlyvisible --name '^Jotanor versie' | grep -vx "$a" | head -1) || true
    [ -n "$b" ] && break
    sleep 0.5
  done
  [ -n "$b" ] || fail "no second window"
  enter_memo "$a" "Eerste"
  enter_memo "$b" "Tweede"
  enter_memo "$a" "Derde"
  keys "$a" Escape
  wait_exit "$a_pid" || fail "copy A ended with $?"
  keys "$b" Escape
  wait_exit "$b_pid" || fail "copy B ended with $?"
  for memo in Eerste Tweede Derde; do check holds "$folder/jotanor1.mem" "$memo"; done
  ;;
uninstall)
  # A memo file kept beside the program, and the one in Documents\Jotanor, stay.
  echo memo >"$installed/bin/jotanor1.mem"
  timeout -k 10 120 "$wine" 'C:\Program Files\Jotanor\uninstall.exe' /S || fail "the silent uninstall"
  timeout 60 wineserver -w
  check test -f "$installed/bin/jotanor1.mem"
  [ -e "$drive_c/users/$user/Documents/Jotanor" ] && check test -f "$drive_c/users/$user/Documents/Jotanor/jotanor1.mem"
  check test ! -e "$installed/bin/jotanor.exe"
  check test ! -e "$installed/bin/Qt6Core.dll"
  check test ! -e "$installed/bin/platforms"
  check test ! -e "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Jotanor.lnk"
  if timeout 120 "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Jotanor' >/dev/null 2>&1; then
    fail "still listed with the installed programs"
  fi
  ;;
*) fail "unknown case $case" ;;
esac
echo "passed: $case"
