#!/usr/bin/env bash
# Sets up the machine, builds the program and opens the window on the car sample.
#
# On a machine without a display (DISPLAY and WAYLAND_DISPLAY unset) the window runs on a virtual
# one instead: the up-arrow key drives the car forward for a few seconds, the car's position is
# asked from the running window through --send, and a picture of the window is saved to a file
# whose path is printed (KORVAN3_SCREENSHOT chooses the file).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != "--on-virtual-display" ]; then
  bash scripts/setup.sh
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build -j "$(nproc)" --target KORVAN3
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/KORVAN3 Samples/car.txt
  fi
  echo "run: no display; running the window on a virtual one (xvfb-run)"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --on-virtual-display
fi

# --- on the virtual display -------------------------------------------------------------------
exe=build/KORVAN3
work=$(mktemp -d)
shot=${KORVAN3_SCREENSHOT:-$PWD/build/car-window.png}
trap 'rm -rf "$work"' EXIT
# A runtime folder of this run: the window's socket is found there and nowhere else.
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Frames count from the start at 60 per second: the up arrow is held from 0.5 s to 5.5 s, the
# picture is taken and the window closes at 7 s. Settings go to a file of this run; nobody is
# there to click, so messages (a delay warning on a busy machine) do not wait for one.
"$exe" Samples/car.txt /nooculus --unattended --key VK_UP@30-329 --quit-after 420 --screenshot "$shot" \
  --settings "$work/KORVAN3.ini" &
pid=$!

# Wait for the window to answer and for the car to be under way (simulated time past 4 s).
time_now() { "$exe" --send --pid "$pid" "MsgBox Application.CurTime" 2>/dev/null; }
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || { echo "run: the window ended before the car was under way" >&2; exit 1; }
  t=$(time_now) && awk -v t="$t" 'BEGIN { exit !(t >= 4) }' && break
  sleep 0.2
done

"$exe" --send --pid "$pid" - <<'END'
Set car = Application.FindObj("車体")
car.GetPosition x, y, z
car.GetVelocity vx, vy, vz
MsgBox "car after " & FormatNumber(Application.CurTime, 2) & " s: position x=" & FormatNumber(x, 3) _
  & " y=" & FormatNumber(y, 3) & " z=" & FormatNumber(z, 3) & " m, speed " & FormatNumber(vx, 2) & " m/s"
END

wait "$pid"
if [ -s "$shot" ]; then
  echo "screenshot: $shot"
else
  echo "run: no screenshot was written to $shot" >&2
  exit 1
fi
