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
rm -rf "$tmp"

x_of_car() { "$exe" --headless "$samples/car.txt" --frames "$1" "${@:2}" --print-state | awk '$2=="Car"{print $5}'; }
rest=$(x_of_car 300)
drive=$(x_of_car 300 --key VK_UP@0-299 --threads 2)
check "car at rest stays put (x=$rest)" 'awk -v x="$rest" "BEGIN{exit !(x<0.01 && x>-0.01)}"'
check "car driven by VK_UP moves forward (x=$drive)" 'awk -v x="$drive" "BEGIN{exit !(x>2)}"'
timing=$("$exe" --headless "$samples/chain.txt" --frames 10 --timing | tail -1)
check "timing line ($timing)" '[[ "$timing" =~ ^frames=10\ simulated=0.166667\ wall=[0-9.e+-]+\ realtime=[0-9.e+-]+$ ]]'
[ $fail -eq 0 ] && echo "headless: all passed"
exit $fail
