#!/usr/bin/env bash
# `KORVAN3 --model FILE` as a batch job runs it: one summary line, exit codes, the reason on stderr.
set -u
exe=$1
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi; }

tmp=$(mktemp -d)
printf 'v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n' > "$tmp/cube.obj"
printf 'g a\nf 1 4 3 2\nf 1 2 6 5\nf 2 3 7 6\ng b\nf 5 6 7 8\nf 3 4 8 7\nf 1 5 8 4\n' >> "$tmp/cube.obj"
out=$("$exe" --model "$tmp/cube.obj" 2>/dev/null); code=$?
check "a model exits 0" '[ $code -eq 0 ]'
check "one line with the counts and the box ($out)" \
  '[ "$(echo "$out" | wc -l)" -eq 1 ] && echo "$out" | grep -q "cube.obj: 8 vertices, 6 faces, 1 materials, 2 groups, 2 regions, box (-1, -1, -1)-(1, 1, 1), [0-9.]* s$"'

printf 'v 0 0 0\nf 1 2 3\n' > "$tmp/bad.obj"
out=$("$exe" --model "$tmp/bad.obj" 2>"$tmp/err"); code=$?
check "a bad model exits 1" '[ $code -eq 1 ] && [ -z "$out" ]'
check "the reason names the file and line" 'grep -q "bad.obj の 2 行目" "$tmp/err"'
"$exe" --model >/dev/null 2>&1; check "no file is a bad argument" '[ $? -eq 2 ]'
rm -rf "$tmp"
exit $fail
