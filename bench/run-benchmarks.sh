#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Builds the benchmarks (Release) and runs them; writes the ratio table and the load, memory and launch figures as Markdown.
#
#   bash bench/run-benchmarks.sh [QT_MAJOR] [OUTPUT.md]
#
# QT_MAJOR is 6 (default) or 5. The build goes to build-bench-qt<QT_MAJOR>
# (KEL_BENCH_BUILD_DIR overrides it); OUTPUT.md defaults to
# <build dir>/benchmark-results.md. KEL_BENCH_REPETITIONS (default 5) and
# KEL_BENCH_DLOPEN_SAMPLES (default 200) tune the run; extra Google Benchmark
# flags can be passed in KEL_BENCH_ARGS (for example --benchmark_filter=pixmap).
set -euo pipefail
cd "$(dirname "$0")/.."

qt=${1:-6}
build=${KEL_BENCH_BUILD_DIR:-build-bench-qt$qt}
output=${2:-$build/benchmark-results.md}
repetitions=${KEL_BENCH_REPETITIONS:-5}
dlopen_samples=${KEL_BENCH_DLOPEN_SAMPLES:-200}

if ! dpkg-query -W -f='${Status}' libbenchmark-dev 2>/dev/null | grep -q "install ok installed"; then
  echo "libbenchmark-dev is missing: run tools/dev/install-deps.sh first" >&2
  exit 1
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKEL_QT_MAJOR="$qt" \
  -DKEL_BUILD_BENCHMARKS=ON -DKEL_BUILD_TESTS=OFF -DKEL_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j2 --target kel_bench kel_bench_dlopen kel_bench_imagememory kel_bench_storememory kel_bench_launch

mkdir -p "$(dirname "$output")"
table=$(mktemp)
launch_table=$(mktemp)
trap 'rm -f "$table" "$launch_table"' EXIT

# shellcheck disable=SC2086  # KEL_BENCH_ARGS is a list of flags
"$build/bin/kel_bench" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
  --table="$table" ${KEL_BENCH_ARGS:-}
"$build/bin/kel_bench_launch" --table="$launch_table"

{
  echo "## Benchmarks ($(uname -m), $(nproc) cores)"
  echo
  cat "$table"
  echo
  echo "### Loading the library (dlopen + dlclose in a process with Qt loaded)"
  echo
  "$build/bin/kel_bench_dlopen" "$dlopen_samples"
  echo
  echo "### Image cache memory (10,000 distinct 64×64 images, 32 MiB bound)"
  echo
  echo '```'
  "$build/bin/kel_bench_imagememory"
  echo '```'
  echo
  echo "### Store memory (another program rewrites a 2 MB store 40 times; a getter after each)"
  echo
  echo '```'
  "$build/bin/kel_bench_storememory"
  echo '```'
  echo
  echo "### Launching a viewer or browser"
  echo
  cat "$launch_table"
} >"$output"

echo
echo "Results written to $output"
