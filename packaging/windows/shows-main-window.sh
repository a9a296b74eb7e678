#!/usr/bin/env bash
# Run on an X display by check-installer.sh: starts RUN START_PATH (Wine's start on the Start-menu shortcut) with
# the installed DLLs alone (empty WINEPATH) and the desktop platform, and waits up to 30 s for Velkaro's main window,
# titled with 91 blanks before "Velkaro - поиск". The window appears within seconds; the rest allows for a loaded
# machine.
set -euo pipefail
run=$1
start_path=$2
title="\"$(printf '%91s' '')Velkaro - поиск\""
WINEPATH='' env -u QT_QPA_PLATFORM "$run" start "$start_path"
for _ in $(seq 60); do
    LC_ALL=C.UTF-8 xwininfo -root -tree | grep -F "$title" >/dev/null && exit 0
    sleep 0.5
done
exit 1
