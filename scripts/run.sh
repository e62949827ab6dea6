#!/usr/bin/env bash
# Sets up the machine, builds the program and runs its main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
# Until the headless runner lands, the main job is the simulation core's own check.
ctest --test-dir build --output-on-failure -R 'Body|Integration|Box|Cylinder'
