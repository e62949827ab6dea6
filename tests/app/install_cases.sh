#!/usr/bin/env bash
# `cmake --install` into temporary folders: the program with its folders beside it, the link on
# the search path, the desktop entry; the installed program runs a sample it installed.
set -u
build=$1
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Staged for a package: DESTDIR holds the files, the prefix is what they name.
DESTDIR="$tmp/stage" cmake --install "$build" --prefix /opt/korvan >"$tmp/log" 2>&1
check "staged install succeeds" '[ $? -eq 0 ] || { cat "$tmp/log"; false; }'
root="$tmp/stage/opt/korvan"
check "program in its own folder" '[ -x "$root/lib/KORVAN3/KORVAN3" ]'
for f in Resource/bench.txt HTML/index.html Samples/car.txt Samples/chain.txt; do
  check "$f beside the program" '[ -f "$root/lib/KORVAN3/$f" ]'
done
check "bin link is relative" '[ "$(readlink "$root/bin/KORVAN3")" = "../lib/KORVAN3/KORVAN3" ]'
desktop="$root/share/applications/KORVAN3.desktop"
check "desktop entry runs the program at its final place" 'grep -qx "Exec=/opt/korvan/bin/KORVAN3 %f" "$desktop"'
check "desktop entry names its icon" 'grep -qx "Icon=KORVAN3" "$desktop" && [ -f "$root/share/icons/hicolor/scalable/apps/KORVAN3.svg" ]'
if command -v desktop-file-validate >/dev/null; then
  check "desktop entry is valid" 'desktop-file-validate "$desktop"'
fi

# Installed straight into a prefix and run from there, through the link.
cmake --install "$build" --prefix "$tmp/usr" >"$tmp/log" 2>&1
check "install into a prefix succeeds" '[ $? -eq 0 ] || { cat "$tmp/log"; false; }'
out=$(cd "$tmp" && "$tmp/usr/bin/KORVAN3" --headless "$tmp/usr/lib/KORVAN3/Samples/car.txt" --frames 30 --print-state)
check "installed program runs an installed sample" '[ $? -eq 0 ] && echo "$out" | grep -q "車体"'
[ $fail -eq 0 ] && echo "install: all passed"
exit $fail
