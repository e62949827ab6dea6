#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test:
#   1. the normal build (warnings as errors) with all tests; the window's tests (label gui) start
#      the real program on a virtual display of their own (xvfb-run) and need no display here,
#   2. the non-GUI libraries and tests under AddressSanitizer + UndefinedBehaviorSanitizer,
#   3. the threaded simulation tests under ThreadSanitizer,
#   4. the optimised (Release) build, whose -O3 brings warnings of its own, with the non-GUI tests.
# Warnings are errors here only; a user's build of any build type keeps them as warnings.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
run_suite() {  # run_suite NAME BUILD_DIR CTEST_ARGS... -- CMAKE_ARGS...
  local name=$1 dir=$2; shift 2
  local ctest_args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  echo "=== $name ==="
  cmake -S . -B "$dir" -G Ninja -DKORVAN_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${ctest_args[@]}"
}

run_suite "build and test" build
run_suite "address and undefined-behaviour sanitizers" build-asan -- \
  -DCMAKE_BUILD_TYPE=Debug -DKORVAN_GUI=OFF -DKORVAN_BENCH=OFF -DKORVAN_SANITIZE=address,undefined
if ctest --test-dir build -N -L threads 2>/dev/null | grep -q 'Total Tests: [1-9]'; then
  run_suite "thread sanitizer" build-tsan -L threads -- \
    -DCMAKE_BUILD_TYPE=Debug -DKORVAN_GUI=OFF -DKORVAN_BENCH=OFF -DKORVAN_SANITIZE=thread
fi
run_suite "optimised build" build-release -LE gui -- -DCMAKE_BUILD_TYPE=Release
