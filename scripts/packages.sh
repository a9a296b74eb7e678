# Sourced by the set-up scripts: installs the Debian packages it is given that are missing, as root or through sudo.
install_missing_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0

    local as_root=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null && { sudo -n true 2>/dev/null || [ -t 0 ]; }; then
            as_root=(sudo)
        else
            echo "Velkaro needs these Debian packages; as root, run: apt-get install ${missing[*]}" >&2
            exit 1
        fi
    fi
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building and running the program need.
build_packages=(g++ cmake make pkg-config qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libglib2.0-dev
                libfontconfig-dev mdbtools mdbtools-dev libseccomp-dev fonts-dejavu-core fonts-liberation2 xdg-utils)
# What the tests add: building the package (dpkg-dev, file), checking it, Qt's platform interface for keys the
# window system holds back, and Node.js with npm for mdb-reader (a Node.js of another origin that brings its own
# npm will do).
test_packages=(dpkg-dev file lintian desktop-file-utils appstream man-db shared-mime-info qt6-base-private-dev)
command -v node >/dev/null || test_packages+=(nodejs)
command -v npm >/dev/null || test_packages+=(npm)
# What scripts/fuzz.sh adds: clang with libFuzzer and the sanitizers' runtimes (never needed by the tests).
fuzz_packages=(clang libclang-rt-14-dev)
# What the Windows build adds: mingw-w64, Wine to run the tests, Xvfb and xwininfo (x11-utils) to see the installed
# program's window, NSIS for the installer, icoutils to check the program file's resources, the fonts the tests
# measure with, Qt's Russian texts, which the installer ships, and the Russian locale Wine takes its code page
# from; Ninja and dpkg-dev build Qt for Windows from Debian's own source.
windows_packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools wine64 xvfb xauth cmake
                  ninja-build qt6-base-dev qt6-base-dev-tools dpkg-dev nsis icoutils fonts-dejavu-core
                  fonts-liberation2 qt6-translations-l10n x11-utils locales)
