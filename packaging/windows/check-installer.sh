#!/usr/bin/env bash
# Checks the Windows installer in BUILD (default build-windows/) under Wine: the program file's version record and
# icon, a silent install, the installed program's search over the installed sample, and that neither installing
# nor uninstalling touches a user's base.mdb.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-windows}
setup="$PWD/$build/velkaro-1.0.0-setup.exe"
run="$PWD/$build/wine-run.sh"
export WINEPREFIX="$PWD/$build/wine-prefix"
folder="$WINEPREFIX/drive_c/Program Files/Velkaro"
fail() { echo "check-installer: $*" >&2; exit 1; }

echo "== version record and icon"
exe="$build/bin/velkaro.exe"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# VS_FIXEDFILEINFO: the signature 0xFEEF04BD, the structure version 1.0, then the file version 1.0.0.0.
wrestool -x --raw --type=16 "$exe" > "$scratch/version"
od -An -tx1 -v "$scratch/version" | tr -d ' \n' | grep -q 'bd04effe000001000000010000000000' \
    || fail "file version is not 1.0.0.0"
strings=$(iconv -f UTF-16LE -t UTF-8 "$scratch/version" | tr '\0' '\n' | grep -v '^$')
for pair in "FileVersion 1.00" "ProductVersion 1.00" "ProductName Velkaro" "InternalName Velkaro" "Comments Velkaro"; do
    grep -A1 "${pair% *}$" <<<"$strings" | tail -n 1 | grep -qx "${pair#* }" || fail "version record: no $pair"
done
wrestool -x --type=14 "$exe" > "$scratch/icon.ico"
icotool -l "$scratch/icon.ico"
diff <(icotool -l src/ui/velkaro.ico) <(icotool -l "$scratch/icon.ico") || fail "the icon is not the program's"

echo "== silent install and the installed program"
rm -rf "$folder"
"$run" "$setup" /S
/usr/lib/wine/wineserver -w
[ -f "$folder/velkaro.exe" ] && [ -f "$folder/base.mdb" ] && [ -f "$folder/help.html" ] || fail "files missing"
version=$("$run" "$folder/velkaro.exe" --version | tr -d '\r' | iconv -f CP1251 -t UTF-8)
[ "$version" = "Velkaro, версия 1.0.0" ] || fail "velkaro.exe --version said: $version"
cp "$build/bin/tst_package_installed.exe" "$folder/"
QT_QPA_PLATFORM=offscreen "$run" "$folder/tst_package_installed.exe"
rm "$folder/tst_package_installed.exe"

echo "== uninstall removes all of it, the untouched sample too"
"$run" "$folder/uninstall.exe" /S
/usr/lib/wine/wineserver -w
[ ! -e "$folder" ] || fail "left behind: $(ls "$folder")"

echo "== a user's base.mdb survives install and uninstall"
mkdir -p "$folder"
printf 'the user directory' > "$folder/base.mdb"
"$run" "$setup" /S
/usr/lib/wine/wineserver -w
[ "$(cat "$folder/base.mdb")" = "the user directory" ] || fail "the installer replaced base.mdb"
"$run" "$folder/uninstall.exe" /S
/usr/lib/wine/wineserver -w
[ "$(ls -A "$folder")" = "base.mdb" ] || fail "after uninstall: $(ls -A "$folder")"
[ "$(cat "$folder/base.mdb")" = "the user directory" ] || fail "the uninstaller changed base.mdb"
rm -rf "$folder"
echo "== the installer passes its checks ($(du -k "$setup" | cut -f1) KB)"
