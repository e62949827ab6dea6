#!/usr/bin/env bash
# The settings file through the real window, run twice: the file is read at start, written at a
# normal exit in its own layout, and read again at the next start, where its head-mounted answer
# decides how the window is placed. Runs on a 1920 x 1080 virtual screen without a window manager,
# so a window's frame is nothing and its X geometry is the placement itself.
set -u
exe=$1
samples=$2
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export TMPDIR=$tmp XDG_RUNTIME_DIR=$tmp/run
mkdir -m 700 "$tmp/run"
ini=$tmp/KORVAN3.ini

# Geometry "X Y W H" of the main window once it is mapped, read while the program runs.
geometry_of_window() {
    local pid=$1 id="" info
    for _ in $(seq 600); do
        kill -0 "$pid" 2>/dev/null || break
        id=$(xwininfo -root -children 2>/dev/null | awk '/"KORVAN3 Version/ { print $1; exit }')
        if [ -n "$id" ]; then
            info=$(xwininfo -id "$id" 2>/dev/null)
            if grep -q "Map State: IsViewable" <<<"$info"; then
                awk -F: '/Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ { y = $2 }
                         /^ *Width/ { w = $2 } /^ *Height/ { h = $2 }
                         END { print x + 0, y + 0, w + 0, h + 0 }' <<<"$info"
                return
            fi
        fi
        sleep 0.1
    done
    echo "none"
}

line() { grep -c -x -F -- "$1"$'\r' "$ini"; }

# A file as a user might leave it: keys in any case, a quoted name with blanks, two search pairs,
# a key nobody knows, the stereo mode (never read), measuring the cores at every start, and the
# head-mounted display chosen without asking.
printf '%s\r\n' 'VIEW_PLAY_SHADE 0' 'view_factory_shade 1' 'VIEW_FACTORY_SEAL 1' 'mouse_zoom 5' 'ENV_STEREO_ANGLE 2.5' \
    'ENV_STEREO_CAMNAME "Cam With Blanks"' 'ENV_AUTOSEARCH "/a b/c" "/d"' 'ENV_AUTOSEARCH e "f g"' \
    'ENV_STEREO_MODE 7' 'NO_SUCH_KEY 3' 'ENV_CUR_CPUS_MODE 0' 'ENV_OPTIMIZED_CORES 77' \
    'ENV_OCULUS_SHOW 0' 'ENV_OCULUS_USE 1' >"$ini"

# First start: /nooculus overrides the file, so the window takes the middle of the monitor.
"$exe" "$samples/car.txt" /nooculus --settings "$ini" --quit-after 150 >"$tmp/out1" 2>"$tmp/err1" &
pid=$!
geometry=$(geometry_of_window $pid)
wait $pid
code=$?
check "first run exits 0 ($code)" '[ $code -eq 0 ]'
check "window spans x 192..1536, y 120..864 ($geometry)" '[ "$geometry" = "192 120 1344 744" ]'

check "file has every key once, CR LF at each line end" \
    '[ "$(grep -c $'"'"'\r$'"'"' "$ini")" -eq 52 ] && [ "$(wc -l <"$ini")" -eq 52 ]'
check "keys written in their order" \
    '[ "$(head -1 "$ini")" = $'"'"'VIEW_PLAY_SOLID             0\r'"'"' ] && [ "$(sed -n 51p "$ini" | cut -c1-14)" = ENV_AUTOSEARCH ]'
# The load of the scene put the play preset into the stored play set (SHADE on again).
for expected in 'VIEW_PLAY_SHADE             1' 'VIEW_FACTORY_SHADE          1' 'VIEW_FACTORY_SEAL           1' 'MOUSE_ZOOM   5' \
    'ENV_STEREO_ANGLE    2.500000' 'ENV_STEREO_CAMNAME  "Cam With Blanks"' \
    'ENV_AUTOSEARCH   "/a b/c"   "/d" ' 'ENV_AUTOSEARCH   "e"   "f g" ' 'ENV_STEREO_MODE     0' \
    'ENV_CUR_CPUS_MODE   0' 'ENV_OCULUS_SHOW      0' 'ENV_OCULUS_USE       1'; do
    check "written: $expected" '[ "$(line "$expected")" -eq 1 ]'
done
check "an unknown key is not written back" '! grep -q NO_SUCH_KEY "$ini"'
cores=$(awk '$1 == "ENV_OPTIMIZED_CORES" { print $2 + 0 }' "$ini")
check "the cores measured at this start are written ($cores of $(nproc))" \
    '[ "$cores" -ge 1 ] && [ "$cores" -le "$(nproc)" ]'
grep -v ENV_OPTIMIZED_CORES "$ini" >"$tmp/first"

# Second start: nothing on the command line about the display, so the file decides: the main
# view gets the head-mounted size of the command line, centred on the monitor.
"$exe" "$samples/car.txt" --settings "$ini" /width 640 /height 400 --quit-after 60 >"$tmp/out2" 2>"$tmp/err2" &
pid=$!
geometry=$(geometry_of_window $pid)
wait $pid
code=$?
check "second run exits 0 without a question ($code)" '[ $code -eq 0 ]'
read -r x y w h <<<"$geometry"
check "head-mounted window centred, as wide as its view ($geometry)" \
    '[ "$x" = 640 ] && [ "$w" = 640 ] && [ "$h" -gt 400 ] && [ "$y" -eq $(((1080 - h) / 2)) ]'
check "the file read and written again is the same" 'grep -v ENV_OPTIMIZED_CORES "$ini" | cmp -s - "$tmp/first"'

[ $fail -eq 0 ] || { echo "--- stderr of the runs"; cat "$tmp/err1" "$tmp/err2"; }
exit $fail
