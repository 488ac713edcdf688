#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Takes the README's pictures of the widgets: runs the demo host on a virtual X display (Xvfb) with a scratch store and writes docs/images/*.png.
# Usage: screenshots.sh [BUILD_DIR]   (default build/screenshots; needs Debian's xvfb)
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${1:-build/screenshots}
images=docs/images
# A build directory given keeps its options; a new one builds only what the pictures need.
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKEL_BUILD_TESTS=OFF -DKEL_BUILD_TOOLS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target kel_widgets_demo >/dev/null

work=$(mktemp -d)
shown=""
xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work" "$shown"
}
trap cleanup EXIT

# A display of its own, numbered by Xvfb, so no other X server is touched.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1100x720x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
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
env PATH="$shown/bin:$PATH" DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb QT_STYLE_OVERRIDE=Fusion LANG=C.UTF-8 LC_ALL=C.UTF-8 \
    XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    "$build/bin/kel_widgets_demo" --screenshots "$images" "$projects"
ls -l "$images"/*.png
