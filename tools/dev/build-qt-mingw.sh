#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Builds Qt (Core, Gui, Widgets, Test) for 64-bit Windows from Debian's source once per machine; prints the install prefix.
#
# No Debian package holds Qt for mingw-w64, so the Windows leg builds it from the
# source of the installed host Qt (the host tools moc, rcc and uic must be the
# same version). The install lands in a cache folder outside the checkout, named
# for everything that shapes it: the Qt source version, the configure options,
# the patch and the compiler. A complete folder is reused as it is.
#
# Environment: KEL_QT_CACHE (default /var/cache/kel-guiutilities), KEL_QT_JOBS (default 2).
# Progress goes to stderr; the only line on stdout is the prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

cache_root=${KEL_QT_CACHE:-/var/cache/kel-guiutilities}
jobs=${KEL_QT_JOBS:-2}
toolchain="$repo/cmake/MingwW64Toolchain.cmake"
patch_file="$here/patches/qtbase-windows-plugin-without-opengl.patch"
triplet=x86_64-w64-mingw32

log() { echo "build-qt-mingw: $*" >&2; }

# The cross build uses the host's moc, rcc and uic, so its source is the host Qt's.
qt_source_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)

# What the library, its tests and its tools use: Core, Gui, Widgets, Test and the
# windows, offscreen and minimal platform plugins. Everything else is left out to
# keep the build short; third-party code comes from Qt's bundled copies because
# the mingw root holds none of them.
configure_options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DINPUT_opengl=no
  -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF
  -DFEATURE_pkg_config=OFF -DFEATURE_glib=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  # Debian's source lacks the third-party part tablet support needs.
  -DFEATURE_tabletevent=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_doubleconversion=OFF
  # Not used by the library or its tests; each is a sizeable part of the build.
  -DFEATURE_accessibility=OFF -DFEATURE_graphicsview=OFF -DFEATURE_pdf=OFF
  -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
  -DFEATURE_sessionmanager=OFF -DFEATURE_style_windowsvista=OFF
)

compiler_version=$("$triplet-g++-posix" --version | head -n 1)
key=$( { echo "$qt_source_version"; printf '%s\n' "${configure_options[@]}"; cat "$patch_file" "$toolchain"; echo "$compiler_version"; } \
       | sha256sum | cut -c1-16)
prefix="$cache_root/qt-${qt_source_version%%+*}-$key"
complete_mark="$prefix/.kel-complete"

mkdir -p "$cache_root"
# One build per key at a time: a second caller waits and then finds the cache.
exec 9>"$cache_root/.qt-$key.lock"
flock 9

if [ -f "$complete_mark" ]; then
  log "reusing $prefix"
  echo "$prefix"
  exit 0
fi

work="$cache_root/work-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work"
started=$(date +%s)

# A private apt configuration adds the source index without touching the system's sources.
apt_dir="$work/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
# The suites where the installed revision may have come from.
cat >"$apt_dir/sources.list" <<EOF
deb-src http://deb.debian.org/debian $codename main
deb-src http://deb.debian.org/debian $codename-updates main
deb-src http://deb.debian.org/debian-security $codename-security main
EOF
touch "$apt_dir/status"
apt_options=(
  -o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/nonexistent
  -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
  -o Dir::State::status="$apt_dir/status" -o APT::Sandbox::User=root
)
log "fetching qt6-base $qt_source_version"
apt-get "${apt_options[@]}" -qq update >&2
(cd "$work" && apt-get "${apt_options[@]}" -qq source --download-only "qt6-base=$qt_source_version" >&2)
dpkg-source --no-check -x "$work"/qt6-base_*.dsc "$work/qtbase" >&2
patch -d "$work/qtbase" -p1 <"$patch_file" >&2

log "configuring into $prefix"
cmake -S "$work/qtbase" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
  "${configure_options[@]}" >"$work/configure.log" 2>&1 \
  || { tail -n 60 "$work/configure.log" >&2; exit 1; }

log "building with $jobs jobs (about half an hour on two cores)"
cmake --build "$work/build" -j"$jobs" >"$work/build.log" 2>&1 \
  || { tail -n 60 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >"$work/install.log" 2>&1 \
  || { tail -n 30 "$work/install.log" >&2; exit 1; }

elapsed=$(( $(date +%s) - started ))
echo "qt-source=$qt_source_version seconds=$elapsed compiler=$compiler_version" >"$complete_mark"
rm -rf "$work"
log "built in $((elapsed / 60)) min $((elapsed % 60)) s: $prefix"
echo "$prefix"
