#!/usr/bin/env bash
# Sets up the machine, builds the program and runs its main job: the car sample driven forward
# by the up-arrow key for ten simulated seconds, with the timing and every body's final state.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target KORVAN3
exec build/KORVAN3 --headless Samples/car.txt --frames 600 --key VK_UP@0-599 --print-state --timing
