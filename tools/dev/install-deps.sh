#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Installs, from Debian's packages, whatever the build, the tests, the fuzzers and the benchmarks need;
# with --main, only what building and running the library and kel-settings on Qt 6 needs (the main job).
# Usage: install-deps.sh [--main]
set -euo pipefail

main_packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev)
test_packages=(
  git
  qtbase5-dev qtbase5-dev-tools
  clang-14 libclang-rt-14-dev
  libbenchmark-dev
  python3 curl
  dpkg-dev file man-db
  # The licence headers (reuse lint) and the Debian packages' check (lintian).
  reuse lintian
  # The API reference: Doxygen and Qt's help generator; the ABI check.
  doxygen qt6-documentation-tools abigail-tools
  # The widgets: lupdate for their translation template; Xvfb for tools/dev/screenshots.sh.
  qt6-l10n-tools xvfb
  # The store's tests: a FUSE file system that hangs, for a recent project on a share that does not answer.
  libfuse3-dev fuse3
  # The Windows leg: the cross compiler, wine to run the tests, and what building Qt from Debian's source needs.
  g++-mingw-w64-x86-64-posix wine64 wine ninja-build patch xz-utils
  # The recent-projects model's Qt Quick example and test (Linux legs): Qt Quick and the QML modules a ListView loads.
  qt6-declarative-dev qml6-module-qtquick qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtqml-workerscript
  qtdeclarative5-dev qml-module-qtquick2
)

case "${1:-}" in
  --main) packages=("${main_packages[@]}") ;;
  "") packages=("${main_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 [--main]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
