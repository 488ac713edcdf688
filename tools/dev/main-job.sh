#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Builds the library and kel-settings, then lists every preference of the user's store.
set -euo pipefail
cd "$(dirname "$0")/../.."

bash tools/dev/install-deps.sh --main
cmake -S . -B build/main -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEL_BUILD_TESTS=OFF >/dev/null
cmake --build build/main -j"$(nproc 2>/dev/null || echo 2)" --target kel-settings
./build/main/bin/kel-settings list
