#!/usr/bin/env bash
# Checks the Debian package built in BUILD (default build/): its file list, lintian, the desktop entry, the
# AppStream data and the man pages, then the unpacked program itself.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
deb="$build/velkaro_1.0.0_$(dpkg --print-architecture).deb"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

echo "== file list"
diff -u packaging/package-contents.txt <(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)
for script in postinst postrm; do
    dpkg-deb --info "$deb" "$script" >/dev/null
done

echo "== lintian"
report=$(lintian --fail-on error --display-info "$deb") || { echo "$report"; exit 1; }
echo "$report"
# The binaries carry Debian's hardening flags: a hardening note at any level is a fault.
if grep -q "hardening-" <<<"$report"; then
    echo "lintian: the binaries lack some of Debian's hardening"
    exit 1
fi

dpkg-deb -x "$deb" "$root"

echo "== desktop entry, AppStream data, man pages"
desktop-file-validate "$root/usr/share/applications/velkaro.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.velkaro.Velkaro.metainfo.xml"
# The package's MIME data, merged with the system's as update-mime-database does on the target, opens .accdb too.
mkdir -p "$root/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$root/usr/share/mime/packages/velkaro.xml" "$root/mime/packages/"
update-mime-database "$root/mime" 2>/dev/null
grep -qx "50:application/vnd.ms-access:\*.accdb" "$root/mime/globs2"
for page in velkaro velkaro-mkbase; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "man $page: $warnings"; exit 1; }
    LC_ALL=C.UTF-8 man -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" | grep -q "^NAME"
done

echo "== the unpacked program"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$root/usr/bin/velkaro" --version)
[ "$version" = "Velkaro, версия 1.0.0" ] || { echo "velkaro --version said: $version"; exit 1; }
cp "$build/bin/tst_package_unpacked" "$root/usr/bin/"
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$root/usr/bin/tst_package_unpacked"
echo "== the package passes its checks"
