#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Builds the library and its tests for 64-bit Windows with mingw-w64 and runs every test through wine.
#
# Qt for Windows comes from build-qt-mingw.sh (built once per machine, then
# cached). The tests run in a wine prefix of the build's own, in which PDF
# files and web links open with the argument recorder: nothing a test starts
# through the registered programs ever reaches the host's desktop.
# Usage: test-windows.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)

jobs=$(nproc 2>/dev/null || echo 2)
build="$repo/build/windows"
triplet=x86_64-w64-mingw32

seconds_since() { echo $(( $(date +%s) - $1 )); }

started=$(date +%s)
qt_prefix=$(bash tools/dev/build-qt-mingw.sh)
echo "=== windows: Qt ready in $(seconds_since "$started") s ($qt_prefix)"

started=$(date +%s)
echo "=== windows: configure and build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/MingwW64Toolchain.cmake" \
  -DCMAKE_PREFIX_PATH="$qt_prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
cmake --build "$build" -j"$jobs"
echo "=== windows: built in $(seconds_since "$started") s"

# A Windows path for a host path: wine shows the host's root as drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
# No desktop entries on the host, and no prompts to install wine's Gecko or Mono.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
gcc_runtime=$(dirname "$("$triplet-g++-posix" -print-libgcc-file-name)")
export WINEPATH="$(windows_path "$qt_prefix/bin");$(windows_path "$gcc_runtime");$(windows_path "/usr/$triplet/lib");$(windows_path "$build/bin")"

started=$(date +%s)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init
  wineserver --wait
fi
# PDF files and web links open with the argument recorder; wine's own browser
# bridge, should anything reach it, knows no host program to hand a link to.
recorder=$(windows_path "$build/bin/kel_argrecorder.exe")
recorder_command="\"${recorder//\\/\\\\}\" \"%1\""
recorder_command=${recorder_command//\"/\\\"}
registry="$build/test-associations.reg"
cat >"$registry" <<EOF
REGEDIT4

[HKEY_CLASSES_ROOT\\.pdf]
@="KelTest.PdfFile"

[HKEY_CLASSES_ROOT\\KelTest.PdfFile\\shell\\open\\command]
@="$recorder_command"

[HKEY_CLASSES_ROOT\\http\\shell\\open\\command]
@="$recorder_command"

[HKEY_CLASSES_ROOT\\https\\shell\\open\\command]
@="$recorder_command"

[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]
"Browsers"="kel-no-host-browser"
"Mailers"="kel-no-host-mailer"
EOF
wine regedit /S "$(windows_path "$registry")"
wineserver --wait
# The desktop help manager's tests must then find the recorder registered.
export KEL_TEST_RECORDER_REGISTERED=1
echo "=== windows: wine prefix ready in $(seconds_since "$started") s"

started=$(date +%s)
status=0
# One wine server for the whole run instead of one per test program; it ends
# with the run, and with it every program the tests left behind in the prefix.
wineserver --persistent
trap 'wineserver --kill 2>/dev/null || true' EXIT
echo "=== windows: tests"
ctest --test-dir "$build" --output-on-failure -j"$jobs" "$@" || status=1
echo "=== windows: tests ran in $(seconds_since "$started") s"
grep -h "FIGURE:" "$build/Testing/Temporary/LastTest.log" | sed 's/^.*FIGURE: /  /' || true
exit $status
