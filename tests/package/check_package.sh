#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks what it holds:
# the program and its side files in their places, the launcher and the
# description accepted by their validators, the Qt libraries among its
# dependencies, the programs built hardened, and no errors from lintian.
set -euo pipefail
build="$1"
hardened="${2:-0}"  # 1: built with the hardening flags, which are then checked
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cd "$build"
cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb="$(ls "$work"/out/jotanor_*.deb)"
echo "package: $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
fail=0
for f in /usr/bin/jotanor /usr/bin/jotanor-cli /usr/share/jotanor/memohelp.rtf /usr/share/jotanor/chimes.wav \
         /usr/share/jotanor/vukman.wav /usr/share/applications/nl.jotanor.Jotanor.desktop \
         /usr/share/metainfo/nl.jotanor.Jotanor.metainfo.xml /usr/share/mime/packages/nl.jotanor.Jotanor.xml \
         /usr/share/icons/hicolor/scalable/apps/nl.jotanor.Jotanor.svg \
         /usr/share/icons/hicolor/48x48/apps/nl.jotanor.Jotanor.png \
         /usr/share/doc/jotanor/copyright /usr/share/doc/jotanor/changelog.Debian.gz \
         /usr/share/man/man1/jotanor.1.gz /usr/share/man/man1/jotanor-cli.1.gz \
         /usr/share/bash-completion/completions/jotanor-cli /usr/libexec/jotanor/jotanor-cli-agenda; do
  grep -qx "$f" "$work/files" || { echo "missing from the package: $f"; fail=1; }
done

depends="$(dpkg-deb -f "$deb" Depends)"
for d in libqt6widgets6 libqt6multimedia6 qt6-qpa-plugins; do
  [[ "$depends" == *"$d"* ]] || { echo "not among the dependencies: $d ($depends)"; fail=1; }
done

dpkg-deb -x "$deb" "$work/root"
# Hardened: relocations read-only and bound at start, the stack protector, and
# every file compiled with fortified calls (the GUI's calls leave no _chk symbol).
if [[ "$hardened" == 1 ]]; then
  for program in bin/jotanor bin/jotanor-cli libexec/jotanor/jotanor-cli-agenda; do
    elf="$(readelf -lW -dW --dyn-syms "$work/root/usr/$program")"  # whole: grep -q would cut a pipe
    grep -q GNU_RELRO <<<"$elf" || { echo "$program: no read-only relocations"; fail=1; }
    grep -Eq 'BIND_NOW|FLAGS_1.*NOW' <<<"$elf" || { echo "$program: not bound at start"; fail=1; }
    grep -q '__stack_chk_fail' <<<"$elf" || { echo "$program: no stack protector"; fail=1; }
  done
  if grep '"command"' compile_commands.json | grep -v -- '-D_FORTIFY_SOURCE' >/dev/null; then
    echo "compiled without fortified calls"; fail=1
  fi
fi
# The calendar libraries load only for the calendar commands.
if readelf -dW "$work/root/usr/bin/jotanor-cli" | grep -E 'NEEDED.*(ical|curl|xml2)'; then
  echo "jotanor-cli loads the calendar libraries at start"; fail=1
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work/root/usr/share/applications/nl.jotanor.Jotanor.desktop" || fail=1
else
  echo "desktop-file-validate is not installed: launcher not validated"
fi
# The memo file's type: read by the MIME database, which then knows *.mem.
if command -v update-mime-database >/dev/null; then
  update-mime-database "$work/root/usr/share/mime" 2>"$work/mime.log" || { cat "$work/mime.log"; fail=1; }
  grep -qx '50:application/x-jotanor-memos:\*\.mem' "$work/root/usr/share/mime/globs2" || { echo "no type for *.mem"; fail=1; }
else
  echo "update-mime-database is not installed: the memo file's type not checked"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$work/root/usr/share/metainfo/nl.jotanor.Jotanor.metainfo.xml" || fail=1
else
  echo "appstreamcli is not installed: description not validated"
fi
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
  cat "$work/lintian"
  if grep -q '^E:' "$work/lintian"; then echo "lintian found errors"; fail=1; fi
else
  echo "lintian is not installed: package not checked by it"
fi
exit $fail
