#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds what Korvane needs on Windows from Debian's own source packages, with Debian's
# MinGW-w64: Qt base (only the modules Korvane uses), OpenSSL, libmosquitto with TLS and
# threads, libxlsxwriter. Everything goes into a cache outside the work tree, once per
# machine: a part whose recipe has not changed is not built again.
# Usage: scripts/windows/deps.sh   (prints the prefix it installed into)
# KORVANE_WINDOWS_CACHE chooses the cache (default ~/.cache/korvane-windows).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${KORVANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvane-windows}
prefix=$cache/prefix
toolchain=$here/mingw64.cmake
jobs=${KORVANE_JOBS:-2}
mkdir -p "$cache/src" "$cache/build" "$cache/stamps" "$prefix"
export KORVANE_WINDOWS_PREFIX=$prefix

log() { echo "windows deps: $*" >&2; }

# apt-get with deb-src entries made from this machine's own deb entries, in a private state
# folder: the system's apt configuration is left alone.
apt_src() {
    local state=$cache/apt
    if [[ ! -d $state/lists ]]; then
        mkdir -p "$state/parts" "$state/lists/partial"
        local f
        for f in /etc/apt/sources.list.d/*.sources; do
            [[ -e $f ]] || continue
            sed -E 's/^Types:.*\bdeb\b.*$/Types: deb-src/' "$f" >"$state/parts/$(basename "$f")"
        done
        if [[ -f /etc/apt/sources.list ]]; then
            sed -nE 's/^deb (.*)$/deb-src \1/p' /etc/apt/sources.list >"$state/parts/from-list.list"
        fi
        apt-get -o APT::Sandbox::User=root -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$state/parts" \
            -o Dir::State::Lists="$state/lists" update -qq
    fi
    apt-get -o APT::Sandbox::User=root -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$state/parts" \
        -o Dir::State::Lists="$state/lists" "$@"
}

# Unpacks the upstream archive of a Debian source package into $cache/src/NAME and prints
# that folder. Only the upstream archive is needed: its Debian packaging is not used.
source_of() {
    local name=$1 dir=$cache/src/$1
    if [[ ! -f $dir/.unpacked ]]; then
        rm -rf "$dir" && mkdir -p "$dir/download"
        # A source package whose Debian part is missing from the archive still has its
        # upstream archive downloaded, which is all that is used here.
        (cd "$dir/download" && apt_src source --download-only -qq "$name" >&2) || true
        local orig
        orig=$(ls "$dir"/download/*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n1 || true)
        [[ -n $orig ]] || { log "cannot fetch the source of $name"; exit 1; }
        mkdir -p "$dir/tree"
        tar -xf "$orig" -C "$dir/tree" --strip-components=1
        touch "$dir/.unpacked"
    fi
    echo "$dir/tree"
}

# Runs "build_NAME" unless the stamp for this recipe exists.
part() {
    local name=$1 recipe
    recipe=$(declare -f "build_$name" | sha256sum | cut -c1-16)
    local stamp=$cache/stamps/$name-$recipe
    if [[ -f $stamp ]]; then
        log "$name: already built"
        return
    fi
    log "$name: building"
    local start=$SECONDS
    local output=$cache/build/$name.log status
    # In a subshell of its own so that set -e stops the recipe at its first failing step.
    set +e
    (
        set -e
        "build_$name"
    ) >"$output" 2>&1
    status=$?
    set -e
    if ((status != 0)); then
        tail -n 40 "$output" >&2
        log "$name: failed (the whole output is in $output)"
        exit 1
    fi
    touch "$stamp"
    log "$name: built in $((SECONDS - start)) s"
}

build_openssl() {
    local src build=$cache/build/openssl
    src=$(source_of openssl)
    rm -rf "$build" && cp -a "$src" "$build"
    (cd "$build" &&
        ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- --prefix="$prefix" \
            --libdir=lib shared no-tests no-engine no-module no-legacy no-comp &&
        make -j"$jobs" build_libs &&
        make install_dev install_runtime_libs)
}

build_mosquitto() {
    local src build=$cache/build/mosquitto
    src=$(source_of mosquitto)
    rm -rf "$build" "$build-src" && cp -a "$src" "$build-src"
    # Its threads are POSIX threads, which MinGW has: the prebuilt pthreads-w32 its build
    # expects on Windows is for MSVC.
    sed -i '/add_definitions("-DWITH_THREADING")/{n;s/if (WIN32)/if (MSVC)/}' "$build-src/CMakeLists.txt"
    grep -q 'if (MSVC)' "$build-src/CMakeLists.txt"
    cmake -S "$build-src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_CLIENTS=OFF -DWITH_PLUGINS=OFF \
        -DDOCUMENTATION=OFF -DWITH_CJSON=OFF -DWITH_STATIC_LIBRARIES=OFF \
        -DWITH_TLS=ON -DWITH_THREADING=ON -DWITH_LIB_CPP=OFF -DOPENSSL_ROOT_DIR="$prefix"
    cmake --build "$build" -j"$jobs"
    cmake --install "$build"
    # Its install leaves out the import library that linking against the DLL needs.
    cp "$build/lib/libmosquitto.dll.a" "$prefix/lib/"
}

build_xlsxwriter() {
    local src build=$cache/build/xlsxwriter
    src=$(source_of libxlsxwriter)
    rm -rf "$build"
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
        -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF
    cmake --build "$build" -j"$jobs"
    cmake --install "$build"
}

# Qt base with Debian's own Qt 6 tools for the host (moc, rcc, uic): the same version. Only the
# modules and features Korvane uses. Not every switch is free: without the XPM image format Qt
# leaves out drag and drop and then fails to build; with OpenGL off dynamicgl must be off too,
# and with Direct2D off DirectWrite too, or the windows platform plugin does not build.
build_qtbase() {
    local src build=$cache/build/qtbase
    src=$(source_of qt6-base)
    rm -rf "$build"
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_accessibility=OFF -DFEATURE_tabletevent=OFF \
        -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite=OFF \
        -DFEATURE_directwrite3=OFF \
        -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF -DFEATURE_openssl=OFF \
        -DFEATURE_gif=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
    cmake --build "$build" -j"$jobs"
    cmake --install "$build"
}

part openssl
part mosquitto
part xlsxwriter
part qtbase
echo "$prefix"
