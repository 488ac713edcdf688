#!/usr/bin/env bash
# Builds with Qt 6 and with Qt 5 and runs every test; the one command CI runs.
set -euo pipefail
cd "$(dirname "$0")/../.."

bash tools/dev/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0

build_and_test() {
  local name=$1; shift
  local dir="build/$name"
  echo "=== $name: configure and build"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "=== $name: tests"
  if ! ctest --test-dir "$dir" --output-on-failure -j"$jobs"; then
    status=1
  fi
}

build_and_test qt6 -DKEL_QT_MAJOR=6
build_and_test qt5 -DKEL_QT_MAJOR=5

exit $status
