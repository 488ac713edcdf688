#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Takes the README's pictures of the widgets: runs the demo host on a virtual X display (Xvfb) with a scratch store,
# at 1x, at 2x (QT_SCALE_FACTOR=2) and with a dark palette, and the Qt Quick example where the build has it; writes
# docs/images/<widget>[-2x|-dark].png and recent-projects-quick.png.
# Usage: screenshots.sh [BUILD_DIR]   (default build/screenshots; needs Debian's xvfb)
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${1:-build/screenshots}
images=docs/images
# The Qt Quick example, built where Qt Quick is found: its program is the one its CMakeLists.txt adds.
quick_source=examples/recent-projects-quick
quick_target=""
if [ -f "$quick_source/CMakeLists.txt" ]; then
  quick_target=$(sed -n 's/^ *\(qt_\)\?add_executable(\([A-Za-z0-9_.-]*\).*/\2/p' "$quick_source/CMakeLists.txt" | head -n 1)
fi
# A build directory given keeps its options; a new one builds only what the pictures need.
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKEL_BUILD_TESTS=OFF -DKEL_BUILD_TOOLS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target kel_widgets_demo >/dev/null
if [ -n "$quick_target" ] && cmake --build "$build" --target help | grep -qw -- "$quick_target"; then
  cmake --build "$build" -j2 --target "$quick_target" >/dev/null
fi

work=$(mktemp -d)
shown=""
xvfb=""
quick=""
cleanup() {
  if [ -n "$quick" ]; then kill "$quick" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work" "$shown"
}
trap cleanup EXIT

# A display of its own, numbered by Xvfb, so no other X server is touched; large enough for the 2x pictures.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 2400x1600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "screenshots: Xvfb did not start: $(cat "$work/xvfb.log")" >&2; exit 1; }

# The projects live in a folder named as a user's would be, and the page names
# a desktop opener there that opens nothing.
shown=/tmp/kel-widgets-demo
projects=$shown/home/alex/Projects
rm -rf "$shown"
mkdir -p "$images" "$work/config" "$work/runtime" "$shown/bin"
chmod 0700 "$work/runtime"
printf '#!/bin/sh\nexit 0\n' >"$shown/bin/xdg-open"
chmod +x "$shown/bin/xdg-open"
# The same look on every machine: Qt's own style, English, a store of its own.
run() {
  env PATH="$shown/bin:$PATH" DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb QT_STYLE_OVERRIDE=Fusion \
      LANG=C.UTF-8 LC_ALL=C.UTF-8 XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" "$@"
}

# One picture of each widget per variant: <widget><suffix>.png.
shoot() {
  local suffix=$1 widget
  shift
  mkdir -p "$work/shots"
  run "$@" "$build/bin/kel_widgets_demo" --screenshots "$work/shots" "$projects" "${extra[@]}"
  for widget in recent-projects-menu external-programs-page; do
    mv "$work/shots/$widget.png" "$images/$widget$suffix.png"
  done
}
extra=()
shoot ""
shoot -2x QT_SCALE_FACTOR=2
extra=(--dark)
shoot -dark

# The Qt Quick example lists the projects the demo recorded in the same store.
example=""
if [ -n "$quick_target" ]; then
  example=$(find "$build" -path '*/CMakeFiles' -prune -o -type f -perm -u+x -name "$quick_target" -print -quit)
fi
if [ -n "$example" ]; then
  run "$example" >"$work/quick.log" 2>&1 &
  quick=$!
  sleep 3
  run "$build/bin/kel_widgets_demo" --grab-screen "$images/recent-projects-quick.png" \
    || { echo "screenshots: no picture of $example: $(cat "$work/quick.log")" >&2; exit 1; }
  kill "$quick" 2>/dev/null || true
  quick=""
else
  echo "screenshots: no Qt Quick example in $build (not there, or Qt Quick not found): its picture is left as it is"
fi
ls -l "$images"/*.png
