#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Builds the Debian packages, builds and runs the README's host against two --prefix installs and against the
# packages installed with dpkg, then removes the packages; the machine is left as it was found, whatever fails.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=build/packages
packages=(kel-settings libkelguiutilities-dev libkelguiutilities1)  # dependents first, for dpkg -r
jobs=$(nproc 2>/dev/null || echo 2)
started=$SECONDS

is_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# Whether dpkg has any record of the package: installed, or removed with its
# maintainer scripts kept (the libraries' ldconfig call keeps a record).
is_known() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -qv "not-installed"
}

forget_ours() {
  local known=()
  for p in "${packages[@]}"; do
    if is_known "$p"; then known+=("$p"); fi
  done
  if [ ${#known[@]} -gt 0 ]; then dpkg --purge "${known[@]}" >/dev/null; fi
}

cleanup() {
  forget_ours || echo "packages: could not remove ${packages[*]}" >&2
  rm -rf "$work"
  echo "=== packages: $((SECONDS - started)) s"
}

fail() {
  echo "packages: $*" >&2
  exit 1
}

for p in "${packages[@]}"; do
  if is_known "$p"; then fail "$p is installed already; purge it first, so this test can leave the system as it was"; fi
done
work=$(mktemp -d)
trap cleanup EXIT

# The example's three files, taken from the README's own text: the first cpp,
# cmake and sh blocks of its host section.
readme_block() {
  awk -v lang="$1" '
    /^## / { in_section = ($0 == "## A host in ten lines") }
    in_section && !done && $0 == "```" lang { copying = 1; next }
    copying && $0 == "```" { copying = 0; done = 1 }
    copying { print }
  ' README.md
}
example="$work/example"
mkdir -p "$example"
readme_block cpp >"$example/host.cpp"
readme_block cmake >"$example/CMakeLists.txt"
readme_block sh >"$example/build-with-pkg-config.sh"
for f in host.cpp CMakeLists.txt build-with-pkg-config.sh; do
  [ -s "$example/$f" ] || fail "README.md has no $f block in its host section"
done

# The example starts a browser named firefox and the desktop opener: both are
# stand-ins here that record what they receive, found on a PATH of their own,
# with a store of its own.
standins="$work/standins"
mkdir -p "$standins"
for program in firefox xdg-open; do
  printf '#!/bin/bash\nprintf "%%s\\n" "%s $*" >>"$STANDIN_RECORDS"\n' "$program" >"$standins/$program"
  chmod +x "$standins/$program"
done

# Runs the host built in $1, with no LD_LIBRARY_PATH, and checks what the stand-ins received.
run_example() {
  local binary=$1 records="$work/records" config="$work/config"
  rm -rf "$records" "$config"
  mkdir -p -m 0700 "$work/runtime"
  if ! env -i PATH="$standins" HOME="$work" XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$work/runtime" \
       QT_QPA_PLATFORM=offscreen STANDIN_RECORDS="$records" \
       "$binary" >"$work/host.log" 2>&1; then
    fail "$binary did not start the PDF viewer: $(cat "$work/host.log")"
  fi
  for _ in $(seq 50); do
    if grep -q '^firefox ' "$records" 2>/dev/null && grep -q '^xdg-open ' "$records" 2>/dev/null; then break; fi
    sleep 0.1
  done
  grep -q '^firefox --new-tab http://www\.dravel\.com/.*core_full_name=name_v1_2' "$records" \
    || fail "$binary: the browser did not get the product page: $(cat "$records" 2>/dev/null)"
  grep -q '^xdg-open .*manual\.pdf' "$records" || fail "$binary: the opener did not get manual.pdf"
}

# Builds the example with CMake and with pkg-config against the install found
# through the given prefix (empty: the system's), and runs both.
build_and_run_example() {
  local prefix=$1 name=$2 libdir="" pkgconfig_path=""
  local dir="$work/build-$name"
  if [ -n "$prefix" ]; then
    libdir=$(dirname "$(find "$prefix" -name libKel_GuiUtilities.so -print -quit)")
    pkgconfig_path="$libdir/pkgconfig"
  fi
  cmake -S "$example" -B "$dir/cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$dir/cmake" >/dev/null
  mkdir -p "$dir/pkg-config"
  (cd "$example" && PKG_CONFIG_PATH="$pkgconfig_path" bash build-with-pkg-config.sh && mv host "$dir/pkg-config/")
  for binary in "$dir/cmake/host" "$dir/pkg-config/host"; do
    if [ -n "$prefix" ]; then
      local loaded  # as the loader finds it: a path through the pkg-config file's folder names it with ".."
      loaded=$(env -u LD_LIBRARY_PATH ldd "$binary" | awk '$1 == "libKel_GuiUtilities.so.1" { print $3 }')
      [ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$(realpath "$libdir/libKel_GuiUtilities.so.1")" ] \
        || fail "$binary does not load the library under $prefix"
    fi
    run_example "$binary"
  done
  if [ -n "$prefix" ]; then
    [ "$(env -i XDG_CONFIG_HOME="$work/config" "$prefix/bin/kel-settings" get JavaMemorySize)" = 1024 ] \
      || fail "kel-settings under $prefix does not run without LD_LIBRARY_PATH"
  fi
  echo "  $name: built with CMake and with pkg-config, ran"
}

echo "=== packages: build"
# With the hardening flags dpkg-buildflags hands every Debian package.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DKEL_QT_MAJOR=6 -DKEL_BUILD_TESTS=OFF \
  -DKEL_BUILD_DOCS=ON \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"$jobs" >/dev/null
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || fail "cpack: $(cat "$work/cpack.log")"
debs=("$build"/*.deb)
[ ${#debs[@]} -eq 3 ] || fail "expected three packages, got: ${debs[*]}"

# The libraries' search path for prefix installs is no part of the packages: in /usr the loader looks anyway.
for deb in "${debs[@]}"; do
  rm -rf "$work/unpacked" && dpkg-deb -x "$deb" "$work/unpacked"
  while IFS= read -r -d '' binary; do
    if file -b "$binary" | grep -q '^ELF' && readelf -d "$binary" | grep -q 'R\(UN\)\?PATH'; then
      fail "${binary#"$work/unpacked"} in $(basename "$deb") has a library search path"
    fi
  done < <(find "$work/unpacked" -type f -print0)
done

echo "=== packages: lintian"
# An error fails the leg; the warnings left are explained in HACKING.md.
lintian --fail-on error "${debs[@]}" >"$work/lintian.log" 2>&1 || fail "lintian: $(cat "$work/lintian.log")"
grep -v 'root privileges' "$work/lintian.log" | sed 's/^/  /' || true

echo "=== packages: the README's host against --prefix installs"
cmake --install "$build" --prefix "$work/prefix-a" >/dev/null
build_and_run_example "$work/prefix-a" prefix-a
cmake --install "$build" --prefix "$work/prefix-b" >/dev/null
mv "$work/prefix-b" "$work/prefix-b-moved"
build_and_run_example "$work/prefix-b-moved" prefix-b-moved

echo "=== packages: dpkg -i"
dpkg -i "${debs[@]}" >/dev/null
for p in "${packages[@]}"; do is_installed "$p" || fail "$p did not install"; done
build_and_run_example "" system
page=$(MANWIDTH=80 man --warnings kel-settings 2>"$work/man-warnings" | tr -s ' ')  # justified: blanks squeezed
[[ $page == *"kel-settings - show, change and try"* ]] || fail "man kel-settings shows no page"
[ ! -s "$work/man-warnings" ] || fail "man kel-settings: $(cat "$work/man-warnings")"
[ -f /usr/share/bash-completion/completions/kel-settings ] || fail "no bash completion installed"
[ "$(XDG_CONFIG_HOME="$work/config" kel-settings get JavaMemorySize)" = 1024 ] || fail "installed kel-settings does not run"
# The widgets: the demo host links them with one line of CMake, pkg-config finds them, the page's sample PDF is there.
cmake -S examples/widgets-demo -B "$work/build-widgets-demo" >/dev/null
cmake --build "$work/build-widgets-demo" >/dev/null || fail "the widgets demo host does not build against the packages"
pkg-config --exists KelGuiUtilitiesWidgets || fail "pkg-config does not find KelGuiUtilitiesWidgets"
[ -f /usr/share/KelGuiUtilities/KelGuiUtilities-sample.pdf ] || fail "the widgets' sample PDF is not installed"
# The API reference where Qt Creator registers the help files of the Qt it builds with.
qch="$(qtpaths6 --query QT_INSTALL_DOCS)/KelGuiUtilities.qch"
file "$qch" | grep -q 'SQLite' || fail "the -dev package has no Qt help file at $qch"
echo "  installed: $(dpkg-query -W -f='${Package} ${Version}, ' "${packages[@]}")man page, completion, Qt help file"

echo "=== packages: dpkg -r"
owned=$(for deb in "${debs[@]}"; do dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }'; done | grep -v '/$')
dpkg -r "${packages[@]}" >/dev/null
for p in "${packages[@]}"; do
  if is_installed "$p"; then fail "$p is still installed"; fi
done
for path in $owned; do
  if [ -e "$path" ] || [ -L "$path" ]; then fail "$path is left after dpkg -r"; fi
done
for dir in /usr/include/KelGuiUtilities /usr/lib/*/cmake/KelGuiUtilities; do
  if [ -e "$dir" ]; then fail "$dir is left after dpkg -r"; fi
done
forget_ours
for p in "${packages[@]}"; do
  if is_known "$p"; then fail "dpkg still has a record of $p after --purge"; fi
done
echo "  removed: nothing of ours is left, and dpkg keeps no record of the packages (purged)"
