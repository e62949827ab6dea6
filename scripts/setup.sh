#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with.
# Idempotent: when everything is already there it installs nothing and prints nothing.
set -euo pipefail

PACKAGES=(
  # toolchain, build, tests, benchmarks, fuzzing, formatting
  g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  # GUI: Qt 6 widgets with an OpenGL widget, fixed-function GL and GLU
  qt6-base-dev libqt6opengl6-dev libgl-dev libglu1-mesa-dev fonts-ipafont-gothic
  # images
  libpng-dev libstb-dev
  # sound, controllers, music
  libsdl2-dev libsdl2-mixer-dev
  # video writing
  libavformat-dev libavcodec-dev libswscale-dev
  # 3-D mouse, tracking camera, head-mounted display
  libspnav-dev libv4l-dev libfftw3-dev libopenhmd-dev
  # running the GUI without a display (Xvfb, with Mesa's software renderer for OpenGL)
  xvfb xauth libgl1-mesa-dri
  # the window tests read window geometry (xwininfo) and the keyboard's lock lights (Xlib's XKB)
  x11-utils libx11-dev
  # the help command opens the manual in the desktop's browser
  xdg-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
