#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Builds with Qt 6 and with Qt 5 and runs every test, then every test again under ASan+UBSan, the fuzzers briefly, and every test for Windows under wine; the one command CI runs.
set -euo pipefail
cd "$(dirname "$0")/../.."

bash tools/dev/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0

# Every file names its licence and copyright (a header, or .reuse/dep5).
echo "=== licence: reuse lint"
reuse lint --quiet || { reuse lint; status=1; }

build_and_test() {
  local name=$1; shift
  local dir="build/$name"
  local started=$SECONDS
  echo "=== $name: configure and build"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "=== $name: tests"
  if ! ctest --test-dir "$dir" --output-on-failure -j"$jobs"; then
    status=1
  fi
  # The reliability battery's measurements, for the log.
  grep -h "FIGURE:" "$dir/Testing/Temporary/LastTest.log" | sed 's/^.*FIGURE: /  /' || true
  leg_time "$name" "$started"
}

leg_times=()
leg_time() {
  leg_times+=("$1: $(( (SECONDS - $2) / 60 )) min $(( (SECONDS - $2) % 60 )) s")
  echo "=== $1 took ${leg_times[-1]#*: }"
}

# The benchmarks are built (not run) with the Qt 6 build, so they keep compiling; the API reference is
# built there too, and any undocumented public symbol fails it.
build_and_test qt6 -DKEL_QT_MAJOR=6 -DKEL_BUILD_BENCHMARKS=ON -DKEL_BUILD_DOCS=ON
build_and_test qt5 -DKEL_QT_MAJOR=5

# The start by fork that C libraries without posix_spawn_file_actions_addclosefrom_np
# (glibc before 2.34, musl) get, forced here: only the launcher's own tests.
fork_started=$SECONDS
echo "=== fork: the launcher started by fork and execve"
cmake -S . -B build/fork -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEL_QT_MAJOR=6 -DKEL_SPAWN_BY_FORK=ON \
  -DKEL_BUILD_TOOLS=OFF -DKEL_BUILD_WIDGETS=OFF >/dev/null
cmake --build build/fork -j"$jobs" --target tst_port_process tst_port_launcher
ctest --test-dir build/fork --output-on-failure -R '^tst_port_(process|launcher)$' || status=1
grep -h "FIGURE:" build/fork/Testing/Temporary/LastTest.log | sed 's/^.*FIGURE: /  /' || true
leg_time fork "$fork_started"
bash tools/dev/test-packages.sh || status=1

# Every test again with AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer;
# the same clang build holds the fuzzers. Any report fails the test that caused it.
# The allocator behaves as in production: a request it cannot meet (here, a
# gigabyte or more) gives null. No leak suppressions: none are needed.
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:allocator_may_return_null=1:max_allocation_size_mb=1024"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
build_and_test asan -DKEL_QT_MAJOR=6 -DKEL_SANITIZE=ON -DKEL_BUILD_FUZZERS=ON -DCMAKE_CXX_COMPILER=clang++-14

# The store's line reader against QSettings' on Qt 5 too: Qt 5's INI reader
# differs from Qt 6's, so the fuzzer is built for both.
echo "=== fuzz: the store's reader on Qt 5"
cmake -S . -B build/fuzz-qt5 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEL_QT_MAJOR=5 -DKEL_BUILD_FUZZERS=ON \
  -DKEL_BUILD_TESTS=OFF -DKEL_BUILD_TOOLS=OFF -DKEL_BUILD_WIDGETS=OFF -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build/fuzz-qt5 -j"$jobs" --target fuzz_settingsreader

echo "=== fuzz: short runs"
fuzz_started=$SECONDS
fuzz_seconds=${KEL_FUZZ_SECONDS:-20}
for fuzzer in asan/bin/fuzz_splitcommandline asan/bin/fuzz_stringbase asan/bin/fuzz_productpageurl \
              asan/bin/fuzz_settingsreader fuzz-qt5/bin/fuzz_settingsreader; do
  name=${fuzzer//\//-}
  corpus="build/fuzz-corpus/${fuzzer##*/}"
  mkdir -p "$corpus"
  # Seeds reach what random bytes would take long to find (serialized values).
  if [ -d "fuzz/seeds/${fuzzer##*/}" ]; then cp fuzz/seeds/"${fuzzer##*/}"/* "$corpus"/; fi
  if ./build/"$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=1 "$corpus" >"build/$name.log" 2>&1; then
    echo "  $fuzzer: $(grep -h 'stat::number_of_executed_units' "build/$name.log" | awk '{print $2}') inputs, no crash"
  else
    echo "  $fuzzer: FAILED"; tail -n 40 "build/$name.log"; status=1
  fi
done
unset ASAN_OPTIONS UBSAN_OPTIONS
leg_time fuzz "$fuzz_started"

# The Windows back-ends, built with mingw-w64 and tested through wine (Qt 6 only).
windows_started=$SECONDS
bash tools/dev/test-windows.sh || status=1
leg_time windows "$windows_started"

echo "=== time per leg"
printf '  %s\n' "${leg_times[@]}"
exit $status
