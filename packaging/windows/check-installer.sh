#!/usr/bin/env bash
# Checks the Windows installer in BUILD (default build-windows/) under Wine: the program file's version record and
# icon, a silent install, the Start-menu shortcut starting the installed program's window (on Xvfb), the installed
# program's search over the installed sample, that uninstalling removes everything it made, and that neither
# installing nor uninstalling touches a user's base.mdb.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-windows}
setup="$PWD/$build/velkaro-1.0.0-setup.exe"
run="$PWD/$build/wine-run.sh"
export WINEPREFIX="$PWD/$build/wine-prefix"
folder="$WINEPREFIX/drive_c/Program Files/Velkaro"
shortcut_path='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Velkaro.lnk'
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Velkaro.lnk"
uninstall_key='[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velkaro]'
fail() { echo "check-installer: $*" >&2; exit 1; }
registered() { grep -qF "$uninstall_key" "$WINEPREFIX/system.reg"; }

echo "== version record and icon"
exe="$build/bin/velkaro.exe"
scratch=$(mktemp -d)
# A failed check leaves no program of the prefix running.
trap 'rm -rf "$scratch"; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
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
registered || fail "no uninstall entry in the registry"
version=$(WINEPATH='' "$run" "$folder/velkaro.exe" --version | tr -d '\r' | iconv -f CP1251 -t UTF-8)
[ "$version" = "Velkaro, версия 1.0.0" ] || fail "velkaro.exe --version said: $version"
echo "== the Start-menu shortcut starts the installed program's window"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
tr '\0' '\n' < "$shortcut" | grep -xF 'C:\Program Files\Velkaro\velkaro.exe' >/dev/null \
    || fail "the shortcut names another program"
# Wine's programs share the desktop of the session their server began with, which had no display: a new one.
/usr/lib/wine/wineserver -k 2>/dev/null || true
/usr/lib/wine/wineserver -w
xvfb-run -a bash packaging/windows/shows-main-window.sh "$run" "$shortcut_path" \
    || fail "the installed program showed no main window"
/usr/lib/wine/wineserver -k
/usr/lib/wine/wineserver -w

echo "== the installed program's search over the installed sample"
cp "$build/bin/tst_package_installed.exe" "$folder/"
QT_QPA_PLATFORM=offscreen "$run" "$folder/tst_package_installed.exe"
rm "$folder/tst_package_installed.exe"

echo "== uninstall removes all of it, the untouched sample too"
"$run" "$folder/uninstall.exe" /S
/usr/lib/wine/wineserver -w
[ ! -e "$folder" ] || fail "left behind: $(ls "$folder")"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left behind"
! registered || fail "the uninstall entry is left behind"

echo "== a user's base.mdb survives install and uninstall"
mkdir -p "$folder"
printf 'the user directory' > "$folder/base.mdb"
"$run" "$setup" /S
/usr/lib/wine/wineserver -w
[ "$(cat "$folder/base.mdb")" = "the user directory" ] || fail "the installer replaced base.mdb"
"$run" "$folder/uninstall.exe" /S
/usr/lib/wine/wineserver -w
[ "$(ls -A "$folder")" = "base.mdb" ] || fail "after uninstall: $(ls -A "$folder")"
[ ! -e "$shortcut" ] && ! registered || fail "after uninstall: shortcut or uninstall entry left behind"
[ "$(cat "$folder/base.mdb")" = "the user directory" ] || fail "the uninstaller changed base.mdb"
rm -rf "$folder"
echo "== the installer passes its checks ($(du -k "$setup" | cut -f1) KB)"
