#!/usr/bin/env bash
# shared_lock_test.sh WINE_RUN WINDOWS_CLI LINUX_CLI WORK_DIR: the Windows jotanor-cli under
# Wine and the Linux one add memos to one memo file at the same time; each must wait for the
# other's lock, so every memo is in the file once and every add succeeded.
set -euo pipefail
wine_run=$1 windows_cli=$2 linux_cli=$3 work=$4
[ -x "$linux_cli" ] || { echo "skipped: no Linux jotanor-cli at $linux_cli (make build makes it)"; exit 77; }
rm -rf "$work" && mkdir -p "$work"
memo="$work/jotanor1.mem"
rounds=40

# The Windows side: one command prompt adding $rounds memos, each by a new process.
windows_path="Z:${windows_cli//\//\\}"
# (Wine's command prompt runs "||" after every program in a loop; "if errorlevel" holds.)
cat >"$work/adds.cmd" <<CMD
@echo off
for /l %%i in (1,1,$rounds) do (
"$windows_path" add 2026-05-02 "windows %%i"
if errorlevel 1 echo %%i>>failed.txt
)
echo done>done.txt
CMD
(cd "$work" && exec "$wine_run" cmd /c adds.cmd) >"$work/windows.log" 2>&1 &
windows=$!
trap 'kill $windows 2>/dev/null || true' EXIT

# The Linux side adds as long as the Windows side runs, and at least $rounds times.
cd "$work"
n=0
until [ -f done.txt ] && [ $n -ge $rounds ]; do
  n=$((n + 1))
  "$linux_cli" add 2026-05-02 "linux $n" || { echo "FAILED: Linux add $n"; exit 1; }
  sleep 0.05
done
wait $windows || { cat windows.log; echo "FAILED: the Windows side ended with $?"; exit 1; }
[ ! -s failed.txt ] || { echo "FAILED: Windows adds failed: $(tr '\n' ' ' <failed.txt)"; exit 1; }

list=$("$linux_cli" list --all)
lost=0
for side in windows linux; do
  count=$rounds; [ $side = linux ] && count=$n
  for i in $(seq "$count"); do
    times=$(grep -cx "$side $i" <<<"$list" || true)
    [ "$times" = 1 ] || { echo "\"$side $i\" is in the file $times times"; lost=1; }
  done
done
total=$("$linux_cli" count)
[ "$total" = $((rounds + n)) ] || { echo "FAILED: $total memos for $((rounds + n)) adds"; exit 1; }
[ $lost = 0 ] || { echo "FAILED: memos lost or doubled"; exit 1; }
echo "passed: $rounds Windows and $n Linux adds, each memo once"
