#!/usr/bin/env bash
# Builds Qt for Windows (mingw-w64, shared DLLs) from Debian's own qt6-base source, once: the result goes to a cache
# outside the checkout, named by Qt's version, the configure options, the compiler and the toolchain file, and is
# reused while none of them changes. Prints the Qt prefix on its last line. Expects windows_packages installed.
# With --cached it builds nothing: it prints the prefix when that Qt is built already, and fails otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

cache_root=${VELKARO_QT_CACHE:-/var/cache/velkaro}
qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
qt_options=(
    -DCMAKE_BUILD_TYPE=Release -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_icu=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no
    -DFEATURE_vulkan=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF
    # mingw-w64 has no wintab.h and Debian's tarball drops Qt's copy.
    -DFEATURE_tabletevent=OFF -DFEATURE_pkg_config=OFF -DFEATURE_zstd=OFF -DFEATURE_system_zlib=OFF
    -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_libpng=OFF -DFEATURE_system_libjpeg=OFF -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_androiddeployqt=OFF
)
compiler=$(x86_64-w64-mingw32-g++-posix --version 2>/dev/null | head -n 1) || true
[ -n "$compiler" ] || { echo "windows-qt.sh: mingw-w64 is not installed" >&2; exit 1; }
key=$( { echo "$qt_version"; echo "${qt_options[*]}"; echo "$compiler"; cat cmake/mingw-w64-x86_64.cmake; } \
       | sha256sum | cut -c 1-12)
prefix="$cache_root/qt-${qt_version%%+*}-mingw-$key"
stamp="$prefix/.velkaro-built"

if [ "${1:-}" = --cached ]; then
    [ -f "$stamp" ] || exit 1
elif [ ! -f "$stamp" ]; then
    # The Qt prefix records its toolchain file's absolute path, so the file lives in the cache beside it.
    mkdir -p "$cache_root"
    toolchain="$prefix.toolchain.cmake"
    cp cmake/mingw-w64-x86_64.cmake "$toolchain"

    if ! apt-get indextargets --format '$(IDENTIFIER) $(CODENAME)' | grep -q '^Sources bookworm$'; then
        archive=$(apt-get indextargets --format '$(REPO_URI) $(CODENAME)' | awk '$2 == "bookworm" { print $1; exit }')
        printf 'Types: deb-src\nURIs: %s\nSuites: bookworm\nComponents: main\nSigned-By: %s\n' \
            "${archive:-http://deb.debian.org/debian/}" /usr/share/keyrings/debian-archive-keyring.gpg \
            > /etc/apt/sources.list.d/velkaro-deb-src.sources
        apt-get update -qq
    fi

    scratch="${TMPDIR:-/var/tmp}/velkaro-qt-$key"
    rm -rf "$scratch" && mkdir -p "$scratch"
    (cd "$scratch" && apt-get source --download-only -qq "qt6-base=$qt_version" && dpkg-source -x --no-check ./*.dsc src)
    cmake -G Ninja -S "$scratch/src" -B "$scratch/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" "${qt_options[@]}"
    cmake --build "$scratch/build" -j "$(nproc)"
    rm -rf "$prefix"
    cmake --install "$scratch/build"
    rm -rf "$scratch"
    date -u +%FT%TZ > "$stamp"
fi
echo "$prefix"
