#!/usr/bin/env bash
# The headless runner as a user runs it: exit codes, the car sample driven and at rest.
set -u
exe=$1
samples=$2
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi; }

"$exe" --headless --help >/dev/null; check "help exits 0" '[ $? -eq 0 ]'
"$exe" --headless >/dev/null 2>&1; check "no scene is a bad argument" '[ $? -eq 2 ]'
"$exe" --headless x.txt --frames nine >/dev/null 2>&1; check "bad number is a bad argument" '[ $? -eq 2 ]'
"$exe" --headless x.txt --key VK_NOPE@0-1 >/dev/null 2>&1; check "unknown key name is a bad argument" '[ $? -eq 2 ]'
"$exe" --headless /nonexistent/scene.txt --no >/dev/null 2>&1; check "missing scene exits 1" '[ $? -eq 1 ]'

tmp=$(mktemp -d)
printf 'Set a = Application.AddObj( "BOX" , "A" )\r\nMsgBox "hello " & a.widthX\r\na.oops = 1\r\n' > "$tmp/bad.txt"
out=$("$exe" --headless "$tmp/bad.txt" --no 2>"$tmp/err"); code=$?
check "script error exits 1" '[ $code -eq 1 ]'
check "MsgBox text goes to stdout" '[ "$out" = "hello 0" ]'
check "error report names the line" 'grep -q "00000002 : a.oops = 1  <--------- Error" "$tmp/err"'
check "error report lists no line past the file's last" '! grep -q "^00000003 :" "$tmp/err"'
rm -rf "$tmp"

x_of_car() { "$exe" --headless "$samples/car.txt" --frames "$1" "${@:2}" --print-state | awk '$2=="Car"{print $5}'; }
rest=$(x_of_car 300)
drive=$(x_of_car 300 --key VK_UP@0-299 --threads 2)
height=$("$exe" --headless "$samples/car.txt" --frames 120 --print-state | awk '$2=="Car"{print $7}')
check "car stands on its wheels on the ground (z=$height)" 'awk -v z="$height" "BEGIN{exit !(z>0.45 && z<0.55)}"'
check "car at rest stays put (x=$rest)" 'awk -v x="$rest" "BEGIN{exit !(x<0.01 && x>-0.01)}"'
check "car driven by VK_UP moves forward (x=$drive)" 'awk -v x="$drive" "BEGIN{exit !(x>2)}"'
timing=$("$exe" --headless "$samples/chain.txt" --frames 10 --timing | tail -1)
check "timing line ($timing)" '[[ "$timing" =~ ^frames=10\ simulated=0.166667\ wall=[0-9.e+-]+\ realtime=[0-9.e+-]+$ ]]'
# --save writes the scene after the last frame; loading the file gives back the same motion state
# (the rotation vector may differ in its last digits).
tmp=$(mktemp -d)
state() { awk '{ for (i = 1; i <= 15; ++i) printf "%s ", $i; print "" }'; }
"$exe" --headless "$samples/car.txt" --frames 60 --key VK_UP@0-59 --save "$tmp/car60.txt" --print-state | state > "$tmp/a"
"$exe" --headless "$tmp/car60.txt" --frames 0 --print-state | state > "$tmp/b"
check "saved scene reloads with the same positions and velocities" 'cmp -s "$tmp/a" "$tmp/b" && [ -s "$tmp/a" ]'
check "saved scene ends with its end line in CR LF" '[ "$(tail -c 15 "$tmp/car60.txt" | od -An -c | tr -d " \n")" = "'"'"'EndofFile\r\n" ]'
"$exe" --headless "$samples/car.txt" --frames 1 --save "$tmp/none/x.txt" 2>"$tmp/err"; code=$?
check "unwritable save file exits 1" '[ $code -eq 1 ]'
check "unwritable save file is reported" 'grep -q "に書き込めません" "$tmp/err"'
rm -rf "$tmp"
# Run from a folder with a scene given by a relative path: the scene's files are found and saved
# relative to the saved file, which loads again. A music file in the resource folder is found.
tmp=$(mktemp -d)
mkdir "$tmp/sub" "$tmp/other"
printf '\102\115\106\000\000\000\000\000\000\000\066\000\000\000\050\000\000\000\002\000\000\000\002\000\000\000\001\000\030\000\000\000\000\000\020\000\000\000\023\013\000\000\023\013\000\000\000\000\000\000\000\000\000\000\074\074\074\310\310\310\000\000\074\074\074\310\310\310\000\000' > "$tmp/sub/h.bmp"
printf 'Set g = Application.AddObj( "GROUND" , "G" )\r\ng.SetHeightBmp "h.bmp"\r\nSet m = Application.AddObj( "MUSIC" , "M" )\r\nm.AddFile "bench.txt"\r\n' > "$tmp/sub/g.txt"
(cd "$tmp" && "$exe" --headless sub/g.txt --frames 0 --save other/out.txt 2>"$tmp/err"); code=$?
check "relative scene saves to a relative folder ($code)" '[ $code -eq 0 ] && ! grep -q "相対パス" "$tmp/err"'
check "the ground image is saved relative to the saved file" 'grep -q "SetHeightBmp \"\.\.\\\\sub\\\\h\.bmp\"" "$tmp/other/out.txt"'
check "the saved file loads with its image" '"$exe" --headless "$tmp/other/out.txt" --frames 0 2>"$tmp/err2" && [ ! -s "$tmp/err2" ]'
check "a music file is found in the resource folder" 'grep -q "AddFile \".*Resource\\\\bench\.txt\"" "$tmp/other/out.txt"'
rm -rf "$tmp"
# A body that runs away is reported and the scene goes back one backup, past the one the load ended
# with, to the last body as it was created (B, still at rest); the run goes on and the ring's files
# are gone at exit.
tmp=$(mktemp -d)
mkdir "$tmp/tmp"
printf 'Set a = Application.AddObj( "BOX" , "A" )\r\na.SetPosition 0, 0, 2\r\nSet b = Application.AddObj( "BOX" , "B" )\r\nb.SetVelocity 1e21, 0, 0\r\n' > "$tmp/runaway.txt"
out=$(TMPDIR="$tmp/tmp" "$exe" --headless "$tmp/runaway.txt" --frames 5 --print-state 2>"$tmp/err"); code=$?
check "run-away body exits 1 after recovering" '[ $code -eq 1 ]'
check "run-away body is reported" 'grep -q "B の計算で、速度が異常な値" "$tmp/err"'
check "recovery loads the backup before the last one" 'grep -q "直前に保存したバックアップファイルを読み込みます" "$tmp/err"'
check "recovered scene has B as created and keeps running" '[ "$(echo "$out" | awk "{print \$3}" | tr "\n" " ")" = "A B " ] && echo "$out" | awk "\$3 == \"A\" && !(\$7 < 2) {bad = 1} \$3 == \"B\" && !(\$9 < 1) {bad = 1} END {exit bad}"'
check "backup files are deleted at exit" '[ -z "$(ls -A "$tmp/tmp")" ]'
bodies() { "$exe" --headless "$samples/car.txt" --frames 0 "$@" --print-state | wc -l; }
all=$(bodies); undone=$(bodies --undo 2)
check "--undo 2 takes back the last body created ($all -> $undone)" '[ "$undone" -eq $((all - 1)) ]'
rm -rf "$tmp"
# A script that never ends is stopped at its time limit like any script error, naming the line it
# was on; a terminating signal ends the run as its end does, backup files removed.
tmp=$(mktemp -d)
mkdir "$tmp/tmp"
printf 'Set a = Application.AddObj( "BOX" , "A" )\r\nx = 0\r\nDo\r\nx = x + 1\r\nLoop\r\n' > "$tmp/endless.txt"
TMPDIR="$tmp/tmp" "$exe" --headless "$tmp/endless.txt" --script-timeout 0.3 --no >/dev/null 2>"$tmp/err"; code=$?
check "endless loop stops at the time limit and fails the load" '[ $code -eq 1 ]'
check "the stop names the loop's line" 'grep -q "LineNumber=[34]" "$tmp/err" && grep -q "time limit of 0.3 s" "$tmp/err"'
check "backup files are deleted after a stopped script" '[ -z "$(ls -A "$tmp/tmp")" ]'
for sig in INT TERM; do
    TMPDIR="$tmp/tmp" "$exe" --headless "$tmp/endless.txt" --script-timeout 0 --no >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 100); do [ -n "$(ls -A "$tmp/tmp")" ] && break; sleep 0.05; done
    had=$(ls -A "$tmp/tmp" | wc -l)
    kill -$sig $pid; wait $pid; code=$?
    want=$((128 + $(kill -l $sig)))
    check "SIG$sig during a script ends the run with $want ($code)" '[ $code -eq $want ]'
    check "SIG$sig removes the $had backup files" '[ "$had" -gt 0 ] && [ -z "$(ls -A "$tmp/tmp")" ]'
done
"$exe" --headless "$samples/car.txt" --frames 100000000 --no >/dev/null 2>&1 &
pid=$!
sleep 1; kill -TERM $pid; wait $pid; code=$?
check "SIGTERM during the frames ends the run with 143 ($code)" '[ $code -eq 143 ]'
printf 'x = 1\r\nFunction F(n)\r\n  F = F(n + 1)\r\nEnd Function\r\ny = F(1)\r\n' > "$tmp/deep.txt"
"$exe" --headless "$tmp/deep.txt" --no >/dev/null 2>"$tmp/err"; code=$?
check "runaway recursion fails the load" '[ $code -eq 1 ]'
check "out of stack space names the recursing line" 'grep -q "00000002 :   F = F(n + 1)  <--------- Error" "$tmp/err" && grep -q "Out of stack space" "$tmp/err"'
{ printf 'x = 1\r\ny = '; head -c 300000 /dev/zero | tr '\0' '('; printf '1\r\n'; } > "$tmp/nested.txt"
"$exe" --headless "$tmp/nested.txt" --no >/dev/null 2>"$tmp/err"; code=$?
check "nesting too deep to parse names its line" '[ $code -eq 1 ] && grep -q "LineNumber=1" "$tmp/err" && grep -q "Out of stack space" "$tmp/err"'
rm -rf "$tmp"
[ $fail -eq 0 ] && echo "headless: all passed"
exit $fail
